// The five fields of the real converter's parasitic elements as a result window shows
// them, each bound to the program's one set of values: what is typed in one window is
// the value in every other, and a value changed elsewhere shows here at once.
#pragma once

#include "app/platform.h"
#include "sim/parasiticfields.h"
#include "sim/runparts.h"
#include "simulationprogress.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <functional>
#include <optional>
#include <variant>

class ParasiticValues;
class QLineEdit;
class QWidget;

// How a window's calculation on the parasitic fields ended.
enum class CalculationEnd {
    Shown,        // the new figures are shown
    FieldRefused, // a field failed its check: that field has the focus, nothing was computed
    Refused,      // the model cannot serve the converter: its message, and no figures
    Cancelled,    // the student stopped the run: the window is as it was
};

class ParasiticEditors : public QObject {
public:
    // Under a title at `topLeft` of `window`, a row of 28 pixels for each element: its
    // symbol, its field (objectNames TextRL, TextRon, TextVF, TextRD, TextRC), its unit
    // and what it is, 420 pixels wide in all; under them the button "Calcola" (objectName
    // Calcola).  The button, or Return in a field, calls `calculate`.
    ParasiticEditors(QWidget* window, ParasiticValues& values, QPoint topLeft, std::function<void()> calculate);
    // The same five fields in one line from `topLeft`, for a window that has its own
    // "Calcola": the title, then for each element its symbol, its field and its unit,
    // 124 pixels apart, what it is in the field's tooltip.  Return in a field calls
    // `calculate`.
    struct InOneLine {};
    ParasiticEditors(QWidget* window, ParasiticValues& values, QPoint topLeft, std::function<void()> calculate, InOneLine);

    // The five values as the fields are checked and read, or nothing when one is
    // refused: its message has been shown, the window is in front and that field has
    // the focus with its text selected, ready to be typed again.
    std::optional<Parasitics> read(MessagePort& messages);

    // The fields read, then `analyse` run on them with a progress dialog over the window:
    // its view goes to `show`; a refusal first empties the window by `clear`, then shows
    // its message; a cancel leaves the window as it was.
    template <typename View, typename Analyse, typename Show, typename Clear>
    CalculationEnd calculate(MessagePort& messages, Analyse analyse, Show show, Clear clear)
    {
        const std::optional<Parasitics> parts = read(messages);
        if (!parts)
            return CalculationEnd::FieldRefused;
        std::variant<View, Stop> result;
        {
            SimulationProgress progress([this]() -> QWidget* { return window_; });
            result = analyse(*parts, &progress);
        }
        if (const Stop* stop = std::get_if<Stop>(&result)) {
            if (stop->outcome == SimOutcome::Cancelled)
                return CalculationEnd::Cancelled;
            clear();
            messages.ShowMessage(stop->message);
            return CalculationEnd::Refused;
        }
        show(std::get<View>(std::move(result)));
        return CalculationEnd::Shown;
    }

    QLineEdit* field(ParasiticField which) const { return fields_[std::size_t(which)]; }

private:
    QLineEdit* makeField(std::size_t i, const QRect& at, const std::function<void()>& calculate);
    void followValues();

    QWidget* window_;
    ParasiticValues& values_;
    std::array<QLineEdit*, kParasiticFieldCount> fields_{};
};

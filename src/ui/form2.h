// The waveform window: the plot of the last simulated period, the waveform selector
// that doubles as colour legend, and the simulated summary values.
#pragma once

#include "app/platform.h"

#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <array>
#include <optional>

class PlotWidget;
class QButtonGroup;
class QLabel;
struct Model;

// Computes nothing itself: the verification run writes the summary boxes, the
// simulation draws on the plot, and each pointer movement over the plot runs the
// cursor readout, which selects an option and sets the hover text.  Closing the
// window discards it.
class Form2 : public QWidget, public Form2Port {
    Q_OBJECT
public:
    explicit Form2(Model& model, QWidget* parent = nullptr);

    // Shows the window restored if it was minimised, raised and active.
    void show() override;
    void clearPlot() override;
    void drawPlotFrame() override;
    void drawTraces(const Model& m) override;
    void setCaption(Form2Summary box, const QString& text) override;
    int selectedOption() const override;
    void selectOption(int option) override;
    void setHoverText(const QString& text) override;

signals:
    // The user is closing the window, whose frame stands at `place` on the screen.
    void closing(QPoint place);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    Model& model_;
    PlotWidget* picture1_;
    QButtonGroup* options_;
    std::array<QLabel*, 5> summary_{}; // Label2, Label5, Label8, Label9, Label16
    // Where the pointer is while its movement over the plot is being handled.
    std::optional<QPoint> pointer_;
};

// The control loop's window: a compensator designed on the averaged model, the loop
// gain it makes, and the converter under its digital controller through a step of the
// load or the input, beside the same step with the loop open and the averaged model's
// linear prediction.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "exportactions.h"
#include "parasiticeditors.h"
#include "plot/bodeplot.h"
#include "runfollower.h"
#include "sim/closedloop.h"
#include "sim/loopfields.h"

#include <QPointF>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class ParasiticValues;
class PlotWidget;
class QLabel;
class QLineEdit;
class QRadioButton;

// Computes nothing itself: "Calcola" (or Return in a field) reads the five parasitic
// fields, which edit the program's one set of values, and the loop's fields, and hands
// them with the converter to the control analysis, whose view it shows as the plot
// functions draw and word it.  The loop's fields (objectNames TextFc, TextPM, TextVref,
// TextRL2, TextVi2, TextPrima, TextDopo, TextDmin, TextDmax, and the type TipoII,
// TipoIII) take their defaults as loopfields.h says: each whenever its default changes
// with the converter, a typed value staying while it does not; "Predefiniti" puts them
// all back.  Closing the window discards it.
class FormAnello : public QWidget, public RunFollower {
    Q_OBJECT
public:
    FormAnello(MessagePort& messages, ParasiticValues& values, QWidget* parent = nullptr);
    ~FormAnello() override;

    // The converter "Calcola" simulates (Vi, D, Freq in Hz, L in H, C in F, RL, N).
    void setInputs(const Model::SimulatedRun& run) { inputs_ = run; }
    // A field refused (a parasitic element's or the loop's), or a design refused, leaves
    // the cursor in the field to change.
    CalculationEnd calculate();
    // Every field back to its default for the converter, type III, then calculate().
    CalculationEnd restoreDefaults();

    // Every "Grafici" that reaches the simulation computes the window again for its run.
    bool remake(const Model& m) override;
    void showStale(bool stale) override;

    // The loop fields' texts and the type, as the student would type them.
    void setFieldTexts(const LoopTexts& texts, CompensatorType type);
    // Pixel columns of the time plot, for the analysis: one envelope line each.
    int columns() const;
    void setView(ControlView view);
    // No figures at all.
    void clearView();
    const ControlView* view() const { return view_ ? &*view_ : nullptr; }

    // The window as SVG, the plots drawn as paths.
    QByteArray svg();
    // Shows the window restored if it was minimised, raised and active.
    void present();
    void setFileChooser(ExportActions::FileChooser chooser);

private:
    void makeLoopFields();
    void makeButtons();
    void makeLegend();
    void makeTable();
    void placeScaleLabels();
    void placeBodeLabels(const std::function<QLabel*(const QRect&, const QString&, Qt::Alignment)>& add);
    LoopTexts fieldTexts() const;
    CompensatorType type() const;
    bool fillDefaults(const Parasitics& p);
    void refuseField(QLineEdit* field);
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    MessagePort& messages_;
    ParasiticValues& values_;
    Model::SimulatedRun inputs_;
    PlotWidget* timePlot_;
    PlotWidget* bodePlot_;
    ExportActions* exports_;
    ParasiticEditors* editors_;
    std::array<QLineEdit*, kLoopFieldCount> loopFields_{};
    QRadioButton* typeII_;
    QRadioButton* typeIII_;
    LoopTexts filledDefaults_; // the defaults last filled in, empty before the first
    std::vector<QLabel*> lines_; // the converter, the step, and the notes
    QLabel* stale_;
    std::vector<QLabel*> tableLabels_; // made anew with each view: names and values
    std::vector<QLabel*> scaleLabels_; // made anew with each view
    std::optional<ControlView> view_;
    BodePlot::Chart chart_; // the loop gain's, of view_
};

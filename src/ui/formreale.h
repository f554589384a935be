// The real converter's window: its five parasitic elements, the table of the ideal
// converter, the averaged model and the simulation side by side, where the input
// power goes, and the gain and efficiency over the duty cycle.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "exportactions.h"
#include "parasiticeditors.h"
#include "runfollower.h"
#include "sim/realconverter.h"

#include <QPointF>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class ParasiticValues;
class PlotWidget;
class QFrame;
class QLabel;

using RealEnd = CalculationEnd;

// Computes nothing itself: "Calcola" (or Return in a field) reads the five fields and
// hands them with the converter to the real converter's analysis, whose view it shows
// as the plot functions draw and word it.  The fields edit the program's one set of
// parasitic values.  Closing the window discards it.
class FormReale : public QWidget, public RunFollower {
    Q_OBJECT
public:
    FormReale(MessagePort& messages, ParasiticValues& values, QWidget* parent = nullptr);
    ~FormReale() override;

    // The converter "Calcola" simulates (Vi, D, Freq in Hz, L in H, C in F, RL, N, NI).
    void setInputs(const Model::SimulatedRun& run) { inputs_ = run; }
    const Model::SimulatedRun& inputs() const { return inputs_; }
    RealEnd calculate();

    // Every "Grafici" that reaches the simulation computes the window again for its run.
    bool remake(const Model& m) override;
    void showStale(bool stale) override;

    void setView(RealView view);
    // No figures at all.
    void clearView();
    const RealView* view() const { return view_ ? &*view_ : nullptr; }

    // The window as SVG, the plot drawn as paths.
    QByteArray svg();
    // Shows the window restored if it was minimised, raised and active.
    void present();
    void setFileChooser(ExportActions::FileChooser chooser);

signals:
    // The student asks for the dynamics of the converter shown.
    void dynamicsRequested();

private:
    void makeTable();
    void makeLegend();
    void makeBars();
    void showBars();
    void placeScaleLabels();
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    MessagePort& messages_;
    ParasiticValues& values_;
    Model::SimulatedRun inputs_;
    PlotWidget* plot_;
    ExportActions* exports_;
    ParasiticEditors* editors_;
    std::vector<QLabel*> cells_;   // row by row, three a row
    std::vector<QLabel*> lines_;   // the converter, L critica, the gain maximum, the period
    QLabel* stale_; // over the plot: the figures are of an earlier run than the fields hold
    QWidget* bars_;
    std::vector<QFrame*> barFrames_;   // a bar per part, then the stacked bar's segments
    std::vector<QLabel*> barValues_;   // Pin first, then a value per part
    std::vector<QLabel*> scaleLabels_; // made anew with each view
    std::optional<RealView> view_;
};

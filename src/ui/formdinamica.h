// The dynamics window: the averaged small-signal model of the real converter, its Bode
// plot of Gvd, Gvg or Zout with the poles, zeros and f/2 marked, the switching model's
// own measured points on Gvd, and the table of its figures.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "exportactions.h"
#include "parasiticeditors.h"
#include "plot/bodeplot.h"
#include "plot/dynamicsplot.h"
#include "runfollower.h"
#include "sim/dynamics.h"

#include <QPointF>
#include <QWidget>

#include <optional>
#include <vector>

class ParasiticValues;
class PlotWidget;
class QButtonGroup;
class QLabel;

// Computes nothing itself: "Calcola" (or Return in a field) reads the five parasitic
// fields, the program's one set, and hands them with the converter to the dynamics
// analysis, whose view it shows as the plot functions draw and word it.  The choice of
// function only draws the view again.  Closing the window discards it.
class FormDinamica : public QWidget, public RunFollower {
    Q_OBJECT
public:
    FormDinamica(MessagePort& messages, ParasiticValues& values, QWidget* parent = nullptr);
    ~FormDinamica() override;

    // The converter "Calcola" analyses (Vi, D, Freq in Hz, L in H, C in F, RL, N, NI).
    void setInputs(const Model::SimulatedRun& run) { inputs_ = run; }
    const Model::SimulatedRun& inputs() const { return inputs_; }
    CalculationEnd calculate();

    // Every "Grafici" that reaches the simulation computes the window again for its run.
    bool remake(const Model& m) override;
    void showStale(bool stale) override;

    void setView(DynamicsView view);
    // No figures at all.
    void clearView();
    const DynamicsView* view() const { return view_ ? &*view_ : nullptr; }

    // The function drawn: Gvd when the window opens.
    void setFunction(DynamicsPlot::Function function);
    DynamicsPlot::Function function() const;

    // The window as SVG, the plot drawn as paths.
    QByteArray svg();
    // Shows the window restored if it was minimised, raised and active.
    void present();
    void setFileChooser(ExportActions::FileChooser chooser);

signals:
    // The student asks for the control loop of the converter shown.
    void loopRequested();

private:
    void makeChoice();
    void makeTable();
    void makeLegend();
    void showChart();
    void showLegend();
    void placeScaleLabels();
    void placeMarkLabels();
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    MessagePort& messages_;
    ParasiticValues& values_;
    Model::SimulatedRun inputs_;
    ParasiticEditors* editors_;
    PlotWidget* plot_;
    ExportActions* exports_;
    QButtonGroup* choice_;
    std::vector<QLabel*> cells_;  // the table's values, row by row
    std::vector<QLabel*> lines_;  // the converter, the operating point, the points, the coarse duty
    std::vector<QLabel*> legend_; // marks and texts, a pair a row
    QLabel* stale_; // over the plot: the figures are of an earlier run than the fields hold
    std::vector<QLabel*> scaleLabels_; // made anew with each chart
    std::optional<DynamicsView> view_;
    BodePlot::Chart chart_; // of the view and the function chosen
};

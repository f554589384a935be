// The waveform window: the plot of the last simulated period, the waveform selector
// that doubles as colour legend, and the simulated summary values.
#pragma once

#include "app/platform.h"
#include "exportactions.h"

#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class PlotWidget;
class QAction;
class QButtonGroup;
class QLabel;
struct Model;

// Computes nothing itself: the verification run writes the summary boxes, the
// simulation draws on the plot, and each pointer movement over the plot runs the
// cursor readout, which selects an option and sets the hover text.  While traces are
// drawn, the plot's context menu and shortcuts save or copy the window's picture and
// export the period's data.  Closing the window discards it.
class Form2 : public QWidget, public Form2Port {
    Q_OBJECT
public:
    // `messages` tells the student of a file that could not be written.
    Form2(Model& model, MessagePort& messages, QWidget* parent = nullptr);

    // Where the export actions ask the student for a file name (the platform's dialog
    // by default).
    void setFileChooser(ExportActions::FileChooser chooser);

    // Shows the window restored if it was minimised, raised and active.
    void show() override;
    void clearPlot() override;
    void drawPlotFrame() override;
    void plotTraces(const Model& m) override;
    void setCaption(Form2Summary box, const QString& text) override;
    void setExactValue(Form2Summary box, std::optional<double> value) override;
    void setPlotHint(const QString& text) override;
    int selectedOption() const override;
    void selectOption(int option) override;
    void setHoverText(const QString& text) override;
    void setStartupAvailable(bool available) override;

signals:
    // The user is closing the window, whose frame stands at `place` on the screen.
    void closing(QPoint place);
    // The student asks for the view of the start-up of the last run.
    void startupRequested();
    // The student asks for the real converter of the last run.
    void realRequested();
    // The student asks for the dynamics of the last run.
    void dynamicsRequested();
    // The student asks for the control loop of the last run.
    void loopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pointerMoved(QPointF plotPos, QPoint globalPos);
    void describePlot();
    void makeWindowActions();

    Model& model_;
    MessagePort& messages_;
    ExportActions* exports_;
    QAction* startup_; // AvvioConvertitore
    QAction* real_;    // ConvertitoreReale
    QAction* dynamics_; // PiccoliSegnali
    QAction* loop_;    // AnelloControllo
    PlotWidget* picture1_;
    QButtonGroup* options_;
    std::array<QLabel*, 5> summary_{}; // Label2, Label5, Label8, Label9, Label16
    QLabel* hint_;                     // SuggerimentoAvvio, over the empty plot
    // Where the pointer is while its movement over the plot is being handled.
    std::optional<QPoint> pointer_;
};

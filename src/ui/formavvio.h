// The start-up window: the inductor current and the output voltage from rest with a
// diode that blocks, the figures of the start-up beside them, and the values simulated.
#pragma once

#include "app/platform.h"
#include "exportactions.h"
#include "runfollower.h"
#include "sim/startup.h"

#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <optional>
#include <vector>

class PlotWidget;
class QAction;
class QLabel;
class QRubberBand;

// Computes nothing itself: it shows a StartupView that the start-up analysis made for
// its plot's width, reads it out under the pointer and exports it.  The plot grows
// with the window; the wheel zooms its time axis about the pointer, a drag selects a
// time span, and a double click or "Mostra tutto" returns to the whole span, each time
// drawn again over the plot's pixel columns.  It follows the runs of "Grafici"
// (RunFollower).  Closing the window discards it.
class FormAvvio : public QWidget, public RunFollower {
    Q_OBJECT
public:
    explicit FormAvvio(MessagePort& messages, QWidget* parent = nullptr);
    ~FormAvvio() override;

    // Pixel columns of the plot, for the analysis: one envelope line each.
    int columns() const;
    void setView(StartupView view);
    const StartupView* view() const { return view_ ? &*view_ : nullptr; }

    // The start-up of Model::Simulated analysed again, with a progress dialog over the
    // window for a long one; a refusal is told through the message port.
    bool remake(const Model& m) override;
    void showStale(bool stale) override;

    // The window as SVG, the plot drawn as paths.
    QByteArray svg();

    // Shows the window restored if it was minimised, raised and active.
    void present();
    void setFileChooser(ExportActions::FileChooser chooser);

signals:
    // The student asks for the real converter of the converter shown.
    void realRequested();
protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeLegend();
    void layOut();
    void placeScaleLabels();
    void showView();
    bool showSpan(SampleSpan shown);
    bool zoomEvent(QEvent* event);
    QPoint plotToWindow(double x, double y) const;
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    MessagePort& messages_;
    PlotWidget* plot_;
    ExportActions* exports_;
    QAction* real_; // ConvertitoreReale, while a view is shown
    std::vector<QLabel*> legend_;  // marks and texts, a pair a row
    std::vector<QLabel*> figures_;
    QLabel* title_;
    QLabel* span_;
    QLabel* csv_;
    QLabel* hint_;
    QLabel* inputs_;
    QLabel* stale_;
    QRubberBand* selection_;
    std::optional<QPoint> dragFrom_; // where a drag over the plot began
    std::vector<QLabel*> scaleLabels_; // made anew with each view
    std::optional<StartupView> view_;
    QSize laidOutFor_;
    bool drawing_ = false; // a drawing is under way: a resize meanwhile waits for it
};

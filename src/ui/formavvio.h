// The start-up window: the inductor current and the output voltage from rest with a
// diode that blocks, the figures of the start-up beside them, and the values simulated.
#pragma once

#include "app/platform.h"
#include "exportactions.h"
#include "sim/startup.h"

#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <optional>
#include <vector>

class PlotWidget;
class QAction;
class QLabel;

// Computes nothing itself: it shows a StartupView that the start-up analysis made for
// its plot's width, reads it out under the pointer and exports it.  Closing the window
// discards it.
class FormAvvio : public QWidget {
    Q_OBJECT
public:
    explicit FormAvvio(MessagePort& messages, QWidget* parent = nullptr);
    ~FormAvvio() override;

    // Pixel columns of the plot, for the analysis: one envelope line each.
    int columns() const;
    void setView(StartupView view);
    const StartupView* view() const { return view_ ? &*view_ : nullptr; }

    // The window as SVG, the plot drawn as paths.
    QByteArray svg();

    // Shows the window restored if it was minimised, raised and active.
    void present();
    void setFileChooser(ExportActions::FileChooser chooser);

signals:
    // The student asks for the real converter of the converter shown.
    void realRequested();

private:
    void makeLegend();
    void placeScaleLabels();
    QPoint plotToWindow(double x, double y) const;
    void pointerMoved(QPointF plotPos, QPoint globalPos);

    PlotWidget* plot_;
    ExportActions* exports_;
    QAction* real_; // ConvertitoreReale, while a view is shown
    std::vector<QLabel*> figures_;
    QLabel* span_;
    QLabel* inputs_;
    std::vector<QLabel*> scaleLabels_; // made anew with each view
    std::optional<StartupView> view_;
};

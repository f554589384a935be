// The plot area of the waveform window: a sunken panel that shows a retained image.
#pragma once

#include "plot/plotsurface.h"

#include <QFrame>
#include <QPoint>
#include <QPointF>

#include <memory>
#include <optional>

class PlotImage;

// Keeps the drawing in an off-screen image of the panel's inner area, so covering,
// uncovering and repainting show the same picture; only clear() empties it.  Pointer
// movement over the inner area is reported in plot coordinates (x 0..100 left to
// right, y 0..100 bottom to top).
class PlotWidget : public QFrame, public PlotSurface {
    Q_OBJECT
public:
    explicit PlotWidget(QWidget* parent = nullptr);
    ~PlotWidget() override;

    // A run starts with clear(); the image is made anew then if the screen's pixel
    // ratio changed since it was made, so the new drawing is sharp on its screen.
    void clear() override;
    QSize pixelSize() const override;
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override;

    // The hover text, shown at once at `globalPos` and moved with the pointer instead of
    // after the hover delay; an empty text hides it.  Without a position it only
    // replaces the text the toolkit shows after its delay.
    void showHoverText(const QString& text, std::optional<QPoint> globalPos);

    // A point of plot coordinates in the parent widget's, as the image places it: for
    // the labels of the scales beside the plot.
    QPoint toParent(double x, double y) const;
    // Plot coordinates of a position in the widget's own pixels.
    QPointF toPlot(QPointF widgetPos) const;

    // Whether painting shows the drawing or only the empty panel (for a picture that
    // draws the plot by other means).
    void setDrawingShown(bool shown) { drawingShown_ = shown; }

signals:
    // plotPos in plot coordinates; globalPos is the pointer on the screen.
    void pointerMoved(QPointF plotPos, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    PlotImage& surface() const;

    // Created on first use, once the panel has its final size; remembers the inner
    // size (logical pixels) and pixel ratio it was made for.
    mutable std::unique_ptr<PlotImage> image_;
    mutable QSize imageSize_;
    mutable qreal imageRatio_ = 0;
    bool drawingShown_ = true;
};

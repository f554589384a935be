// The retained drawing of the waveform plot: an off-screen image at the screen's
// device-pixel resolution that the plot widget copies to the screen.
#pragma once

#include "plot/plotsurface.h"

#include <QImage>
#include <QPointF>
#include <QSize>

class PlotImage : public PlotSurface {
public:
    // An empty plot of `logicalSize` widget pixels for a screen of `devicePixelRatio`.
    PlotImage(QSize logicalSize, qreal devicePixelRatio);

    void clear() override;
    QSize pixelSize() const override;
    // Plot coordinates go to device pixels with x 0..100 on columns 0..w − 1 and
    // y 100..0 on rows 0..h − 1, so both edges of the plot fall on the image; each
    // line joins the pixels that contain its ends, one device pixel wide, aliased.
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override;

    const QImage& image() const { return image_; }

    // Plot coordinates of a pointer position given in widget pixels.
    QPointF toPlot(QPointF logicalPos) const;

private:
    QImage image_;
};

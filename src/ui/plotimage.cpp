#include "plotimage.h"

#include "plot/plotgeometry.h"
#include "uistyle.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include <cmath>
#include <vector>

PlotImage::PlotImage(QSize logicalSize, qreal devicePixelRatio)
    : image_(logicalSize * devicePixelRatio, QImage::Format_RGB32)
{
    image_.setDevicePixelRatio(devicePixelRatio);
    clear();
}

void PlotImage::clear()
{
    image_.fill(UiStyle::kLightYellow);
}

QSize PlotImage::pixelSize() const
{
    return image_.size();
}

namespace {

// Each end goes to a fixed spot inside the device pixel that contains it, a quarter
// pixel from its top-left corner: far enough from every edge that scaling by the pixel
// ratio and back cannot move it to a neighbour.  The pixels a line lights then depend
// only on the pixels of its ends, so a chain of segments narrower than a pixel lights
// exactly the pixels its samples fall in, and the trace drawing can replace such a
// chain by one line through the same pixels.
double snapped(double device) { return std::floor(device) + 0.25; }

} // namespace

void PlotImage::drawLines(Rgb colour, std::span<const PlotLine> lines)
{
    if (lines.empty() || image_.isNull())
        return;
    const int w = image_.width();
    const int h = image_.height();
    const qreal ratio = image_.devicePixelRatio(); // the painter scales by it again
    std::vector<QLineF> mapped;
    mapped.reserve(lines.size());
    for (const PlotLine& l : lines) {
        mapped.emplace_back(snapped(deviceX(l.x1, w)) / ratio, snapped(deviceY(l.y1, h)) / ratio,
                            snapped(deviceX(l.x2, w)) / ratio, snapped(deviceY(l.y2, h)) / ratio);
    }
    QPen pen(UiStyle::qColour(colour), 0);
    pen.setCosmetic(true); // one device pixel whatever the scale
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.drawLines(mapped.data(), static_cast<int>(mapped.size()));
}

QPointF PlotImage::toPlot(QPointF logicalPos) const
{
    const QPointF device = logicalPos * image_.devicePixelRatio();
    const int w = image_.width();
    const int h = image_.height();
    const double x = w > 1 ? device.x() / (w - 1) * 100 : 0;
    const double y = h > 1 ? 100 - device.y() / (h - 1) * 100 : 0;
    return {x, y};
}

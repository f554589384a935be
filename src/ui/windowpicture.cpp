#include "windowpicture.h"

#include "app/model.h"
#include "plot/plot.h"
#include "plot/plotgeometry.h"
#include "plotwidget.h"
#include "uistyle.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSvgGenerator>

namespace WindowPicture {

namespace {

// The plot drawn with vectors onto a painter, in the plot's inner rectangle: the same
// frame and the same reduced traces as the retained image, a line from pixel centre to
// pixel centre.
class VectorPlot : public PlotSurface {
public:
    VectorPlot(QPainter& painter, const QRect& area) : painter_(painter), area_(area) {}

    void clear() override { painter_.fillRect(area_, UiStyle::kLightYellow); }
    QSize pixelSize() const override { return area_.size(); }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override
    {
        QPainterPath path;
        for (const PlotLine& l : lines) {
            path.moveTo(at(l.x1, l.y1));
            path.lineTo(at(l.x2, l.y2));
        }
        QPen pen(UiStyle::qColour(colour), 1);
        pen.setCapStyle(Qt::SquareCap);
        painter_.strokePath(path, pen);
    }

private:
    QPointF at(float x, float y) const
    {
        return {area_.left() + deviceX(x, area_.width()) + 0.5, area_.top() + deviceY(y, area_.height()) + 0.5};
    }

    QPainter& painter_;
    QRect area_;
};

// Takes the keyboard focus away for as long as it lives, so that no focus frame is
// drawn, and gives it back.
class NoFocus {
public:
    explicit NoFocus(QWidget& window) : focused_(window.focusWidget())
    {
        if (focused_)
            focused_->clearFocus();
    }
    ~NoFocus()
    {
        if (focused_)
            focused_->setFocus();
    }
    NoFocus(const NoFocus&) = delete;
    NoFocus& operator=(const NoFocus&) = delete;

private:
    QPointer<QWidget> focused_;
};

} // namespace

QImage picture(QWidget& window)
{
    const NoFocus noFocus(window);
    return window.grab().toImage();
}

QByteArray png(const QImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray svg(QWidget& window, PlotWidget& plot, const std::function<void(PlotSurface&)>& drawPlot)
{
    return svg(window, {{&plot, drawPlot}});
}

QByteArray svg(QWidget& window, const std::vector<DrawnPlot>& plots)
{
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(window.logicalDpiX());
    generator.setSize(window.size());
    generator.setViewBox(QRect(QPoint(), window.size()));
    generator.setTitle(window.windowTitle());
    const NoFocus noFocus(window);
    QPainter painter(&generator);
    // Everything but the retained images, which would go in as pixels; then the plots
    // themselves, drawn again as paths.
    for (const DrawnPlot& p : plots)
        p.plot->setDrawingShown(false);
    window.render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    for (const DrawnPlot& p : plots) {
        p.plot->setDrawingShown(true);
        VectorPlot vectors(painter, QRect(p.plot->mapTo(&window, p.plot->contentsRect().topLeft()), p.plot->contentsRect().size()));
        vectors.clear();
        p.draw(vectors);
    }
    painter.end();
    return buffer.data();
}

QByteArray waveformSvg(QWidget& form2, const Model& m)
{
    auto* plot = form2.findChild<PlotWidget*>(QStringLiteral("Picture1"));
    return svg(form2, *plot, [&m](PlotSurface& surface) {
        DrawPlotFrame(surface);
        if (m.Drawn.valid)
            redrawTraces(m, m.Drawn.NP, m.Drawn.N, surface);
    });
}

} // namespace WindowPicture

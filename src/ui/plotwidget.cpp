#include "plotwidget.h"

#include "plot/plotgeometry.h"
#include "plotimage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

PlotWidget::PlotWidget(QWidget* parent) : QFrame(parent)
{
    // The standard sunken 3-D border, two pixels deep; the drawing lies inside it.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The image covers the whole inner area, and growing the panel keeps what it shows.
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

PlotWidget::~PlotWidget() = default;

PlotImage& PlotWidget::surface() const
{
    const QSize logical = contentsRect().size();
    if (!image_ || imageSize_ != logical) {
        imageSize_ = logical;
        imageRatio_ = devicePixelRatioF();
        image_ = std::make_unique<PlotImage>(imageSize_, imageRatio_);
    }
    return *image_;
}

void PlotWidget::clear()
{
    // A screen change alone keeps the old image (scaled when painted): nothing is
    // lost, and the next run, which always starts here, draws at the new ratio.
    if (image_ && imageRatio_ != devicePixelRatioF())
        image_.reset();
    surface().clear();
    update();
}

QSize PlotWidget::pixelSize() const
{
    return surface().pixelSize();
}

void PlotWidget::drawLines(Rgb colour, std::span<const PlotLine> lines)
{
    surface().drawLines(colour, lines);
    update(contentsRect());
}

void PlotWidget::showHoverText(const QString& text, std::optional<QPoint> globalPos)
{
    setToolTip(text);
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // A one-pixel area makes every movement place the tip anew, even with equal text.
    if (globalPos)
        QToolTip::showText(*globalPos, text, this, QRect(mapFromGlobal(*globalPos), QSize(1, 1)));
}

QPoint PlotWidget::toParent(double x, double y) const
{
    const QRect inner = contentsRect().translated(pos());
    return inner.topLeft() + QPoint(int(std::lround(deviceX(x, inner.width()))), int(std::lround(deviceY(y, inner.height()))));
}

QPointF PlotWidget::toPlot(QPointF widgetPos) const
{
    return surface().toPlot(widgetPos - QPointF(contentsRect().topLeft()));
}

void PlotWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (drawingShown_)
        painter.drawImage(QRectF(contentsRect()), surface().image());
    drawFrame(&painter);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event)
{
    // Over the border no position is reported; while a button is held the pointer is
    // followed beyond the area, where the coordinates run past 0..100.
    if (contentsRect().contains(event->position().toPoint()) || event->buttons() != Qt::NoButton)
        emit pointerMoved(toPlot(event->position()), event->globalPosition().toPoint());
    QFrame::mouseMoveEvent(event);
}

#include "appicon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace AppIcon {

namespace {

// Drawn on a 64 × 64 grid and scaled, so strokes keep their proportions at every size.
void paintOnGrid(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor badge{192, 192, 255};
    const QColor rim{40, 40, 140};
    const QColor wire{0, 130, 0};
    const QColor rise{210, 0, 0};

    p.setPen(QPen(rim, 3));
    p.setBrush(badge);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    // Coil of two turns and a diode on one rail.
    constexpr double kRail = 46;
    const QPen wirePen(wire, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPainterPath coil(QPointF(8, kRail));
    coil.lineTo(12, kRail);
    coil.arcTo(QRectF(12, kRail - 8, 14, 16), 180, -180);
    coil.arcTo(QRectF(26, kRail - 8, 14, 16), 180, -180);
    p.setPen(wirePen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(coil);
    p.setBrush(wire);
    p.drawPolygon(QPolygonF{QPointF(42, kRail - 8), QPointF(42, kRail + 8), QPointF(52, kRail)});
    p.drawLine(QLineF(53, kRail - 9, 53, kRail + 9));
    p.drawLine(QLineF(53, kRail, 57, kRail));

    // The output stands above the input: an arrow rising to the right.
    p.setPen(QPen(rise, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(12, 28, 40, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(rise);
    p.drawPolygon(QPolygonF{QPointF(54, 7), QPointF(36, 7), QPointF(44, 23)});
}

// The icon drawn into a square image of `size` × `size` pixels, transparent outside
// the badge.
QImage image(int size)
{
    QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.scale(size / 64.0, size / 64.0);
    paintOnGrid(p);
    return result;
}

} // namespace

QIcon icon()
{
    QIcon result;
    for (int size : {16, 32, 48, 64})
        result.addPixmap(QPixmap::fromImage(image(size)));
    return result;
}

} // namespace AppIcon

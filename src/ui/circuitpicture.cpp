#include "circuitpicture.h"

#include "uistyle.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {

// Conductors and components in green, currents, voltages and names in blue, as on a
// classroom blackboard drawing.
const QColor kWireColour{0, 150, 0};
const QColor kSignColour{0, 0, 255};

// The two rails of the converter, in drawing pixels.
// Centred in the part of the drawing that the frame shows (its lowest rows are cut off).
constexpr double kTopRail = 78;
constexpr double kBottomRail = 250;
constexpr double kMiddle = (kTopRail + kBottomRail) / 2;

// Columns of the elements from left to right.
constexpr double kInputX = 36;     // input terminals
constexpr double kCoilLeft = 128;  // first of four coil turns, 20 px each
constexpr double kSwitchX = 290;   // first junction: switch branch
constexpr double kDiodeLeft = 372; // anode of the diode
constexpr double kCapacitorX = 452; // second junction: capacitor branch
constexpr double kLoadX = 562;     // load resistor
constexpr double kOutputX = 606;   // output voltage arrow

QPen wirePen() { return QPen(kWireColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }
QPen signPen() { return QPen(kSignColour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin); }

// A straight arrow with a filled head at `to`.
void arrow(QPainter& p, QPointF from, QPointF to)
{
    constexpr double kHeadLength = 10;
    constexpr double kHeadHalfWidth = 4.5;
    const QLineF shaft(from, to);
    const QPointF unit = (to - from) / shaft.length();
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = to - unit * kHeadLength;
    p.setPen(signPen());
    p.drawLine(QLineF(from, base));
    p.setPen(Qt::NoPen);
    p.setBrush(kSignColour);
    p.drawPolygon(QPolygonF{to, base + normal * kHeadHalfWidth, base - normal * kHeadHalfWidth});
    p.setBrush(Qt::NoBrush);
}

// A name centred on a point.
void label(QPainter& p, QPointF centre, const QString& text)
{
    p.setPen(kSignColour);
    p.drawText(QRectF(centre.x() - 40, centre.y() - 12, 80, 24), Qt::AlignCenter, text);
}

void junction(QPainter& p, QPointF at)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kWireColour);
    p.drawEllipse(at, 4, 4);
    p.setBrush(Qt::NoBrush);
}

void terminal(QPainter& p, QPointF at)
{
    p.setPen(wirePen());
    p.setBrush(Qt::white);
    p.drawEllipse(at, 4, 4);
    p.setBrush(Qt::NoBrush);
}

// Rails and branch wires, drawn first so the components sit on top of them.
void drawWires(QPainter& p)
{
    p.setPen(wirePen());
    const double coilRight = kCoilLeft + 4 * 20;
    const double cathodeX = kDiodeLeft + 28;
    p.drawLine(QLineF(kInputX + 4, kTopRail, kCoilLeft, kTopRail));
    p.drawLine(QLineF(coilRight, kTopRail, kDiodeLeft, kTopRail));
    p.drawLine(QLineF(cathodeX, kTopRail, kLoadX, kTopRail));
    p.drawLine(QLineF(kInputX + 4, kBottomRail, kLoadX, kBottomRail));
    // Switch branch, broken where the switch box stands.
    p.drawLine(QLineF(kSwitchX, kTopRail, kSwitchX, kMiddle - 46));
    p.drawLine(QLineF(kSwitchX, kMiddle + 46, kSwitchX, kBottomRail));
    // Capacitor branch, broken at the plates.
    p.drawLine(QLineF(kCapacitorX, kTopRail, kCapacitorX, kMiddle - 6));
    p.drawLine(QLineF(kCapacitorX, kMiddle + 6, kCapacitorX, kBottomRail));
    // Load branch, broken at the zig-zag.
    p.drawLine(QLineF(kLoadX, kTopRail, kLoadX, kMiddle - 42));
    p.drawLine(QLineF(kLoadX, kMiddle + 42, kLoadX, kBottomRail));
}

// Four turns of the inductor as half circles above the rail.
void drawCoil(QPainter& p)
{
    QPainterPath path(QPointF(kCoilLeft, kTopRail));
    for (int turn = 0; turn < 4; ++turn)
        path.arcTo(QRectF(kCoilLeft + 20 * turn, kTopRail - 10, 20, 20), 180, -180);
    p.setPen(wirePen());
    p.drawPath(path);
    label(p, {kCoilLeft + 40, kTopRail - 26}, QStringLiteral("L"));
    // Inductor voltage, positive at the right-hand end.
    arrow(p, {kCoilLeft + 76, kTopRail + 22}, {kCoilLeft + 4, kTopRail + 22});
    label(p, {kCoilLeft + 40, kTopRail + 38}, QStringLiteral("VL"));
}

// The controlled switch: a box with two contacts and an open blade, driven by the
// pulse-width modulator beside it.
void drawSwitch(QPainter& p)
{
    const QRectF box(kSwitchX - 18, kMiddle - 46, 36, 92);
    p.setPen(wirePen());
    p.drawRect(box);
    const QPointF upper(kSwitchX, kMiddle - 26);
    const QPointF lower(kSwitchX, kMiddle + 26);
    p.drawLine(QLineF(QPointF(kSwitchX, box.top()), upper - QPointF(0, 3.5)));
    p.drawLine(QLineF(lower + QPointF(0, 3.5), QPointF(kSwitchX, box.bottom())));
    p.drawLine(QLineF(lower + QPointF(-1.5, -3), QPointF(kSwitchX - 13, kMiddle - 16)));
    p.setBrush(Qt::white);
    p.drawEllipse(upper, 3.5, 3.5);
    p.drawEllipse(lower, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);

    const QRectF pwm(192, kMiddle - 42, 48, 84);
    p.setPen(wirePen());
    p.drawRect(pwm);
    p.setPen(kSignColour);
    p.drawText(pwm, Qt::AlignCenter, QStringLiteral("PWM"));
    arrow(p, {pwm.right(), pwm.center().y()}, {box.left(), pwm.center().y()});
}

// Diode pointing right: anode at the junction of coil and switch, cathode to the output.
void drawDiode(QPainter& p)
{
    const double cathodeX = kDiodeLeft + 28;
    p.setPen(wirePen());
    p.setBrush(kWireColour);
    p.drawPolygon(QPolygonF{QPointF(kDiodeLeft, kTopRail - 12), QPointF(kDiodeLeft, kTopRail + 12),
                            QPointF(cathodeX, kTopRail)});
    p.setBrush(Qt::NoBrush);
    p.drawLine(QLineF(cathodeX, kTopRail - 12, cathodeX, kTopRail + 12));
    label(p, {kDiodeLeft + 14, kTopRail - 26}, QStringLiteral("D"));
}

void drawCapacitor(QPainter& p)
{
    p.setPen(QPen(kWireColour, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QLineF(kCapacitorX - 20, kMiddle - 6, kCapacitorX + 20, kMiddle - 6));
    p.drawLine(QLineF(kCapacitorX - 20, kMiddle + 6, kCapacitorX + 20, kMiddle + 6));
    label(p, {kCapacitorX + 34, kMiddle}, QStringLiteral("C"));
    arrow(p, {kCapacitorX + 14, kTopRail + 16}, {kCapacitorX + 14, kTopRail + 58});
    label(p, {kCapacitorX + 30, kTopRail + 37}, QStringLiteral("ic"));
}

// Load resistor as a vertical zig-zag of six strokes.
void drawLoad(QPainter& p)
{
    QPolygonF zigzag;
    zigzag << QPointF(kLoadX, kMiddle - 42);
    for (int k = 0; k < 6; ++k)
        zigzag << QPointF(kLoadX + ((k % 2 == 0) ? 10 : -10), kMiddle - 35 + 14 * k);
    zigzag << QPointF(kLoadX, kMiddle + 42);
    p.setPen(wirePen());
    p.drawPolyline(zigzag);
    label(p, {kLoadX - 30, kMiddle}, QStringLiteral("RL"));
}

// Currents along the top rail and the two terminal voltages.
void drawCurrentsAndVoltages(QPainter& p)
{
    const double above = kTopRail - 12;
    arrow(p, {kInputX + 22, above}, {kInputX + 74, above});
    label(p, {kInputX + 48, above - 14}, QStringLiteral("ii=iL"));
    arrow(p, {kSwitchX + 20, above}, {kSwitchX + 62, above});
    label(p, {kSwitchX + 41, above - 14}, QStringLiteral("id"));
    arrow(p, {kCapacitorX + 24, above}, {kCapacitorX + 66, above});
    label(p, {kCapacitorX + 45, above - 14}, QStringLiteral("io"));

    arrow(p, {kInputX, kBottomRail - 14}, {kInputX, kTopRail + 14});
    label(p, {kInputX - 18, kMiddle}, QStringLiteral("Vi"));
    arrow(p, {kOutputX, kBottomRail - 6}, {kOutputX, kTopRail + 6});
    label(p, {kOutputX + 20, kMiddle}, QStringLiteral("Vo"));
}

} // namespace

CircuitPicture::CircuitPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CircuitPicture::paint(QPainter& p)
{
    p.save();
    const QSize size = drawingSize();
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));

    p.setRenderHint(QPainter::Antialiasing);
    QFont font = UiStyle::font();
    font.setPixelSize(15);
    p.setFont(font);

    drawWires(p);
    drawCoil(p);
    drawSwitch(p);
    drawDiode(p);
    drawCapacitor(p);
    drawLoad(p);
    for (double x : {kSwitchX, kCapacitorX}) {
        junction(p, {x, kTopRail});
        junction(p, {x, kBottomRail});
    }
    terminal(p, {kInputX, kTopRail});
    terminal(p, {kInputX, kBottomRail});
    drawCurrentsAndVoltages(p);
    p.restore();
}

void CircuitPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Whatever of the widget the drawing does not reach stays the window colour.
    painter.fillRect(rect(), palette().window());
    paint(painter);
}

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
const QColor wireColour{0, 150, 0};
const QColor signColour{0, 0, 255};

// The two rails of the converter, in drawing pixels.
// Centred in the part of the drawing that the frame shows (its lowest rows are cut off).
constexpr double topRail = 78;
constexpr double bottomRail = 250;
constexpr double middle = (topRail + bottomRail) / 2;

// Columns of the elements from left to right.
constexpr double inputX = 36;     // input terminals
constexpr double coilLeft = 128;  // first of four coil turns, 20 px each
constexpr double switchX = 290;   // first junction: switch branch
constexpr double diodeLeft = 372; // anode of the diode
constexpr double capacitorX = 452; // second junction: capacitor branch
constexpr double loadX = 562;     // load resistor
constexpr double outputX = 606;   // output voltage arrow

QPen wirePen() { return QPen(wireColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }
QPen signPen() { return QPen(signColour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin); }

// A straight arrow with a filled head at `to`.
void arrow(QPainter& p, QPointF from, QPointF to)
{
    constexpr double headLength = 10;
    constexpr double headHalfWidth = 4.5;
    const QLineF shaft(from, to);
    const QPointF unit = (to - from) / shaft.length();
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = to - unit * headLength;
    p.setPen(signPen());
    p.drawLine(QLineF(from, base));
    p.setPen(Qt::NoPen);
    p.setBrush(signColour);
    p.drawPolygon(QPolygonF{to, base + normal * headHalfWidth, base - normal * headHalfWidth});
    p.setBrush(Qt::NoBrush);
}

// A name centred on a point.
void label(QPainter& p, QPointF centre, const QString& text)
{
    p.setPen(signColour);
    p.drawText(QRectF(centre.x() - 40, centre.y() - 12, 80, 24), Qt::AlignCenter, text);
}

void junction(QPainter& p, QPointF at)
{
    p.setPen(Qt::NoPen);
    p.setBrush(wireColour);
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
    const double coilRight = coilLeft + 4 * 20;
    const double cathodeX = diodeLeft + 28;
    p.drawLine(QLineF(inputX + 4, topRail, coilLeft, topRail));
    p.drawLine(QLineF(coilRight, topRail, diodeLeft, topRail));
    p.drawLine(QLineF(cathodeX, topRail, loadX, topRail));
    p.drawLine(QLineF(inputX + 4, bottomRail, loadX, bottomRail));
    // Switch branch, broken where the switch box stands.
    p.drawLine(QLineF(switchX, topRail, switchX, middle - 46));
    p.drawLine(QLineF(switchX, middle + 46, switchX, bottomRail));
    // Capacitor branch, broken at the plates.
    p.drawLine(QLineF(capacitorX, topRail, capacitorX, middle - 6));
    p.drawLine(QLineF(capacitorX, middle + 6, capacitorX, bottomRail));
    // Load branch, broken at the zig-zag.
    p.drawLine(QLineF(loadX, topRail, loadX, middle - 42));
    p.drawLine(QLineF(loadX, middle + 42, loadX, bottomRail));
}

// Four turns of the inductor as half circles above the rail.
void drawCoil(QPainter& p)
{
    QPainterPath path(QPointF(coilLeft, topRail));
    for (int turn = 0; turn < 4; ++turn)
        path.arcTo(QRectF(coilLeft + 20 * turn, topRail - 10, 20, 20), 180, -180);
    p.setPen(wirePen());
    p.drawPath(path);
    label(p, {coilLeft + 40, topRail - 26}, QStringLiteral("L"));
    // Inductor voltage, positive at the right-hand end.
    arrow(p, {coilLeft + 76, topRail + 22}, {coilLeft + 4, topRail + 22});
    label(p, {coilLeft + 40, topRail + 38}, QStringLiteral("VL"));
}

// The controlled switch: a box with two contacts and an open blade, driven by the
// pulse-width modulator beside it.
void drawSwitch(QPainter& p)
{
    const QRectF box(switchX - 18, middle - 46, 36, 92);
    p.setPen(wirePen());
    p.drawRect(box);
    const QPointF upper(switchX, middle - 26);
    const QPointF lower(switchX, middle + 26);
    p.drawLine(QLineF(QPointF(switchX, box.top()), upper - QPointF(0, 3.5)));
    p.drawLine(QLineF(lower + QPointF(0, 3.5), QPointF(switchX, box.bottom())));
    p.drawLine(QLineF(lower + QPointF(-1.5, -3), QPointF(switchX - 13, middle - 16)));
    p.setBrush(Qt::white);
    p.drawEllipse(upper, 3.5, 3.5);
    p.drawEllipse(lower, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);

    const QRectF pwm(192, middle - 42, 48, 84);
    p.setPen(wirePen());
    p.drawRect(pwm);
    p.setPen(signColour);
    p.drawText(pwm, Qt::AlignCenter, QStringLiteral("PWM"));
    arrow(p, {pwm.right(), pwm.center().y()}, {box.left(), pwm.center().y()});
}

// Diode pointing right: anode at the junction of coil and switch, cathode to the output.
void drawDiode(QPainter& p)
{
    const double cathodeX = diodeLeft + 28;
    p.setPen(wirePen());
    p.setBrush(wireColour);
    p.drawPolygon(QPolygonF{QPointF(diodeLeft, topRail - 12), QPointF(diodeLeft, topRail + 12),
                            QPointF(cathodeX, topRail)});
    p.setBrush(Qt::NoBrush);
    p.drawLine(QLineF(cathodeX, topRail - 12, cathodeX, topRail + 12));
    label(p, {diodeLeft + 14, topRail - 26}, QStringLiteral("D"));
}

void drawCapacitor(QPainter& p)
{
    p.setPen(QPen(wireColour, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QLineF(capacitorX - 20, middle - 6, capacitorX + 20, middle - 6));
    p.drawLine(QLineF(capacitorX - 20, middle + 6, capacitorX + 20, middle + 6));
    label(p, {capacitorX + 34, middle}, QStringLiteral("C"));
    arrow(p, {capacitorX + 14, topRail + 16}, {capacitorX + 14, topRail + 58});
    label(p, {capacitorX + 30, topRail + 37}, QStringLiteral("ic"));
}

// Load resistor as a vertical zig-zag of six strokes.
void drawLoad(QPainter& p)
{
    QPolygonF zigzag;
    zigzag << QPointF(loadX, middle - 42);
    for (int k = 0; k < 6; ++k)
        zigzag << QPointF(loadX + ((k % 2 == 0) ? 10 : -10), middle - 35 + 14 * k);
    zigzag << QPointF(loadX, middle + 42);
    p.setPen(wirePen());
    p.drawPolyline(zigzag);
    label(p, {loadX - 30, middle}, QStringLiteral("RL"));
}

// Currents along the top rail and the two terminal voltages.
void drawCurrentsAndVoltages(QPainter& p)
{
    const double above = topRail - 12;
    arrow(p, {inputX + 22, above}, {inputX + 74, above});
    label(p, {inputX + 48, above - 14}, QStringLiteral("ii=iL"));
    arrow(p, {switchX + 20, above}, {switchX + 62, above});
    label(p, {switchX + 41, above - 14}, QStringLiteral("id"));
    arrow(p, {capacitorX + 24, above}, {capacitorX + 66, above});
    label(p, {capacitorX + 45, above - 14}, QStringLiteral("io"));

    arrow(p, {inputX, bottomRail - 14}, {inputX, topRail + 14});
    label(p, {inputX - 18, middle}, QStringLiteral("Vi"));
    arrow(p, {outputX, bottomRail - 6}, {outputX, topRail + 6});
    label(p, {outputX + 20, middle}, QStringLiteral("Vo"));
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
    for (double x : {switchX, capacitorX}) {
        junction(p, {x, topRail});
        junction(p, {x, bottomRail});
    }
    terminal(p, {inputX, topRail});
    terminal(p, {inputX, bottomRail});
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

#include "design.h"

#include "app/messages.h"
#include "app/model.h"
#include "app/numbers.h"

#include <cmath>
#include <optional>

namespace {

constexpr QStringView kVoMessage = u"La tensione in uscita non può essere zero o negativa o minore di Vi!";
constexpr QStringView kFreqMessage = u"La frequenza non può essere zero o negativa!";
constexpr QStringView kDeltaVoMessage = u"DeltaVo non può essere zero o negativo!";
constexpr QStringView kIoMessage = u"Io non può essere negativa!";
constexpr QStringView kDeltaiLMessage = u"DeltaiL non può essere zero o negativo!";
constexpr QStringView kFullDutyMessage =
    u"Vo è troppo grande rispetto a Vi: il Duty Cycle risulterebbe del 100% e la corrente "
    u"media in ingresso Iim non avrebbe un valore finito!";

constexpr NamedField kText1{Form1Field::Text1, u"la tensione di ingresso Vi"};
constexpr NamedField kText2{Form1Field::Text2, u"la tensione di uscita Vo"};
constexpr NamedField kText3{Form1Field::Text3, u"il valore della frequenza di commutazione f in kHz"};
constexpr NamedField kText4{Form1Field::Text4, u"il valore di DeltaiL in % di Iim"};
constexpr NamedField kText5{Form1Field::Text5, u"il valore di DeltaVo in mV"};
constexpr NamedField kText6{Form1Field::Text6, u"il valore della corrente di uscita Io in A"};

bool refuse(Model& m, Form1Port& form1, QStringView message)
{
    reportMessage(m, form1, message.toString());
    return false;
}

// Reads a design field.  A decimal comma would silently cut the number short (1,5 reads
// as 1), so a field holding one is refused instead; so is a number no double can hold.
std::optional<double> readField(Model& m, Form1Port& form1, const NamedField& f)
{
    const QString text = form1.text(f.field);
    if (text.contains(u',')) {
        refuse(m, form1, badFormatMessage(f.quantity));
        return std::nullopt;
    }
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        refuse(m, form1, tooLargeMessage(f.quantity));
    return value;
}

// Arithmetic of one design quantity that notices when a result leaves the doubles:
// an overflow, a division by zero, or an underflow of a product or quotient of non-zero
// numbers to zero.  Each operation is one IEEE operation, so the formulas keep their
// grouping and their exact results.
class Checked {
public:
    double mul(double a, double b) { return check(a * b, a != 0 && b != 0); }
    double div(double a, double b)
    {
        if (b == 0)
            ok_ = false;
        return check(a / b, a != 0);
    }
    double add(double a, double b) { return check(a + b, false); }
    bool ok() const { return ok_; }

private:
    double check(double r, bool mustBeNonZero)
    {
        if (!std::isfinite(r) || (mustBeNonZero && r == 0))
            ok_ = false;
        return r;
    }
    bool ok_ = true;
};

QString notRepresentable(QStringView quantity)
{
    return QStringLiteral("Impossibile calcolare %1 con questi dati: il risultato è troppo grande "
                          "o troppo piccolo per essere rappresentato!")
        .arg(quantity);
}

// Stores one derived quantity, or reports that these data take it out of the doubles.
template <typename Formula>
bool derive(Model& m, Form1Port& form1, double& target, QStringView quantity, Formula formula)
{
    Checked a;
    const double value = formula(a);
    if (!a.ok())
        return refuse(m, form1, notRepresentable(quantity));
    target = value;
    return true;
}

// Steps 1 to 5: the requirements that need nothing computed, each stored before its check.
bool readRequirements(Model& m, Form1Port& form1)
{
    std::optional<double> v = readField(m, form1, kText1);
    if (!v)
        return false;
    m.Vi = *v;
    if (!(m.Vi > 0))
        return refuse(m, form1, kInputVoltageMessage);

    if (!(v = readField(m, form1, kText2)))
        return false;
    m.Vo = *v;
    if (!(m.Vo > 0 && m.Vo >= m.Vi))
        return refuse(m, form1, kVoMessage);

    if (!(v = readField(m, form1, kText3)))
        return false;
    if (!derive(m, form1, m.Freq, u"la frequenza f in Hz", [&](Checked& a) { return a.mul(*v, 1000); }))
        return false;
    if (!(m.Freq > 0))
        return refuse(m, form1, kFreqMessage);

    if (!(v = readField(m, form1, kText5)))
        return false;
    m.DeltaVo = *v * 0.001; // mV to V
    if (!(m.DeltaVo > 0))
        return refuse(m, form1, kDeltaVoMessage);

    if (!(v = readField(m, form1, kText6)))
        return false;
    m.Io = *v;
    return m.Io >= 0 || refuse(m, form1, kIoMessage);
}

// Steps 6 to 14.  Ideal continuous-conduction boost: Vo/Vi = 1/(1 - D), and the input
// current is the output current scaled by the same ratio.
bool deriveDesign(Model& m, Form1Port& form1)
{
    m.D = 1 - m.Vi / m.Vo;
    if (m.D == 1) // Vo/Vi so large that Vi/Vo vanishes against 1
        return refuse(m, form1, kFullDutyMessage);
    if (!derive(m, form1, m.Iim, u"la corrente media in ingresso Iim",
                [&](Checked& a) { return a.div(m.Io, 1 - m.D); }))
        return false;

    // Text4 is a percentage of the mean input current, so it is read only now.
    const std::optional<double> ripplePercent = readField(m, form1, kText4);
    if (!ripplePercent
        || !derive(m, form1, m.DeltaiL, u"DeltaiL", [&](Checked& a) { return a.div(a.mul(*ripplePercent, m.Iim), 100); }))
        return false;
    if (!(m.DeltaiL > 0))
        return refuse(m, form1, kDeltaiLMessage);

    // Inductance from the on-time ripple, in µH: L = (Vo - Vi)·Vi / (f·Vo·ΔiL); capacitance
    // from the off-time charge, in µF: C = (Vo - Vi)·Io / (f·Vo·ΔVo).  Numerator and
    // denominator are each formed left to right, then divided once.
    const double voMinusVi = m.Vo - m.Vi; // finite: 0 < Vi <= Vo
    const auto perRipple = [&](double x, double ripple) {
        return [&, x, ripple](Checked& a) {
            return a.div(a.mul(a.mul(voMinusVi, x), 1e6), a.mul(a.mul(m.Freq, m.Vo), ripple));
        };
    };
    if (!derive(m, form1, m.L, u"l'induttanza L", perRipple(m.Vi, m.DeltaiL))
        || !derive(m, form1, m.C, u"la capacità C", perRipple(m.Io, m.DeltaVo))
        || !derive(m, form1, m.IDP, u"la corrente di picco nel diodo IDP",
                   [&](Checked& a) { return a.add(a.div(m.DeltaiL, 2), m.Iim); }))
        return false;
    m.IDm = m.Io;
    return derive(m, form1, m.RL, u"la resistenza di carico RL", [&](Checked& a) { return a.div(m.Vo, m.Io); });
}

// The results in the five boxes, in the locale's notation, and the converter in the
// verification fields, in bright blue.
void showDesign(Model& m, Form1Port& form1)
{
    // Each box keeps its full value too, to be copied back into a field.
    for (const auto& [box, value] : {std::pair{Form1Result::Label24, m.L}, {Form1Result::Label25, m.C},
                                     {Form1Result::Label26, m.IDP}, {Form1Result::Label27, m.IDm},
                                     {Form1Result::Label32, m.Iim}}) {
        form1.setCaption(box, FormatNumber(value, NumberPattern::Sci2));
        form1.setExactValue(box, value);
    }

    const struct {
        Form1Field field = Form1Field::Text7;
        double value = 0;
    } verification[] = {
        {Form1Field::Text7, m.Vi},         {Form1Field::Text12, m.Freq / 1000},
        {Form1Field::Text8, m.D * 100},    {Form1Field::Text9, m.L},
        {Form1Field::Text10, m.C},         {Form1Field::Text11, m.RL},
    };
    for (const auto& [field, value] : verification) {
        m.NumText = FormatForField(value);
        form1.setText(field, m.NumText);
        form1.setTextColour(field, Colours::kBrightBlue);
    }
}

} // namespace

QString FormatForField(double value)
{
    // The field is read back by ParseNumber, which knows only the point.
    return formatNumberWithPoint(value, NumberPattern::Sci3);
}

void Command1_Click(Model& m, Form1Port& form1)
{
    // Each value is stored before its check, so a refused value stays in the model, as
    // every later action expects; nothing on screen changes until all steps succeeded.
    if (readRequirements(m, form1) && deriveDesign(m, form1))
        showDesign(m, form1);
}

void Command3_Click(Form1Port& form1)
{
    form1.setText(Form1Field::Text1, QStringLiteral("15"));
    form1.setText(Form1Field::Text2, QStringLiteral("25"));
    form1.setText(Form1Field::Text3, QStringLiteral("80"));
    form1.setText(Form1Field::Text4, QStringLiteral("40"));
    form1.setText(Form1Field::Text5, QStringLiteral("60"));
    form1.setText(Form1Field::Text6, QStringLiteral("1.5"));
}

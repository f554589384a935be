#include "design.h"

#include "app/fieldmessages.h"
#include "app/model.h"
#include "app/numbers.h"

#include <cmath>
#include <optional>

namespace {

const QString kViMessage = QStringLiteral("La tensione in ingresso non può essere zero o negativa!");
const QString kVoMessage =
    QStringLiteral("La tensione in uscita non può essere zero o negativa o minore di Vi!");
const QString kFreqMessage = QStringLiteral("La frequenza non può essere zero o negativa!");
const QString kDeltaVoMessage = QStringLiteral("DeltaVo non può essere zero o negativo!");
const QString kIoMessage = QStringLiteral("Io non può essere negativa!");
const QString kDeltaiLMessage = QStringLiteral("DeltaiL non può essere zero o negativo!");
const QString kFullDutyMessage = QStringLiteral(
    "Vo è troppo grande rispetto a Vi: il Duty Cycle risulterebbe del 100% e la corrente "
    "media in ingresso Iim non avrebbe un valore finito!");

// What each design field holds, as the messages about it name it.
struct DesignField {
    Form1Field field;
    const char* quantity;
};
constexpr DesignField kText1{Form1Field::Text1, "la tensione di ingresso Vi"};
constexpr DesignField kText2{Form1Field::Text2, "la tensione di uscita Vo"};
constexpr DesignField kText3{Form1Field::Text3, "il valore della frequenza di commutazione f in kHz"};
constexpr DesignField kText4{Form1Field::Text4, "il valore di DeltaiL in % di Iim"};
constexpr DesignField kText5{Form1Field::Text5, "il valore di DeltaVo in mV"};
constexpr DesignField kText6{Form1Field::Text6, "il valore della corrente di uscita Io in A"};

void report(Model& m, Form1Port& form1, const QString& message)
{
    m.MsgText = message;
    form1.ShowMessage(m.MsgText);
}

// Reads a design field.  A decimal comma would silently cut the number short (1,5 reads
// as 1), so a field holding one is refused instead; so is a number no double can hold.
std::optional<double> readField(Model& m, Form1Port& form1, const DesignField& f)
{
    const QString text = form1.text(f.field);
    const QString quantity = QString::fromUtf8(f.quantity);
    if (text.contains(u',')) {
        report(m, form1, BadFormatMessage(quantity));
        return std::nullopt;
    }
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        report(m, form1, TooLargeMessage(quantity));
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
    double sub(double a, double b) { return check(a - b, false); }
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

QString notRepresentable(const char* quantity)
{
    return QStringLiteral("Impossibile calcolare %1 con questi dati: il risultato è troppo grande "
                          "o troppo piccolo per essere rappresentato!")
        .arg(QString::fromUtf8(quantity));
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
    std::optional<double> v = readField(m, form1, kText1);
    if (!v)
        return;
    m.Vi = *v;
    if (!(m.Vi > 0))
        return report(m, form1, kViMessage);

    if (!(v = readField(m, form1, kText2)))
        return;
    m.Vo = *v;
    if (!(m.Vo > 0 && m.Vo >= m.Vi))
        return report(m, form1, kVoMessage);

    if (!(v = readField(m, form1, kText3)))
        return;
    {
        const double freq = *v * 1000; // kHz to Hz
        if (!std::isfinite(freq))
            return report(m, form1, notRepresentable("la frequenza f in Hz"));
        m.Freq = freq;
    }
    if (!(m.Freq > 0))
        return report(m, form1, kFreqMessage);

    if (!(v = readField(m, form1, kText5)))
        return;
    m.DeltaVo = *v * 0.001; // mV to V
    if (!(m.DeltaVo > 0))
        return report(m, form1, kDeltaVoMessage);

    if (!(v = readField(m, form1, kText6)))
        return;
    m.Io = *v;
    if (!(m.Io >= 0))
        return report(m, form1, kIoMessage);

    // Stores one derived quantity, or reports that these data take it out of the doubles.
    const auto derive = [&](double& target, const char* quantity, auto formula) {
        Checked a;
        const double value = formula(a);
        if (!a.ok()) {
            report(m, form1, notRepresentable(quantity));
            return false;
        }
        target = value;
        return true;
    };

    // Ideal continuous-conduction boost: Vo/Vi = 1/(1 - D), and the input current is the
    // output current scaled by the same ratio.
    m.D = 1 - m.Vi / m.Vo;
    if (m.D == 1) // Vo/Vi so large that Vi/Vo vanishes against 1
        return report(m, form1, kFullDutyMessage);
    if (!derive(m.Iim, "la corrente media in ingresso Iim",
                [&](Checked& a) { return a.div(m.Io, 1 - m.D); }))
        return;

    // Text4 is a percentage of the mean input current, so it is read only now.
    if (!(v = readField(m, form1, kText4)))
        return;
    const double ripplePercent = *v;
    if (!derive(m.DeltaiL, "DeltaiL",
                [&](Checked& a) { return a.div(a.mul(ripplePercent, m.Iim), 100); }))
        return;
    if (!(m.DeltaiL > 0))
        return report(m, form1, kDeltaiLMessage);

    // Inductance from the on-time ripple, in µH: L = (Vo - Vi)·Vi / (f·Vo·ΔiL); capacitance
    // from the off-time charge, in µF: C = (Vo - Vi)·Io / (f·Vo·ΔVo).  Numerator and
    // denominator are each formed left to right, then divided once.
    const double voMinusVi = m.Vo - m.Vi; // finite: 0 < Vi <= Vo
    const auto perRipple = [&](double x, double ripple) {
        return [&, x, ripple](Checked& a) {
            return a.div(a.mul(a.mul(voMinusVi, x), 1e6), a.mul(a.mul(m.Freq, m.Vo), ripple));
        };
    };
    if (!derive(m.L, "l'induttanza L", perRipple(m.Vi, m.DeltaiL))
        || !derive(m.C, "la capacità C", perRipple(m.Io, m.DeltaVo))
        || !derive(m.IDP, "la corrente di picco nel diodo IDP",
                   [&](Checked& a) { return a.add(a.div(m.DeltaiL, 2), m.Iim); }))
        return;
    m.IDm = m.Io;
    if (!derive(m.RL, "la resistenza di carico RL", [&](Checked& a) { return a.div(m.Vo, m.Io); }))
        return;

    form1.setCaption(Form1Result::Label24, FormatNumber(m.L, NumberPattern::Sci2));
    form1.setCaption(Form1Result::Label25, FormatNumber(m.C, NumberPattern::Sci2));
    form1.setCaption(Form1Result::Label26, FormatNumber(m.IDP, NumberPattern::Sci2));
    form1.setCaption(Form1Result::Label27, FormatNumber(m.IDm, NumberPattern::Sci2));
    form1.setCaption(Form1Result::Label32, FormatNumber(m.Iim, NumberPattern::Sci2));

    const struct {
        Form1Field field;
        double value;
    } verification[] = {
        {Form1Field::Text7, m.Vi},         {Form1Field::Text12, m.Freq / 1000},
        {Form1Field::Text8, m.D * 100},    {Form1Field::Text9, m.L},
        {Form1Field::Text10, m.C},         {Form1Field::Text11, m.RL},
    };
    for (const auto& [field, value] : verification) {
        m.NumText = FormatForField(value);
        form1.setText(field, m.NumText);
        form1.setTextColour(field, Colours::BrightBlue);
    }
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

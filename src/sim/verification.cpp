#include "verification.h"

#include "app/messages.h"
#include "app/model.h"
#include "app/numbers.h"
#include "sim/fieldcheck.h"
#include "sim/simulation.h"

#include <QStringView>

#include <cmath>
#include <initializer_list>
#include <optional>

namespace {

// Each field's messages name its quantity in the same words:
// "Hai dimenticato di scrivere <quantity>", "Errore di inserimento dati per <quantity>.
// Puoi scrivere ...", and the conversion faults "<Quantity> deve essere ..." and
// "Il numero scritto per <quantity> è troppo grande ...".
constexpr QStringView kForgotten = u"Hai dimenticato di scrivere ";
constexpr QStringView kNotInt32 = u"%1 deve essere un intero compreso tra -2147483648 e 2147483647.";
constexpr QStringView kDiscontinuousHint =
    u"La corrente nell'induttore si è annullata: il convertitore lavora in conduzione discontinua. "
    u"«Avvio del convertitore» (Ctrl+T, nel menu di questo grafico) lo mostra.";
constexpr QStringView kDRange =
    u"Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!";


constexpr NamedField kVi{Form1Field::Text7, u"la tensione di ingresso Vi"};
constexpr NamedField kD{Form1Field::Text8, u"il valore del Duty Cycle in %"};
constexpr NamedField kFreq{Form1Field::Text12, u"il valore della frequenza di commutazione f in kHz"};
constexpr NamedField kL{Form1Field::Text9, u"il valore dell'induttanza in uH"};
constexpr NamedField kC{Form1Field::Text10, u"il valore della capacità in uF"};
constexpr NamedField kRL{Form1Field::Text11, u"il valore della resistenza di carico RL in ohm"};
constexpr NamedField kN{Form1Field::Text13, u"il numero dei campioni N"};
constexpr NamedField kNP{Form1Field::Text14, u"il numero dei periodi visualizzati NP"};
constexpr NamedField kNI{Form1Field::Text15, u"il numero di iterazioni NI"};

constexpr const NamedField* kCheckOrder[] = {&kVi, &kD, &kFreq, &kL, &kC, &kRL, &kN, &kNP, &kNI};

// Unit factors: single multiplications, so that 100 % gives exactly D = 1.
constexpr double kPercent = 0.01;
constexpr double kKilo = 1000;
constexpr double kMicro = 0.000001;

QString joined(std::initializer_list<QStringView> parts)
{
    QString text;
    for (const QStringView part : parts)
        text.append(part);
    return text;
}

QString capitalised(QStringView text) { return joined({text.first(1).toString().toUpper(), text.sliced(1)}); }

bool fieldPasses(Model& m, Form1Port& form1, const NamedField& f)
{
    m.FieldText = form1.text(f.field);
    m.MsgText = joined({kForgotten, f.quantity});
    m.MsgBadFormat = badFormatMessage(f.quantity);
    CheckNumericField(m, m.FieldText, form1);
    return m.InputError != 1;
}

// Reads a converter field, times its unit factor, into target.  The field turns black
// as soon as it is read, before any check.  A number beyond the double range, or whose
// conversion to base units is, is not stored: target keeps its previous value.
bool readQuantity(Model& m, Form1Port& form1, const NamedField& f, double factor, double& target)
{
    const std::optional<double> typed = ParseNumber(form1.text(f.field));
    form1.setTextColour(f.field, Colours::kBlack);
    if (typed) {
        const double value = *typed * factor; // a factor of 1 changes no double
        if (std::isfinite(value)) {
            target = value;
            return true;
        }
    }
    reportMessage(m, form1, tooLargeMessage(f.quantity));
    return false;
}

// Reads a count field, rounded half to even.  A value outside the 32-bit range is not
// stored: target keeps its previous value.  Counts keep their text colour.
bool readCount(Model& m, Form1Port& form1, const NamedField& f, std::int32_t& target)
{
    const std::optional<double> typed = ParseNumber(form1.text(f.field));
    const std::optional<std::int32_t> value = typed ? RoundToInt32(*typed) : std::nullopt;
    if (!value) {
        reportMessage(m, form1, kNotInt32.arg(capitalised(f.quantity)));
        return false;
    }
    target = *value;
    return true;
}

// The field that refused its value, or nothing when all nine were read and checked.
std::optional<Form1Field> readAndCheck(Model& m, Form1Port& form1)
{
    if (!readQuantity(m, form1, kVi, 1, m.Vi))
        return kVi.field;
    if (!(m.Vi > 0)) {
        reportMessage(m, form1, kInputVoltageMessage.toString());
        return kVi.field;
    }
    if (!readQuantity(m, form1, kD, kPercent, m.D))
        return kD.field;
    if (!(m.D > 0 && m.D < 1)) {
        reportMessage(m, form1, kDRange.toString());
        return kD.field;
    }
    // Frequency, components and counts go to the simulation unchecked: it refuses what
    // it cannot simulate, with its own message.
    struct Quantity {
        const NamedField& f;
        double factor;
        double Model::*target;
    };
    for (const Quantity& q : {Quantity{kFreq, kKilo, &Model::Freq}, Quantity{kL, kMicro, &Model::L},
                              Quantity{kC, kMicro, &Model::C}, Quantity{kRL, 1, &Model::RL}}) {
        if (!readQuantity(m, form1, q.f, q.factor, m.*q.target))
            return q.f.field;
    }
    struct Count {
        const NamedField& f;
        std::int32_t Model::*target;
    };
    for (const Count& c : {Count{kN, &Model::N}, Count{kNP, &Model::NP}, Count{kNI, &Model::NI}}) {
        if (!readCount(m, form1, c.f, m.*c.target))
            return c.f.field;
    }
    return std::nullopt;
}

struct SummaryBox {
    Form2Summary box = Form2Summary::Label2;
    double Model::*value = nullptr;
};

constexpr SummaryBox kSummaryBoxes[] = {
    {Form2Summary::Label2, &Model::SimDeltaiL}, {Form2Summary::Label5, &Model::SimDeltaVo},
    {Form2Summary::Label8, &Model::SimIDP},     {Form2Summary::Label9, &Model::SimIDm},
    {Form2Summary::Label16, &Model::SimIim},
};

// The five boxes with the values of the run just drawn, or emptied.
void showSummary(Form2Port& form2, const Model& m, bool drawn)
{
    for (const SummaryBox& s : kSummaryBoxes) {
        form2.setCaption(s.box, drawn ? FormatNumber(m.*s.value, NumberPattern::Sci2) : QString());
        form2.setExactValue(s.box, drawn ? std::optional(m.*s.value) : std::nullopt);
    }
}

RunEnd endOf(SimOutcome outcome)
{
    switch (outcome) {
    case SimOutcome::Completed:
        return RunEnd::Drawn;
    case SimOutcome::Refused:
        return RunEnd::CurrentReachedZero;
    case SimOutcome::Cancelled:
        return RunEnd::Cancelled;
    case SimOutcome::Fault:
        break;
    }
    return RunEnd::SimulationFault;
}

} // namespace

std::optional<Form1Field> readVerificationFields(Model& m, Form1Port& form1)
{
    for (const NamedField* f : kCheckOrder) {
        if (!fieldPasses(m, form1, *f))
            return f->field;
    }
    return readAndCheck(m, form1);
}

RunOutcome Command2_Click(Model& m, Form1Port& form1, Form2Host& host, ProgressPort* progress)
{
    if (const std::optional<Form1Field> refused = readVerificationFields(m, form1))
        return {RunEnd::FieldRefused, *refused};

    Form2Port& form2 = host.obtainForm2();
    form2.clearPlot();
    // The hover text reads the plot just cleared; a run that draws nothing new must not
    // let the pointer bring back figures of a plot that is gone.
    form2.setHoverText(QString());
    // The boxes belong to the plot beside them: emptied with it, during the run and
    // under its message, rather than left showing an earlier run's figures.
    showSummary(form2, m, false);
    form2.setPlotHint(QString());
    m.Drawn.valid = false;
    const SimOutcome outcome = SimulateConverter(m, form2, form1, progress);
    showSummary(form2, m, outcome == SimOutcome::Completed);
    // The message of a current that reached zero speaks of the duty cycle and L; the
    // emptied plot then says where that converter can be seen.
    if (outcome == SimOutcome::Refused)
        form2.setPlotHint(kDiscontinuousHint.toString());
    // The start-up can be seen where the verification drew its traces, and above all
    // where it found the current reaching zero: the diode that blocks shows why.
    const RunEnd end = endOf(outcome);
    m.Simulated = {end == RunEnd::Drawn || end == RunEnd::CurrentReachedZero, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI};
    form2.setStartupAvailable(m.Simulated.valid);
    return {end};
}

#include "form1.h"

#include "appicon.h"
#include "circuitpicture.h"
#include "uistyle.h"
#include "waveformhost.h"

#include "design/design.h"
#include "sim/verification.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using UiStyle::Place;

// Fixed captions.  Δ and Ω are plain Unicode letters of the label font.
struct LabelRow {
    Place place;
    const char* text = ""; // UTF-8
    double points = 8.25;
};

// clang-format off
const LabelRow kLabelRows[] = {
    // Design requirements.
    {{"Label1", 11280,  360, 2055, 255}, "Progetto > dati:", 9.75},
    {{"Label3", 10680,  720,  375, 375}, "Vi", 9.75},
    {{"Label4", 13440,  720,  735, 375}, "[V]", 9.75},
    {{"Label5", 10680, 1200,  375, 375}, "Vo", 9.75},
    {{"Label6", 13440, 1200,  735, 375}, "[V]", 9.75},
    {{"Label7", 10800, 1680,  255, 255}, "f", 9.75},
    {{"Label8", 13440, 1680,  735, 255}, "[kHz]", 9.75},
    // ΔiL/Iim: the ratio label starts where the narrow delta ends.
    {{"Label9", 10560, 2160,  135, 255}, "\u0394", 9.75},
    {{"Label11", 10695, 2160,  615, 375}, "iL/Iim", 9.75},
    {{"Label10", 13440, 2160,  495, 375}, "[%]", 9.75},
    {{"Label12", 10680, 2640,  255, 255}, "\u0394", 9.75},
    {{"Label13", 10800, 2640,  375, 375}, "Vo", 9.75},
    {{"Label14", 13440, 2640,  615, 375}, "[mV]", 9.75},
    {{"Label17", 10800, 3120,  375, 375}, "Io", 9.75},
    {{"Label18", 13440, 3120,  495, 375}, "[A]", 9.75},
    // Advice on the inductor ripple: ΔiL between 0.3 and 0.5 times the input current.
    {{"Label15", 11280, 3720,  255, 255}, "\u0394", 9.75},
    {{"Label16", 11400, 3720, 2055, 375}, "iL= (0.3 ; 0.5 )*Iim", 9.75},
    // Design results.
    {{"Label19", 11280, 4080, 2175, 255}, "Progetto > Risultati:", 9.75},
    {{"Label20", 10800, 4440,  255, 255}, "L", 9.75},
    {{"Label21", 13440, 4440,  615, 375}, "[uH]", 9.75},
    {{"Label22", 10800, 4920,  375, 375}, "C", 9.75},
    {{"Label23", 13440, 4920,  495, 375}, "[uF]", 9.75},
    {{"Label28", 10800, 5400,  375, 255}, "IDP"},
    {{"Label29", 13440, 5400,  375, 375}, "[A]", 9.75},
    {{"Label31", 10800, 5880,  375, 255}, "IDm"},
    {{"Label30", 13440, 5880,  495, 375}, "[A]", 9.75},
    {{"Label33", 10800, 6360,  375, 255}, "Iim"},
    {{"Label34", 13440, 6360,  495, 375}, "[A]", 9.75},
    // Verification converter.
    {{"Label35", 1800, 5400, 1575, 255}, "Verifica > dati:"},
    {{"Label36", 1440, 5880,  255, 255}, "Vi", 9.75},
    {{"Label37", 3840, 5880,  375, 255}, "[V]", 9.75},
    {{"Label46", 1440, 6360,  135, 255}, "f", 9.75},
    {{"Label47", 3840, 6240,  735, 255}, "[kHz]", 9.75},
    {{"Label38", 1440, 6840,  255, 255}, "D"},
    {{"Label39", 3840, 6720,  495, 375}, "[%]", 9.75},
    {{"Label40", 1440, 7440,  255, 255}, "L", 9.75},
    {{"Label43", 3840, 7320,  615, 375}, "[uH]", 9.75},
    {{"Label41", 1440, 8040,  255, 255}, "C", 9.75},
    {{"Label44", 3840, 7920,  495, 375}, "[uF]", 9.75},
    {{"Label42", 1440, 8520,  255, 255}, "RL"},
    {{"Label45", 3840, 8400,  375, 255}, "[\u03A9]", 12},
    // Simulation counts.
    {{"Label48", 5040, 5760,  255, 255}, "N"},
    {{"Label56", 7440, 5880, 1935, 255}, "Numero campioni"},
    {{"Label49", 5040, 6240,  255, 255}, "NP"},
    {{"Label57", 7440, 6360, 2655, 255}, "Numero periodi visualizzati"},
    {{"Label65", 5040, 6720,  255, 255}, "NI"},
    {{"Label66", 7440, 6720, 1815, 255}, "Numero iterazioni"},
    {{"Label64", 240, 9120, 1095, 255}, "Attendere!!"},
    // Legends.
    {{"Label50", 5040, 7680, 3375, 255}, "Vi = tensione continua in ingresso"},
    {{"Label51", 5040, 8040, 4095, 255}, "Vo = tensione continua desiderata in uscita"},
    {{"Label52", 5040, 8400, 2775, 255}, "f = frequenza di commutazione"},
    {{"Label53", 5040, 8760, 5055, 255}, "DeltaiL = variazione di picco della corrente nell'induttore"},
    {{"Label54", 5040, 9120, 4815, 255}, "DeltaVo = variazione di picco della tensione in uscita"},
    {{"Label55", 5040, 9480, 2775, 255}, "Io = corrente continua in uscita"},
    {{"Label58", 5040, 9840, 3855, 255}, "D = ciclo di lavoro = ton/(ton+toff) = 1 - Vi/Vo"},
    {{"Label59", 10320, 7680, 5055, 255}, "ton =  intervallo di tempo in cui l'interruttore \u00e8 chiuso"},
    {{"Label60", 10320, 8040, 5175, 255}, "toff = intervallo di tempo in cui l'iterruttore \u00e8 aperto"},
    {{"Label61", 10320, 8400, 4815, 255}, "IDP = corrente di picco nel diodo"},
    {{"Label62", 10320, 8760, 5415, 255}, "IDm = corrente media nel diodo"},
    {{"Label63", 10320, 9120, 4455, 255}, "Iim = corrente media, o continua,  in ingresso "},
};
// clang-format on

enum class Side { Design, Verification };

QColor sideColour(Side side)
{
    return side == Side::Design ? UiStyle::kLightBlue : UiStyle::kLightPink;
}

// A field, result box or button: where it stands, which half of the window it belongs
// to, its initial text and the name a screen reader gives it.
struct ControlRow {
    Place place;
    Side side = Side::Design;
    const char* text = "";           // initial field text, or button caption
    const char* accessibleName = ""; // UTF-8
};

// clang-format off
// In Form1Field order, Text1..Text15.
const ControlRow kFieldRows[] = {
    {{"Text1",  11280,  720, 2055, 375}, Side::Design, "", "Progetto: tensione continua in ingresso Vi, in V"},
    {{"Text2",  11280, 1200, 2055, 375}, Side::Design, "", "Progetto: tensione continua desiderata in uscita Vo, in V"},
    {{"Text3",  11280, 1680, 2055, 375}, Side::Design, "", "Progetto: frequenza di commutazione f, in kHz"},
    {{"Text4",  11280, 2160, 2055, 375}, Side::Design, "",
     "Progetto: variazione di picco della corrente nell'induttore \u0394iL, in % della corrente media in ingresso"},
    {{"Text5",  11280, 2640, 2055, 375}, Side::Design, "", "Progetto: variazione di picco della tensione in uscita \u0394Vo, in mV"},
    {{"Text6",  11280, 3120, 2055, 375}, Side::Design, "", "Progetto: corrente continua in uscita Io, in A"},
    {{"Text7",   1800, 5760, 1935, 375}, Side::Verification, "", "Verifica: tensione continua in ingresso Vi, in V"},
    {{"Text8",   1800, 6720, 1935, 375}, Side::Verification, "", "Verifica: ciclo di lavoro D, in %"},
    {{"Text9",   1800, 7320, 1935, 375}, Side::Verification, "", "Verifica: induttanza L, in \u00b5H"},
    {{"Text10",  1800, 7920, 1935, 375}, Side::Verification, "", "Verifica: capacit\u00e0 C, in \u00b5F"},
    {{"Text11",  1800, 8400, 1935, 375}, Side::Verification, "", "Verifica: resistenza di carico RL, in \u03a9"},
    {{"Text12",  1800, 6240, 1935, 375}, Side::Verification, "", "Verifica: frequenza di commutazione f, in kHz"},
    {{"Text13",  5400, 5760, 1935, 375}, Side::Verification, "1000", "Numero di campioni per periodo N"},
    {{"Text14",  5400, 6240, 1935, 375}, Side::Verification, "10", "Numero di periodi visualizzati NP"},
    {{"Text15",  5400, 6720, 1935, 375}, Side::Verification, "5000", "Numero di periodi simulati (iterazioni) NI"},
};

// In Form1Result order.  Each box stands left of its unit label.
const ControlRow kResultRows[] = {
    {{"Label24", 11280, 4440, 2055, 375}, Side::Design, "", "Induttanza L, in \u00b5H"},
    {{"Label25", 11280, 4920, 2055, 375}, Side::Design, "", "Capacit\u00e0 C, in \u00b5F"},
    {{"Label26", 11280, 5400, 2055, 375}, Side::Design, "", "Corrente di picco nel diodo IDP, in A"},
    {{"Label27", 11280, 5880, 2055, 375}, Side::Design, "", "Corrente media nel diodo IDm, in A"},
    {{"Label32", 11280, 6360, 2055, 375}, Side::Design, "", "Corrente media in ingresso Iim, in A"},
};

// Command1, Command3, Command2.
const ControlRow kButtonRows[] = {
    {{"Command1", 10920, 6840, 2895, 495}, Side::Design, "Calcola L , C , IDP, IDm , Iim",
     "Calcola induttanza, capacit\u00e0 e correnti del progetto"},
    {{"Command3", 13920, 3720, 1455, 495}, Side::Design, "Dati Esempio", "Inserisci i dati di un esempio di progetto"},
    {{"Command2",  1800, 9000, 1935, 495}, Side::Verification, "Grafici", "Simula il convertitore e mostra le forme d'onda"},
};
// clang-format on

QLabel* makeLabel(QWidget* parent, const QString& text, const Place& at, const QFont& font)
{
    auto* label = UiStyle::place(new QLabel(text, parent), at, font);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

Form1::Form1(Model& model, MessagePort& messages, WaveformHost& waveforms,
             ProgressFactory progressFactory, QWidget* parent)
    : QWidget(parent),
      model_(model),
      messages_(messages),
      waveforms_(waveforms),
      progressFactory_(std::move(progressFactory))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(UiStyle::programTitle());
    setWindowIcon(AppIcon::icon());
    setFont(UiStyle::font());
    resize(UiStyle::twips(0, 0, 15870, 10245).size());

    // The picture frame is created first so that it heads the focus chain: at start the
    // focus rests on it and no field shows a cursor.
    auto* picture1 = UiStyle::place(new QFrame(this), {"Picture1", 240, 720, 9735, 4455});
    picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture1->setLineWidth(2);
    picture1->setFocusPolicy(Qt::StrongFocus);
    picture1->setAccessibleName(QStringLiteral("Schema del convertitore boost"));
    auto* picture2 = new CircuitPicture(picture1);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setGeometry(picture1->contentsRect());
    picture2->setFocusPolicy(Qt::StrongFocus);
    picture2->setAccessibleName(picture1->accessibleName());

    makeCaptions();
    makeResultBoxes();
    makeFields();
    makeButtons();
    setFocusOrder(picture1, picture2);

    // The waveform window should leave the verification fields and their button in view.
    QRect verification = buttons_[2]->geometry();
    for (int n = int(Form1Field::Text7); n <= int(Form1Field::Text15); ++n)
        verification |= field(Form1Field(n))->geometry();
    waveforms.keepClearOf(this, verification);
}

void Form1::makeCaptions()
{
    makeLabel(this, UiStyle::programTitle(), {"Label2", 120, 120, 4215, 495}, UiStyle::font(18));
    for (const LabelRow& row : kLabelRows)
        makeLabel(this, QString::fromUtf8(row.text), row.place, UiStyle::font(row.points))
            ->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* contact = makeLabel(this, QStringLiteral("Lab. Elettronica"), {"Label67", 13680, 9720, 1575, 285},
                                UiStyle::font(8.25, false));
    contact->setAlignment(Qt::AlignCenter);
    UiStyle::setBackground(contact, UiStyle::kLightCyan);
}

void Form1::makeResultBoxes()
{
    for (std::size_t i = 0; i < std::size(kResultRows); ++i) {
        const ControlRow& row = kResultRows[i];
        QLabel* box = makeLabel(this, QString(), row.place, font());
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        box->setLineWidth(1);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setIndent(3);
        box->setAccessibleName(QString::fromUtf8(row.accessibleName));
        UiStyle::setBackground(box, sideColour(row.side));
        UiStyle::makeCopyable(box);
        UiStyle::offerExactValue(box);
        results_[i] = box;
    }
}

// After the captions, so that fields lie on top where a caption runs close.
void Form1::makeFields()
{
    for (std::size_t i = 0; i < std::size(kFieldRows); ++i) {
        const ControlRow& row = kFieldRows[i];
        auto* edit = UiStyle::place(new QLineEdit(QString::fromLatin1(row.text), this), row.place, font());
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setAccessibleName(QString::fromUtf8(row.accessibleName));
        UiStyle::setBackground(edit, sideColour(row.side));
        fields_[i] = edit;
    }
}

void Form1::makeButtons()
{
    for (std::size_t i = 0; i < std::size(kButtonRows); ++i) {
        const ControlRow& row = kButtonRows[i];
        auto* button = UiStyle::place(new QPushButton(QString::fromUtf8(row.text), this), row.place, font());
        button->setAccessibleName(QString::fromUtf8(row.accessibleName));
        UiStyle::setButtonFace(button, sideColour(row.side));
        UiStyle::pressOnEnter(button);
        buttons_[i] = button;
    }
    connect(buttons_[0], &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(buttons_[1], &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(buttons_[2], &QPushButton::clicked, this, &Form1::Command2_Click);
}

// The tab key follows the order the window has always had, not the screen's.
void Form1::setFocusOrder(QWidget* picture1, QWidget* picture2)
{
    using F = Form1Field;
    QWidget* const order[] = {
        picture1, field(F::Text1), field(F::Text2), field(F::Text3), field(F::Text4),
        field(F::Text5), field(F::Text6), buttons_[0], field(F::Text7), field(F::Text8),
        field(F::Text9), field(F::Text10), field(F::Text11), field(F::Text12), buttons_[2],
        field(F::Text13), field(F::Text14), buttons_[1], picture2, field(F::Text15)};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLineEdit* Form1::field(Form1Field field) const
{
    return fields_[static_cast<std::size_t>(field) - 1];
}

QString Form1::text(Form1Field field) const
{
    return this->field(field)->text();
}

void Form1::setText(Form1Field field, const QString& text)
{
    this->field(field)->setText(text);
}

void Form1::setTextColour(Form1Field field, Rgb colour)
{
    UiStyle::setTextColour(this->field(field), UiStyle::qColour(colour));
}

void Form1::setCaption(Form1Result box, const QString& text)
{
    results_[static_cast<std::size_t>(box)]->setText(text);
}

void Form1::setExactValue(Form1Result box, std::optional<double> value)
{
    UiStyle::setExactValue(results_[static_cast<std::size_t>(box)], value);
}

QString Form1::caption(Form1Result box) const
{
    return results_[static_cast<std::size_t>(box)]->text();
}

void Form1::ShowMessage(const QString& text)
{
    messages_.ShowMessage(text);
}

void Form1::Command1_Click()
{
    ::Command1_Click(model_, *this);
}

void Form1::Command2_Click()
{
    RunOutcome outcome;
    {
        const std::unique_ptr<ProgressPort> progress = progressFactory_ ? progressFactory_() : nullptr;
        outcome = ::Command2_Click(model_, *this, waveforms_, progress.get());
    }
    // The windows that follow the run are made again, or marked as showing earlier values.
    waveforms_.runEnded(outcome);
    if (outcome.end == RunEnd::FieldRefused) {
        // The student corrects the field here; the plot of an earlier run stays behind.
        QLineEdit* refused = field(outcome.field);
        activateWindow();
        refused->setFocus(Qt::OtherFocusReason);
        refused->selectAll();
        return;
    }
    // Only now is the progress dialog gone, and with it its claim on the front.
    waveforms_.present();
}

void Form1::Command3_Click()
{
    ::Command3_Click(*this);
}

#include "formanello.h"

#include "parasiticvalues.h"
#include "plot/loopplot.h"
#include "plot/startupplot.h"
#include "plotwidget.h"
#include "simulationprogress.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

// Fixed places in pixels: the parasitic elements along the top; the loop's fields and
// the words on the left; the loop gain's Bode plot above the time plot in the middle;
// the table of figures, the legend and the notes on the right.
const QSize kWindow(1350, 700);
const QRect kTitle(16, 8, 1318, 22);
const QRect kInputs(16, 30, 1318, 18);
constexpr int kParasiticTop = 54;
constexpr int kFieldLeft = 112, kFieldWidth = 140;
const QRect kCalculate(16, 402, 110, 28);
const QRect kDefaults(136, 402, 124, 28);
const QRect kHint(16, 444, 260, 246);
const QRect kBode(360, 112, 570, 200);
constexpr int kMarkRow = 16; // the marks' labels above the Bode plot, a row each
constexpr int kBodeLegendTop = 334;
const QRect kTime(360, 428, 570, 200);
constexpr int kScaleLeft = 286, kScaleWidth = 70;
constexpr int kTableLeft = 946, kTableTop = 84, kTableStep = 20, kNameWidth = 190, kValueLeft = 1140, kValueWidth = 194;
constexpr int kLegendTop = 492, kLegendStep = 18;

// The lines in lines_, in order.
enum Line { kConverter, kStep, kCrossings, kReach, kDither, kDesign };
const QRect kLinePlaces[] = {kInputs, {360, 650, 570, 36}, {360, 354, 570, 34},
                             {360, 390, 570, 34}, {946, 604, 388, 36}, {946, 642, 388, 54}};

struct LoopRow {
    const char* name;
    const char* caption;
    const char* unit;
    const char* meaning;
    int top;
};
// In the order of LoopField.
const LoopRow kLoopRows[] = {
    {"TextFc", "Incrocio fc", "Hz", "frequenza di incrocio fc, in hertz", 132},
    {"TextPM", "Margine PM", "°", "margine di fase PM, in gradi", 158},
    {"TextVref", "Vref", "V", "tensione di riferimento Vref, in volt", 212},
    {"TextRL2", "RL dopo", "Ω", "resistenza di carico dopo il gradino, in ohm", 238},
    {"TextVi2", "Vi dopo", "V", "tensione in ingresso dopo il gradino, in volt", 264},
    {"TextPrima", "Periodi prima", "", "periodi prima del gradino", 290},
    {"TextDopo", "Periodi dopo", "", "periodi dopo il gradino", 316},
    {"TextDmin", "Dmin", "", "limite inferiore del duty cycle, una frazione da 0 a 1", 342},
    {"TextDmax", "Dmax", "", "limite superiore del duty cycle, una frazione da 0 a 1", 368},
};

struct LegendRow {
    const char* mark;
    Rgb colour;
};
// In the order of LoopPlot::legendTexts.
const LegendRow kLegend[] = {
    {"\u2588\u2588", LoopPlot::kClosedColour}, {"\u2501\u2501", LoopPlot::kOpenColour},
    {"\u2501\u2501", LoopPlot::kPredictedColour}, {"\u2501\u2501", LoopPlot::kReferenceColour},
    {"\u2503", LoopPlot::kStepColour},           {"\u2501\u2501", LoopPlot::kDutyColour},
};

QLabel* label(QWidget* parent, const QString& name, const QRect& at, const QString& text = {}, bool bold = true)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(at);
    l->setFont(UiStyle::font(8.25, bold));
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit* field(QWidget* parent, const char* name, const QRect& at, const QString& accessible)
{
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(at);
    f->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f->setAccessibleName(accessible);
    f->setToolTip(accessible);
    return f;
}

} // namespace

FormAnello::FormAnello(MessagePort& messages, ParasiticValues& values, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), values_(values)
{
    UiStyle::setUpResultWindow(this, "FormAnello", QStringLiteral("Anello di controllo"));
    resize(kWindow);

    bodePlot_ = new PlotWidget(this);
    bodePlot_->setObjectName(QStringLiteral("GraficoGuadagnoAnello"));
    bodePlot_->setGeometry(kBode);
    bodePlot_->setAccessibleName(QStringLiteral("Diagramma di Bode del guadagno d'anello T"));
    timePlot_ = new PlotWidget(this);
    timePlot_->setObjectName(QStringLiteral("GraficoGradino"));
    timePlot_->setGeometry(kTime);
    timePlot_->setAccessibleName(QStringLiteral("Grafico della risposta al gradino nel tempo"));
    connect(timePlot_, &PlotWidget::pointerMoved, this, &FormAnello::pointerMoved);
    connect(bodePlot_, &PlotWidget::pointerMoved, this, [this](QPointF plotPos, QPoint globalPos) {
        bodePlot_->showHoverText(view_ ? BodePlot::readout(chart_, plotPos.x()) : QString(), globalPos);
    });
    // Along the time plot's top edge, inside its frame.
    stale_ = UiStyle::staleLine(timePlot_);
    stale_->setGeometry(8, 3, kTime.width() - 16, 16);

    label(this, QStringLiteral("Label1"), kTitle,
          QStringLiteral("Anello di controllo: compensatore, guadagno d'anello e risposta a un gradino"))
        ->setFont(UiStyle::font(9.75));
    for (std::size_t i = 0; i < std::size(kLinePlaces); ++i) {
        QLabel* line = label(this, QStringLiteral("Riga%1").arg(i + 1), kLinePlaces[i], {}, i != kConverter);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        UiStyle::makeCopyable(line);
        lines_.push_back(line);
    }
    for (const Line warning : {kCrossings, kReach})
        UiStyle::setTextColour(lines_[warning], UiStyle::qColour(LoopPlot::kWarningColour));
    editors_ = new ParasiticEditors(this, values_, QPoint(16, kParasiticTop), [this] { calculate(); },
                                    ParasiticEditors::InOneLine{});
    makeLoopFields();
    makeButtons();
    makeLegend();

    exports_ = new ExportActions(this, timePlot_, messages,
                                 {QStringLiteral("anello-di-controllo"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return svg(); }, [this] { return view_ ? loopCsv(*view_) : QByteArray(); }});
    // The Bode plot's menu is the same.
    bodePlot_->setContextMenuPolicy(Qt::ActionsContextMenu);
    bodePlot_->addActions(timePlot_->actions());
    timePlot_->setFocus();
    clearView();
}

FormAnello::~FormAnello() = default;

void FormAnello::makeLoopFields()
{
    label(this, QStringLiteral("Label3"), QRect(16, 84, 260, 18), QStringLiteral("Compensatore:"));
    label(this, QStringLiteral("Label4"), QRect(16, 108, 110, 18), QStringLiteral("Tipo"));
    typeII_ = new QRadioButton(QStringLiteral("II"), this);
    typeII_->setObjectName(QStringLiteral("TipoII"));
    typeII_->setGeometry(kFieldLeft, 106, 60, 22);
    typeII_->setAccessibleName(QStringLiteral("Compensatore di tipo II, con una rete anticipatrice"));
    typeIII_ = new QRadioButton(QStringLiteral("III"), this);
    typeIII_->setObjectName(QStringLiteral("TipoIII"));
    typeIII_->setGeometry(kFieldLeft + 64, 106, 70, 22);
    typeIII_->setAccessibleName(QStringLiteral("Compensatore di tipo III, con due reti anticipatrici"));
    typeIII_->setChecked(true);
    auto* types = new QButtonGroup(this);
    types->addButton(typeII_);
    types->addButton(typeIII_);
    for (QRadioButton* b : {typeII_, typeIII_})
        UiStyle::pressOnEnter(b);
    label(this, QStringLiteral("Label5"), QRect(16, 190, 260, 18), QStringLiteral("Gradino e limiti del duty:"));
    for (std::size_t i = 0; i < std::size(kLoopRows); ++i) {
        const LoopRow& row = kLoopRows[i];
        label(this, {}, QRect(16, row.top + 2, kFieldLeft - 20, 18), QString::fromUtf8(row.caption));
        QLineEdit* f = field(this, row.name, QRect(kFieldLeft, row.top, kFieldWidth, 22), QString::fromUtf8(row.meaning));
        label(this, {}, QRect(kFieldLeft + kFieldWidth + 4, row.top + 2, 20, 18), QString::fromUtf8(row.unit));
        connect(f, &QLineEdit::returnPressed, this, [this] { calculate(); });
        loopFields_[i] = f;
    }
}

void FormAnello::makeButtons()
{
    const auto button = [this](const char* name, const QString& text, const QRect& at) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(at);
        b->setFont(UiStyle::font());
        UiStyle::setButtonFace(b, UiStyle::kLightCyan);
        UiStyle::pressOnEnter(b);
        return b;
    };
    connect(button("Calcola", QStringLiteral("Calcola"), kCalculate), &QPushButton::clicked, this, [this] { calculate(); });
    connect(button("Predefiniti", QStringLiteral("Predefiniti"), kDefaults), &QPushButton::clicked, this,
            [this] { restoreDefaults(); });
    QLabel* hint = label(this, QStringLiteral("Label6"), kHint,
                         QStringLiteral("Invio in un campo o Calcola: progetta e simula di nuovo.\n\n"
                                        "fc, Vref, RL dopo e Vi dopo tornano ai valori predefiniti quando cambia il "
                                        "convertitore (un nuovo «Grafici» o altri elementi parassiti); un valore "
                                        "scritto resta finché il convertitore è lo stesso. PM, periodi e limiti "
                                        "restano come li scrivi. Predefiniti: tutti i valori predefiniti.\n\n"
                                        "Sposta il cursore del mouse sul grafico nel tempo: compaiono il periodo, vo "
                                        "medio e il duty in quel punto."),
                         false);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void FormAnello::makeLegend()
{
    const QStringList curves = LoopPlot::bodeLegendTexts();
    const struct {
        Rgb colour;
        int left, width;
    } bode[] = {{LoopPlot::kLoopColour, 360, 250}, {LoopPlot::kCompensatorColour, 640, 140},
                {LoopPlot::kConverterColour, 790, 140}};
    for (std::size_t i = 0; i < std::size(bode); ++i) {
        QLabel* mark = label(this, {}, QRect(bode[i].left, kBodeLegendTop, 24, 16), QStringLiteral("\u2501\u2501"));
        UiStyle::setTextColour(mark, UiStyle::qColour(bode[i].colour));
        label(this, {}, QRect(bode[i].left + 28, kBodeLegendTop, bode[i].width - 28, 16), curves.value(qsizetype(i)), false);
    }
    const QStringList texts = LoopPlot::legendTexts();
    for (std::size_t i = 0; i < std::size(kLegend); ++i) {
        const int top = kLegendTop + kLegendStep * int(i);
        QLabel* mark = label(this, {}, QRect(kTableLeft, top, 24, 16), QString::fromUtf8(kLegend[i].mark));
        mark->setAlignment(Qt::AlignCenter);
        UiStyle::setTextColour(mark, UiStyle::qColour(kLegend[i].colour));
        label(this, {}, QRect(kTableLeft + 28, top, 360, 16), texts.value(qsizetype(i)), false);
    }
}

// A name and a copyable value a row, made anew for each view: the crossovers vary.
void FormAnello::makeTable()
{
    qDeleteAll(tableLabels_);
    tableLabels_.clear();
    const std::vector<LoopPlot::FigureRow> rows = LoopPlot::figureRows(*view_);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int top = kTableTop + kTableStep * int(r);
        QLabel* name = label(this, {}, QRect(kTableLeft, top, kNameWidth, 18), rows[r].name, false);
        name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QLabel* value = label(this, QStringLiteral("Figura%1").arg(r + 1), QRect(kValueLeft, top, kValueWidth, 18), rows[r].text);
        value->setFrameStyle(QFrame::Box | QFrame::Plain);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMargin(1);
        UiStyle::setBackground(value, Qt::white);
        UiStyle::makeCopyable(value);
        UiStyle::offerExactValue(value);
        UiStyle::setExactValue(value, rows[r].exact);
        value->setAccessibleName(rows[r].name);
        for (QLabel* l : {name, value}) {
            l->show();
            tableLabels_.push_back(l);
        }
    }
}

bool FormAnello::remake(const Model& m)
{
    if (!m.Simulated.valid)
        return false;
    setInputs(m.Simulated);
    return calculate() == CalculationEnd::Shown;
}

void FormAnello::showStale(bool stale)
{
    stale_->setVisible(stale);
}

LoopTexts FormAnello::fieldTexts() const
{
    LoopTexts texts;
    for (std::size_t i = 0; i < kLoopFieldCount; ++i)
        texts[i] = loopFields_[i]->text();
    return texts;
}

CompensatorType FormAnello::type() const
{
    return typeII_->isChecked() ? CompensatorType::TypeII : CompensatorType::TypeIII;
}

void FormAnello::setFieldTexts(const LoopTexts& texts, CompensatorType type)
{
    for (std::size_t i = 0; i < kLoopFieldCount; ++i)
        loopFields_[i]->setText(texts[i]);
    (type == CompensatorType::TypeII ? typeII_ : typeIII_)->setChecked(true);
}

// Each field whose default changed with the converter takes the new one; false, with
// the averaged model's message and no figures, when there are no defaults to take.
bool FormAnello::fillDefaults(const Parasitics& p)
{
    const std::variant<LoopTexts, QString> defaults = loopDefaults(inputs_, p);
    if (const QString* why = std::get_if<QString>(&defaults)) {
        clearView();
        lines_[kConverter]->setText(StartupPlot::inputsText(inputs_));
        messages_.ShowMessage(*why);
        return false;
    }
    const LoopTexts& now = std::get<LoopTexts>(defaults);
    setFieldTexts(refilled(fieldTexts(), filledDefaults_, now), type());
    filledDefaults_ = now;
    return true;
}

void FormAnello::refuseField(QLineEdit* field)
{
    present();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

CalculationEnd FormAnello::calculate()
{
    const std::optional<Parasitics> parts = editors_->read(messages_);
    if (!parts)
        return CalculationEnd::FieldRefused;
    if (!fillDefaults(*parts))
        return CalculationEnd::Refused;
    const std::variant<LoopInputs, LoopField> read = readLoopFields(fieldTexts(), type(), messages_);
    if (const LoopField* refused = std::get_if<LoopField>(&read)) {
        refuseField(loopFields_[std::size_t(*refused)]);
        return CalculationEnd::FieldRefused;
    }
    const LoopInputs in = std::get<LoopInputs>(read);
    const CalculationEnd end = editors_->calculate<ControlView>(
        messages_,
        [this, &in](const Parasitics& p, ProgressPort* progress) {
            return analyseControl(inputs_, p, in.design, in.run, columns(), progress);
        },
        [this](ControlView view) { setView(std::move(view)); },
        [this] {
            clearView();
            lines_[kConverter]->setText(StartupPlot::inputsText(inputs_));
        });
    if (end == CalculationEnd::Refused) {
        if (const std::optional<LoopField> f = refusedDesignField(inputs_, *parts, in.design))
            refuseField(loopFields_[std::size_t(*f)]);
    }
    return end;
}

CalculationEnd FormAnello::restoreDefaults()
{
    filledDefaults_ = {};
    typeIII_->setChecked(true);
    return calculate();
}

int FormAnello::columns() const
{
    return timePlot_->pixelSize().width();
}

void FormAnello::setView(ControlView view)
{
    view_ = std::move(view);
    timePlot_->clear();
    LoopPlot::draw(*view_, *timePlot_);
    chart_ = LoopPlot::loopChart(*view_);
    bodePlot_->clear();
    BodePlot::draw(chart_, *bodePlot_);
    const QString texts[] = {StartupPlot::inputsText(view_->model.run), LoopPlot::stepText(*view_),
                             LoopPlot::crossingsNote(*view_),          LoopPlot::reachNote(*view_),
                             LoopPlot::ditherNote(*view_),             LoopPlot::designNote(*view_)};
    for (std::size_t i = 0; i < lines_.size(); ++i)
        lines_[i]->setText(texts[i]);
    makeTable();
    placeScaleLabels();
    timePlot_->setAccessibleDescription(LoopPlot::description(*view_));
    bodePlot_->setAccessibleDescription(BodePlot::description(chart_) + u' ' + LoopPlot::crossingsNote(*view_));
    exports_->setEnabled(true);
}

void FormAnello::clearView()
{
    view_.reset();
    timePlot_->clear();
    bodePlot_->clear();
    for (QLabel* l : lines_)
        l->clear();
    for (std::vector<QLabel*>* made : {&tableLabels_, &scaleLabels_}) {
        qDeleteAll(*made);
        made->clear();
    }
    const QString none = QStringLiteral("Nessun risultato: scrivi i valori e premi Calcola.");
    timePlot_->setAccessibleDescription(none);
    bodePlot_->setAccessibleDescription(none);
    exports_->setEnabled(false);
}

// Each band's bottom, middle and top beside the time plot, the periods from the step
// under it.
void FormAnello::placeScaleLabels()
{
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    const auto add = [this](const QRect& at, const QString& text, Qt::Alignment alignment) {
        QLabel* l = label(this, {}, at, text);
        l->setAlignment(alignment);
        l->show();
        scaleLabels_.push_back(l);
        return l;
    };
    const LoopPlot::Scales s = LoopPlot::scalesOf(*view_);
    const double half = (s.duty.top - s.duty.bottom) * 50; // %, the duty's step between its labels
    const struct {
        LoopPlot::Band band;
        QStringList texts;
        const char* title;
        Rgb colour;
    } bands[] = {{LoopPlot::kVoltageBand, StartupPlot::scaleTexts(s.voltage), "vo [V]", LoopPlot::kClosedColour},
                 {LoopPlot::kDutyBand,
                  {StartupPlot::tickText(s.duty.bottom * 100, half), StartupPlot::tickText(s.duty.bottom * 100 + half, half),
                   StartupPlot::tickText(s.duty.top * 100, half)},
                  "D [%]",
                  LoopPlot::kDutyColour}};
    for (const auto& b : bands) {
        const QStringList& texts = b.texts;
        for (int i = 0; i < 3; ++i) {
            const int y = timePlot_->toParent(0, b.band.zero + b.band.height * i / 2).y();
            add(QRect(kScaleLeft, y - 8, kScaleWidth - 4, 16), texts[i], Qt::AlignRight | Qt::AlignVCenter);
        }
        const int top = timePlot_->toParent(0, b.band.zero + b.band.height).y();
        UiStyle::setTextColour(add(QRect(kScaleLeft, top - 22, kScaleWidth - 4, 16), QString::fromLatin1(b.title),
                                   Qt::AlignRight | Qt::AlignVCenter),
                               UiStyle::qColour(b.colour));
    }
    const int below = kTime.bottom() + 3;
    for (const double offset : LoopPlot::tickOffsets(*view_, s)) {
        const int x = timePlot_->toParent(LoopPlot::xOfPeriods(*view_, double(view_->request.before) + offset), 0).x();
        add(QRect(x - 30, below, 60, 16), QString::number(offset, 'f', 0), Qt::AlignHCenter | Qt::AlignTop);
    }
    add(QRect(kScaleLeft - 6, below, 52, 16), QStringLiteral("periodi"), Qt::AlignLeft | Qt::AlignTop);
    placeBodeLabels(add);
}

// The Bode plot's scales beside it, the decades under it, and each mark's label in its
// colour above it, centred on its line, a row higher where it would run into another.
void FormAnello::placeBodeLabels(const std::function<QLabel*(const QRect&, const QString&, Qt::Alignment)>& add)
{
    const BodePlot::Scales s = BodePlot::scalesOf(chart_);
    for (const double dB : BodePlot::rangeSteps(s.magnitude)) {
        const int y = bodePlot_->toParent(0, BodePlot::yOfMagnitude(s, dB)).y();
        add(QRect(kScaleLeft, y - 8, kScaleWidth - 4, 16), BodePlot::magnitudeText(dB, s.magnitude, QStringLiteral("dB")),
            Qt::AlignRight | Qt::AlignVCenter);
    }
    // Every other step where the labels would touch in the low band.
    const std::vector<double> phases = BodePlot::rangeSteps(s.phase);
    const int pixels = kBode.height() * BodePlot::kPhaseBand.height / 100 / std::max<int>(1, int(phases.size()) - 1);
    const std::size_t every = pixels < 16 ? 2 : 1;
    // The labels taken keep −180° where it is a step.
    const auto at180 = std::find(phases.begin(), phases.end(), -180.0);
    const std::size_t first = at180 == phases.end() ? 0 : std::size_t(at180 - phases.begin()) % every;
    for (std::size_t i = first; i < phases.size(); i += every) {
        const int y = bodePlot_->toParent(0, BodePlot::yOfPhase(s, phases[i])).y();
        add(QRect(kScaleLeft, y - 8, kScaleWidth - 4, 16), BodePlot::phaseText(phases[i], s.phase),
            Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const BodePlot::FrequencyTick& tick : BodePlot::frequencyTicks(chart_.axis)) {
        if (!tick.decade)
            continue;
        // Centred under its line, the last one kept from running into the table.
        const int x = std::min(bodePlot_->toParent(tick.x, 0).x(), kBode.right() - 22);
        add(QRect(x - 30, kBode.bottom() + 3, 60, 16), BodePlot::decadeText(tick.fHz), Qt::AlignHCenter | Qt::AlignTop);
    }
    const QFontMetrics metrics(UiStyle::font());
    const double unitsPerPixel = 100.0 / std::max(1, bodePlot_->contentsRect().width() - 1);
    std::vector<double> widths;
    for (const BodePlot::Mark& mark : chart_.marks)
        widths.push_back((metrics.horizontalAdvance(mark.label) + 6) * unitsPerPixel);
    const std::vector<int> rows = BodePlot::labelRows(chart_, widths);
    for (std::size_t i = 0; i < chart_.marks.size(); ++i) {
        if (rows[i] < 0)
            continue;
        const int width = metrics.horizontalAdvance(chart_.marks[i].label) + 6;
        const int x = bodePlot_->toParent(BodePlot::xOfFrequency(chart_.axis, chart_.marks[i].fHz), 0).x();
        const int left = std::clamp(x - width / 2, kBode.left(), kBode.right() - width);
        QLabel* l = add(QRect(left, kBode.top() - kMarkRow * (rows[i] + 1) - 2, width, kMarkRow), chart_.marks[i].label,
                        Qt::AlignCenter);
        UiStyle::setTextColour(l, UiStyle::qColour(chart_.marks[i].colour));
    }
}

QByteArray FormAnello::svg()
{
    return WindowPicture::svg(*this, {{timePlot_, [this](PlotSurface& surface) {
                                           if (view_)
                                               LoopPlot::draw(*view_, surface);
                                       }},
                                      {bodePlot_, [this](PlotSurface& surface) {
                                           if (view_)
                                               BodePlot::draw(chart_, surface);
                                       }}});
}

void FormAnello::present()
{
    UiStyle::bringToFront(this);
}

void FormAnello::setFileChooser(ExportActions::FileChooser chooser)
{
    exports_->setFileChooser(std::move(chooser));
}

void FormAnello::pointerMoved(QPointF plotPos, QPoint globalPos)
{
    timePlot_->showHoverText(view_ ? LoopPlot::readout(*view_, plotPos.x()) : QString(), globalPos);
}

#include "formdinamica.h"

#include "appicon.h"
#include "plot/startupplot.h"
#include "plotwidget.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace {

// Fixed places in pixels: the parasitic elements, the choice of function, the table and
// the words on the left; the Bode plot with its scales, its marks' labels above it and
// its legend below it on the right.
const QSize kWindow(1180, 700);
const QRect kTitle(16, 8, 1148, 22);
const QRect kInputs(16, 32, 1148, 18);
const QPoint kFields(16, 60);
constexpr int kChoiceTop = 232;
constexpr int kTableTop = 270, kTableStep = 24;
const QRect kNames(16, kTableTop, 270, 22), kCells(290, kTableTop, 120, 22);
const QRect kLines[] = {{16, 492, 430, 54}, {16, 550, 430, 72}, {16, 626, 430, 54}};
const QRect kPlot(540, 110, 590, 436);
constexpr int kScaleWidth = 62, kMarkRow = 16;
constexpr int kLegendLeft = 470, kLegendTop = 570, kLegendRow = 20, kLegendColumn = 347;
constexpr int kLegendItems = 6; // the dots and up to five marks
const QRect kHint(470, 656, 694, 36);

// The table's value boxes, in the order of DynamicsPlot::figures.
const char* const kFigureNames[] = {"Vo", "IL", "Gvd0", "Gvg0", "Zout0", "F0", "Q", "FzRHP", "FzESR"};

struct Choice {
    const char* name;
    const char* text;
    DynamicsPlot::Function function;
};
const Choice kChoices[] = {{"FunzioneGvd", "Gvd", DynamicsPlot::Function::Gvd},
                           {"FunzioneGvg", "Gvg", DynamicsPlot::Function::Gvg},
                           {"FunzioneZout", "Zout", DynamicsPlot::Function::Zout}};

QLabel* label(QWidget* parent, const QString& name, const QRect& at, const QString& text = {}, bool bold = true)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(at);
    l->setFont(UiStyle::font(8.25, bold));
    l->setTextFormat(Qt::PlainText);
    return l;
}

// Plot units of a label `pixels` wide, on the plot's inner width.
double plotUnits(const PlotWidget& plot, int pixels)
{
    return 100.0 * pixels / std::max(1, plot.contentsRect().width() - 1);
}

} // namespace

FormDinamica::FormDinamica(MessagePort& messages, ParasiticValues& values, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), values_(values)
{
    setObjectName(QStringLiteral("FormDinamica"));
    setWindowTitle(QStringLiteral("Dinamica del convertitore: piccoli segnali"));
    setWindowIcon(AppIcon::icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(UiStyle::font());
    resize(kWindow);

    plot_ = new PlotWidget(this);
    plot_->setObjectName(QStringLiteral("GraficoBode"));
    plot_->setGeometry(kPlot);
    plot_->setAccessibleName(QStringLiteral("Diagramma di Bode del modello medio, modulo e fase"));
    connect(plot_, &PlotWidget::pointerMoved, this, &FormDinamica::pointerMoved);
    stale_ = UiStyle::staleLine(plot_);
    stale_->setGeometry(8, 3, kPlot.width() - 16, 16);

    label(this, QStringLiteral("Label1"), kTitle,
          QStringLiteral("La dinamica del convertitore reale: modello medio a piccoli segnali e risposta misurata"))
        ->setFont(UiStyle::font(9.75));
    lines_.push_back(label(this, QStringLiteral("Valori"), kInputs, {}, false));
    editors_ = new ParasiticEditors(this, values_, kFields, [this] { calculate(); });
    makeChoice();
    makeTable();
    makeLegend();
    QLabel* hint = label(this, QStringLiteral("Label2"), kHint,
                         QStringLiteral("Sposta il cursore del mouse sul grafico: compaiono la frequenza f e il modulo e la "
                                        "fase del modello medio in quel punto. Invio in un campo o Calcola: calcola di nuovo."));
    hint->setWordWrap(true);

    exports_ = new ExportActions(this, plot_, messages,
                                 {QStringLiteral("dinamica"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return svg(); }, [this] { return view_ ? dynamicsCsv(*view_) : QByteArray(); }});
    QAction* loop = exports_->add("AnelloControllo", QStringLiteral("Anello di controllo…"), QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(loop, &QAction::triggered, this, &FormDinamica::loopRequested);
    plot_->setFocus();
    clearView();
}

FormDinamica::~FormDinamica() = default;

void FormDinamica::makeChoice()
{
    label(this, {}, QRect(140, kChoiceTop + 1, 70, 18), QStringLiteral("Funzione:"));
    choice_ = new QButtonGroup(this);
    int left = 214;
    for (const Choice& c : kChoices) {
        auto* button = new QRadioButton(QString::fromLatin1(c.text), this);
        button->setObjectName(QString::fromLatin1(c.name));
        button->setFont(UiStyle::font());
        button->setGeometry(left, kChoiceTop, 66, 20);
        button->setAccessibleName(DynamicsPlot::functionText(c.function));
        choice_->addButton(button, int(c.function));
        left += 70;
    }
    choice_->button(int(DynamicsPlot::Function::Gvd))->setChecked(true);
    connect(choice_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked && view_)
            showChart();
    });
}

void FormDinamica::makeTable()
{
    const std::vector<DynamicsPlot::Figure> rows = DynamicsPlot::figures(DynamicsView{});
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int down = kTableStep * int(r);
        label(this, {}, kNames.translated(0, down), rows[r].name)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QLabel* cell = label(this, QString::fromLatin1(kFigureNames[r]), kCells.translated(0, down));
        cell->setFrameStyle(QFrame::Box | QFrame::Plain);
        cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell->setMargin(2);
        cell->setAccessibleName(rows[r].name);
        UiStyle::setBackground(cell, Qt::white);
        UiStyle::makeCopyable(cell);
        UiStyle::offerExactValue(cell);
        cells_.push_back(cell);
    }
    for (const auto& [name, at] : {std::pair{"PuntoDiLavoro", kLines[0]}, {"PuntiMisurati", kLines[1]}, {"DutyGrossolano", kLines[2]}}) {
        QLabel* line = label(this, QString::fromLatin1(name), at);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        UiStyle::makeCopyable(line);
        lines_.push_back(line);
    }
}

// The curve's row across, then the dots and the marks two a row.
void FormDinamica::makeLegend()
{
    for (int i = 0; i <= kLegendItems; ++i) {
        const int column = i == 0 ? 0 : (i - 1) % 2, row = i == 0 ? 0 : 1 + (i - 1) / 2;
        const int left = kLegendLeft + kLegendColumn * column, top = kLegendTop + kLegendRow * row;
        const int width = i == 0 ? 2 * kLegendColumn : kLegendColumn;
        QLabel* mark = label(this, {}, QRect(left, top, 24, 18));
        mark->setAlignment(Qt::AlignCenter);
        QLabel* text = label(this, i == 0 ? QStringLiteral("LegendaCurva") : QString(), QRect(left + 26, top, width - 28, 18));
        legend_.insert(legend_.end(), {mark, text});
    }
}

void FormDinamica::setFunction(DynamicsPlot::Function function)
{
    choice_->button(int(function))->setChecked(true);
}

DynamicsPlot::Function FormDinamica::function() const
{
    return DynamicsPlot::Function(std::max(0, choice_->checkedId()));
}

bool FormDinamica::remake(const Model& m)
{
    if (!m.Simulated.valid)
        return false;
    setInputs(m.Simulated);
    return calculate() == CalculationEnd::Shown;
}

void FormDinamica::showStale(bool stale)
{
    stale_->setVisible(stale);
}

CalculationEnd FormDinamica::calculate()
{
    return editors_->calculate<DynamicsView>(
        messages_, [this](const Parasitics& parts, ProgressPort* progress) { return analyseDynamics(inputs_, parts, progress); },
        [this](DynamicsView view) { setView(std::move(view)); },
        [this] {
            clearView();
            lines_[0]->setText(StartupPlot::inputsText(inputs_));
        });
}

void FormDinamica::setView(DynamicsView view)
{
    view_ = std::move(view);
    const std::vector<DynamicsPlot::Figure> rows = DynamicsPlot::figures(*view_);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        cells_[r]->setText(rows[r].text);
        UiStyle::setExactValue(cells_[r], rows[r].value);
    }
    const QString texts[] = {StartupPlot::inputsText(view_->model.run), DynamicsPlot::operatingPointText(*view_),
                             DynamicsPlot::pointsText(*view_), DynamicsPlot::coarseText(*view_)};
    for (std::size_t i = 0; i < lines_.size(); ++i)
        lines_[i]->setText(texts[i]);
    exports_->setEnabled(true);
    showChart();
}

void FormDinamica::clearView()
{
    view_.reset();
    chart_ = {};
    plot_->clear();
    for (QLabel* cell : cells_) {
        cell->clear();
        UiStyle::setExactValue(cell, std::nullopt);
    }
    for (QLabel* l : lines_)
        l->clear();
    for (QLabel* l : legend_)
        l->clear();
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    plot_->setAccessibleDescription(QStringLiteral("Nessun risultato: scrivi gli elementi parassiti e premi Calcola."));
    exports_->setEnabled(false);
}

// The chart of the function chosen, and everything that goes with it.
void FormDinamica::showChart()
{
    chart_ = DynamicsPlot::chart(*view_, function());
    plot_->clear();
    BodePlot::draw(chart_, *plot_);
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    placeScaleLabels();
    placeMarkLabels();
    for (QLabel* l : scaleLabels_)
        l->show();
    showLegend();
    plot_->setAccessibleDescription(DynamicsPlot::description(*view_, function()));
}

void FormDinamica::showLegend()
{
    const Rgb curveColour = chart_.curves.front().colour;
    legend_[0]->setText(QStringLiteral("\u2501\u2501"));
    UiStyle::setTextColour(legend_[0], UiStyle::qColour(curveColour));
    legend_[1]->setText(DynamicsPlot::functionText(function()));
    std::vector<std::pair<Rgb, QString>> items;
    if (!chart_.dots.empty())
        items.emplace_back(chart_.dots.front().colour, QStringLiteral("Gvd misurato sulla simulazione, a f/k"));
    for (const BodePlot::Mark& mark : chart_.marks)
        items.emplace_back(mark.colour, mark.legend);
    for (std::size_t i = 0; i < std::size_t(kLegendItems); ++i) {
        QLabel* mark = legend_[2 * i + 2];
        QLabel* text = legend_[2 * i + 3];
        const bool shown = i < items.size();
        mark->setText(shown ? (i == 0 && !chart_.dots.empty() ? QStringLiteral("\u25cf") : QStringLiteral("\u2506")) : QString());
        text->setText(shown ? items[i].second : QString());
        if (shown)
            UiStyle::setTextColour(mark, UiStyle::qColour(items[i].first));
    }
}

// The magnitude's and the phase's lines on the left, with their units; the decades below.
void FormDinamica::placeScaleLabels()
{
    const BodePlot::Scales s = BodePlot::scalesOf(chart_);
    const auto add = [this](const QRect& at, const QString& text, Qt::Alignment alignment) {
        QLabel* l = label(this, {}, at, text);
        l->setAlignment(alignment);
        scaleLabels_.push_back(l);
        return l;
    };
    const int left = kPlot.left() - kScaleWidth - 4;
    const QString unit = chart_.curves.front().unit;
    for (const double dB : BodePlot::rangeSteps(s.magnitude)) {
        const int y = plot_->toParent(0, BodePlot::yOfMagnitude(s, dB)).y();
        add(QRect(left, y - 8, kScaleWidth, 16), BodePlot::magnitudeText(dB, s.magnitude, unit), Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const double deg : BodePlot::rangeSteps(s.phase)) {
        const int y = plot_->toParent(0, BodePlot::yOfPhase(s, deg)).y();
        add(QRect(left, y - 8, kScaleWidth, 16), BodePlot::phaseText(deg, s.phase), Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const BodePlot::FrequencyTick& tick : BodePlot::frequencyTicks(chart_.axis)) {
        if (!tick.decade)
            continue;
        const int x = plot_->toParent(tick.x, 0).x();
        add(QRect(x - 30, kPlot.bottom() + 3, 60, 16), BodePlot::decadeText(tick.fHz), Qt::AlignHCenter | Qt::AlignTop);
    }
}

// Each mark's label in its colour above the plot, centred on its line, a row higher
// where it would run into another.
void FormDinamica::placeMarkLabels()
{
    const QFontMetrics metrics(UiStyle::font());
    std::vector<double> widths;
    for (const BodePlot::Mark& mark : chart_.marks)
        widths.push_back(plotUnits(*plot_, metrics.horizontalAdvance(mark.label) + 6));
    const std::vector<int> rows = BodePlot::labelRows(chart_, widths);
    const int inner = plot_->contentsRect().width() - 1;
    for (std::size_t i = 0; i < chart_.marks.size(); ++i) {
        if (rows[i] < 0)
            continue;
        const double x = BodePlot::xOfFrequency(chart_.axis, chart_.marks[i].fHz);
        const double leftUnits = std::clamp(x - widths[i] / 2, 0.0, std::max(0.0, 100 - widths[i]));
        const int left = plot_->toParent(leftUnits, 0).x();
        const int width = int(std::lround(widths[i] / 100 * inner));
        QLabel* l = label(this, {}, QRect(left, kPlot.top() - kMarkRow - 2 - kMarkRow * rows[i], width, kMarkRow),
                          chart_.marks[i].label);
        l->setAlignment(Qt::AlignCenter);
        UiStyle::setTextColour(l, UiStyle::qColour(chart_.marks[i].colour));
        scaleLabels_.push_back(l);
    }
}

QByteArray FormDinamica::svg()
{
    return WindowPicture::svg(*this, *plot_, [this](PlotSurface& surface) {
        if (view_)
            BodePlot::draw(chart_, surface);
    });
}

void FormDinamica::present()
{
    UiStyle::bringToFront(this);
}

void FormDinamica::setFileChooser(ExportActions::FileChooser chooser)
{
    exports_->setFileChooser(std::move(chooser));
}

void FormDinamica::pointerMoved(QPointF plotPos, QPoint globalPos)
{
    plot_->showHoverText(view_ ? BodePlot::readout(chart_, plotPos.x()) : QString(), globalPos);
}

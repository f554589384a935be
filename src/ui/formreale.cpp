#include "formreale.h"

#include "appicon.h"
#include "parasiticvalues.h"
#include "plot/realplot.h"
#include "plot/startupplot.h"
#include "plotwidget.h"
#include "sim/netlist.h"
#include "sim/parasiticfields.h"
#include "sim/waveformcsv.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QLabel>

namespace {

// Fixed places in pixels: the parasitic elements, the table and the words on the
// left; the plot with its scales and legend, and the loss bars, on the right.
const QRect kWindow(0, 0, 1180, 700);
const QRect kTitle(16, 8, 1148, 22);
const QRect kInputs(16, 32, 1148, 18);
const QRect kFieldsTitle(16, 60, 420, 18);
constexpr int kTableTop = 270, kTableStep = 26;
constexpr int kNameLeft = 16, kNameWidth = 84, kCellLeft = 104, kCellWidth = 106, kCellStep = 110;
const QRect kLines[] = {{16, 432, 420, 36}, {16, 472, 420, 36}, {16, 512, 420, 72}};
const QRect kPlot(520, 78, 580, 330);
constexpr int kLegendLeft = 470, kLegendTop = 446, kLegendColumn = 172;
const QRect kBars(470, 490, 694, 176);
constexpr int kBarsTop = 24, kBarStep = 26, kBarLeft = 184, kBarLength = 300, kBarValueLeft = 494;
const QRect kHint(16, 676, 1148, 18);

// The table's rows and columns as their cells are named: "VoIdeale", "RendimentoMedio"…
const char* const kRowNames[] = {"Vo", "Iim", "Rendimento", "DeltaiL", "DeltaVo"};
const char* const kColumnNames[] = {"Ideale", "Medio", "Simulato"};
const char* const kColumnTitles[] = {"ideale", "modello medio", "simulazione"};
// The bars' values, Pin first.
const char* const kBarNames[] = {"Pin", "Pout", "RL", "Ron", "Diodo", "RC"};

struct LegendRow {
    const char* mark;
    Rgb colour;
    const char* text;
};
const LegendRow kLegend[] = {
    {"\u2501\u2501", RealPlot::kIdealColour, "M ideale"},
    {"\u2501\u2501", RealPlot::kAveragedColour, "M del modello medio"},
    {"\u25a1", RealPlot::kSimulatedColour, "M simulato"},
    {"\u25c7", RealPlot::kMaximumColour, "massimo di M medio"},
    {"\u2501\u2501", RealPlot::kEfficiencyColour, "\u03b7 del modello medio"},
    {"\u00d7", RealPlot::kSimulatedEfficiencyColour, "\u03b7 simulato"},
    {"\u2503", RealPlot::kDesignColour, "D del progetto"},
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

// A result the student can copy, in a white box as the waveform window's.
QLabel* resultBox(QWidget* parent, const QString& name, const QRect& at)
{
    QLabel* box = label(parent, name, at);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setMargin(2);
    UiStyle::setBackground(box, Qt::white);
    UiStyle::makeCopyable(box);
    return box;
}

} // namespace

FormReale::FormReale(MessagePort& messages, ParasiticValues& values, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), values_(values)
{
    setObjectName(QStringLiteral("FormReale"));
    setWindowTitle(QStringLiteral("Convertitore reale: perdite e rendimento"));
    setWindowIcon(AppIcon::icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(UiStyle::font());
    resize(kWindow.size());

    plot_ = new PlotWidget(this);
    plot_->setObjectName(QStringLiteral("GraficoGuadagno"));
    plot_->setGeometry(kPlot);
    plot_->setAccessibleName(QStringLiteral("Grafico del guadagno e del rendimento al variare del duty cycle"));
    connect(plot_, &PlotWidget::pointerMoved, this, &FormReale::pointerMoved);
    // Along the plot's top edge, inside its frame.
    stale_ = UiStyle::staleLine(plot_);
    stale_->setGeometry(8, 3, kPlot.width() - 16, 16);

    label(this, QStringLiteral("Label1"), kTitle,
          QStringLiteral("Il convertitore reale: elementi parassiti, perdite e rendimento"))
        ->setFont(UiStyle::font(9.75));
    lines_.push_back(label(this, QStringLiteral("Valori"), kInputs, {}, false));
    editors_ = new ParasiticEditors(this, values_, kFieldsTitle.topLeft(), [this] { calculate(); });
    makeTable();
    makeLegend();
    makeBars();
    label(this, QStringLiteral("Label2"), kHint,
          QStringLiteral("Sposta il cursore del mouse sul grafico: compaiono D, il guadagno M e il rendimento η in quel "
                         "punto. Invio in un campo o Calcola: simula di nuovo."));

    exports_ = new ExportActions(this, plot_, messages,
                                 {QStringLiteral("convertitore-reale"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return svg(); }, [this] { return view_ ? realCsv(*view_) : QByteArray(); }});
    exports_->addExport("EsportaNetlist", QStringLiteral("Esporta netlist SPICE…"), QStringLiteral("convertitore-reale.cir"),
                        QStringLiteral("Netlist SPICE (*.cir)"),
                        [this] { return view_ ? spiceNetlist(view_->inputs, view_->parasitics) : QByteArray(); });
    QAction* dynamics = exports_->add("PiccoliSegnali", QStringLiteral("Dinamica (piccoli segnali)…"),
                                      QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(dynamics, &QAction::triggered, this, &FormReale::dynamicsRequested);
    plot_->setFocus();
    clearView();
}

FormReale::~FormReale() = default;

void FormReale::makeTable()
{
    for (std::size_t c = 0; c < std::size(kColumnTitles); ++c) {
        QLabel* title = label(this, {}, QRect(kCellLeft + kCellStep * int(c), kTableTop, kCellWidth, 20),
                              QString::fromLatin1(kColumnTitles[c]));
        title->setAlignment(Qt::AlignCenter);
    }
    const std::vector<RealPlot::TableRow> names = RealPlot::table(RealView{});
    for (std::size_t r = 0; r < std::size(kRowNames); ++r) {
        const int top = kTableTop + 22 + kTableStep * int(r);
        label(this, {}, QRect(kNameLeft, top, kNameWidth, 24), names[r].name)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        for (std::size_t c = 0; c < std::size(kColumnNames); ++c) {
            QLabel* cell = resultBox(this, QString::fromLatin1(kRowNames[r]) + QString::fromLatin1(kColumnNames[c]),
                                     QRect(kCellLeft + kCellStep * int(c), top, kCellWidth, 24));
            cell->setAccessibleName(QStringLiteral("%1, %2").arg(names[r].name, QString::fromLatin1(kColumnTitles[c])));
            cells_.push_back(cell);
        }
    }
    for (const auto& [name, at] : {std::pair{"LCritica", kLines[0]}, {"GuadagnoMassimo", kLines[1]}, {"PeriodoMostrato", kLines[2]}}) {
        QLabel* line = label(this, QString::fromLatin1(name), at);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        UiStyle::makeCopyable(line);
        lines_.push_back(line);
    }
}

void FormReale::makeLegend()
{
    for (std::size_t i = 0; i < std::size(kLegend); ++i) {
        const LegendRow& row = kLegend[i];
        const int left = kLegendLeft + kLegendColumn * int(i % 4), top = kLegendTop + 20 * int(i / 4);
        QLabel* mark = label(this, {}, QRect(left, top, 24, 18), QString::fromUtf8(row.mark));
        mark->setAlignment(Qt::AlignCenter);
        UiStyle::setTextColour(mark, UiStyle::qColour(row.colour));
        label(this, {}, QRect(left + 26, top, kLegendColumn - 28, 18), QString::fromUtf8(row.text));
    }
}

void FormReale::makeBars()
{
    bars_ = new QWidget(this);
    bars_->setObjectName(QStringLiteral("BarrePerdite"));
    bars_->setGeometry(kBars);
    bars_->setAccessibleName(QStringLiteral("Dove va la potenza in ingresso"));
    label(bars_, {}, QRect(0, 0, kBars.width(), 18),
          QStringLiteral("Dove va la potenza in ingresso Pin nel periodo simulato:"));
    const std::vector<RealPlot::Bar> parts = RealPlot::bars(RealView{});
    // Pin's full length, behind the stacked bar that fills it.
    auto* outline = new QFrame(bars_);
    outline->setFrameStyle(QFrame::Box | QFrame::Plain);
    outline->setGeometry(kBarLeft - 1, kBarsTop + 3, kBarLength + 2, 14);
    for (std::size_t i = 0; i < std::size(kBarNames); ++i) {
        const int top = kBarsTop + kBarStep * int(i);
        label(bars_, {}, QRect(0, top, kBarLeft - 4, 20),
              i == 0 ? QStringLiteral("Pin, dall'ingresso") : parts[i - 1].name);
        QLabel* value = label(bars_, QStringLiteral("Valore") + QString::fromLatin1(kBarNames[i]),
                              QRect(kBarValueLeft, top, kBars.width() - kBarValueLeft, 20));
        UiStyle::makeCopyable(value);
        barValues_.push_back(value);
    }
    // A bar per part on its own row, then the same colours side by side on Pin's row.
    for (int stackedRow = 0; stackedRow < 2; ++stackedRow) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            auto* bar = new QFrame(bars_);
            bar->setObjectName(QStringLiteral("Barra%1%2").arg(QString::fromLatin1(kBarNames[i + 1]),
                                                              stackedRow ? QStringLiteral("InPin") : QString()));
            UiStyle::setBackground(bar, UiStyle::qColour(parts[i].colour));
            barFrames_.push_back(bar);
        }
    }
}

void FormReale::showBars()
{
    const std::vector<RealPlot::Bar> parts = RealPlot::bars(*view_);
    const std::vector<RealPlot::Span> spans = RealPlot::stacked(parts, kBarLength);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int top = kBarsTop + kBarStep * int(i + 1) + 4;
        barFrames_[i]->setGeometry(kBarLeft, top, RealPlot::barLength(parts[i].share, kBarLength), 12);
        barFrames_[parts.size() + i]->setGeometry(kBarLeft + spans[i].start, kBarsTop + 4, spans[i].end - spans[i].start, 12);
        barValues_[i + 1]->setText(RealPlot::barText(parts[i]));
    }
    barValues_[0]->setText(RealPlot::inputText(*view_));
    for (QFrame* bar : barFrames_)
        bar->setVisible(bar->width() > 0);
    bars_->setAccessibleDescription(RealPlot::barsDescription(*view_));
}

bool FormReale::remake(const Model& m)
{
    if (!m.Simulated.valid)
        return false;
    setInputs(m.Simulated);
    return calculate() == RealEnd::Shown;
}

void FormReale::showStale(bool stale)
{
    stale_->setVisible(stale);
}

RealEnd FormReale::calculate()
{
    return editors_->calculate<RealView>(
        messages_, [this](const Parasitics& parts, ProgressPort* progress) { return analyseReal(inputs_, parts, progress); },
        [this](RealView view) { setView(std::move(view)); },
        [this] {
            clearView();
            lines_[0]->setText(StartupPlot::inputsText(inputs_));
        });
}

void FormReale::setView(RealView view)
{
    view_ = std::move(view);
    plot_->clear();
    RealPlot::draw(*view_, *plot_);
    const std::vector<RealPlot::TableRow> rows = RealPlot::table(*view_);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].cells.size(); ++c)
            cells_[r * 3 + c]->setText(rows[r].cells[c]);
    }
    const QString texts[] = {StartupPlot::inputsText(view_->inputs), RealPlot::criticalText(*view_),
                             RealPlot::maximumText(*view_), RealPlot::periodText(*view_)};
    for (std::size_t i = 0; i < lines_.size(); ++i)
        lines_[i]->setText(texts[i]);
    showBars();
    placeScaleLabels();
    plot_->setAccessibleDescription(RealPlot::description(*view_));
    exports_->setEnabled(true);
}

void FormReale::clearView()
{
    view_.reset();
    plot_->clear();
    for (QLabel* l : cells_)
        l->clear();
    for (QLabel* l : lines_)
        l->clear();
    for (QLabel* l : barValues_)
        l->clear();
    for (QFrame* bar : barFrames_)
        bar->hide();
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    const QString none = QStringLiteral("Nessun risultato: scrivi gli elementi parassiti e premi Calcola.");
    plot_->setAccessibleDescription(none);
    bars_->setAccessibleDescription(none);
    exports_->setEnabled(false);
}

// The gain's ticks on the left, the efficiency's on the right, the duty cycle's below.
void FormReale::placeScaleLabels()
{
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    const RealPlot::Scales s = RealPlot::scalesOf(*view_);
    const auto add = [this](const QRect& at, const QString& text, Qt::Alignment alignment, std::optional<Rgb> colour = {}) {
        QLabel* l = label(this, {}, at, text);
        l->setAlignment(alignment);
        if (colour)
            UiStyle::setTextColour(l, UiStyle::qColour(*colour));
        l->show();
        scaleLabels_.push_back(l);
    };
    const int left = kPlot.left() - 50, right = kPlot.right() + 5;
    for (double m = 0; m <= s.gain * (1 + 1e-9); m += s.gainTick) {
        const int y = plot_->toParent(0, RealPlot::yOfGain(s, m)).y();
        add(QRect(left, y - 8, 46, 16), StartupPlot::tickText(m, s.gainTick), Qt::AlignRight | Qt::AlignVCenter);
    }
    for (double e = 0; e <= 100; e += RealPlot::kEfficiencyTick) {
        const int y = plot_->toParent(0, e).y();
        add(QRect(right, y - 8, 40, 16), StartupPlot::tickText(e, RealPlot::kEfficiencyTick), Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int d = 0; d <= 100; d += 10) {
        const int x = plot_->toParent(d, 0).x();
        add(QRect(x - 20, kPlot.bottom() + 3, 40, 16), QString::number(d), Qt::AlignHCenter | Qt::AlignTop);
    }
    add(QRect(left, kPlot.top() - 22, 120, 16), QStringLiteral("M = Vo/Vi"), Qt::AlignLeft | Qt::AlignVCenter);
    add(QRect(right, kPlot.top() - 22, 60, 16), QStringLiteral("η [%]"), Qt::AlignLeft | Qt::AlignVCenter,
        RealPlot::kEfficiencyColour);
    add(QRect(kPlot.right() - 60, kPlot.bottom() + 19, 60, 16), QStringLiteral("D [%]"), Qt::AlignRight | Qt::AlignTop);
}

QByteArray FormReale::svg()
{
    return WindowPicture::svg(*this, *plot_, [this](PlotSurface& surface) {
        if (view_)
            RealPlot::draw(*view_, surface);
    });
}

void FormReale::present()
{
    UiStyle::bringToFront(this);
}

void FormReale::setFileChooser(ExportActions::FileChooser chooser)
{
    exports_->setFileChooser(std::move(chooser));
}

void FormReale::pointerMoved(QPointF plotPos, QPoint globalPos)
{
    plot_->showHoverText(view_ ? RealPlot::readout(*view_, plotPos.x()) : QString(), globalPos);
}

#include "formavvio.h"

#include "app/model.h"
#include "app/numbers.h"
#include "appicon.h"
#include "plot/startupplot.h"
#include "plotwidget.h"
#include "sim/waveformcsv.h"
#include "simulationprogress.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <cmath>

namespace {

// The window's first size, and the least it may be made: the plot with its scales on
// the left grows with the window, the legend and the figures keep their width on the
// right, the lines under the plot run across the window.
const QSize kWindow(1120, 640);
const QSize kLeast(720, 640);
constexpr int kPlotLeft = 76, kPlotTop = 54, kBelowPlot = 96;
constexpr int kPanelWidth = 250, kPanelMargin = 14;
// The legend rows' and the figures' heights, in the order of StartupPlot::legendTexts
// and StartupPlot::figureTexts: a marker's legend line may say where it stands.
constexpr int kLegendHeights[] = {18, 18, 18, 34, 50};
constexpr int kFigureHeights[] = {36, 36, 36, 36, 54, 54, 36};
// A drag shorter than this (pixels) is a click, not a span.
constexpr int kLeastDrag = 4;
// Each wheel step (120 units) shows this share of the time shown before.
constexpr double kWheelStep = 0.8;

QLabel* label(QWidget* parent, const char* name, const QString& text = {}, double points = 8.25)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(UiStyle::font(points));
    l->setTextFormat(Qt::PlainText);
    return l;
}

// The legend: a sample of each mark in its colour beside its line.
struct LegendMark {
    const char* mark;
    Rgb colour;
};
const LegendMark kMarks[] = {
    {"\u2501\u2501", StartupPlot::kCurrentColour}, {"\u2501\u2501", StartupPlot::kVoltageColour},
    {"\u2588\u2588", {190, 190, 190}},             {"\u2503", StartupPlot::kSettledColour},
    {"\u2503", StartupPlot::kRepeatColour},
};

} // namespace

FormAvvio::FormAvvio(MessagePort& messages, QWidget* parent) : QWidget(parent, Qt::Window), messages_(messages)
{
    setObjectName(QStringLiteral("FormAvvio"));
    setWindowTitle(QStringLiteral("Avvio del convertitore"));
    setWindowIcon(AppIcon::icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(UiStyle::font());
    setMinimumSize(kLeast);
    resize(kWindow);

    plot_ = new PlotWidget(this);
    plot_->setObjectName(QStringLiteral("GraficoAvvio"));
    plot_->setAccessibleName(QStringLiteral("Grafico dell'avvio del convertitore"));
    plot_->setFocus();
    plot_->installEventFilter(this);
    connect(plot_, &PlotWidget::pointerMoved, this, &FormAvvio::pointerMoved);
    selection_ = new QRubberBand(QRubberBand::Rectangle, plot_);
    selection_->setObjectName(QStringLiteral("SelezioneTratto"));

    title_ = label(this, "Label1", QStringLiteral("Avvio del convertitore da fermo, con un diodo che blocca la corrente"), 9.75);
    inputs_ = label(this, "Label2");
    inputs_->setFont(UiStyle::font(8.25, false));
    span_ = label(this, "Label3");
    hint_ = label(this, "Label4",
                  QStringLiteral("Sposta il cursore del mouse sul grafico: compaiono il tempo e i valori di iL e Vo in quel "
                                 "punto. La rotellina ingrandisce il tempo attorno al cursore, un trascinamento sceglie un "
                                 "tratto, un doppio clic torna a tutto il tratto."));
    hint_->setWordWrap(true);
    csv_ = label(this, "Label5");
    // Along the plot's top edge, above the bands, letting the pointer through.
    stale_ = UiStyle::staleLine(plot_);
    makeLegend();
    for (std::size_t i = 0; i < std::size(kFigureHeights); ++i) {
        const QByteArray name = "Figura" + QByteArray::number(qsizetype(i + 1));
        QLabel* figure = label(this, name.constData());
        figure->setWordWrap(true);
        figure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        UiStyle::makeCopyable(figure);
        figures_.push_back(figure);
    }

    exports_ = new ExportActions(this, plot_, messages,
                                 {QStringLiteral("avvio-del-convertitore"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return svg(); },
                                  [this] { return view_ ? startupCsv(*view_) : QByteArray(); }});
    QAction* whole = exports_->add("MostraTutto", QStringLiteral("Mostra tutto"), QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(whole, &QAction::triggered, this, [this] {
        if (view_)
            showSpan(StartupPlot::wholeSpan(*view_));
    });
    plot_->setAccessibleDescription(QStringLiteral("Calcolo dell'avvio in corso."));
    real_ = exports_->add("ConvertitoreReale", QStringLiteral("Convertitore reale…"), QKeySequence(Qt::CTRL | Qt::Key_R));
    real_->setEnabled(false);
    connect(real_, &QAction::triggered, this, &FormAvvio::realRequested);
    layOut();
}

FormAvvio::~FormAvvio() = default;

void FormAvvio::makeLegend()
{
    for (const LegendMark& row : kMarks) {
        QLabel* mark = label(this, "", QString::fromUtf8(row.mark));
        UiStyle::setTextColour(mark, UiStyle::qColour(row.colour));
        QLabel* text = label(this, "");
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        legend_.insert(legend_.end(), {mark, text});
    }
    const StartupView none;
    const QStringList texts = StartupPlot::legendTexts(none);
    for (std::size_t i = 0; i < std::size(kMarks); ++i)
        legend_[2 * i + 1]->setText(texts.value(qsizetype(i)).section(u':', 0, 0));
}

// Every control's place for the window's size.
void FormAvvio::layOut()
{
    laidOutFor_ = size();
    const int w = width(), h = height();
    const int panelLeft = w - kPanelWidth - kPanelMargin;
    title_->setGeometry(16, 8, w - 32, 22);
    inputs_->setGeometry(16, 30, w - 32, 18);
    plot_->setGeometry(kPlotLeft, kPlotTop, panelLeft - 20 - kPlotLeft, h - kPlotTop - kBelowPlot);
    const QRect inner = plot_->contentsRect();
    stale_->setGeometry(inner.left() + 6, inner.top() + 1, inner.width() - 12, 16);
    const int below = plot_->geometry().bottom() + 1;
    span_->setGeometry(16, below + 22, w - 32, 18);
    csv_->setGeometry(16, below + 40, w - 32, 18);
    hint_->setGeometry(16, below + 58, w - 32, 36);
    int top = kPlotTop;
    for (std::size_t i = 0; i < std::size(kLegendHeights); ++i) {
        legend_[2 * i]->setGeometry(panelLeft, top, 24, 18);
        legend_[2 * i + 1]->setGeometry(panelLeft + 28, top, kPanelWidth - 28, kLegendHeights[i]);
        top += kLegendHeights[i] + 4;
    }
    top += 6;
    for (std::size_t i = 0; i < figures_.size(); ++i) {
        figures_[i]->setGeometry(panelLeft, top, kPanelWidth, kFigureHeights[i]);
        top += kFigureHeights[i] + 6;
    }
}

void FormAvvio::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A window first shown (or first pictured) hears of the size it was laid out for.
    if (size() == laidOutFor_)
        return;
    layOut();
    if (!view_ || drawing_)
        return;
    // The columns are the plot's pixels: a new width needs the part shown reduced again.
    if (int(view_->columns.size()) != columns())
        showSpan(StartupPlot::shownOf(*view_));
    else
        showView();
}

QByteArray FormAvvio::svg()
{
    return WindowPicture::svg(*this, *plot_, [this](PlotSurface& surface) {
        if (view_)
            StartupPlot::draw(*view_, surface);
    });
}

int FormAvvio::columns() const
{
    return plot_->pixelSize().width();
}

void FormAvvio::setFileChooser(ExportActions::FileChooser chooser)
{
    exports_->setFileChooser(std::move(chooser));
}

void FormAvvio::setView(StartupView view)
{
    view_ = std::move(view);
    const QStringList texts = StartupPlot::figureTexts(*view_);
    for (std::size_t i = 0; i < figures_.size(); ++i)
        figures_[i]->setText(texts.value(qsizetype(i)));
    inputs_->setText(StartupPlot::inputsText(*view_));
    csv_->setText(StartupPlot::csvText(*view_));
    exports_->setEnabled(true);
    real_->setEnabled(true);
    if (int(view_->columns.size()) != columns())
        showSpan(StartupPlot::shownOf(*view_));
    else
        showView();
}

// The plot and everything that follows the part shown: scales, span, legend, the
// description a screen reader gives.
void FormAvvio::showView()
{
    plot_->clear();
    StartupPlot::draw(*view_, *plot_);
    span_->setText(StartupPlot::spanText(*view_));
    const QStringList legend = StartupPlot::legendTexts(*view_);
    for (std::size_t i = 0; i < std::size(kMarks); ++i)
        legend_[2 * i + 1]->setText(legend.value(qsizetype(i)));
    plot_->setAccessibleDescription(StartupPlot::description(*view_));
    placeScaleLabels();
}

// Draws `shown` over the plot's columns, stepping it again; a long one shows its
// progress, and cancelled it leaves the plot as it was.
bool FormAvvio::showSpan(SampleSpan shown)
{
    std::optional<Stop> stop;
    drawing_ = true;
    {
        SimulationProgress progress([this]() -> QWidget* { return this; });
        stop = redrawStartup(*view_, shown, columns(), &progress);
    }
    drawing_ = false;
    if (stop && stop->outcome != SimOutcome::Cancelled)
        messages_.ShowMessage(stop->message);
    showView();
    return !stop;
}

bool FormAvvio::remake(const Model& m)
{
    if (!m.Simulated.valid)
        return false;
    std::variant<StartupView, Stop> result;
    {
        SimulationProgress progress([this]() -> QWidget* { return this; });
        result = analyseStartup(modelOf(m.Simulated), columns(), &progress);
    }
    if (const Stop* stop = std::get_if<Stop>(&result)) {
        if (stop->outcome != SimOutcome::Cancelled)
            messages_.ShowMessage(stop->message);
        return false;
    }
    setView(std::move(std::get<StartupView>(result)));
    return true;
}

void FormAvvio::showStale(bool stale)
{
    stale_->setVisible(stale);
}

bool FormAvvio::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == plot_ && view_ && zoomEvent(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

// The wheel, a drag and a double click over the plot.
bool FormAvvio::zoomEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const double steps = wheel->angleDelta().y() / 120.0;
        if (steps != 0)
            showSpan(StartupPlot::zoomedAbout(*view_, plot_->toPlot(wheel->position()).x(), std::pow(kWheelStep, steps)));
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            dragFrom_ = at;
        if (!dragFrom_)
            return false;
        const QRect band = QRect(*dragFrom_, at).normalized();
        selection_->setGeometry(band.left(), plot_->contentsRect().top(), band.width(), plot_->contentsRect().height());
        selection_->setVisible(event->type() == QEvent::MouseMove && band.width() >= kLeastDrag);
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            const QPoint from = *dragFrom_;
            dragFrom_.reset();
            if (band.width() >= kLeastDrag)
                showSpan(StartupPlot::between(*view_, plot_->toPlot(from).x(), plot_->toPlot(at).x()));
        }
        return false;
    }
    case QEvent::MouseButtonDblClick:
        dragFrom_.reset();
        showSpan(StartupPlot::wholeSpan(*view_));
        return true;
    default:
        return false;
    }
}

// A plot point in the window's coordinates, as the plot's image places it.
QPoint FormAvvio::plotToWindow(double x, double y) const
{
    const QRect inner = plot_->contentsRect().translated(plot_->pos());
    return inner.topLeft() + QPoint(int(std::lround(x / 100 * (inner.width() - 1))), int(std::lround((100 - y) / 100 * (inner.height() - 1))));
}

// The bottom, middle and top of each band's scale beside it, the time under the ticks.
void FormAvvio::placeScaleLabels()
{
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    const StartupPlot::Scales s = StartupPlot::scalesOf(*view_);
    const struct {
        StartupPlot::Band band;
        StartupPlot::Range scale;
        const char* title;
        Rgb colour;
    } bands[] = {{StartupPlot::kCurrentBand, s.current, "iL [A]", StartupPlot::kCurrentColour},
                 {StartupPlot::kVoltageBand, s.voltage, "Vo [V]", StartupPlot::kVoltageColour}};
    const auto add = [this](const QRect& at, const QString& text, Qt::Alignment alignment) {
        QLabel* l = label(this, "", text);
        l->setGeometry(at);
        l->setAlignment(alignment);
        scaleLabels_.push_back(l);
        return l;
    };
    for (const auto& b : bands) {
        const QStringList texts = StartupPlot::scaleTexts(b.scale);
        for (int i = 0; i < 3; ++i) {
            const QPoint at = plotToWindow(0, b.band.zero + b.band.height * i / 2);
            add(QRect(2, at.y() - 8, kPlotLeft - 6, 16), texts[i], Qt::AlignRight | Qt::AlignVCenter);
        }
        const QPoint top = plotToWindow(0, b.band.zero + b.band.height);
        UiStyle::setTextColour(add(QRect(2, top.y() - 26, kPlotLeft - 6, 16), QString::fromLatin1(b.title),
                                   Qt::AlignRight | Qt::AlignVCenter),
                               UiStyle::qColour(b.colour));
    }
    const int below = plot_->geometry().bottom() + 4;
    for (const double t : StartupPlot::tickTimes(s)) {
        const QPoint at = plotToWindow(StartupPlot::xOfTime(*view_, t), 0);
        add(QRect(at.x() - 30, below, 60, 16), StartupPlot::tickText(t, s.tickMs), Qt::AlignHCenter | Qt::AlignTop);
    }
    add(QRect(2, below, 40, 16), QStringLiteral("t [ms]"), Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* l : scaleLabels_)
        l->show();
}

void FormAvvio::present()
{
    UiStyle::bringToFront(this);
}

void FormAvvio::pointerMoved(QPointF plotPos, QPoint globalPos)
{
    plot_->showHoverText(view_ ? StartupPlot::readout(*view_, plotPos.x()) : QString(), globalPos);
}

#include "formavvio.h"

#include "app/numbers.h"
#include "appicon.h"
#include "plot/startupplot.h"
#include "plotwidget.h"
#include "sim/waveformcsv.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QLabel>

#include <cmath>

namespace {

// Fixed places in pixels: the plot with its scales on the left, the legend and the
// figures on the right.
const QRect kWindow(0, 0, 1120, 640);
const QRect kTitle(16, 8, 820, 22);
const QRect kInputs(16, 30, 820, 18);
const QRect kPlot(76, 54, 760, 500);
const QRect kSpan(76, 580, 760, 18);
const QRect kHint(16, 610, 820, 18);
constexpr int kPanelLeft = 856, kPanelWidth = 250;
// The figures' heights, in the order of StartupPlot::figureTexts.
constexpr int kFigureHeights[] = {36, 36, 36, 36, 54, 72};

QLabel* label(QWidget* parent, const char* name, const QRect& at, const QString& text = {}, double points = 8.25)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(at);
    l->setFont(UiStyle::font(points));
    l->setTextFormat(Qt::PlainText);
    return l;
}

// The legend: a sample of each mark in its colour and what it means.
struct LegendRow {
    const char* mark;
    Rgb colour;
    const char* text;
};
const LegendRow kLegend[] = {
    {"\u2501\u2501", StartupPlot::kCurrentColour, "iL(t): corrente nell'induttore"},
    {"\u2501\u2501", StartupPlot::kVoltageColour, "Vo(t): tensione in uscita"},
    {"\u2588\u2588", {190, 190, 190}, "periodi in conduzione discontinua"},
    {"\u2503", StartupPlot::kSettledColour, "a regime entro \u00b11 %"},
    {"\u2503", StartupPlot::kRepeatColour, "prima ripetizione esatta dello stato"},
};

} // namespace

FormAvvio::FormAvvio(MessagePort& messages, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormAvvio"));
    setWindowTitle(QStringLiteral("Avvio del convertitore"));
    setWindowIcon(AppIcon::icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(UiStyle::font());
    resize(kWindow.size());

    plot_ = new PlotWidget(this);
    plot_->setObjectName(QStringLiteral("GraficoAvvio"));
    plot_->setGeometry(kPlot);
    plot_->setAccessibleName(QStringLiteral("Grafico dell'avvio del convertitore"));
    plot_->setFocus();
    connect(plot_, &PlotWidget::pointerMoved, this, &FormAvvio::pointerMoved);

    label(this, "Label1", kTitle, QStringLiteral("Avvio del convertitore da fermo, con un diodo che blocca la corrente"), 9.75);
    inputs_ = label(this, "Label2", kInputs);
    inputs_->setFont(UiStyle::font(8.25, false));
    span_ = label(this, "Label3", kSpan);
    label(this, "Label4", kHint,
          QStringLiteral("Sposta il cursore del mouse sul grafico: compaiono il tempo e i valori di iL e Vo in quel punto."));
    makeLegend();

    int top = kPlot.top() + 150;
    for (std::size_t i = 0; i < std::size(kFigureHeights); ++i) {
        const QByteArray name = "Figura" + QByteArray::number(qsizetype(i + 1));
        QLabel* figure = label(this, name.constData(), QRect(kPanelLeft, top, kPanelWidth, kFigureHeights[i]));
        figure->setWordWrap(true);
        figure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        UiStyle::makeCopyable(figure);
        figures_.push_back(figure);
        top += kFigureHeights[i] + 6;
    }

    exports_ = new ExportActions(this, plot_, messages,
                                 {QStringLiteral("avvio-del-convertitore"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return svg(); },
                                  [this] { return view_ ? startupCsv(*view_) : QByteArray(); }});
    plot_->setAccessibleDescription(QStringLiteral("Calcolo dell'avvio in corso."));
    real_ = exports_->add("ConvertitoreReale", QStringLiteral("Convertitore reale…"), QKeySequence(Qt::CTRL | Qt::Key_R));
    real_->setEnabled(false);
    connect(real_, &QAction::triggered, this, &FormAvvio::realRequested);
}

FormAvvio::~FormAvvio() = default;

void FormAvvio::makeLegend()
{
    int top = kPlot.top();
    for (const LegendRow& row : kLegend) {
        QLabel* mark = label(this, "", QRect(kPanelLeft, top, 24, 18), QString::fromUtf8(row.mark));
        UiStyle::setTextColour(mark, UiStyle::qColour(row.colour));
        label(this, "", QRect(kPanelLeft + 28, top, kPanelWidth - 28, 18), QString::fromUtf8(row.text));
        top += 22;
    }
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
    plot_->clear();
    StartupPlot::draw(*view_, *plot_);
    const QStringList texts = StartupPlot::figureTexts(*view_);
    for (std::size_t i = 0; i < figures_.size(); ++i)
        figures_[i]->setText(texts.value(qsizetype(i)));
    span_->setText(StartupPlot::spanText(*view_));
    inputs_->setText(StartupPlot::inputsText(*view_));
    plot_->setAccessibleDescription(StartupPlot::description(*view_));
    placeScaleLabels();
    exports_->setEnabled(true);
    real_->setEnabled(true);
}

// A plot point in the window's coordinates, as the plot's image places it.
QPoint FormAvvio::plotToWindow(double x, double y) const
{
    const QRect inner = plot_->contentsRect().translated(plot_->pos());
    return inner.topLeft() + QPoint(int(std::lround(x / 100 * (inner.width() - 1))), int(std::lround((100 - y) / 100 * (inner.height() - 1))));
}

// The full scale, its half and zero beside each band, the time under the ticks.
void FormAvvio::placeScaleLabels()
{
    qDeleteAll(scaleLabels_);
    scaleLabels_.clear();
    const StartupPlot::Scales s = StartupPlot::scalesOf(*view_);
    const struct {
        StartupPlot::Band band;
        double fullScale;
        const char* title;
        Rgb colour;
    } bands[] = {{StartupPlot::kCurrentBand, s.current, "iL [A]", StartupPlot::kCurrentColour},
                 {StartupPlot::kVoltageBand, s.voltage, "Vo [V]", StartupPlot::kVoltageColour}};
    for (const auto& b : bands) {
        for (const double share : {0.0, 0.5, 1.0}) {
            const QPoint at = plotToWindow(0, b.band.zero + b.band.height * share);
            QLabel* l = label(this, "", QRect(2, at.y() - 8, kPlot.left() - 6, 16),
                              share == 0 ? QStringLiteral("0") : FormatNumber(b.fullScale * share, NumberPattern::Sci2));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            scaleLabels_.push_back(l);
        }
        const QPoint top = plotToWindow(0, b.band.zero + b.band.height);
        QLabel* title = label(this, "", QRect(2, top.y() - 26, kPlot.left() - 6, 16), QString::fromLatin1(b.title));
        title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        UiStyle::setTextColour(title, UiStyle::qColour(b.colour));
        scaleLabels_.push_back(title);
    }
    for (double t = 0; t <= s.spanMs * (1 + 1e-9); t += s.tickMs) {
        const QPoint at = plotToWindow(StartupPlot::xOfTime(*view_, t), 0);
        QLabel* l = label(this, "", QRect(at.x() - 30, kPlot.bottom() + 3, 60, 16), StartupPlot::tickText(t, s.tickMs));
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        scaleLabels_.push_back(l);
    }
    scaleLabels_.push_back(label(this, "", QRect(kPlot.right() - 40, kPlot.bottom() + 3 + 16, 40, 16), QStringLiteral("t [ms]")));
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

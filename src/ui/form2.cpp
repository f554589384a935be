#include "form2.h"

#include "app/model.h"
#include "appicon.h"
#include "plot/plot.h"
#include "plot/plotgeometry.h"
#include "plot/readout.h"
#include "plotwidget.h"
#include "sim/waveformcsv.h"
#include "uistyle.h"
#include "windowpicture.h"

#include <QAction>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>

#include <iterator>

namespace {

using UiStyle::Place;

struct Caption {
    Place place;
    const char* text = "";
};

// The five waveforms, top band first, in the order of the plot's bands: each option
// stands level with its band and carries its trace colour.
const Place kOptionPlaces[] = {
    {"Option1", 15360, 720, 975, 375},  {"Option2", 15360, 2640, 735, 495}, {"Option3", 15360, 4440, 735, 615},
    {"Option4", 15360, 6120, 975, 375}, {"Option5", 15360, 8280, 735, 255},
};
const char* const kOptionCaptions[] = {"iL(t)", "iC(t)", "Vo(t)", "vL(t)", "id(t)"};
// What each band shows, as a screen reader says it: the quantity and its trace colour.
const char* const kBandWords[] = {
    "corrente nell'induttore iL, traccia rossa", "corrente nel condensatore iC, traccia verde",
    "tensione in uscita Vo, traccia blu", "tensione sull'induttore vL, traccia magenta",
    "corrente nel diodo id, traccia ciano"};

// The summary rows, in the order of Form2Summary: caption, value box, unit.
struct SummaryRow {
    Caption caption;
    Place box;
    Caption unit;
};
const SummaryRow kSummaryRows[] = {
    {{{"Label3", 15240, 1320, 735, 255}, "Delta iL"},
     {"Label2", 16080, 1200, 1575, 375},
     {{"Label4", 17760, 1320, 255, 255}, "[A]"}},
    {{{"Label6", 15240, 5040, 855, 255}, "Delta Vo"},
     {"Label5", 16200, 4920, 1575, 375},
     {{"Label7", 17880, 5040, 495, 255}, "[mV]"}},
    {{{"Label10", 15480, 8760, 735, 255}, "Id picco"},
     {"Label8", 16440, 8760, 1575, 375},
     {{"Label11", 18120, 8760, 255, 255}, "[A]"}},
    {{{"Label12", 15480, 9360, 735, 255}, "Id media"},
     {"Label9", 16440, 9240, 1575, 375},
     {{"Label13", 18120, 9240, 255, 255}, "[A]"}},
    {{{"Label14", 13680, 9840, 2655, 255}, "Ii media o continua in ingresso"},
     {"Label16", 16440, 9720, 1575, 375},
     {{"Label15", 18120, 9720, 255, 255}, "[A]"}},
};

QLabel* caption(QWidget* parent, const Caption& c)
{
    return UiStyle::place(new QLabel(QString::fromUtf8(c.text), parent), c.place);
}

// The line over the empty plot: in its middle, letting the pointer and its menu
// through to it.
QLabel* makeHint(QWidget* plot)
{
    auto* hint = new QLabel(plot);
    hint->setObjectName(QStringLiteral("SuggerimentoAvvio"));
    hint->setGeometry(plot->contentsRect().adjusted(60, 0, -60, 0));
    hint->setFont(UiStyle::font(9.75));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint->hide();
    return hint;
}

} // namespace

Form2::Form2(Model& model, MessagePort& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), messages_(messages)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Forme d'onda reali"));
    setWindowIcon(AppIcon::icon());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(UiStyle::twips(0, 0, 18495, 10275).size());

    // Created first, so it is first in the focus chain.
    picture1_ = UiStyle::place(new PlotWidget(this), {"Picture1", 120, 120, 15015, 9135});
    picture1_->setFocus();
    connect(picture1_, &PlotWidget::pointerMoved, this, &Form2::pointerMoved);

    // Only the source of the empty picture that clears the plot; never shown.
    UiStyle::place(new QWidget(this), {"Picture2", 16800, 6480, 495, 375})->hide();

    // Exclusive, yet with nothing checked until the readout or the user picks one.
    options_ = new QButtonGroup(this);
    for (std::size_t i = 0; i < std::size(kOptionPlaces); ++i) {
        auto* option = UiStyle::place(new QRadioButton(QString::fromLatin1(kOptionCaptions[i]), this), kOptionPlaces[i]);
        UiStyle::setTextColour(option, UiStyle::qColour(kPlotBands[i].colour));
        UiStyle::pressOnEnter(option);
        options_->addButton(option, int(i) + 1);
    }

    for (std::size_t i = 0; i < std::size(kSummaryRows); ++i) {
        const SummaryRow& row = kSummaryRows[i];
        caption(this, row.caption);
        QLabel* box = UiStyle::place(new QLabel(this), row.box);
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        box->setLineWidth(1);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setMargin(2);
        UiStyle::setBackground(box, Qt::white);
        UiStyle::makeCopyable(box);
        UiStyle::offerExactValue(box);
        box->installEventFilter(this);
        box->setAccessibleName(QStringLiteral("%1, in %2").arg(QString::fromUtf8(row.caption.text),
                                                               QString::fromUtf8(row.unit.text).mid(1).chopped(1)));
        summary_[i] = box;
        caption(this, row.unit);
    }

    caption(this, {{"Label1", 120, 9480, 8655, 375},
                   "Sposta il cursore del mouse sulla forma d'onda , comparirà il valore in quel punto"})
        ->setFont(UiStyle::font(9.75));

    exports_ = new ExportActions(this, picture1_, messages,
                                 {QStringLiteral("forme-d-onda"), [this] { return WindowPicture::picture(*this); },
                                  [this] { return WindowPicture::waveformSvg(*this, model_); },
                                  [this] { return waveformCsv(model_); }});
    makeWindowActions();

    hint_ = makeHint(picture1_);
    picture1_->setAccessibleName(QStringLiteral("Grafico delle forme d'onda reali"));
    connect(options_, &QButtonGroup::idToggled, this, &Form2::describePlot);
    describePlot();
}

// The entries of the plot's menu that open the other result windows for the last run,
// usable once a run has reached the simulation.
void Form2::makeWindowActions()
{
    startup_ = exports_->add("AvvioConvertitore", QStringLiteral("Avvio del convertitore…"), QKeySequence(Qt::CTRL | Qt::Key_T));
    startup_->setEnabled(false);
    connect(startup_, &QAction::triggered, this, &Form2::startupRequested);
    real_ = exports_->add("ConvertitoreReale", QStringLiteral("Convertitore reale…"), QKeySequence(Qt::CTRL | Qt::Key_R));
    real_->setEnabled(false);
    connect(real_, &QAction::triggered, this, &Form2::realRequested);
    dynamics_ = exports_->add("PiccoliSegnali", QStringLiteral("Dinamica (piccoli segnali)…"), QKeySequence(Qt::CTRL | Qt::Key_B));
    dynamics_->setEnabled(false);
    connect(dynamics_, &QAction::triggered, this, &Form2::dynamicsRequested);
    loop_ = exports_->add("AnelloControllo", QStringLiteral("Anello di controllo…"), QKeySequence(Qt::CTRL | Qt::Key_L));
    loop_->setEnabled(false);
    connect(loop_, &QAction::triggered, this, &Form2::loopRequested);
}

// What a screen reader says of the plot: the waveform selected, the five bands, and the
// summary values beside them.
void Form2::describePlot()
{
    QString text;
    const int selected = selectedOption();
    text += selected == 0 ? QStringLiteral("Nessuna forma d'onda selezionata. ")
                          : QStringLiteral("Forma d'onda selezionata: %1. ").arg(QString::fromUtf8(kBandWords[selected - 1]));
    if (!exports_->isEnabled()) {
        text += QStringLiteral("Il grafico è vuoto: premi Grafici nella finestra principale.");
        picture1_->setAccessibleDescription(text);
        return;
    }
    text += QStringLiteral("Ultimo periodo simulato, ripetuto %1 volte, in cinque fasce dall'alto:").arg(model_.Drawn.NP);
    for (const char* band : kBandWords)
        text += u' ' + QString::fromUtf8(band) + u';';
    text.chop(1);
    text += u'.';
    for (std::size_t i = 0; i < std::size(kSummaryRows); ++i)
        text += QStringLiteral(" %1 = %2 %3.").arg(summary_[i]->accessibleName().section(u',', 0, 0), summary_[i]->text(),
                                                  QString::fromUtf8(kSummaryRows[i].unit.text).mid(1).chopped(1));
    picture1_->setAccessibleDescription(text);
}

void Form2::setFileChooser(ExportActions::FileChooser chooser)
{
    exports_->setFileChooser(std::move(chooser));
}

// While a value is selected in the summary box with the focus, Ctrl+C is that box's
// own, and copies the value; otherwise it copies the window's picture, as it does
// everywhere else in the window.
bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)
        && static_cast<QLabel*>(watched)->hasSelectedText()) {
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::show()
{
    UiStyle::bringToFront(this);
}

void Form2::closeEvent(QCloseEvent* event)
{
    emit closing(pos());
    QWidget::closeEvent(event);
}

void Form2::clearPlot()
{
    picture1_->clear();
    exports_->setEnabled(false);
    describePlot();
}

void Form2::drawPlotFrame()
{
    DrawPlotFrame(*picture1_);
}

void Form2::plotTraces(const Model& m)
{
    DrawTraces(m, *picture1_);
    exports_->setEnabled(true);
    describePlot();
}

void Form2::setCaption(Form2Summary box, const QString& text)
{
    summary_[static_cast<std::size_t>(box)]->setText(text);
    describePlot();
}

void Form2::setExactValue(Form2Summary box, std::optional<double> value)
{
    UiStyle::setExactValue(summary_[static_cast<std::size_t>(box)], value);
}

void Form2::setPlotHint(const QString& text)
{
    hint_->setText(text);
    hint_->setVisible(!text.isEmpty());
}

int Form2::selectedOption() const
{
    const int id = options_->checkedId();
    return id < 0 ? 0 : id;
}

void Form2::selectOption(int option)
{
    if (QAbstractButton* button = options_->button(option)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last checked button.
    if (QAbstractButton* checked = options_->checkedButton()) {
        options_->setExclusive(false);
        checked->setChecked(false);
        options_->setExclusive(true);
    }
}

void Form2::setStartupAvailable(bool available)
{
    startup_->setEnabled(available);
    real_->setEnabled(available);
    dynamics_->setEnabled(available);
    loop_->setEnabled(available);
}

void Form2::setHoverText(const QString& text)
{
    picture1_->showHoverText(text, pointer_);
}

void Form2::pointerMoved(QPointF plotPos, QPoint globalPos)
{
    pointer_ = globalPos;
    Picture1_MouseMove(model_, *this, static_cast<float>(plotPos.x()), static_cast<float>(plotPos.y()));
    pointer_.reset();
}

#include "waveformhost.h"

#include <algorithm>

#include "form2.h"
#include "formanello.h"
#include "formavvio.h"
#include "formdinamica.h"
#include "formreale.h"
#include "simulationprogress.h"
#include "windowplacement.h"

#include <QScreen>

namespace {

// A window computed from the parasitic fields for `run`: made by `make` the first time,
// then computed and brought to the front; a first opening cancelled closes it again.
template <typename Window, typename Make>
void showComputed(QPointer<Window>& window, const Model::SimulatedRun& run, Make make)
{
    if (!run.valid)
        return;
    const bool fresh = !window;
    if (fresh)
        window = make();
    window->setInputs(run);
    window->present();
    if (window->calculate() == CalculationEnd::Cancelled && fresh && window)
        window->close();
    else if (window)
        window->present();
}

} // namespace

WaveformHost::WaveformHost(Model& model, MessagePort& messages) : model_(model), messages_(messages) {}

// The window reads the model the host was given, so it must not outlive the host; a
// window the user closed has already deleted itself.
WaveformHost::~WaveformHost()
{
    delete dynamics_.data();
    delete loop_.data();
    delete real_.data();
    delete startup_.data();
    delete form2_.data();
}

void WaveformHost::keepClearOf(const QWidget* mainWindow, const QRect& area)
{
    mainWindow_ = mainWindow;
    area_ = area;
}

Form2Port& WaveformHost::obtainForm2()
{
    if (!form2_) {
        form2_ = new Form2(model_, messages_);
        QObject::connect(form2_, &Form2::closing, form2_, [this](QPoint place) { lastPlace_ = place; });
        QObject::connect(form2_, &Form2::startupRequested, form2_, [this] { showStartup(); });
        QObject::connect(form2_, &Form2::realRequested, form2_, [this] { showReal(model_.Simulated); });
        QObject::connect(form2_, &Form2::dynamicsRequested, form2_, [this] { showDynamics(model_.Simulated); });
        QObject::connect(form2_, &Form2::loopRequested, form2_, [this] { showLoop(model_.Simulated); });
        form2_->move(firstPlace(form2_->size()));
    }
    return *form2_;
}

QPoint WaveformHost::firstPlace(QSize clientSize) const
{
    if (!mainWindow_)
        return lastPlace_.value_or(QPoint());
    if (lastPlace_)
        return keepOnScreen(mainWindow_->screen()->availableGeometry(), withFrame(clientSize), *lastPlace_);
    return placeClear(clientSize, QRect(mainWindow_->mapToGlobal(area_.topLeft()), area_.size()),
                      mainWindow_->frameGeometry());
}

// Frames are taken to be those of the main window: the same window manager draws all.
QSize WaveformHost::withFrame(QSize clientSize) const
{
    return clientSize + (mainWindow_->frameGeometry().size() - mainWindow_->geometry().size());
}

QPoint WaveformHost::placeClear(QSize clientSize, const QRect& keepClear, const QRect& rather) const
{
    if (!mainWindow_)
        return {};
    return placeClearOf(mainWindow_->screen()->availableGeometry(), withFrame(clientSize), keepClear, rather);
}

void WaveformHost::showStartup()
{
    if (!model_.Simulated.valid)
        return;
    const bool fresh = !startup_;
    if (fresh) {
        startup_ = new FormAvvio(messages_);
        QObject::connect(startup_, &FormAvvio::realRequested, startup_, [this] { showReal(startup_->view()->inputs); });
        placeStartup();
        follow(startup_, *startup_);
    }
    startup_->present();
    if (!startup_->remake(model_)) {
        if (fresh && startup_)
            startup_->close();
        return;
    }
    startup_->showStale(stale_);
    startup_->present();
}

void WaveformHost::showReal(const Model::SimulatedRun& run)
{
    showComputed(real_, run, [this] {
        auto* window = new FormReale(messages_, parasitics_);
        follow(window, *window);
        QObject::connect(window, &FormReale::dynamicsRequested, window, [this] { showDynamics(real_->inputs()); });
        placeBesideResults(window);
        return window;
    });
}

// Clear of the waveform window where it is shown, then of the main window.  Two result
// windows of the same size would find the same place, the later one hiding the earlier
// exactly, and the student would think it had been replaced: the later one then steps
// down and right by a title bar's height, as a cascade does.
void WaveformHost::placeBesideResults(QWidget* window) const
{
    const bool resultsShown = form2_ && form2_->isVisible();
    QPoint at = placeClear(window->size(), resultsShown ? form2_->frameGeometry() : QRect(),
                           mainWindow_ ? mainWindow_->frameGeometry() : QRect());
    const QWidget* others[] = {startup_.data(), real_.data(), dynamics_.data(), loop_.data()};
    const int step = std::max(24, mainWindow_ ? withFrame(QSize(0, 0)).height() : 0);
    // One step per other window at most: at the screen's corner a step may not move it.
    for (std::size_t i = 0; i < std::size(others); ++i) {
        if (std::ranges::none_of(others, [&](const QWidget* other) {
                return other && other != window && other->isVisible() && other->pos() == at;
            }))
            break;
        at += QPoint(step, step);
        if (mainWindow_)
            at = keepOnScreen(mainWindow_->screen()->availableGeometry(), withFrame(window->size()), at);
    }
    window->move(at);
}

FormReale* WaveformHost::real() const
{
    return real_.data();
}

void WaveformHost::showDynamics(const Model::SimulatedRun& run)
{
    showComputed(dynamics_, run, [this] {
        auto* window = new FormDinamica(messages_, parasitics_);
        follow(window, *window);
        QObject::connect(window, &FormDinamica::loopRequested, window, [this] { showLoop(dynamics_->inputs()); });
        placeBesideResults(window);
        return window;
    });
}

FormDinamica* WaveformHost::dynamics() const
{
    return dynamics_.data();
}

void WaveformHost::showLoop(const Model::SimulatedRun& run)
{
    showComputed(loop_, run, [this] {
        auto* window = new FormAnello(messages_, parasitics_);
        follow(window, *window);
        placeBesideResults(window);
        return window;
    });
}

FormAnello* WaveformHost::loop() const
{
    return loop_.data();
}

// Clear of the main window's verification fields and "Grafici" first, made narrower for
// that on a small screen where it can; then of the results, then of the rest of the
// main window.
void WaveformHost::placeStartup()
{
    const bool resultsShown = form2_ && form2_->isVisible();
    const QRect results = resultsShown ? form2_->frameGeometry() : QRect();
    if (!mainWindow_) {
        startup_->move(placeClear(startup_->size(), results, QRect()));
        return;
    }
    const QRect screen = mainWindow_->screen()->availableGeometry();
    const QRect area(mainWindow_->mapToGlobal(area_.topLeft()), area_.size());
    const QSize frame = withFrame(QSize(0, 0)), least = startup_->minimumSize().expandedTo(startup_->minimumSizeHint());
    startup_->resize(sizeClearOf(screen, withFrame(startup_->size()), withFrame(least), area) - frame);
    const QRect inOrder[] = {area, results, mainWindow_->frameGeometry()};
    startup_->move(placeClearOf(screen, withFrame(startup_->size()), inOrder));
}

void WaveformHost::follow(QWidget* window, RunFollower& follower)
{
    followers_.emplace_back(window, &follower);
}

void WaveformHost::runEnded(const RunOutcome& outcome)
{
    std::erase_if(followers_, [](const auto& f) { return f.first.isNull(); });
    stale_ = outcome.end != RunEnd::Drawn && outcome.end != RunEnd::CurrentReachedZero;
    // A window remade may close another (a message box over it): each is looked for anew.
    for (std::size_t i = 0; i < followers_.size(); ++i) {
        const auto& [window, follower] = followers_[i];
        if (window)
            follower->showStale(stale_ || !follower->remake(model_));
    }
}

FormAvvio* WaveformHost::startup() const
{
    return startup_.data();
}

Form2* WaveformHost::current() const
{
    return form2_.data();
}

void WaveformHost::present()
{
    if (form2_ && form2_->isVisible())
        form2_->show();
}

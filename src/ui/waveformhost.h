// Owns the lifetime rule of the result windows, the waveform window and the start-up
// window, and where they appear.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "parasiticvalues.h"
#include "sim/verification.h"

#include <QPoint>
#include <QPointer>
#include <QRect>

#include <optional>
#include <utility>
#include <vector>

class Form2;
class FormAnello;
class FormAvvio;
class FormDinamica;
class FormReale;
class QWidget;
class RunFollower;

// The window is made the first time a run needs it and then reused; once the user
// has closed it (which discards it) the next run gets a new one in its start state,
// where the user last left it.  Keep the host for as long as the program runs:
// destroying it discards the window.
class WaveformHost : public Form2Host {
public:
    // The window tells `messages` of a file it could not write.
    WaveformHost(Model& model, MessagePort& messages);
    ~WaveformHost() override;

    // A new window is placed to leave `area` of `mainWindow` (its own coordinates) in
    // view where the screen has room, and never off the screen.
    void keepClearOf(const QWidget* mainWindow, const QRect& area);

    // Returns the existing window, or a new one that is not shown yet.
    Form2Port& obtainForm2() override;
    Form2* current() const;

    // Shows the start-up of the last run that reached the simulation (Model::Simulated)
    // in its window, made the first time it is asked for and placed clear of the
    // waveform window where the screen has room.  A long analysis shows its progress
    // over it; cancelled, it leaves the window as it was.
    void showStartup();
    FormAvvio* startup() const;

    // Shows the real converter of `run` (a run that reached the simulation) in its
    // window, made the first time it is asked for and placed as the start-up's, and
    // computes it with the parasitic values the fields hold.  Cancelled, it leaves the
    // window as it was.
    void showReal(const Model::SimulatedRun& run);
    FormReale* real() const;
    // Shows the dynamics of `run` in its window, made the first time it is asked for and
    // placed as the real converter's, computed with the parasitic values the fields hold.
    // Cancelled, it leaves the window as it was; a first opening cancelled closes it.
    void showDynamics(const Model::SimulatedRun& run);
    FormDinamica* dynamics() const;
    // Shows the control loop of `run` in its window, made the first time it is asked
    // for and placed as the real converter's, and computes it with the parasitic values
    // the fields hold.  Cancelled, it leaves the window as it was.
    void showLoop(const Model::SimulatedRun& run);
    FormAnello* loop() const;
    // The program's one set of parasitic values, which every window that shows them edits.
    ParasiticValues& parasitics() { return parasitics_; }
    // A result window that follows the runs: while it exists, every "Grafici" that
    // reaches the simulation makes it again, and one refused before the simulation (or
    // stopped within it) leaves it with the line saying it shows earlier values.
    void follow(QWidget* window, RunFollower& follower);
    // Told after each "Grafici" how it ended.
    void runEnded(const RunOutcome& outcome);

    // Brings a shown window to the front, restored if minimised and active: after a run,
    // whatever else took the front meanwhile (a progress dialog hands the activation
    // back to the main window when it closes), the results belong there.
    void present();

private:
    QPoint firstPlace(QSize clientSize) const;
    QPoint placeClear(QSize clientSize, const QRect& keepClear, const QRect& rather) const;
    QSize withFrame(QSize clientSize) const;
    void placeStartup();
    void placeBesideResults(QWidget* window) const;

    Model& model_;
    MessagePort& messages_;
    QPointer<Form2> form2_;
    QPointer<FormAvvio> startup_;
    QPointer<FormReale> real_;
    QPointer<FormDinamica> dynamics_;
    QPointer<FormAnello> loop_;
    ParasiticValues parasitics_;
    QPointer<const QWidget> mainWindow_;
    QRect area_;
    std::optional<QPoint> lastPlace_; // frame top-left of the window the user closed
    std::vector<std::pair<QPointer<QWidget>, RunFollower*>> followers_;
    bool stale_ = false; // the last "Grafici" did not simulate the fields' values
};

#include "simulationprogress.h"

#include "sim/progresspace.h"
#include "uistyle.h"

#include <QProgressDialog>

namespace {
// Periods end thousands of times a second; the dialog is touched at most this often.
constexpr qint64 kUpdateEveryMs = 30;
} // namespace

SimulationProgress::SimulationProgress(QWidget* parent) : parent_(parent) {}

SimulationProgress::~SimulationProgress()
{
    delete dialog_.data();
}

QProgressDialog* SimulationProgress::dialog() const
{
    return dialog_.data();
}

void SimulationProgress::startRun(std::int32_t total)
{
    if (!dialog_) {
        dialog_ = new QProgressDialog(QStringLiteral("Simulazione in corso..."),
                                      QStringLiteral("Annulla"), 0, 1, parent_);
        dialog_->setObjectName(QStringLiteral("SimulationProgress"));
        dialog_->setWindowTitle(UiStyle::programTitle());
        dialog_->setMinimumWidth(UiStyle::titleBarWidth());
        // Modal, so that showing progress also lets the windows repaint without
        // letting the student start anything else meanwhile.
        dialog_->setWindowModality(Qt::ApplicationModal);
        // Whether to show is decided here, from the pace of the run; the dialog's own
        // timer would show it even after a run that stopped early.
        dialog_->setMinimumDuration(0);
    }
    dialog_->reset();
    dialog_->setRange(0, total);
    cancelled_ = false;
    sinceStart_.start();
    sinceUpdate_.start();
}

bool SimulationProgress::periodsDone(std::int32_t done, std::int32_t total)
{
    // Within one run the count only grows.
    if (!dialog_ || done <= lastDone_)
        startRun(total);
    lastDone_ = done;
    if (cancelled_ || dialog_->wasCanceled()) {
        cancelled_ = true;
        return false;
    }
    // The last period always goes through: reaching the maximum closes the dialog.
    if (done < total && sinceUpdate_.elapsed() < kUpdateEveryMs)
        return true;
    sinceUpdate_.start();
    if (!dialog_->isVisible()) {
        if (!progressWorthShowing(sinceStart_.elapsed(), done, total))
            return true;
        // With no minimum duration, the first value past the minimum shows the dialog.
        dialog_->setValue(0);
    }
    // The periods to go shrink once the simulated states repeat.
    if (dialog_->maximum() != total)
        dialog_->setMaximum(total);
    // While shown, also handles the pending events, among them a press of "Annulla".
    dialog_->setValue(done);
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}

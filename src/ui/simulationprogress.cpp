#include "simulationprogress.h"

#include "sim/runprogress.h"
#include "uistyle.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {
// Periods end thousands of times a second; the dialog is touched at most this often.
constexpr qint64 kUpdateEveryMs = 30;
} // namespace

SimulationProgress::SimulationProgress(std::function<QWidget*()> over) : over_(std::move(over)) {}

SimulationProgress::~SimulationProgress()
{
    finished();
}

QProgressDialog* SimulationProgress::dialog() const
{
    return dialog_.data();
}

void SimulationProgress::finished()
{
    delete dialog_.data();
}

bool SimulationProgress::advanced(const RunProgress& progress)
{
    // Within one run the count only grows.
    if (progress.done <= lastDone_) {
        finished();
        cancelled_ = false;
        sinceStart_.start();
        sinceUpdate_.start();
    }
    lastDone_ = progress.done;
    if (cancelled_ || (dialog_ && dialog_->wasCanceled())) {
        cancelled_ = true;
        return false;
    }
    if (sinceUpdate_.elapsed() < kUpdateEveryMs)
        return true;
    sinceUpdate_.start();
    if (!dialog_ && !progressWorthShowing(sinceStart_.elapsed(), progress))
        return true;
    show(progress);
    // Lets the windows repaint and the dialog see a press of "Annulla"; the dialog is
    // modal, so nothing else can start meanwhile.
    QCoreApplication::processEvents();
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}

void SimulationProgress::show(const RunProgress& progress)
{
    if (!dialog_) {
        dialog_ = new QProgressDialog(over_ ? over_() : nullptr);
        dialog_->setObjectName(QStringLiteral("SimulationProgress"));
        dialog_->setWindowTitle(UiStyle::programTitle());
        dialog_->setCancelButtonText(QStringLiteral("Annulla"));
        dialog_->setMinimumWidth(UiStyle::titleBarWidth());
        // Modal, so that showing progress also lets the windows repaint without
        // letting the student start anything else meanwhile.
        dialog_->setWindowModality(Qt::ApplicationModal);
        // Shown and hidden here, from the pace of the run: the dialog's own timer and
        // its reset at the maximum know nothing of a run whose end moves.
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setMinimumDuration(0);
    }
    const QString note = progressNote(progress);
    dialog_->setLabelText(note.isEmpty() ? progressStatus(progress) : progressStatus(progress) + u'\n' + note);
    const int permille = progressPermille(progress);
    if (permille < 0) {
        dialog_->setRange(0, 0); // busy: nobody knows the end yet
    } else {
        dialog_->setRange(0, 1000);
        dialog_->setValue(permille);
    }
    if (!dialog_->isVisible())
        dialog_->show();
}

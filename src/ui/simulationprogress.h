// Progress of a long simulation, with a way to cancel it.
#pragma once

#include "app/platform.h"

#include <QElapsedTimer>
#include <QPointer>

#include <functional>
#include <limits>

class QProgressDialog;
class QWidget;

// A modal progress dialog that appears only for a run expected to go on for more than
// about half a second, judged from the time the periods done so far have taken.  Until
// the run's end is known its bar is busy and it counts the periods simulated; once the
// end is known the bar runs over what is left.  While it is up it keeps the windows
// painting; pressing "Annulla" makes advanced() return false.  Short runs never see a
// dialog.  Meant to live for one run: finished(), or destroying it, takes the dialog
// away however the run ended.
class SimulationProgress : public ProgressPort {
public:
    // `over` gives the window the dialog stands over, asked when the dialog is first
    // shown: the window whose results the student is waiting for, which a run may only
    // create after it has started.
    explicit SimulationProgress(std::function<QWidget*()> over);
    ~SimulationProgress() override;

    // A call with no more periods done than the last one starts a new run.
    bool advanced(const RunProgress& progress) override;
    void finished() override;

    // The dialog, for tests: null until a run has been judged worth showing it.
    QProgressDialog* dialog() const;

private:
    void show(const RunProgress& progress);

    std::function<QWidget*()> over_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceUpdate_;
    std::int64_t lastDone_ = std::numeric_limits<std::int64_t>::max(); // none yet
    bool cancelled_ = false;
};

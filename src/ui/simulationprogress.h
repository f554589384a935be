// Progress of a long simulation, with a way to cancel it.
#pragma once

#include "app/platform.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;
class QWidget;

// A modal progress dialog that appears only for a run expected to go on for more than
// about half a second, judged from the time the periods done so far have taken.
// While it is up it keeps the windows painting; pressing "Annulla" makes
// periodsDone() return false.  Short runs never see a dialog.  Meant to live for one
// run: destroying it takes the dialog away however the run ended.
class SimulationProgress : public ProgressPort {
public:
    explicit SimulationProgress(QWidget* parent);
    ~SimulationProgress() override;

    // Called after every simulated period; a call with no more periods done than the
    // last one starts a new run.
    bool periodsDone(std::int32_t done, std::int32_t total) override;

    // The dialog, for tests: null before the first period.
    QProgressDialog* dialog() const;

private:
    void startRun(std::int32_t total);

    QWidget* parent_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceUpdate_;
    std::int32_t lastDone_ = 0;
    bool cancelled_ = false;
};

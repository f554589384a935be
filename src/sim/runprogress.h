// The progress of a long run, as the simulation loops count it and as the student reads
// it: one rule for when it is worth showing and one wording, shared by the progress
// dialog of the windows and the progress line of the command line, for every kind of
// run.
#pragma once

#include "app/platform.h"

#include <QString>

#include <cstdint>

// Counts the periods of a run for a progress port, which may be null.
class ProgressCounter {
public:
    ProgressCounter(ProgressPort* port, std::int64_t requested) : port_(port) { progress_.requested = requested; }

    // One more period stepped; false when the student cancels.
    bool step()
    {
        ++progress_.done;
        return !port_ || port_->advanced(progress_);
    }
    // From now on the run is known to end once `end` periods have been stepped in all;
    // `repeated` says that it is known because the simulated states repeat.
    void endsAt(std::int64_t end, bool repeated)
    {
        progress_.end = end;
        progress_.knownAt = progress_.done;
        progress_.repeated = repeated;
    }
    std::int64_t done() const { return progress_.done; }
    // The run is over: the progress display goes before any message is shown.
    void finish()
    {
        if (port_)
            port_->finished();
    }

private:
    ProgressPort* port_;
    RunProgress progress_;
};

// Whether a run that has taken elapsedMs so far still has half a second or more to go,
// at its pace so far.  Until its end is known a run is taken to go on at most as long
// again as it has: it may settle at any period.  The first 50 ms say too little about
// the pace to decide.
bool progressWorthShowing(std::int64_t elapsedMs, const RunProgress& p);

// The count, e.g. "Periodi simulati: 1 234 567 su 100 000 000.", digits grouped by
// threes with no-break spaces.
QString progressStatus(const RunProgress& p);

// What the count means: until the end is known, that the run may end sooner than the
// periods asked for; once the states repeat, that the periods still to come are known;
// nothing when the end is known otherwise.
QString progressNote(const RunProgress& p);

// Thousandths of the way from where the end became known to the end, or -1 while the
// end is not known (a busy bar).
int progressPermille(const RunProgress& p);

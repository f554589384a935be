// A result window that follows the runs of "Grafici": made again by every run that
// reaches the simulation, marked as showing earlier values after one refused before.
#pragma once

struct Model;

class RunFollower {
public:
    virtual ~RunFollower() = default;
    // Makes the window's contents again from the run in `m` that the last "Grafici"
    // simulated (Model::Simulated); false when that was cancelled or refused, and the
    // window keeps what it showed.
    virtual bool remake(const Model& m) = 0;
    // Shows, or takes away, the visible line saying that the window shows the values of
    // an earlier run than the fields hold.
    virtual void showStale(bool stale) = 0;
};

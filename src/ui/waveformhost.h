// Owns the lifetime rule of the waveform window.
#pragma once

#include "app/platform.h"

#include <QPointer>

class Form2;
struct Model;

// The window is made the first time a run needs it and then reused; once the user
// has closed it (which discards it) the next run gets a new one in its start state.
// Keep the host for as long as the program runs: destroying it discards the window.
class WaveformHost : public Form2Host {
public:
    explicit WaveformHost(Model& model);
    ~WaveformHost() override;

    // Returns the existing window, or a new one that is not shown yet.
    Form2Port& obtainForm2() override;
    Form2* current() const;

private:
    Model& model_;
    QPointer<Form2> form2_;
};

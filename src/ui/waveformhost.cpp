#include "waveformhost.h"

#include "form2.h"

WaveformHost::WaveformHost(Model& model) : model_(model) {}

// The window reads the model the host was given, so it must not outlive the host; a
// window the user closed has already deleted itself.
WaveformHost::~WaveformHost()
{
    delete form2_.data();
}

Form2Port& WaveformHost::obtainForm2()
{
    if (!form2_)
        form2_ = new Form2(model_);
    return *form2_;
}

Form2* WaveformHost::current() const
{
    return form2_.data();
}

#include "waveformhost.h"

#include "form2.h"
#include "windowplacement.h"

#include <QScreen>

WaveformHost::WaveformHost(Model& model, MessagePort& messages) : model_(model), messages_(messages) {}

// The window reads the model the host was given, so it must not outlive the host; a
// window the user closed has already deleted itself.
WaveformHost::~WaveformHost()
{
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
        form2_->move(firstPlace(form2_->size()));
    }
    return *form2_;
}

QPoint WaveformHost::firstPlace(QSize clientSize) const
{
    if (!mainWindow_)
        return lastPlace_.value_or(QPoint());
    // Frames are those of the main window: the same window manager draws both.
    const QRect frame = mainWindow_->frameGeometry();
    const QRect client = mainWindow_->geometry();
    const QSize size = clientSize + (frame.size() - client.size());
    const QRect screen = mainWindow_->screen()->availableGeometry();
    if (lastPlace_)
        return keepOnScreen(screen, size, *lastPlace_);
    const QRect keepClear(mainWindow_->mapToGlobal(area_.topLeft()), area_.size());
    return placeClearOf(screen, size, keepClear, frame);
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

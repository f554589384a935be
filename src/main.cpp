// Start-up: with no arguments, one main window over one shared model, the waveform
// window appearing with the first verification run, the program ending when the last
// window is closed; with arguments, the command line.
#include "app/model.h"
#include "cli/commandline.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/messagebox.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"

#include <QApplication>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Until the application has its display, Qt's own start-up messages are held back: a
// display that does not answer (a stale DISPLAY, ssh without forwarding) would
// otherwise end in an abort with a core dump and the advice to reinstall.  The student
// gets one line saying what is wrong and what to do instead.
void startupMessage(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type != QtFatalMsg)
        return; // warnings of a start-up that goes on are noise, and one that fails says it below
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        std::fputs("convertitore-boost: nessuno schermo grafico su cui aprire le finestre (DISPLAY non "
                   "impostata): avvia il programma da una sessione desktop.\n", stderr);
    else
        std::fprintf(stderr, "convertitore-boost: lo schermo grafico %s non risponde: avvia il programma da "
                     "una sessione desktop, oppure correggi la variabile DISPLAY.\n", display.constData());
    std::_Exit(EXIT_FAILURE);
}

int runWindows(int argc, char* argv[])
{
    const QtMessageHandler previous = qInstallMessageHandler(startupMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    UiStyle::setUpApplication();

    Model model;
    MessageBoxPort messages;
    WaveformHost waveforms(model, messages);
    // The progress dialog of each run stands over the waveform window, whose results the
    // student is waiting for; a first run creates that window only once it has started.
    Form1 form1(model, messages, waveforms, [&waveforms] {
        return std::make_unique<SimulationProgress>([&waveforms]() -> QWidget* { return waveforms.current(); });
    });
    form1.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    return argc > 1 ? runCommandLine(argc, argv) : runWindows(argc, argv);
}

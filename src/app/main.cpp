// Start-up: one main window over one shared model; the waveform window appears with
// the first verification run.  The program ends when the last window is closed.
#include "app/model.h"
#include "ui/appicon.h"
#include "ui/form1.h"
#include "ui/messagebox.h"
#include "ui/simulationprogress.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"

#include <QApplication>
#include <QFont>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // One style on every desktop, so the coloured fields and button faces look alike.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The layout's fixed widths were measured in MS Sans Serif; Liberation Sans keeps
    // every caption inside them, where fontconfig's default (DejaVu Sans) would not.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QApplication::setFont(UiStyle::font());
    QApplication::setApplicationDisplayName(Form1::title());
    QGuiApplication::setDesktopFileName(QStringLiteral("convertitore-boost"));
    QApplication::setWindowIcon(AppIcon::icon());

    Model model;
    MessageBoxPort messages;
    WaveformHost waveforms(model);
    // The progress dialog of each run is a child of the main window; the factory is
    // called only on a button press, long after the window is built.
    Form1 form1(model, messages, waveforms,
                [&form1] { return std::make_unique<SimulationProgress>(&form1); });
    form1.show();
    return app.exec();
}

// The two windows on a real X11 desktop, which the offscreen platform cannot show: the
// frames a window manager draws around them, and which window is in front.  desktop.sh
// runs this on a private 1600 × 1000 Xvfb screen with openbox.  Each state the window
// manager reaches in its own time is polled for, five seconds at most.
#include "app/model.h"
#include "fakes.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/waveformhost.h"

#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {
constexpr int kWait = 5000; // ms

// The windows of the screen bottom to top, as the window manager stacks them.
QList<WId> stacking()
{
    QProcess xprop;
    xprop.start("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    xprop.waitForFinished(kWait);
    QList<WId> ids;
    for (const QString& id : QString::fromLatin1(xprop.readAllStandardOutput()).section('#', 1).split(','))
        ids << id.trimmed().toULongLong(nullptr, 16);
    return ids;
}

bool inFront(const QWidget* window) { return stacking().last() == window->winId(); }
bool framed(const QWidget* window) { return window->isVisible() && window->frameGeometry() != window->geometry(); }
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    // One program's windows over one model, made afresh for each test.
    struct Windows {
        Model model;
        FakeMessages messages;
        WaveformHost host{model, messages};
        Form1 form1{model, messages, host};
    };
    std::unique_ptr<Windows> w_;

    Form2* form2() const { return w_->host.current(); }
    void click(const char* button) { w_->form1.findChild<QPushButton*>(button)->click(); }
    // The main window where the student put it, framed, and the worked example verified.
    void workedExample(QPoint mainWindow)
    {
        w_->form1.move(mainWindow);
        w_->form1.show();
        QTRY_VERIFY_WITH_TIMEOUT(framed(&w_->form1), kWait);
        click("Command3");
        click("Command1");
        click("Command2");
        QTRY_VERIFY_WITH_TIMEOUT(form2() && framed(form2()) && inFront(form2()), kWait);
    }

private slots:
    void init() { w_ = std::make_unique<Windows>(); }
    void cleanup() { w_.reset(); }

    // The waveform window with its frame lies wholly on the screen and leaves "Grafici"
    // in view, wherever the main window stands.
    void placedWithItsFrame_data()
    {
        QTest::addColumn<QPoint>("mainWindow");
        QTest::newRow("main window in the corner") << QPoint(0, 0);
        QTest::newRow("main window in the middle") << QPoint(270, 150);
    }
    void placedWithItsFrame()
    {
        QFETCH(QPoint, mainWindow);
        workedExample(mainWindow);
        const QWidget* grafici = w_->form1.findChild<QWidget*>("Command2");
        const QRect button(grafici->mapToGlobal(QPoint()), grafici->size());
        const QRect frame = form2()->frameGeometry();
        QVERIFY2(form2()->screen()->availableGeometry().contains(frame) && !frame.intersects(button),
                 qPrintable(QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    }

    // The student brings the main window to the front to change a field; "Grafici" then
    // brings the results in front of it.  Openbox raises every window it activates, and
    // grants the activation to any window of the program, so here the raise and the
    // activation stand in for each other: only a run that does neither shows.
    void runBringsResultsToFront()
    {
        workedExample({0, 0});
        w_->form1.raise();
        w_->form1.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(inFront(&w_->form1), kWait);
        click("Command2");
        QTRY_VERIFY_WITH_TIMEOUT(inFront(form2()), kWait);
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"

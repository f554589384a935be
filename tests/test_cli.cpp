// The command line, run as a student's script would run it: the built program with no
// display at all, its output, its exit status and the files it writes.
#include "app/model.h"
#include "fakes.h"
#include "sim/verification.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <charconv>
#include <csignal>

namespace {
const QStringList kDesign{"progetto", "--vi", "15", "--vo", "25", "--f", "80", "--ripple-il", "40", "--ripple-vo",
                          "60", "--io", "1.5"};
const QStringList kVerification{"verifica", "--vi", "15", "--d", "40", "--f", "80", "--l", "75", "--c", "125",
                                "--rl", "16.67"};

struct Ran {
    int status = -1;
    QString out, err;
};

// The program with no display; its standard output goes to `output` when one is named.
Ran run(const QStringList& arguments, const QString& output = {})
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    program.setProcessEnvironment(env);
    if (!output.isEmpty())
        program.setStandardOutputFile(output);
    program.start(CONVERTITORE_BIN, arguments);
    program.waitForFinished(60000);
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromUtf8(program.readAllStandardOutput()), QString::fromUtf8(program.readAllStandardError())};
}
} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    // The texts the windows show, in the C locale; a refused input gives the window's
    // message and status 1; a usage error, one line and status 2.
    void outputs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("design of the worked example") << kDesign << 0
            << "L = 7.50E+01 uH\nC = 1.25E+02 uF\nIDP = 3.00E+00 A\nIDm = 1.50E+00 A\nIim = 2.50E+00 A\n"
               "D = 4.000E+01 %\nRL = 1.667E+01 Ohm\n" << "";
        QTest::newRow("design as JSON") << kDesign + QStringList{"--json"} << 0
            << "{\"L_uH\": 75, \"C_uF\": 125, \"IDP_A\": 3, \"IDm_A\": 1.5, \"Iim_A\": 2.5, \"D_percent\": 40, "
               "\"RL_Ohm\": 16.666666666666668}\n" << "";
        QTest::newRow("verification of the worked example") << kVerification << 0
            << "DeltaiL = 9.98E-01 A\nDeltaVo = 5.98E+01 mV\nIDP = 3.00E+00 A\nIDm = 1.50E+00 A\nIim = 2.50E+00 A\n"
            << "";
        QTest::newRow("decimal comma refused as in the window") << QStringList(kDesign).replaceInStrings("1.5", "1,5")
            << 1 << "" << "Errore di inserimento dati per il valore della corrente di uscita Io in A. Puoi scrivere "
                          "soltanto numeri razionali con il punto come separatore decimale, anche in forma "
                          "esponenziale. Ad es: 1.23 , 1E-5 , 5E3\n";
        QTest::newRow("verification field left out") << kVerification.mid(0, 11) << 1 << ""
                                                     << "Hai dimenticato di scrivere il valore della resistenza di carico RL in ohm\n";
        QTest::newRow("unknown option") << QStringList{"verifica", "--vo", "25"} << 2 << ""
            << "convertitore-boost: opzione sconosciuta per verifica: --vo (vedi convertitore-boost --help)\n";
        QTest::newRow("missing value") << QStringList{"progetto", "--vi"} << 2 << ""
            << "convertitore-boost: manca il valore dell'opzione --vi (vedi convertitore-boost --help)\n";
        QTest::newRow("no command") << QStringList{"--json"} << 2 << ""
            << "convertitore-boost: manca il comando, progetto o verifica (vedi convertitore-boost --help)\n";
    }
    void outputs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Ran ran = run(arguments);
        QCOMPARE(ran.err, err);
        QCOMPARE(ran.out, out);
        QCOMPARE(ran.status, status);
    }

    // The files hold the window's results: the CSV every sample bit for bit, the pictures
    // at the window's size.
    void files()
    {
        QTemporaryDir dir;
        const QString csv = dir.filePath("f.csv"), png = dir.filePath("f.png"), svg = dir.filePath("f.svg");
        QCOMPARE(run(kVerification + QStringList{"--json", "--csv", csv, "--png", png, "--svg", svg}).status, 0);
        Model m;
        FakeForm1 form1;
        FakeForm2 form2;
        form1.fill(kVerificationFields, {"15", "40", "80", "75", "125", "16.67", "1000", "10", "5000"});
        Command2_Click(m, form1, form2, nullptr);
        QFile data(csv);
        QVERIFY(data.open(QIODevice::ReadOnly));
        QCOMPARE(data.readLine(), QByteArray("t [s],iL [A],iC [A],Vo [V],vL [V],id [A]\n"));
        for (std::size_t k = 1; k <= 1000; ++k) {
            const QList<QByteArray> row = data.readLine().chopped(1).split(',');
            const double expected[] = {double(k - 1) * m.Dt, m.WaveIL[k], m.WaveIC[k], m.WaveVo[k], m.WaveVL[k],
                                       m.WaveID[k]};
            for (int i = 0; i < 6; ++i) {
                double value = 0;
                std::from_chars(row[i].begin(), row[i].end(), value);
                QVERIFY2(std::memcmp(&value, &expected[i], 8) == 0, row[i].constData());
            }
        }
        QVERIFY(data.atEnd());
        QCOMPARE(QImage(png).size(), QSize(1233, 685));
        QCOMPARE(QSvgRenderer(svg).viewBox(), QRect(0, 0, 1233, 685));
        QFile vectors(svg);
        QVERIFY(vectors.open(QIODevice::ReadOnly));
        const QByteArray drawing = vectors.readAll();
        QVERIFY(drawing.count("<path") >= 5 && drawing.contains("<text") && !drawing.contains("<image"));
    }

    // Either every output asked for is written or none is: a refusal, a file that cannot
    // be written or a standard output that cannot take the results leaves no file (and
    // no temporary) behind, with status 1 and one message that says why.  %1 is a fresh
    // folder; a message ending in ": " is followed by a reason that depends on the user.
    void nothingWritten_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("err");
        const QString full = "/dev/full", fullDisk = "Impossibile scrivere sull'uscita standard: il disco è pieno.\n";
        QTest::newRow("simulation refused") << QStringList(kVerification).replaceInStrings("75", "5")
            + QStringList{"--csv", "%1/r.csv"} << QString() << "Il Duty Cycle non può essere così basso";
        QTest::newRow("an existing file that cannot be replaced") << kVerification + QStringList{"--csv", "/proc/version"}
            << QString() << "Impossibile salvare il file «/proc/version»: ";
        QTest::newRow("design picture into a missing folder") << kDesign + QStringList{"--png", "%1/gone/d.png"}
            << QString() << "Impossibile salvare il file «%1/gone/d.png»: la cartella %1/gone non esiste.\n";
        QTest::newRow("CSV fine, picture into a missing folder")
            << kVerification + QStringList{"--csv", "%1/a.csv", "--png", "%1/gone/x.png"} << QString()
            << "Impossibile salvare il file «%1/gone/x.png»: la cartella %1/gone non esiste.\n";
        QTest::newRow("CSV into a missing folder, SVG fine")
            << kVerification + QStringList{"--svg", "%1/b.svg", "--csv", "%1/gone/a.csv"} << QString()
            << "Impossibile salvare il file «%1/gone/a.csv»: la cartella %1/gone non esiste.\n";
        QTest::newRow("one file for two pictures") << kVerification + QStringList{"--png", "%1/f", "--svg", "%1/f"}
            << QString() << "Impossibile salvare il file «%1/f»: è indicato per due risultati diversi.\n";
        QTest::newRow("verification results to a full disk")
            << kVerification + QStringList{"--json", "--csv", "%1/a.csv"} << full << fullDisk;
        QTest::newRow("design results to a full disk") << kDesign + QStringList{"--png", "%1/d.png"} << full << fullDisk;
    }
    void nothingWritten()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const Ran ran = run(arguments.replaceInStrings("%1", dir.path()), output);
        QVERIFY2(ran.err.startsWith(err.arg(dir.path())), qPrintable(ran.err));
        QCOMPARE(ran.err.count('\n'), 1);
        QCOMPARE(ran.status, 1);
        QCOMPARE(ran.out, QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

    // Ctrl+C stops a long run cleanly: the cancel message, status 1, no file.
    void interrupted()
    {
        QTemporaryDir dir;
        QProcess program;
        program.start(CONVERTITORE_BIN, QStringList(kVerification).replaceInStrings("75", "750").replaceInStrings("125", "12500")
                                            + QStringList{"--ni", "500000", "--csv", dir.filePath("f.csv")});
        QVERIFY(program.waitForStarted());
        QTest::qWait(500);
        QVERIFY(program.state() == QProcess::Running && program.processId() > 0); // never signal a whole group
        ::kill(pid_t(program.processId()), SIGINT);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(program.readAllStandardError(), QByteArray("Simulazione interrotta dall'utente.\n"));
        QVERIFY(!QFile::exists(dir.filePath("f.csv")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"

#include "commandline.h"

#include "app/model.h"
#include "app/numbers.h"
#include "app/platform.h"
#include "app/savefile.h"
#include "consoleports.h"
#include "design/design.h"
#include "sim/verification.h"
#include "sim/waveformcsv.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"
#include "ui/windowpicture.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QRegularExpression>

#include <cstdio>
#include <optional>
#include <span>
#include <variant>

namespace {

constexpr int kRefused = 1;
constexpr int kUsageError = 2;

// An option that stands for a field of the main window: its name, the field, the unit
// of its value, what it means, and the field's text when it is not given.
struct FieldOption {
    const char* name = "";
    Form1Field field = Form1Field::Text1;
    const char* unit = "";
    const char* meaning = "";
    const char* byDefault = "";
};

// An option that names a file to write.
struct FileOption {
    const char* name = "";
    const char* meaning = "";
};

struct Command {
    const char* name = "";
    const char* does = "";
    std::span<const FieldOption> fields;
    std::span<const FileOption> files;
};

using F = Form1Field;
const FieldOption kDesignFields[] = {
    {"vi", F::Text1, "V", "tensione continua in ingresso"},
    {"vo", F::Text2, "V", "tensione continua desiderata in uscita"},
    {"f", F::Text3, "kHz", "frequenza di commutazione"},
    {"ripple-il", F::Text4, "%", "variazione di picco della corrente nell'induttore, in % della corrente media in ingresso"},
    {"ripple-vo", F::Text5, "mV", "variazione di picco della tensione in uscita"},
    {"io", F::Text6, "A", "corrente continua in uscita"},
};
const FieldOption kVerificationFields[] = {
    {"vi", F::Text7, "V", "tensione continua in ingresso"},
    {"d", F::Text8, "%", "duty cycle"},
    {"f", F::Text12, "kHz", "frequenza di commutazione"},
    {"l", F::Text9, "uH", "induttanza"},
    {"c", F::Text10, "uF", "capacità"},
    {"rl", F::Text11, "Ohm", "resistenza di carico"},
    {"n", F::Text13, "N", "numero dei campioni per periodo (1000 se non indicato)", "1000"},
    {"np", F::Text14, "NP", "numero dei periodi visualizzati (10 se non indicato)", "10"},
    {"ni", F::Text15, "NI", "numero dei periodi simulati (5000 se non indicato)", "5000"},
};
const FileOption kDesignFiles[] = {{"png", "salva la finestra principale con il progetto come immagine PNG"}};
const FileOption kVerificationFiles[] = {
    {"csv", "salva l'ultimo periodo simulato come dati CSV"},
    {"png", "salva la finestra delle forme d'onda come immagine PNG"},
    {"svg", "salva la finestra delle forme d'onda come immagine SVG"},
};
const Command kCommands[] = {
    {"progetto", "calcola il progetto dai dati, come il pulsante \"Calcola L , C , IDP, IDm , Iim\"", kDesignFields,
     kDesignFiles},
    {"verifica", "simula il convertitore e ne ricava le forme d'onda, come il pulsante \"Grafici\"",
     kVerificationFields, kVerificationFiles},
};

QString helpText()
{
    QString help = QStringLiteral(
        "Uso: convertitore-boost progetto --vi V --vo V --f kHz --ripple-il % --ripple-vo mV --io A [--json] [--png FILE]\n"
        "  oppure: convertitore-boost verifica --vi V --d % --f kHz --l uH --c uF --rl Ohm [--n N] [--np NP] [--ni NI]\n"
        "          [--csv FILE] [--png FILE] [--svg FILE] [--json]\n"
        "  oppure: convertitore-boost --help | --version\n\n"
        "Progetto e verifica di un convertitore DC-DC boost.  Senza argomenti apre le finestre del programma;\n"
        "con un comando esegue la stessa azione dei pulsanti, senza schermo, e scrive i risultati.\n"
        "I valori si scrivono come nei campi delle finestre, con il punto come separatore decimale;\n"
        "un valore non indicato vale come un campo lasciato vuoto.\n");
    for (const Command& command : kCommands) {
        help += QStringLiteral("\nComando %1: %2.\n").arg(QLatin1String(command.name), QString::fromUtf8(command.does));
        for (const FieldOption& o : command.fields)
            help += QStringLiteral("  --%1 %2\n      %3\n").arg(QLatin1String(o.name), QString::fromUtf8(o.unit),
                                                              QString::fromUtf8(o.meaning));
        for (const FileOption& o : command.files)
            help += QStringLiteral("  --%1 FILE\n      %2\n").arg(QLatin1String(o.name), QString::fromUtf8(o.meaning));
    }
    help += QStringLiteral(
        "\nOpzioni comuni:\n"
        "  --json\n      scrive i risultati come un oggetto JSON, con le unità nei nomi e i numeri completi\n"
        "  -h, --help\n      mostra questo aiuto\n"
        "  --version\n      mostra la versione\n\n"
        "Stato di uscita: 0 se riuscito; 1 se un dato o la simulazione sono rifiutati, se la simulazione è\n"
        "interrotta (Ctrl+C) o se un file non si può scrivere, e allora nessun file è scritto; 2 se l'uso è errato.\n");
    return help;
}

int usageError(const QString& what)
{
    std::fprintf(stderr, "convertitore-boost: %s (vedi convertitore-boost --help)\n", what.toLocal8Bit().constData());
    return kUsageError;
}

// What the command line asks for.
struct Request {
    const Command* command = nullptr;
    QMap<Form1Field, QString> texts;
    QMap<QString, QString> files;
    bool json = false;
};

QCommandLineOption valueOption(const char* name, const char* unit)
{
    return {QString::fromLatin1(name), QString(), QString::fromUtf8(unit)};
}

// The request, or the exit status when there is nothing to run (help, version, a
// usage error).
std::variant<Request, int> parse(const QStringList& arguments)
{
    const QString first = arguments.value(1);
    if (first == QLatin1String("-h") || first == QLatin1String("--help")) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (first == QLatin1String("--version")) {
        std::printf("convertitore-boost %s\n", CONVERTITORE_VERSION);
        return 0;
    }
    Request request;
    for (const Command& command : kCommands) {
        if (first == QLatin1String(command.name))
            request.command = &command;
    }
    if (!request.command)
        return usageError(first.startsWith(u'-') ? QStringLiteral("manca il comando, progetto o verifica")
                                                 : QStringLiteral("comando sconosciuto: %1").arg(first));
    QCommandLineParser parser;
    for (const FieldOption& o : request.command->fields)
        parser.addOption(valueOption(o.name, o.unit));
    for (const FileOption& o : request.command->files)
        parser.addOption(valueOption(o.name, "FILE"));
    parser.addOption(QCommandLineOption(QStringLiteral("json")));
    QStringList options = arguments;
    options.removeAt(1); // the command: what follows are its options
    if (!parser.parse(options)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            return usageError(QStringLiteral("opzione sconosciuta per %1: %2%3")
                                  .arg(QLatin1String(request.command->name), name.size() > 1 ? "--" : "-", name));
        }
        const QString option = QRegularExpression(QStringLiteral("'([^']*)'")).match(parser.errorText()).captured(1);
        return usageError(QStringLiteral("manca il valore dell'opzione %1").arg(option));
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("argomento inatteso: %1").arg(parser.positionalArguments().first()));
    for (const FieldOption& o : request.command->fields)
        request.texts[o.field] = parser.isSet(QLatin1String(o.name)) ? parser.value(QLatin1String(o.name))
                                                                     : QString::fromLatin1(o.byDefault);
    for (const FileOption& o : request.command->files) {
        if (parser.isSet(QLatin1String(o.name)))
            request.files[QLatin1String(o.name)] = parser.value(QLatin1String(o.name));
    }
    request.json = parser.isSet(QStringLiteral("json"));
    return request;
}

// One result: its name and unit as the text output writes them, its key in JSON, the
// text the window shows for it and its full value.
struct Result {
    const char* name = "";
    const char* unit = "";
    const char* key = "";
    QString text;
    double value = 0;
};

QByteArray resultsText(const QList<Result>& results, bool json)
{
    QByteArray out;
    if (json) {
        out = "{";
        for (const Result& r : results)
            out += (out.size() > 1 ? ", \"" : "\"") + QByteArray(r.key) + "\": " + shortestText(r.value);
        out += "}\n";
    } else {
        for (const Result& r : results)
            out += QByteArray(r.name) + " = " + r.text.toUtf8() + ' ' + QByteArray(r.unit) + '\n';
    }
    return out;
}

// Writes the results and the files asked for, all or none: the files are written beside
// their places first, the results go to standard output once every file is ready, and
// the files take their places once the results are out.  Returns the exit status.
template <typename Make>
int deliver(const Request& request, ConsoleMessages& messages, Make make, const QList<Result>& results)
{
    QList<FileToSave> files;
    for (auto it = request.files.cbegin(); it != request.files.cend(); ++it)
        files.append({it.value(), make(it.key())});
    PendingFiles pending;
    std::optional<QString> failure = pending.prepare(files);
    if (!failure)
        failure = writeToStandardOutput(resultsText(results, request.json));
    if (!failure)
        failure = pending.commit();
    if (!failure)
        return 0;
    messages.ShowMessage(*failure);
    return kRefused;
}

// The command line's values in the main window's fields, as a student would type them.
void typeInto(Form1Port& form1, const Request& request)
{
    for (auto it = request.texts.cbegin(); it != request.texts.cend(); ++it)
        form1.setText(it.key(), it.value());
}

// The main window that the command line fills in, as the student would, and that never
// reaches a screen; with the waveform window it makes.
struct Windows {
    Model m;
    ConsoleMessages messages;
    WaveformHost waveforms{m, messages};
    Form1 form1{m, messages, waveforms};

    explicit Windows(const Request& request) { typeInto(form1, request); }
};

int runDesign(const Request& request)
{
    Windows w(request);
    Command1_Click(w.m, w.form1);
    if (w.messages.count() > 0)
        return kRefused;
    const auto picture = [&](const QString&) { return WindowPicture::png(WindowPicture::picture(w.form1)); };
    const auto shown = [&](Form1Result box) { return w.form1.caption(box); };
    return deliver(request, w.messages, picture,
                   {{"L", "uH", "L_uH", shown(Form1Result::Label24), w.m.L},
                    {"C", "uF", "C_uF", shown(Form1Result::Label25), w.m.C},
                    {"IDP", "A", "IDP_A", shown(Form1Result::Label26), w.m.IDP},
                    {"IDm", "A", "IDm_A", shown(Form1Result::Label27), w.m.IDm},
                    {"Iim", "A", "Iim_A", shown(Form1Result::Label32), w.m.Iim},
                    {"D", "%", "D_percent", w.form1.text(Form1Field::Text8), w.m.D * 100},
                    {"RL", "Ohm", "RL_Ohm", w.form1.text(Form1Field::Text11), w.m.RL}});
}

int runVerification(const Request& request)
{
    Windows w(request);
    RunOutcome outcome;
    {
        ConsoleProgress progress;
        outcome = Command2_Click(w.m, w.form1, w.waveforms, &progress);
    }
    // Every refusal, fault or cancel has left its message on stderr.
    if (outcome.end != RunEnd::Drawn)
        return kRefused;
    const Model& m = w.m;
    Form2& form2 = *w.waveforms.current();
    const auto file = [&](const QString& kind) {
        if (kind == QLatin1String("csv"))
            return waveformCsv(m);
        if (kind == QLatin1String("svg"))
            return WindowPicture::waveformSvg(form2, m);
        return WindowPicture::png(WindowPicture::picture(form2));
    };
    const auto shown = [](double value) { return FormatNumber(value, NumberPattern::Sci2); };
    return deliver(request, w.messages, file,
                   {{"DeltaiL", "A", "DeltaiL_A", shown(m.SimDeltaiL), m.SimDeltaiL},
                    {"DeltaVo", "mV", "DeltaVo_mV", shown(m.SimDeltaVo), m.SimDeltaVo},
                    {"IDP", "A", "IDP_A", shown(m.SimIDP), m.SimIDP},
                    {"IDm", "A", "IDm_A", shown(m.SimIDm), m.SimIDm},
                    {"Iim", "A", "Iim_A", shown(m.SimIim), m.SimIim}});
}

// Qt's own notes (no runtime directory, a platform that cannot raise windows) are not
// for the user of a command; errors still are.
void quietMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int runCommandLine(int argc, char* argv[])
{
    qInstallMessageHandler(quietMessage);
    // Pictures are drawn without any display, at one pixel per pixel.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    QApplication app(argc, argv);
    UiStyle::setUpApplication();
    // The same texts the windows show, with "." as the decimal separator.
    QLocale::setDefault(QLocale::c());
    const std::variant<Request, int> parsed = parse(QCoreApplication::arguments());
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    const Request& request = std::get<Request>(parsed);
    return request.command == &kCommands[0] ? runDesign(request) : runVerification(request);
}

#include "commandline.h"

#include "app/model.h"
#include "app/numbers.h"
#include "app/platform.h"
#include "app/savefile.h"
#include "consoleports.h"
#include "design/design.h"
#include "plot/dynamicsplot.h"
#include "plot/loopplot.h"
#include "sim/closedloop.h"
#include "sim/dynamics.h"
#include "sim/loopfields.h"
#include "sim/netlist.h"
#include "sim/parasiticfields.h"
#include "sim/realconverter.h"
#include "sim/startup.h"
#include "sim/verification.h"
#include "sim/waveformcsv.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/formanello.h"
#include "ui/formavvio.h"
#include "ui/formdinamica.h"
#include "ui/formreale.h"
#include "ui/parasiticvalues.h"
#include "ui/uistyle.h"
#include "ui/waveformhost.h"
#include "ui/windowpicture.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
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

// An option for a parasitic element of the real converter: its name, the element, the
// unit of its value and what it means.  Left out, the element is not there (0).
struct ParasiticOption {
    const char* name = "";
    ParasiticField field = ParasiticField::RL;
    const char* unit = "";
    const char* meaning = "";
};

// An option for the control loop: its name, the field of the control window it stands
// for (none: the compensator's type), the unit of its value and what it means.  Left
// out, the field takes its default for the converter.
struct LoopOption {
    const char* name = "";
    std::optional<LoopField> field;
    const char* unit = "";
    const char* meaning = "";
};

// An option that names a file to write.
struct FileOption {
    const char* name = "";
    const char* meaning = "";
};

struct Request;

// A command: its name, what it does, its options and what runs it.
struct Command {
    const char* name = "";
    const char* does = "";
    std::span<const FieldOption> fields;
    std::span<const FileOption> files;
    int (*run)(const Request&) = nullptr;
    std::span<const ParasiticOption> parasitics = {};
    std::span<const LoopOption> loop = {};
};

int runDesign(const Request& request);
int runVerification(const Request& request);
int runStartup(const Request& request);
int runReal(const Request& request);
int runDynamics(const Request& request);
int runControl(const Request& request);

using F = Form1Field;
const FieldOption kDesignFields[] = {
    {"vi", F::Text1, "V", "tensione continua in ingresso"},
    {"vo", F::Text2, "V", "tensione continua desiderata in uscita"},
    {"f", F::Text3, "kHz", "frequenza di commutazione"},
    // Both ripples are from the lowest to the highest value, as L = (Vo - Vi)·Vi / (f·Vo·ΔiL)
    // and C = Io·(Vo - Vi) / (f·Vo·ΔVo) take them.
    {"ripple-il", F::Text4, "%",
     "variazione picco-picco della corrente nell'induttore (dal minimo al massimo), in % della corrente media in "
     "ingresso"},
    {"ripple-vo", F::Text5, "mV", "variazione picco-picco della tensione in uscita (dal minimo al massimo)"},
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
const FileOption kStartupFiles[] = {
    {"csv", "salva l'avvio come dati CSV, una riga per periodo (o per gruppo di periodi)"},
    {"png", "salva la finestra dell'avvio come immagine PNG"},
    {"svg", "salva la finestra dell'avvio come immagine SVG"},
};
const ParasiticOption kParasitics[] = {
    {"dcr", ParasiticField::RL, "Ohm", "resistenza dell'avvolgimento dell'induttore rL (0 se non indicata)"},
    {"ron", ParasiticField::Ron, "Ohm", "resistenza dell'interruttore chiuso Ron (0 se non indicata)"},
    {"vf", ParasiticField::VF, "V", "caduta di tensione del diodo in conduzione VF (0 se non indicata)"},
    {"rd", ParasiticField::RD, "Ohm", "resistenza del diodo in conduzione RD (0 se non indicata)"},
    {"esr", ParasiticField::RC, "Ohm", "resistenza serie del condensatore rC, la sua ESR (0 se non indicata)"},
};
const FileOption kRealFiles[] = {
    {"csv", "salva il guadagno e il rendimento al variare di D come dati CSV, una riga per D da 0 a 99 %"},
    {"png", "salva la finestra del convertitore reale come immagine PNG"},
    {"svg", "salva la finestra del convertitore reale come immagine SVG"},
    {"cir", "salva il convertitore con i suoi elementi parassiti come netlist per ngspice"},
};
const FileOption kDynamicsFiles[] = {
    {"csv", "salva i diagrammi di Bode di Gvd, Gvg e Zout con i punti misurati come dati CSV"},
    {"png", "salva la finestra della dinamica come immagine PNG"},
    {"svg", "salva la finestra della dinamica come immagine SVG"},
};
const LoopOption kLoopOptions[] = {
    {"tipo", {}, "2|3", "tipo del compensatore: 2, con una rete anticipatrice, o 3, con due (3 se non indicato)"},
    {"fc", LoopField::Fc, "Hz",
     "frequenza di incrocio (se non indicata, la minore tra fz_RHP/5 e f/20, a tre cifre significative)"},
    {"pm", LoopField::PM, "gradi", "margine di fase, tra 0 e 90 esclusi (60 se non indicato)"},
    {"vref", LoopField::Vref, "V", "tensione di riferimento (se non indicata, la Vo del punto di lavoro)"},
    {"rl2", LoopField::RL2, "Ohm", "resistenza di carico dopo il gradino (RL/2 se non indicata)"},
    {"vi2", LoopField::Vi2, "V", "tensione in ingresso dopo il gradino (Vi se non indicata)"},
    {"prima", LoopField::Before, "periodi", "periodi prima del gradino (100 se non indicati)"},
    {"dopo", LoopField::After, "periodi", "periodi dopo il gradino (400 se non indicati)"},
    {"dmin", LoopField::Dmin, "frazione", "limite inferiore del duty cycle, da 0 a 1 (0 se non indicato)"},
    {"dmax", LoopField::Dmax, "frazione", "limite superiore del duty cycle, da 0 a 1 (0.9 se non indicato)"},
};
const FileOption kLoopFiles[] = {
    {"csv", "salva la risposta al gradino come dati CSV, una riga per periodo"},
    {"png", "salva la finestra dell'anello di controllo come immagine PNG"},
    {"svg", "salva la finestra dell'anello di controllo come immagine SVG"},
};
const Command kCommands[] = {
    {"progetto", "calcola il progetto dai dati, come il pulsante \"Calcola L , C , IDP, IDm , Iim\"", kDesignFields,
     kDesignFiles, runDesign},
    {"verifica", "simula il convertitore e ne ricava le forme d'onda, come il pulsante \"Grafici\"",
     kVerificationFields, kVerificationFiles, runVerification},
    {"avvio",
     "simula l'avvio del convertitore da fermo con un diodo che blocca la corrente, come \"Avvio del "
     "convertitore\" nella finestra delle forme d'onda (--np non conta)",
     kVerificationFields, kStartupFiles, runStartup},
    {"reale",
     "simula il convertitore reale, con le resistenze delle sue parti e la caduta del diodo, e ne ricava perdite, "
     "rendimento e guadagno accanto al modello medio, come \"Convertitore reale\" nella finestra delle forme d'onda "
     "(--np non conta)",
     kVerificationFields, kRealFiles, runReal, kParasitics},
    {"dinamica",
     "ricava il modello medio a piccoli segnali del convertitore reale, con le sue funzioni di trasferimento, i poli e "
     "gli zeri, e misura Gvd sulla simulazione a f/k per k = 1000, 500, 200, 100, 50, 20, 10 e 5, come \"Dinamica "
     "(piccoli segnali)\" nella finestra delle forme d'onda (--np e --ni non contano)",
     kVerificationFields, kDynamicsFiles, runDynamics, kParasitics},
    {"anello",
     "progetta il compensatore sul modello medio e simula il convertitore reale sotto il suo controllo digitale "
     "attraverso un gradino del carico o dell'ingresso, accanto all'anello aperto e alla previsione lineare, come "
     "\"Anello di controllo\" nella finestra delle forme d'onda (--np e --ni non contano)",
     kVerificationFields, kLoopFiles, runControl, kParasitics, kLoopOptions},
};

// The help fits a terminal of 80 columns, with the meaning of each option from this
// column on, as help2man expects for the manual page.
constexpr qsizetype kHelpWidth = 79;
constexpr qsizetype kMeaningColumn = 24;

// A command's line of the synopsis: the values it needs, then in brackets what it may be
// given.
QString usage(const Command& command)
{
    QString line = QStringLiteral("convertitore-boost ") + QLatin1String(command.name);
    for (const FieldOption& o : command.fields) {
        const QString option = QStringLiteral("--%1 %2").arg(QLatin1String(o.name), QString::fromUtf8(o.unit));
        line += *o.byDefault ? QStringLiteral(" [%1]").arg(option) : u' ' + option;
    }
    for (const ParasiticOption& o : command.parasitics)
        line += QStringLiteral(" [--%1 %2]").arg(QLatin1String(o.name), QLatin1String(o.unit));
    for (const LoopOption& o : command.loop)
        line += QStringLiteral(" [--%1 %2]").arg(QLatin1String(o.name), QLatin1String(o.unit));
    for (const FileOption& o : command.files)
        line += QStringLiteral(" [--%1 FILE]").arg(QLatin1String(o.name));
    return line + QStringLiteral(" [--json]");
}

// `text` after `head`, broken between words into lines that all start where it starts.
// A comma after a space (as in the caption of the design button) stays with the word before.
QString wrapped(const QString& head, const QString& text)
{
    QStringList words;
    for (const QString& word : text.split(u' ')) {
        if (word.startsWith(u',') && !words.isEmpty())
            words.last() += u' ' + word;
        else
            words += word;
    }
    QString lines;
    QString line = head;
    const qsizetype indent = head.size();
    for (const QString& word : words) {
        if (line.size() > indent && line.size() + 1 + word.size() > kHelpWidth) {
            lines += line + u'\n';
            line = QString(indent, u' ');
        }
        line += (line.size() > indent ? QStringLiteral(" ") : QString()) + word;
    }
    return lines + line + u'\n';
}

// An option and its meaning, the meaning from the meaning column on.
QString optionHelp(const QString& option, const QString& meaning)
{
    return wrapped((QStringLiteral("  ") + option).leftJustified(kMeaningColumn - 2) + QStringLiteral("  "), meaning);
}

// The synopsis comes first, each line after the first marked "o:", as help2man reads it
// for the manual page's SINTASSI.
QString helpText()
{
    QString help;
    for (const Command& command : kCommands)
        help += (help.isEmpty() ? QStringLiteral("Uso: ") : QStringLiteral("  o: ")) + usage(command) + u'\n';
    help += QStringLiteral("  o: convertitore-boost -h | --help | --version\n\n")
            + wrapped({}, QStringLiteral(
                  "Progetto e verifica di un convertitore DC-DC boost. Senza argomenti apre le finestre del "
                  "programma; con un comando esegue la stessa azione dei pulsanti, senza schermo, e scrive i "
                  "risultati. I valori si scrivono come nei campi delle finestre, con il punto come separatore "
                  "decimale; un valore non indicato vale come un campo lasciato vuoto."));
    for (const Command& command : kCommands) {
        help += u'\n' + wrapped({}, QStringLiteral("Comando %1: %2.").arg(QLatin1String(command.name),
                                                                          QString::fromUtf8(command.does)));
        for (const FieldOption& o : command.fields)
            help += optionHelp(QStringLiteral("--%1 %2").arg(QLatin1String(o.name), QString::fromUtf8(o.unit)),
                               QString::fromUtf8(o.meaning));
        for (const ParasiticOption& o : command.parasitics)
            help += optionHelp(QStringLiteral("--%1 %2").arg(QLatin1String(o.name), QLatin1String(o.unit)),
                               QString::fromUtf8(o.meaning));
        for (const LoopOption& o : command.loop)
            help += optionHelp(QStringLiteral("--%1 %2").arg(QLatin1String(o.name), QLatin1String(o.unit)),
                               QString::fromUtf8(o.meaning));
        for (const FileOption& o : command.files)
            help += optionHelp(QStringLiteral("--%1 FILE").arg(QLatin1String(o.name)), QString::fromUtf8(o.meaning));
    }
    return help + QStringLiteral("\nOpzioni comuni:\n")
           + optionHelp(QStringLiteral("--json"),
                        QStringLiteral("scrive i risultati come un oggetto JSON, con le unità nei nomi e i numeri "
                                       "completi"))
           + optionHelp(QStringLiteral("-h, --help"), QStringLiteral("mostra questo aiuto, anche dopo un comando"))
           + optionHelp(QStringLiteral("--version"), QStringLiteral("mostra la versione")) + u'\n'
           + wrapped({}, QStringLiteral(
                 "Stato di uscita: 0 se riuscito; 1 se un dato o la simulazione sono rifiutati, se la "
                 "simulazione è interrotta (Ctrl+C) o se un file o i risultati non si possono scrivere, e allora "
                 "nessun file è scritto; 2 se l'uso è errato."));
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
    ParasiticTexts parasitics; // "0" for each element left out
    std::array<std::optional<QString>, kLoopFieldCount> loop; // none: the field's default
    std::optional<QString> type;                             // none: type III
    bool json = false;
};

QCommandLineOption valueOption(const char* name, const char* unit)
{
    return {QString::fromLatin1(name), QString(), QString::fromUtf8(unit)};
}

// Writes what was asked for to standard output: 0, or 1 when it could not be written.
int answer(const QByteArray& text)
{
    if (const auto failure = writeToStandardOutput(text)) {
        std::fprintf(stderr, "%s\n", failure->toLocal8Bit().constData());
        return kRefused;
    }
    return 0;
}

// The help or the version, when asked for anywhere on the line: help asked for is no
// usage error, even after a command or among its values.
std::optional<int> helpOrVersion(const QStringList& arguments)
{
    const QStringList given = arguments.mid(1);
    if (given.contains(QLatin1String("-h")) || given.contains(QLatin1String("--help")))
        return answer(helpText().toUtf8());
    if (given.contains(QLatin1String("--version")))
        return answer(QByteArrayLiteral("convertitore-boost " CONVERTITORE_VERSION "\n"));
    return std::nullopt;
}

// The command named `name`, or the usage error that says there is none.
std::variant<const Command*, int> findCommand(const QString& name)
{
    QStringList names;
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
        names += QLatin1String(command.name);
    }
    if (!name.startsWith(u'-'))
        return usageError(QStringLiteral("comando sconosciuto: %1").arg(name));
    const QString last = names.takeLast();
    return usageError(QStringLiteral("manca il comando, %1 o %2").arg(names.join(QStringLiteral(", ")), last));
}

// The values the parser found: each field's text or its default, each parasitic
// element's or "0", each loop value given, each file asked for.
void readValues(const QCommandLineParser& parser, Request& request)
{
    for (const FieldOption& o : request.command->fields)
        request.texts[o.field] = parser.isSet(QLatin1String(o.name)) ? parser.value(QLatin1String(o.name))
                                                                     : QString::fromLatin1(o.byDefault);
    request.parasitics.fill(QStringLiteral("0"));
    for (const ParasiticOption& o : request.command->parasitics) {
        if (parser.isSet(QLatin1String(o.name)))
            request.parasitics[std::size_t(o.field)] = parser.value(QLatin1String(o.name));
    }
    for (const LoopOption& o : request.command->loop) {
        if (!parser.isSet(QLatin1String(o.name)))
            continue;
        (o.field ? request.loop[std::size_t(*o.field)] : request.type) = parser.value(QLatin1String(o.name));
    }
    for (const FileOption& o : request.command->files) {
        if (parser.isSet(QLatin1String(o.name)))
            request.files[QLatin1String(o.name)] = parser.value(QLatin1String(o.name));
    }
    request.json = parser.isSet(QStringLiteral("json"));
}

// The request, or the exit status when there is nothing to run (help, version, a
// usage error).
std::variant<Request, int> parse(const QStringList& arguments)
{
    if (const std::optional<int> status = helpOrVersion(arguments))
        return *status;
    const std::variant<const Command*, int> found = findCommand(arguments.value(1));
    if (const int* status = std::get_if<int>(&found))
        return *status;
    Request request;
    request.command = std::get<const Command*>(found);
    QCommandLineParser parser;
    for (const FieldOption& o : request.command->fields)
        parser.addOption(valueOption(o.name, o.unit));
    for (const ParasiticOption& o : request.command->parasitics)
        parser.addOption(valueOption(o.name, o.unit));
    for (const LoopOption& o : request.command->loop)
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
    readValues(parser, request);
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

// The files a result window gives, by the kind asked for: `csv()` for the CSV, the
// window's own SVG, and its picture as PNG for the rest.
template <typename Window, typename Csv>
auto windowFiles(Window& window, Csv csv)
{
    return [&window, csv](const QString& kind) {
        if (kind == QLatin1String("csv"))
            return csv();
        if (kind == QLatin1String("svg"))
            return window.svg();
        return WindowPicture::png(WindowPicture::picture(window));
    };
}

// Writes the results and the files asked for, all or none: the files are written beside
// their places first, the results go to standard output once every file is ready, and
// the files take their places once the results are out.  Returns the exit status.
template <typename Make>
int deliver(const Request& request, ConsoleMessages& messages, Make make, const QByteArray& output)
{
    QList<FileToSave> files;
    for (auto it = request.files.cbegin(); it != request.files.cend(); ++it)
        files.append({it.value(), make(it.key())});
    PendingFiles pending;
    std::optional<QString> failure = pending.prepare(files);
    if (!failure)
        failure = writeToStandardOutput(output);
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
    return deliver(request, w.messages, picture, resultsText({
                   {"L", "uH", "L_uH", shown(Form1Result::Label24), w.m.L},
                    {"C", "uF", "C_uF", shown(Form1Result::Label25), w.m.C},
                    {"IDP", "A", "IDP_A", shown(Form1Result::Label26), w.m.IDP},
                    {"IDm", "A", "IDm_A", shown(Form1Result::Label27), w.m.IDm},
                    {"Iim", "A", "Iim_A", shown(Form1Result::Label32), w.m.Iim},
                    {"D", "%", "D_percent", w.form1.text(Form1Field::Text8), w.m.D * 100},
                    {"RL", "Ohm", "RL_Ohm", w.form1.text(Form1Field::Text11), w.m.RL}}, request.json));
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
    return deliver(request, w.messages, file, resultsText({
                   {"DeltaiL", "A", "DeltaiL_A", shown(m.SimDeltaiL), m.SimDeltaiL},
                    {"DeltaVo", "mV", "DeltaVo_mV", shown(m.SimDeltaVo), m.SimDeltaVo},
                    {"IDP", "A", "IDP_A", shown(m.SimIDP), m.SimIDP},
                    {"IDm", "A", "IDm_A", shown(m.SimIDm), m.SimIDm},
                    {"Iim", "A", "Iim_A", shown(m.SimIim), m.SimIim}}, request.json));
}

// The start-up's figures, one a line, each as "name = text".
QByteArray startupText(const StartupView& view)
{
    const StartupFigures& f = view.figures;
    const auto sci = [](double value) { return FormatNumber(value, NumberPattern::Sci2); };
    const QString dcm = f.dcmPeriods == 0 ? QStringLiteral("nessun periodo")
                                          : QStringLiteral("%1 periodi (dal %2 al %3)").arg(f.dcmPeriods).arg(f.dcmFirst).arg(f.dcmLast);
    const QString repeat = f.cycleLength == 0 ? QStringLiteral("nessuna entro NI")
                                              : QStringLiteral("periodo %1, ciclo %2").arg(f.repeatPeriod).arg(f.cycleLength);
    const QStringList lines = {
        QStringLiteral("PiccoIL = %1 A (periodo %2)").arg(sci(f.peakIL)).arg(f.peakILPeriod),
        QStringLiteral("PiccoVo = %1 V (periodo %2)").arg(sci(f.peakVo)).arg(f.peakVoPeriod),
        QStringLiteral("Discontinuo = ") + dcm,
        QStringLiteral("Regime1% = periodo %1 (t = %2 ms)").arg(f.settledPeriod).arg(sci(double(f.settledPeriod - 1) / view.freq * 1000)),
        QStringLiteral("Ripetizione = ") + repeat,
        QStringLiteral("DeltaiL = %1 A").arg(sci(f.DeltaiL)),
        QStringLiteral("DeltaVo = %1 mV").arg(sci(f.DeltaVo)),
        QStringLiteral("IDP = %1 A").arg(sci(f.IDP)),
        QStringLiteral("IDm = %1 A").arg(sci(f.IDm)),
        QStringLiteral("Iim = %1 A").arg(sci(f.Iim)),
        QStringLiteral("VoMedia = %1 V").arg(sci(f.VoMean)),
    };
    return (lines.join(u'\n') + u'\n').toUtf8();
}

// One JSON object on a line, its entries in the order given, each value as written.
using JsonEntry = std::pair<const char*, QByteArray>;
QByteArray jsonObject(std::span<const JsonEntry> entries)
{
    QByteArray out = "{";
    for (const auto& [key, value] : entries)
        out += (out.size() > 1 ? ", \"" : "\"") + QByteArray(key) + "\": " + value;
    return out + "}\n";
}

// The same as one JSON object: doubles in full, counts as integers, null for none.
QByteArray startupJson(const StartupFigures& f)
{
    const auto count = [](std::int64_t n) { return QByteArray::number(n); };
    const auto period = [](std::int64_t p) { return p > 0 ? QByteArray::number(p) : QByteArrayLiteral("null"); };
    const JsonEntry entries[] = {
        {"PeakIL_A", shortestText(f.peakIL)}, {"PeakIL_period", period(f.peakILPeriod)},
        {"PeakVo_V", shortestText(f.peakVo)}, {"PeakVo_period", period(f.peakVoPeriod)},
        {"DCM_periods", count(f.dcmPeriods)}, {"DCM_first", period(f.dcmFirst)}, {"DCM_last", period(f.dcmLast)},
        {"Settled_period", period(f.settledPeriod)}, {"Repeat_period", period(f.repeatPeriod)},
        {"Cycle_length", period(f.cycleLength)}, {"DeltaiL_A", shortestText(f.DeltaiL)},
        {"DeltaVo_mV", shortestText(f.DeltaVo)}, {"IDP_A", shortestText(f.IDP)}, {"IDm_A", shortestText(f.IDm)},
        {"Iim_A", shortestText(f.Iim)}, {"Vo_mean_V", shortestText(f.VoMean)}};
    return jsonObject(entries);
}

int runStartup(const Request& request)
{
    Windows w(request);
    if (readVerificationFields(w.m, w.form1))
        return kRefused; // its message is on stderr
    FormAvvio window(w.messages);
    std::variant<StartupView, Stop> analysed;
    {
        ConsoleProgress progress;
        analysed = analyseStartup(w.m, window.columns(), &progress);
    }
    if (const Stop* stop = std::get_if<Stop>(&analysed)) {
        w.messages.ShowMessage(stop->message);
        return kRefused;
    }
    window.setView(std::get<StartupView>(std::move(analysed)));
    const StartupView& view = *window.view();
    const auto file = windowFiles(window, [&view] { return startupCsv(view); });
    return deliver(request, w.messages, file, request.json ? startupJson(view.figures) : startupText(view));
}

// The converter and its parasitic elements, as the windows read them: the
// verification's fields as "Grafici" reads them, then the five elements as the fields
// of `values` are read.  Nothing when one is refused, its message on stderr.
using RealInputs = std::pair<Model::SimulatedRun, Parasitics>;
std::optional<RealInputs> realInputs(Windows& w, const Request& request, ParasiticValues& values)
{
    if (readVerificationFields(w.m, w.form1))
        return std::nullopt;
    for (std::size_t i = 0; i < kParasiticFieldCount; ++i)
        values.setText(ParasiticField(i), request.parasitics[i]);
    const std::variant<Parasitics, ParasiticField> read = readParasitics(values.texts(), w.messages);
    if (!std::holds_alternative<Parasitics>(read))
        return std::nullopt;
    const Model& m = w.m;
    return RealInputs{{true, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI}, std::get<Parasitics>(read)};
}

// The view `analyse` makes, telling its progress on a terminal; nothing when it is
// refused or stopped, its message on stderr.
template <typename View, typename Analyse>
std::optional<View> analysedOrRefused(ConsoleMessages& messages, Analyse analyse)
{
    std::variant<View, Stop> result;
    {
        ConsoleProgress progress;
        result = analyse(&progress);
    }
    if (const Stop* stop = std::get_if<Stop>(&result)) {
        messages.ShowMessage(stop->message);
        return std::nullopt;
    }
    return std::get<View>(std::move(result));
}

// The real converter's figures, one a line, each as "name = text unit".
QByteArray realText(const RealView& view)
{
    const auto sci = [](double value) { return FormatNumber(value, NumberPattern::Sci2); };
    const auto percent = [](double fraction) { return FormatNumber(fraction * 100, NumberPattern::Fixed2); };
    const RealFigures& f = view.run.figures;
    const QString maximum = view.gainMax ? QStringLiteral("%1 (D = %2 %)")
                                               .arg(FormatNumber(view.gainMax->gain, NumberPattern::Fixed2),
                                                    percent(view.gainMax->D))
                                         : QStringLiteral("nessuno");
    const QStringList lines = {
        QStringLiteral("VoModelloMedio = %1 V").arg(sci(view.averaged.Vo)),
        QStringLiteral("IimModelloMedio = %1 A").arg(sci(view.averaged.Iim)),
        QStringLiteral("RendimentoModelloMedio = %1 %").arg(percent(view.averaged.efficiency)),
        QStringLiteral("GuadagnoMassimo = ") + maximum,
        QStringLiteral("Lcritica = %1 uH").arg(sci(view.Lcrit * 1e6)),
        QStringLiteral("VoIdeale = %1 V").arg(sci(view.VoIdeal)),
        QStringLiteral("VoSimulata = %1 V").arg(sci(f.Vo)),
        QStringLiteral("IimSimulata = %1 A").arg(sci(f.Iim)),
        QStringLiteral("RendimentoSimulato = %1 %").arg(percent(f.efficiency)),
        QStringLiteral("Pin = %1 W").arg(sci(f.Pin)),
        QStringLiteral("Pout = %1 W").arg(sci(f.Pout)),
        QStringLiteral("PerditaRL = %1 W").arg(sci(f.lossDCR)),
        QStringLiteral("PerditaInterruttore = %1 W").arg(sci(f.lossSwitch)),
        QStringLiteral("PerditaDiodo = %1 W").arg(sci(f.lossDiode)),
        QStringLiteral("PerditaESR = %1 W").arg(sci(f.lossESR)),
        QStringLiteral("Discontinuo = ") + (f.discontinuous ? QStringLiteral("sì") : QStringLiteral("no")),
        QStringLiteral("DeltaiL = %1 A").arg(sci(f.DeltaiL)),
        QStringLiteral("DeltaVo = %1 mV").arg(sci(f.DeltaVo)),
        QStringLiteral("IDP = %1 A").arg(sci(f.IDP)),
        QStringLiteral("IDm = %1 A").arg(sci(f.IDm)),
        QStringLiteral("Iim = %1 A").arg(sci(f.summaryIim)),
    };
    return (lines.join(u'\n') + u'\n').toUtf8();
}

// The same as one JSON object: doubles in full, efficiencies as fractions, null where
// the averaged gain has no maximum.
QByteArray realJson(const RealView& view)
{
    const RealFigures& f = view.run.figures;
    const auto maximum = [&view](double GainMaximum::*value, double scale) {
        return view.gainMax ? shortestText((*view.gainMax).*value * scale) : QByteArrayLiteral("null");
    };
    const JsonEntry entries[] = {
        {"Vo_avg_V", shortestText(view.averaged.Vo)}, {"Iim_avg_A", shortestText(view.averaged.Iim)},
        {"Efficiency_avg", shortestText(view.averaged.efficiency)}, {"Gain_max", maximum(&GainMaximum::gain, 1)},
        {"D_gain_max_percent", maximum(&GainMaximum::D, 100)}, {"Lcrit_uH", shortestText(view.Lcrit * 1e6)},
        {"Vo_ideal_V", shortestText(view.VoIdeal)}, {"Vo_sim_V", shortestText(f.Vo)}, {"Iim_sim_A", shortestText(f.Iim)},
        {"Efficiency_sim", shortestText(f.efficiency)}, {"Pin_W", shortestText(f.Pin)}, {"Pout_W", shortestText(f.Pout)},
        {"Loss_DCR_W", shortestText(f.lossDCR)}, {"Loss_switch_W", shortestText(f.lossSwitch)},
        {"Loss_diode_W", shortestText(f.lossDiode)}, {"Loss_ESR_W", shortestText(f.lossESR)},
        {"Discontinuous", f.discontinuous ? QByteArrayLiteral("true") : QByteArrayLiteral("false")},
        {"DeltaiL_A", shortestText(f.DeltaiL)}, {"DeltaVo_mV", shortestText(f.DeltaVo)}, {"IDP_A", shortestText(f.IDP)},
        {"IDm_A", shortestText(f.IDm)}, {"Iim_A", shortestText(f.summaryIim)}};
    return jsonObject(entries);
}

// As the window computes it: the verification's fields read as "Grafici" reads them,
// then the five parasitic elements as the window's fields are read.
int runReal(const Request& request)
{
    Windows w(request);
    ParasiticValues values;
    const std::optional<RealInputs> inputs = realInputs(w, request, values);
    if (!inputs)
        return kRefused; // its message is on stderr
    const Model::SimulatedRun& run = inputs->first;
    const Parasitics& p = inputs->second;
    std::optional<RealView> analysed =
        analysedOrRefused<RealView>(w.messages, [&](ProgressPort* progress) { return analyseReal(run, p, progress); });
    if (!analysed)
        return kRefused;
    FormReale window(w.messages, values);
    window.setInputs(run);
    window.setView(std::move(*analysed));
    const RealView& view = *window.view();
    const auto files = windowFiles(window, [&view] { return realCsv(view); });
    const auto file = [&](const QString& kind) { return kind == QLatin1String("cir") ? spiceNetlist(run, p) : files(kind); };
    return deliver(request, w.messages, file, request.json ? realJson(view) : realText(view));
}

// The dynamics' figures, one a line, each as "name = text unit", then one line for each
// measured point.
QByteArray dynamicsText(const DynamicsView& view)
{
    const auto sci = [](double value) { return FormatNumber(value, NumberPattern::Sci2); };
    const auto hertz = [&sci](const std::optional<double>& f) { return f ? sci(*f) + QStringLiteral(" Hz") : QStringLiteral("nessuno"); };
    const SmallSignal& m = view.model;
    QStringList lines = {
        QStringLiteral("VoPuntoDiLavoro = %1 V").arg(sci(m.Vo)),
        QStringLiteral("ILPuntoDiLavoro = %1 A").arg(sci(m.IL)),
        QStringLiteral("Gvd0 = %1 V").arg(sci(m.Gvd0)),
        QStringLiteral("Gvg0 = %1").arg(sci(m.Gvg0)),
        QStringLiteral("Zout0 = %1 Ohm").arg(sci(m.Zout0)),
        QStringLiteral("FrequenzaRisonanza = %1 Hz").arg(sci(m.f0)),
        QStringLiteral("FattoreQualita = %1").arg(FormatNumber(m.Q, NumberPattern::Fixed2)),
        QStringLiteral("ZeroRHP = ") + hertz(m.fzRhp),
        QStringLiteral("ZeroESR = ") + hertz(m.fzEsr),
    };
    for (const MeasuredPoint& point : view.points)
        lines << QStringLiteral("Punto ") + DynamicsPlot::pointText(point);
    return (lines.join(u'\n') + u'\n').toUtf8();
}

// The same as one JSON object: doubles in full, null where there is no figure.
QByteArray dynamicsJson(const DynamicsView& view)
{
    const SmallSignal& m = view.model;
    const auto orNull = [](const std::optional<double>& v) { return v ? shortestText(*v) : QByteArrayLiteral("null"); };
    QByteArray points = "[";
    for (const MeasuredPoint& p : view.points) {
        const std::optional<double> dB = p.simulated ? std::optional(p.simulatedDb) : std::nullopt;
        const std::optional<double> deg = p.simulated ? std::optional(p.simulatedDeg) : std::nullopt;
        const JsonEntry entries[] = {{"f_Hz", shortestText(p.fHz)}, {"Gvd_dB", shortestText(p.averagedDb)},
                                     {"Gvd_deg", shortestText(p.averagedDeg)}, {"Gvd_sim_dB", orNull(dB)},
                                     {"Gvd_sim_deg", orNull(deg)}};
        points += (points.size() > 1 ? ", " : "") + jsonObject(entries).chopped(1);
    }
    const JsonEntry entries[] = {
        {"Vo_V", shortestText(m.Vo)}, {"IL_A", shortestText(m.IL)}, {"Gvd0_V", shortestText(m.Gvd0)},
        {"Gvg0", shortestText(m.Gvg0)}, {"Zout0_Ohm", shortestText(m.Zout0)}, {"f0_Hz", shortestText(m.f0)},
        {"Q", shortestText(m.Q)}, {"fz_rhp_Hz", orNull(m.fzRhp)}, {"fz_esr_Hz", orNull(m.fzEsr)}, {"Points", points + "]"}};
    return jsonObject(entries);
}

// As the window computes it, from the same values as the real converter.
int runDynamics(const Request& request)
{
    Windows w(request);
    ParasiticValues values;
    const std::optional<RealInputs> inputs = realInputs(w, request, values);
    if (!inputs)
        return kRefused; // its message is on stderr
    const Model::SimulatedRun& run = inputs->first;
    std::optional<DynamicsView> analysed = analysedOrRefused<DynamicsView>(
        w.messages, [&](ProgressPort* progress) { return analyseDynamics(run, inputs->second, progress); });
    if (!analysed)
        return kRefused;
    FormDinamica window(w.messages, values);
    window.setInputs(run);
    window.setView(std::move(*analysed));
    const DynamicsView& view = *window.view();
    const auto file = windowFiles(window, [&view] { return dynamicsCsv(view); });
    return deliver(request, w.messages, file, request.json ? dynamicsJson(view) : dynamicsText(view));
}

// The control loop's figures, one a line, each as "name = text" as the window's table
// words it; a line for each crossover.
QByteArray controlText(const ControlView& view)
{
    QString out;
    for (const LoopPlot::FigureRow& row : LoopPlot::figureRows(view))
        out += QStringLiteral("%1 = %2\n").arg(QLatin1String(row.key), row.text);
    out += QStringLiteral("VrefRaggiungibile = %1\n").arg(view.run.figures.reachable ? QStringLiteral("sì") : QStringLiteral("no"));
    return out.toUtf8();
}

// The same as one JSON object: doubles in full, the crossovers as an array of objects
// in ascending frequency, null for no gain margin and for a loop that never settles.
QByteArray controlJson(const ControlView& view)
{
    const Compensator& gc = view.gc;
    const LoopFigures& f = view.run.figures;
    const auto flag = [](bool b) { return b ? QByteArrayLiteral("true") : QByteArrayLiteral("false"); };
    QByteArray crossovers = "[";
    for (const Crossover& c : view.loop.crossovers) {
        crossovers += crossovers.size() > 1 ? ", " : "";
        crossovers += "{\"f_Hz\": " + shortestText(c.fHz) + ", \"PM_deg\": " + shortestText(c.pmDeg) + '}';
    }
    crossovers += ']';
    const std::optional<GainMargin> least = smallestMargin(view.loop);
    const QByteArray margin = least ? shortestText(least->gmDb) : QByteArrayLiteral("null");
    const JsonEntry entries[] = {
        {"Boost_deg", shortestText(gc.boostDeg)}, {"K", shortestText(gc.k)}, {"fz_Hz", shortestText(gc.fzHz)},
        {"fp_Hz", shortestText(gc.fpHz)}, {"wI", shortestText(gc.wI)}, {"Delay_s", shortestText(gc.delay)},
        {"Delay_deg", shortestText(gc.delayDeg)}, {"Crossovers", crossovers}, {"GM_dB", margin},
        {"Deviation_V", shortestText(f.deviation)}, {"Deviation_period", QByteArray::number(qlonglong(f.deviationPeriod))},
        {"Settled_period", f.settledPeriod ? QByteArray::number(qlonglong(*f.settledPeriod)) : QByteArrayLiteral("null")},
        {"Vo_final_V", shortestText(f.finalMean)}, {"Duty_final", shortestText(f.finalDuty)},
        {"Saturated", flag(f.saturated)}, {"Vref_reachable", flag(f.reachable)},
        {"Open_Vo_final_V", shortestText(f.openFinal)}, {"Open_Deviation_V", shortestText(f.openDeviation)},
        {"Linear_Deviation_V", shortestText(f.linearDeviation)}};
    return jsonObject(entries);
}

// The compensator's type as --tipo gives it, or nothing once its message has been shown.
std::optional<CompensatorType> typeOf(const Request& request, MessagePort& messages)
{
    if (!request.type || *request.type == QLatin1String("3"))
        return CompensatorType::TypeIII;
    if (*request.type == QLatin1String("2"))
        return CompensatorType::TypeII;
    messages.ShowMessage(QStringLiteral("Il tipo del compensatore deve essere 2 (una rete anticipatrice) o 3 (due reti "
                                        "anticipatrici)."));
    return std::nullopt;
}

// As the control window computes it: the converter and its parasitic elements as the
// real converter's command reads them, the loop's values given, each left out taking
// its default for that converter, read as the window reads its fields.
int runControl(const Request& request)
{
    Windows w(request);
    ParasiticValues values;
    const std::optional<RealInputs> inputs = realInputs(w, request, values);
    if (!inputs)
        return kRefused; // its message is on stderr
    const Model::SimulatedRun& run = inputs->first;
    const Parasitics& parts = inputs->second;
    const std::optional<CompensatorType> type = typeOf(request, w.messages);
    if (!type)
        return kRefused;
    const std::variant<LoopTexts, QString> defaults = loopDefaults(run, parts);
    if (const QString* why = std::get_if<QString>(&defaults)) {
        w.messages.ShowMessage(*why);
        return kRefused;
    }
    LoopTexts texts = std::get<LoopTexts>(defaults);
    for (std::size_t i = 0; i < kLoopFieldCount; ++i)
        texts[i] = request.loop[i].value_or(texts[i]);
    const std::variant<LoopInputs, LoopField> read = readLoopFields(texts, *type, w.messages);
    if (!std::holds_alternative<LoopInputs>(read))
        return kRefused;
    const LoopInputs& loop = std::get<LoopInputs>(read);
    FormAnello window(w.messages, values);
    window.setInputs(run);
    window.setFieldTexts(texts, *type);
    std::optional<ControlView> analysed = analysedOrRefused<ControlView>(w.messages, [&](ProgressPort* progress) {
        return analyseControl(run, parts, loop.design, loop.run, window.columns(), progress);
    });
    if (!analysed)
        return kRefused;
    window.setView(std::move(*analysed));
    const ControlView& view = *window.view();
    const auto file = windowFiles(window, [&view] { return loopCsv(view); });
    return deliver(request, w.messages, file, request.json ? controlJson(view) : controlText(view));
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
    return request.command->run(request);
}

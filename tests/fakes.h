// The two windows, the message box and the progress display without any window: every
// call is recorded.
#pragma once

#include "app/model.h"
#include "app/platform.h"
#include "plot/plot.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <span>
#include <tuple>
#include <vector>

// A converter to simulate, the worked example unless told otherwise: 15 V, D = 0.4,
// 80 kHz, 75 µH, 125 µF, 16.67 Ω, N = 1000, NI = 5000 (two periods shown).
struct Inputs {
    double Vi = 15, D = 0.4, Freq = 80000, L = 75e-6, C = 125e-6, RL = 16.67;
    std::int32_t N = 1000, NI = 5000;
    Model model() const
    {
        Model m;
        std::tie(m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NP, m.NI) = std::tuple(Vi, D, Freq, L, C, RL, N, 2, NI);
        return m;
    }
};

inline constexpr Form1Field kDesignFields[] = {Form1Field::Text1, Form1Field::Text2, Form1Field::Text3,
                                               Form1Field::Text4, Form1Field::Text5, Form1Field::Text6};
// In the order the verification run reads them.
inline constexpr Form1Field kVerificationFields[] = {
    Form1Field::Text7,  Form1Field::Text8,  Form1Field::Text12, Form1Field::Text9, Form1Field::Text10,
    Form1Field::Text11, Form1Field::Text13, Form1Field::Text14, Form1Field::Text15};

struct FakeMessages : MessagePort {
    QStringList messages;
    void ShowMessage(const QString& text) override { messages << text; }
};

struct FakeForm1 : Form1Port {
    QMap<Form1Field, QString> texts;
    QMap<Form1Field, Rgb> colours;
    QMap<Form1Result, QString> captions;
    QStringList messages;
    int screenWrites = 0;       // texts, colours and captions written
    QStringList* log = nullptr; // when set: "read N" and "black N", the field by number

    void fill(std::span<const Form1Field> fields, const QStringList& values)
    {
        for (std::size_t i = 0; i < fields.size(); ++i)
            texts[fields[i]] = values.value(qsizetype(i));
    }
    QString text(Form1Field field) const override
    {
        if (log)
            *log << QString("read %1").arg(int(field));
        return texts.value(field);
    }
    void setText(Form1Field field, const QString& text) override
    {
        texts[field] = text;
        ++screenWrites;
    }
    void setTextColour(Form1Field field, Rgb colour) override
    {
        if (log && colour == Colours::kBlack)
            *log << QString("black %1").arg(int(field));
        colours[field] = colour;
        ++screenWrites;
    }
    void setCaption(Form1Result box, const QString& text) override
    {
        captions[box] = text;
        ++screenWrites;
    }
    void setExactValue(Form1Result, std::optional<double>) override {}
    void ShowMessage(const QString& text) override
    {
        if (log)
            *log << "message";
        messages << text;
    }
};

struct FakeForm2 : Form2Host, Form2Port, PlotSurface {
    struct Draw {
        Rgb colour;
        std::vector<PlotLine> lines;
    };
    QStringList events;      // in order; consecutive drawing calls make one "draw"
    std::vector<Draw> draws; // every drawing call since the plot was last cleared
    QMap<Form2Summary, QString> captions;
    int selected = 0;
    QString hover;
    QSize pixels; // empty: every segment is drawn

    Form2Port& obtainForm2() override
    {
        events << "obtain";
        return *this;
    }
    void show() override { events << "show"; }
    void clearPlot() override { clear(); }
    void drawPlotFrame() override { DrawPlotFrame(*this); }
    void plotTraces(const Model& m) override { DrawTraces(m, *this); }
    void setCaption(Form2Summary box, const QString& text) override
    {
        captions[box] = text;
        events << QString(text.isEmpty() ? "empty %1" : "caption %1").arg(int(box));
    }
    QString hint;
    void setExactValue(Form2Summary, std::optional<double>) override {}
    void setPlotHint(const QString& text) override
    {
        hint = text;
        events << "hint";
    }
    bool startupAvailable = false;
    int selectedOption() const override { return selected; }
    void setStartupAvailable(bool available) override { startupAvailable = available; }
    void selectOption(int option) override { selected = option; }
    void setHoverText(const QString& text) override
    {
        hover = text;
        events << "hover";
    }
    void clear() override
    {
        draws.clear();
        events << "clear";
    }
    QSize pixelSize() const override { return pixels; }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override
    {
        draws.push_back({colour, {lines.begin(), lines.end()}});
        if (events.isEmpty() || events.last() != "draw")
            events << "draw";
    }
};

// Answers false (cancel) after period cancelAt; 0 never cancels.  Records every report
// and counts the calls that end the run.
struct FakeProgress : ProgressPort {
    std::int64_t cancelAt = 0;
    QList<RunProgress> reports;
    int finishes = 0;
    bool advanced(const RunProgress& progress) override
    {
        reports << progress;
        return progress.done != cancelAt;
    }
    void finished() override { ++finishes; }
};

// The waveform window with its host and plot, a message box and a progress port,
// without any window: every call is recorded.  Also the two locales every shown text
// is checked under.
#pragma once

#include "app/platform.h"

#include <QList>
#include <QLocale>
#include <QMap>
#include <QPair>
#include <QStringList>

#include <vector>

struct FakeForm2 : Form2Host, Form2Port, PlotSurface {
    struct Draw { Rgb colour; std::vector<PlotLine> lines; };
    QStringList events;      // in order; consecutive drawing calls make one "draw"
    std::vector<Draw> draws; // every drawing call since the last clear()
    QMap<Form2Summary, QString> captions;
    int selected = 0;
    QString hover;
    QSize pixels; // empty: every segment is drawn

    Form2Port& obtainForm2() override { return events << "obtain", *this; }
    void show() override { events << "show"; }
    PlotSurface& plot() override { return *this; }
    void setCaption(Form2Summary box, const QString& text) override
    {
        captions[box] = text, events << QString("caption %1").arg(int(box));
    }
    int selectedOption() const override { return selected; }
    void selectOption(int option) override { selected = option; }
    void setHoverText(const QString& text) override { hover = text; }
    void clear() override { draws.clear(), events << "clear"; }
    QSize pixelSize() const override { return pixels; }
    void drawLines(Rgb colour, std::span<const PlotLine> lines) override
    {
        draws.push_back({colour, {lines.begin(), lines.end()}});
        if (events.isEmpty() || events.last() != "draw")
            events << "draw";
    }
};

struct FakeMessages : MessagePort {
    QStringList messages;
    void ShowMessage(const QString& text) override { messages << text; }
};

// Answers false (cancel) after period cancelAt; 0 never cancels.
struct FakeProgress : ProgressPort {
    std::int32_t cancelAt = 0;
    QList<QPair<std::int32_t, std::int32_t>> calls;
    bool periodsDone(std::int32_t done, std::int32_t total) override
    {
        return calls.append({done, total}), done != cancelAt;
    }
};

// Runs `check(locale)` as the default locale is C, then Italian (decimal comma); leaves C.
template <class Check>
void inBothLocales(Check check)
{
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy)}) {
        QLocale::setDefault(locale);
        check(locale);
    }
    QLocale::setDefault(QLocale::c());
}

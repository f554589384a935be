// The waveform window with its host, a message box and a progress port, without any
// window: every call is recorded, in order, in one event list.
#pragma once

#include "app/platform.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>

class FakeForm2 : public Form2Host, public Form2Port, public PlotSurface {
public:
    QStringList events; // consecutive drawing calls are recorded as one "draw"
    QMap<Form2Summary, QString> captions;
    int obtained = 0, shows = 0, clears = 0, drawCalls = 0;
    int selected = 0;
    QString hover;
    QSize pixels; // empty: every segment is drawn

    Form2Port& obtainForm2() override
    {
        ++obtained;
        events << "obtain";
        return *this;
    }
    void show() override
    {
        ++shows;
        events << "show";
    }
    PlotSurface& plot() override { return *this; }
    void setCaption(Form2Summary box, const QString& text) override
    {
        captions[box] = text;
        events << QString("caption %1").arg(int(box));
    }
    int selectedOption() const override { return selected; }
    void selectOption(int option) override { selected = option; }
    void setHoverText(const QString& text) override { hover = text; }

    void clear() override
    {
        ++clears;
        events << "clear";
    }
    QSize pixelSize() const override { return pixels; }
    void drawLines(Rgb, std::span<const PlotLine>) override
    {
        ++drawCalls;
        if (events.isEmpty() || events.last() != "draw")
            events << "draw";
    }
};

class FakeMessages : public MessagePort {
public:
    QStringList messages;
    void ShowMessage(const QString& text) override { messages << text; }
};

// Answers false (cancel) after period cancelAt; 0 never cancels.
class FakeProgress : public ProgressPort {
public:
    explicit FakeProgress(std::int32_t cancelAt) : cancelAt_(cancelAt) {}
    QList<QPair<std::int32_t, std::int32_t>> calls;
    bool periodsDone(std::int32_t done, std::int32_t total) override
    {
        calls.append({done, total});
        return done != cancelAt_;
    }

private:
    std::int32_t cancelAt_;
};

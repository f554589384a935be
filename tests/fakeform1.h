// A main window without a window: fields, colours, captions and messages in memory.
#pragma once

#include "app/platform.h"

#include <QMap>
#include <QStringList>

class FakeForm1 : public Form1Port {
public:
    QMap<Form1Field, QString> texts;
    QMap<Form1Field, Rgb> colours;
    QMap<Form1Result, QString> captions;
    QStringList messages;
    int screenWrites = 0; // every text, colour or caption written

    QString text(Form1Field field) const override { return texts.value(field); }
    void setText(Form1Field field, const QString& text) override
    {
        texts[field] = text;
        ++screenWrites;
    }
    void setTextColour(Form1Field field, Rgb colour) override
    {
        colours[field] = colour;
        ++screenWrites;
    }
    void setCaption(Form1Result box, const QString& text) override
    {
        captions[box] = text;
        ++screenWrites;
    }
    void ShowMessage(const QString& text) override { messages << text; }
};

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
    int screenWrites = 0;       // every text, colour or caption written
    QStringList* log = nullptr; // when set: "read N" and "black N", field by number

    QString text(Form1Field field) const override
    {
        if (log)
            *log << QString("read %1").arg(int(field));
        return texts.value(field);
    }
    void setTextColour(Form1Field field, Rgb colour) override
    {
        if (log && colour == Colours::Black)
            *log << QString("black %1").arg(int(field));
        colours[field] = colour, ++screenWrites;
    }
    void setText(Form1Field field, const QString& text) override { texts[field] = text, ++screenWrites; }
    void setCaption(Form1Result box, const QString& text) override { captions[box] = text, ++screenWrites; }
    void ShowMessage(const QString& text) override { messages << text; }
};

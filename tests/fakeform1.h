// A main window without a window: fields, colours, captions and messages in memory.
#pragma once

#include "app/platform.h"

#include <QMap>
#include <QStringList>

#include <span>

inline constexpr Form1Field kDesignFields[] = {Form1Field::Text1, Form1Field::Text2, Form1Field::Text3,
                                               Form1Field::Text4, Form1Field::Text5, Form1Field::Text6};
// In the order the verification run reads them.
inline constexpr Form1Field kVerificationFields[] = {
    Form1Field::Text7,  Form1Field::Text8,  Form1Field::Text12, Form1Field::Text9, Form1Field::Text10,
    Form1Field::Text11, Form1Field::Text13, Form1Field::Text14, Form1Field::Text15};

struct FakeForm1 : Form1Port {
    QMap<Form1Field, QString> texts;
    QMap<Form1Field, Rgb> colours;
    QMap<Form1Result, QString> captions;
    QStringList messages;
    int screenWrites = 0;       // every text, colour or caption written
    QStringList* log = nullptr; // when set: "read N" and "black N", field by number

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

// The one set of parasitic values in the program: the texts of the five fields of the
// real converter's parasitic elements.  Every window that shows these fields edits this
// set and follows it, so a value typed in one window is the value in the others.
#pragma once

#include "sim/parasiticfields.h"

#include <QObject>
#include <QString>

#include <array>

class QLineEdit;

class ParasiticValues : public QObject {
    Q_OBJECT
public:
    // The typical parts of a student's bench: rL 0.1 Ω, Ron 0.05 Ω, VF 0.5 V, RD 0.02 Ω,
    // rC 0.05 Ω.
    ParasiticValues();

    const ParasiticTexts& texts() const { return texts_; }
    QString text(ParasiticField field) const { return texts_[std::size_t(field)]; }
    void setText(ParasiticField field, const QString& text);

    // Makes `field` show the value `which`, edit it as the student types, and follow it
    // when another window's field edits it.
    void bind(QLineEdit* field, ParasiticField which);

signals:
    // Told only when a text becomes another.
    void changed(ParasiticField field, const QString& text);

private:
    ParasiticTexts texts_;
};

// What each parasitic field shows, in the order of ParasiticField: its objectName, its
// symbol, its unit and what it stands for.
struct ParasiticRow {
    const char* name;
    const char* symbol;
    const char* unit;
    const char* meaning;
};
extern const std::array<ParasiticRow, kParasiticFieldCount> kParasiticRows;

// What a screen reader says of a parasitic field: "rL, resistenza … , in ohm".
QString parasiticAccessibleName(const ParasiticRow& row);

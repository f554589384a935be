// The one set of parasitic values in the program: the texts of the five fields of the
// real converter's parasitic elements.  Every window that shows these fields edits this
// set and follows it, so a value typed in one window is the value in the others.
#pragma once

#include "sim/parasiticfields.h"

#include <QObject>
#include <QString>

class ParasiticValues : public QObject {
    Q_OBJECT
public:
    // The typical parts of a student's bench: rL 0.1 Ω, Ron 0.05 Ω, VF 0.5 V, RD 0.02 Ω,
    // rC 0.05 Ω.
    ParasiticValues();

    const ParasiticTexts& texts() const { return texts_; }
    QString text(ParasiticField field) const { return texts_[std::size_t(field)]; }
    void setText(ParasiticField field, const QString& text);

signals:
    // Told only when a text becomes another.
    void changed(ParasiticField field, const QString& text);

private:
    ParasiticTexts texts_;
};

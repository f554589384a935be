#include "waveformcsv.h"

#include "app/model.h"
#include "app/numbers.h"
#include "sim/realconverter.h"
#include "sim/startup.h"

#include <optional>

QByteArray waveformCsv(const Model& m)
{
    QByteArray csv("t [s],iL [A],iC [A],Vo [V],vL [V],id [A]\n");
    const auto n = static_cast<std::size_t>(m.Drawn.N);
    csv.reserve(static_cast<qsizetype>(64 + n * 6 * 24));
    for (std::size_t k = 1; k <= n; ++k) {
        csv += shortestText(static_cast<double>(k - 1) * m.Dt);
        for (const double sample : {m.WaveIL[k], m.WaveIC[k], m.WaveVo[k], m.WaveVL[k], m.WaveID[k]}) {
            csv += ',';
            csv += shortestText(sample);
        }
        csv += '\n';
    }
    return csv;
}

QByteArray startupCsv(const StartupView& view)
{
    QByteArray csv("periodo,t [s],iL min [A],iL max [A],Vo min [V],Vo max [V],Vo inizio [V],discontinuo\n");
    csv.reserve(static_cast<qsizetype>(96 + view.rows.size() * 8 * 22));
    for (const StartupRow& row : view.rows) {
        csv += QByteArray::number(row.period);
        for (const double value : {static_cast<double>(row.period - 1) / view.freq, row.iLMin, row.iLMax, row.voMin,
                                   row.voMax, row.voStart}) {
            csv += ',';
            csv += shortestText(value);
        }
        csv += row.discontinuous ? ",1\n" : ",0\n";
    }
    return csv;
}

namespace {

QByteArray cell(std::optional<double> value)
{
    return value ? ',' + shortestText(*value) : QByteArray(",");
}

} // namespace

QByteArray realCsv(const RealView& view)
{
    QByteArray csv("D [%],M ideale,M medio,rendimento medio,M simulato,rendimento simulato\n");
    for (const CurveRow& row : view.curve) {
        std::optional<double> gain, efficiency;
        for (const CurvePoint& point : view.points) {
            if (point.percent == row.percent && point.figures)
                gain = point.figures->Vo / view.inputs.Vi, efficiency = point.figures->efficiency;
        }
        csv += QByteArray::number(row.percent) + cell(row.idealGain) + cell(row.averagedGain)
               + cell(row.averagedEfficiency) + cell(gain) + cell(efficiency) + '\n';
    }
    return csv;
}

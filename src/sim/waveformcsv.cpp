#include "waveformcsv.h"

#include "app/model.h"
#include "app/numbers.h"

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

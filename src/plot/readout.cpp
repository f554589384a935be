#include "readout.h"

#include "app/model.h"
#include "app/numbers.h"
#include "plotgeometry.h"
#include "sim/extremes.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

struct ReadoutBand {
    double Model::* fullScale = nullptr;
    QStringView timeLabel;
    QStringView valueLabel;
    QStringView unit;
};

// In the order of the options and of kPlotBands.  The diode current is read back
// against its own maximum, although its trace is drawn against the inductor
// current's: the two are nearly equal, the diode peak being the inductor peak.
constexpr std::array<ReadoutBand, 5> kReadoutBands{{
    {&Model::MaxIL, u"t= ", u"iL(t) = ", u"A"},
    {&Model::MaxIC, u"t= ", u"iC(t) = ", u"A"},
    {&Model::MaxVo, u"t= ", u"Vo(t) = ", u"V"},
    {&Model::MaxVL, u"t = ", u"vL(t) = ", u"V"},
    {&Model::MaxID, u"t = ", u"id(t) = ", u"A"},
}};

} // namespace

int bandAt(float y)
{
    // The pointer height is a float and so are the limits, 0.1f included.
    if (y >= 80.0f)
        return 1;
    if (y >= 60.0f)
        return 2;
    if (y >= 40.0f)
        return 3;
    if (y >= 10.0f)
        return 4;
    if (y >= 0.1f)
        return 5;
    return 0;
}

QString readoutText(int option, double t, double v)
{
    const ReadoutBand& band = kReadoutBands[static_cast<std::size_t>(option - 1)];
    return QStringLiteral("%1%2usec ; %3%4%5")
        .arg(band.timeLabel, FormatNumber(t, NumberPattern::Fixed2), band.valueLabel,
             FormatNumber(v, NumberPattern::Sci2), band.unit);
}

void Picture1_MouseMove(Model& m, Form2Port& form2, float x, float y)
{
    if (const int band = bandAt(y); band != 0)
        form2.selectOption(band);
    const int option = form2.selectedOption();
    if (option < 1 || option > 5)
        return;

    // The plot on screen was drawn with the frequency, periods and samples of its own
    // run; later design calculations or refused runs must not change what it reads.
    const Model::DrawnPlot& drawn = m.Drawn;
    const auto index = static_cast<std::size_t>(option - 1);
    const PlotBand& plotBand = kPlotBands[index];
    const ReadoutBand& band = kReadoutBands[index];
    const std::vector<double>& wave = m.*plotBand.wave;
    if (!drawn.valid || drawn.N < 1 || drawn.Freq == 0 || wave.size() < static_cast<std::size_t>(drawn.N) + 1)
        return;

    // The NP periods shown span the width: time since the start of the first, in µs.
    const double t = static_cast<double>(x) / 100 * drawn.NP * 1000000 / drawn.Freq;
    // The full scale over the samples the plot shows.
    m.*band.fullScale = largestAbsolute(periodSamples(wave, drawn.N));
    // Inverts the band's drawing: y = zero line + span × value / full scale.
    const double v = (static_cast<double>(y) - plotBand.zeroLine) * (m.*band.fullScale) / plotBand.span;
    if (!std::isfinite(t) || !std::isfinite(v))
        return;
    form2.setHoverText(readoutText(option, t, v));
}

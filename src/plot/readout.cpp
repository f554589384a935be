#include "readout.h"

#include "app/model.h"
#include "app/numbers.h"
#include "plotgeometry.h"
#include "sim/extremes.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

struct ReadoutBand {
    void (*findFullScale)(Model&);
    double Model::* fullScale;
    const char16_t* timeLabel;
    const char16_t* valueLabel;
    const char16_t* unit;
};

// In the order of the options and of PlotBands.  The diode current is read back
// against its own maximum, although its trace is drawn against the inductor
// current's: the two are nearly equal, the diode peak being the inductor peak.
constexpr std::array<ReadoutBand, 5> ReadoutBands{{
    {FindMaxIL, &Model::MaxIL, u"t= ", u"iL(t) = ", u"A"},
    {FindMaxIC, &Model::MaxIC, u"t= ", u"iC(t) = ", u"A"},
    {FindMaxVo, &Model::MaxVo, u"t= ", u"Vo(t) = ", u"V"},
    {FindMaxVL, &Model::MaxVL, u"t = ", u"vL(t) = ", u"V"},
    {FindMaxID, &Model::MaxID, u"t = ", u"id(t) = ", u"A"},
}};

} // namespace

int BandAt(float y)
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

QString ReadoutText(int option, double t, double v)
{
    const ReadoutBand& band = ReadoutBands[static_cast<std::size_t>(option - 1)];
    return QString::fromUtf16(band.timeLabel) + FormatNumber(t, NumberPattern::Fixed2)
           + QStringLiteral("usec") + QStringLiteral(" ; ") + QString::fromUtf16(band.valueLabel)
           + FormatNumber(v, NumberPattern::Sci2) + QString::fromUtf16(band.unit);
}

void Picture1_MouseMove(Model& m, Form2Port& form2, float x, float y)
{
    if (const int band = BandAt(y); band != 0)
        form2.selectOption(band);
    const int option = form2.selectedOption();
    if (option < 1 || option > 5)
        return;

    // The plot on screen was drawn with the frequency, periods and samples of its own
    // run; later design calculations or refused runs must not change what it reads.
    const Model::DrawnPlot& drawn = m.Drawn;
    const std::size_t index = static_cast<std::size_t>(option - 1);
    const PlotBand& plotBand = PlotBands[index];
    const ReadoutBand& band = ReadoutBands[index];
    if (!drawn.valid || drawn.N < 1 || drawn.Freq == 0
        || (m.*plotBand.wave).size() < static_cast<std::size_t>(drawn.N) + 1)
        return;

    // The NP periods shown span the width: time since the start of the first, in µs.
    const double t = static_cast<double>(x) / 100 * drawn.NP * 1000000 / drawn.Freq;

    // The full scale over the samples the plot shows, whatever N now says.
    const std::int32_t currentN = std::exchange(m.N, drawn.N);
    band.findFullScale(m);
    m.N = currentN;

    // Inverts the band's drawing: y = zero line + span × value / full scale.
    const double v = (static_cast<double>(y) - plotBand.zeroLine) * (m.*band.fullScale) / plotBand.span;
    if (!std::isfinite(t) || !std::isfinite(v))
        return;
    form2.setHoverText(ReadoutText(option, t, v));
}

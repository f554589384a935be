#include "runprogress.h"

#include <algorithm>

namespace {
// A run with at least this much still to go gets a progress display.
constexpr std::int64_t kShowWhenLeftMs = 500;
// Before this, a few periods say little about the pace of the rest.
constexpr std::int64_t kJudgeAfterMs = 50;

// Digits in groups of three, parted by a no-break space so that a line never breaks
// inside a number; a point or a comma would read as a decimal separator to someone.
QString grouped(std::int64_t count)
{
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QChar(0x00A0));
    return digits;
}
} // namespace

bool progressWorthShowing(std::int64_t elapsedMs, const RunProgress& p)
{
    const std::int64_t last = p.endKnown() ? p.end : p.requested;
    if (elapsedMs < kJudgeAfterMs || p.done <= 0 || p.done >= last)
        return false;
    const std::int64_t left = p.endKnown() ? last - p.done : std::min(last - p.done, p.done);
    return elapsedMs * left / p.done >= kShowWhenLeftMs;
}

QString progressStatus(const RunProgress& p)
{
    return QStringLiteral("Periodi simulati: %1 su %2.")
        .arg(grouped(p.done), grouped(p.endKnown() ? p.end : p.requested));
}

QString progressNote(const RunProgress& p)
{
    if (!p.endKnown())
        return QStringLiteral("La simulazione finisce prima se lo stato del convertitore si ripete.");
    if (p.repeated)
        return QStringLiteral("Lo stato del convertitore si ripete: i periodi che restano sono già noti.");
    return QString(); // the count says it all
}

int progressPermille(const RunProgress& p)
{
    if (!p.endKnown())
        return -1;
    const std::int64_t span = p.end - p.knownAt;
    if (span <= 0)
        return 1000;
    return int(std::clamp<std::int64_t>((p.done - p.knownAt) * 1000 / span, 0, 1000));
}

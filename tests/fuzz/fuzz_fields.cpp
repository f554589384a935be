// Coverage-guided fuzzing of the two readers of typed text: the number reader and the
// character check of the verification fields.  Any input, as UTF-8 and as UTF-16, must
// give a finite number or a clean "out of range", and at most one message.
#include "../fakes.h"
#include "app/model.h"
#include "app/numbers.h"
#include "sim/fieldcheck.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString& text)
{
    if (const auto value = ParseNumber(text); value && !std::isfinite(*value))
        std::abort();
    Model m;
    m.MsgText = QStringLiteral("vuoto"), m.MsgBadFormat = QStringLiteral("formato");
    FakeMessages ui;
    CheckNumericField(m, text, ui);
    const bool accepted = m.InputError == 0;
    if (ui.messages.size() != (accepted ? 0 : 1) || (m.InputError != 0 && m.InputError != 1)
        || (accepted && text.isEmpty()))
        std::abort();
    // Accepted texts hold only digits, e, E, '.', '-', '+'.
    for (QChar c : text)
        if (accepted && !(c.unicode() >= u'0' && c.unicode() <= u'9') && !QStringView(u"eE.-+").contains(c))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    check(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    check(QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)));
    return 0;
}

#include "numbers.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool isIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Collects the characters of the leading number into plain ASCII, dropping the
// ignored blanks, so that std::from_chars (locale-free) can convert it.
class Scanner {
public:
    explicit Scanner(QStringView text) : text_(text) {}

    char16_t peek() {
        while (pos_ < text_.size() && isIgnoredBlank(text_[pos_].unicode()))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_].unicode() : u'\0';
    }
    void take() { ++pos_; }
    qsizetype position() const { return pos_; }
    void rewind(qsizetype pos) { pos_ = pos; }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

} // namespace

std::optional<double> ParseNumber(QStringView text)
{
    Scanner in(text);
    bool negative = false;
    if (in.peek() == u'+' || in.peek() == u'-') {
        negative = in.peek() == u'-';
        in.take();
    }

    std::string digits; // mantissa as "ddd.ddd"
    bool anyDigit = false;
    while (isDigit(in.peek())) {
        digits += char(in.peek());
        anyDigit = true;
        in.take();
    }
    if (in.peek() == u'.') {
        in.take();
        digits += '.';
        while (isDigit(in.peek())) {
            digits += char(in.peek());
            anyDigit = true;
            in.take();
        }
    }
    if (!anyDigit)
        return 0.0;

    std::string exponent;
    if (in.peek() == u'e' || in.peek() == u'E') {
        const qsizetype mark = in.position();
        in.take();
        std::string sign;
        if (in.peek() == u'+' || in.peek() == u'-') {
            if (in.peek() == u'-')
                sign = "-";
            in.take();
        }
        std::string expDigits;
        while (isDigit(in.peek())) {
            expDigits += char(in.peek());
            in.take();
        }
        if (expDigits.empty())
            in.rewind(mark); // "1e" or "1e+" stop before the "e"
        else
            exponent = "e" + sign + expDigits;
    }

    const std::string number = digits + exponent;
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range is either overflow or an underflow to zero: decide by the size
        // of the number, from the position of its first significant digit.
        if (digits.find_first_of("123456789") == std::string::npos)
            return negative ? -0.0 : 0.0;
        const std::size_t point = digits.find('.');
        const std::size_t intDigits = point == std::string::npos ? digits.size() : point;
        const std::size_t firstSignificant = digits.find_first_of("123456789");
        // Decimal exponent of the leading significant digit, without the exponent part.
        long double magnitude = firstSignificant < intDigits
                                    ? static_cast<long double>(intDigits - firstSignificant - 1)
                                    : -static_cast<long double>(firstSignificant - intDigits);
        if (!exponent.empty())
            magnitude += std::strtold(exponent.c_str() + 1, nullptr); // digits only, no locale use
        if (magnitude > 0)
            return std::nullopt;
        return negative ? -0.0 : 0.0;
    }
    if (ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

QString formatNumberWithPoint(double value, NumberPattern pattern)
{
    const QLocale c = QLocale::c(); // no group separators
    switch (pattern) {
    case NumberPattern::Sci2:
        return c.toString(value, 'E', 2);
    case NumberPattern::Sci3:
        return c.toString(value, 'E', 3);
    case NumberPattern::Fixed2:
        return c.toString(value, 'f', 2);
    }
    return {};
}

QString FormatNumber(double value, NumberPattern pattern)
{
    // Only the decimal separator is the student's: a locale's own digits, exponent
    // symbol ("×10^"), minus sign (U+2212) and bidi marks would give texts that no
    // field reads back and that a student would not recognise as the same number.
    QString text = formatNumberWithPoint(value, pattern);
    const QString point = QLocale().decimalPoint();
    // A separator of more than one character has never been seen in Qt's locales;
    // should one appear, the point keeps the text readable.
    if (point.size() == 1)
        text.replace(u'.', point.front());
    return text;
}

std::optional<std::int32_t> RoundToInt32(double value)
{
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

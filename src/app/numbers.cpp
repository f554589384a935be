#include "numbers.h"

#include <QLocale>

#include <charconv>
#include <iterator>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a text character by character, passing over the blanks it ignores.
class Scanner {
public:
    explicit Scanner(QStringView text) : text_(text) {}

    char16_t peek()
    {
        while (pos_ < text_.size() && isIgnoredBlank(text_[pos_].unicode()))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_].unicode() : u'\0';
    }
    void take() { ++pos_; }

    // Appends the digits that follow, as ASCII.
    void takeDigits(std::string& into)
    {
        while (isDigit(peek())) {
            into += char(peek());
            take();
        }
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

// The leading number of a text in plain ASCII, so that std::from_chars (locale-free)
// can convert it.
struct NumberText {
    bool negative = false;
    std::string mantissa; // "ddd.ddd", either side possibly empty
    std::string exponent; // "" or "-ddd" / "ddd"
};

// The exponent after the mantissa, or nothing: "1e" and "1e+" stop before the "e".
std::string scanExponent(Scanner& in)
{
    if (in.peek() != u'e' && in.peek() != u'E')
        return {};
    in.take();
    std::string exponent;
    if (in.peek() == u'+' || in.peek() == u'-') {
        if (in.peek() == u'-')
            exponent.push_back('-');
        in.take();
    }
    const std::size_t signLength = exponent.size();
    in.takeDigits(exponent);
    return exponent.size() > signLength ? exponent : std::string();
}

bool hasDigit(const std::string& mantissa) { return mantissa.find_first_of("0123456789") != std::string::npos; }

NumberText scanNumber(QStringView text)
{
    Scanner in(text);
    NumberText number;
    if (in.peek() == u'+' || in.peek() == u'-') {
        number.negative = in.peek() == u'-';
        in.take();
    }
    in.takeDigits(number.mantissa);
    if (in.peek() == u'.') {
        in.take();
        number.mantissa += '.';
        in.takeDigits(number.mantissa);
    }
    if (hasDigit(number.mantissa))
        number.exponent = scanExponent(in);
    return number;
}

// A number from_chars could not hold is either too large for a double or so small that
// it reads as zero: the decimal exponent of its leading significant digit decides.
bool overflows(const NumberText& number)
{
    const std::string& digits = number.mantissa;
    const std::size_t first = digits.find_first_of("123456789");
    if (first == std::string::npos)
        return false; // zero, whatever its exponent
    const std::size_t point = digits.find('.');
    const std::size_t whole = point == std::string::npos ? digits.size() : point;
    long double magnitude = first < whole ? static_cast<long double>(whole - first - 1)
                                          : -static_cast<long double>(first - whole);
    if (!number.exponent.empty()) {
        long double exponent = 0;
        const char* begin = number.exponent.data();
        const auto [end, ec] = std::from_chars(begin, begin + number.exponent.size(), exponent);
        if (ec == std::errc::result_out_of_range)
            exponent = number.exponent.front() == '-' ? -std::numeric_limits<long double>::infinity()
                                                      : std::numeric_limits<long double>::infinity();
        magnitude += exponent;
    }
    return magnitude > 0;
}

} // namespace

std::optional<double> ParseNumber(QStringView text)
{
    const NumberText number = scanNumber(text);
    if (!hasDigit(number.mantissa))
        return 0.0;
    const std::string ascii = number.exponent.empty() ? number.mantissa : number.mantissa + 'e' + number.exponent;
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        if (overflows(number))
            return std::nullopt;
        value = 0;
    } else if (ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return number.negative ? -value : value;
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
    return withLocalePoint(formatNumberWithPoint(value, pattern));
}

QString withLocalePoint(QString text)
{
    const QString point = QLocale().decimalPoint();
    // A separator of more than one character has never been seen in Qt's locales;
    // should one appear, the point keeps the text readable.
    if (point.size() == 1)
        text.replace(u'.', point.front());
    return text;
}

QByteArray shortestText(double value)
{
    char text[32];
    const auto [end, ec] = std::to_chars(std::begin(text), std::end(text), value);
    return QByteArray(text, ec == std::errc() ? end - text : 0);
}

std::optional<std::int32_t> RoundToInt32(double value)
{
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

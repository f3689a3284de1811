#include "platform/number_format.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

QChar systemSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

QChar& separatorSlot()
{
    static QChar separator = systemSeparator();
    return separator;
}

struct Pattern
{
    int mandatoryIntegerDigits = 0;
    int groupSize = 0; // 0: no grouping
    int decimals = 0;
    int mandatoryDecimals = 0;
};

Pattern parsePattern(QStringView pattern)
{
    Pattern p;
    const qsizetype dot = pattern.indexOf(u'.');
    const QStringView integerPart = dot < 0 ? pattern : pattern.first(dot);
    const QStringView fractionPart = dot < 0 ? QStringView() : pattern.sliced(dot + 1);

    int digitsSinceBlank = 0;
    bool sawBlank = false;
    for (const QChar c : integerPart) {
        if (c == u'0' || c == u'#') {
            ++digitsSinceBlank;
            if (c == u'0')
                ++p.mandatoryIntegerDigits;
        } else if (c == u' ') {
            sawBlank = true;
            digitsSinceBlank = 0;
        }
    }
    if (sawBlank && digitsSinceBlank > 0)
        p.groupSize = digitsSinceBlank;

    for (const QChar c : fractionPart) {
        if (c == u'0') {
            ++p.decimals;
            p.mandatoryDecimals = p.decimals;
        } else if (c == u'#') {
            ++p.decimals;
        }
    }
    return p;
}

// |value| as decimal digits with the point implied before `decimals` last
// digits, rounded half away from zero from its 15-significant-digit form, so
// that 12.345 (stored as 12.34499...) rounds the way it reads.
std::string roundedDigits(double magnitude, int decimals)
{
    // What printf's "%.14e" gives, at a fraction of its cost (every live
    // block formats a score of numbers).
    char buffer[64];
    *std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific, 14).ptr =
        '\0';
    // buffer: d.dddddddddddddde[+-]xx
    std::string mantissa;
    mantissa.push_back(buffer[0]);
    int k = 2;
    while (buffer[k] != 'e')
        mantissa.push_back(buffer[k++]);
    const int exponent = std::atoi(buffer + k + 1);

    // Digit i of the mantissa has weight 10^(exponent - i). Keep digits with
    // weight >= 10^-decimals.
    const int keep = exponent + decimals + 1;
    std::string digits;
    bool roundUp = false;
    if (keep <= 0) {
        roundUp = keep == 0 && mantissa[0] >= '5';
        digits = "0";
    } else if (keep >= int(mantissa.size())) {
        digits = mantissa + std::string(size_t(keep - int(mantissa.size())), '0');
    } else {
        digits = mantissa.substr(0, size_t(keep));
        roundUp = mantissa[size_t(keep)] >= '5';
    }
    if (roundUp) {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[size_t(i)] == '9')
            digits[size_t(i--)] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[size_t(i)];
    }
    // At least decimals + 1 digits, so there is an integer digit.
    if (int(digits.size()) < decimals + 1)
        digits.insert(0, size_t(decimals + 1 - int(digits.size())), '0');
    return digits;
}

} // namespace

QString NumberFormat::format(double value, QStringView pattern)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    const Pattern p = parsePattern(pattern);
    const std::string digits = roundedDigits(std::fabs(value), p.decimals);
    std::string integer = digits.substr(0, digits.size() - size_t(p.decimals));
    std::string fraction = digits.substr(digits.size() - size_t(p.decimals));

    const size_t firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? std::string() : integer.substr(firstNonZero);
    if (int(integer.size()) < p.mandatoryIntegerDigits)
        integer.insert(0, size_t(p.mandatoryIntegerDigits - int(integer.size())), '0');
    while (int(fraction.size()) > p.mandatoryDecimals && fraction.back() == '0')
        fraction.pop_back();

    const bool isZero = digits.find_first_not_of('0') == std::string::npos;

    QString out;
    if (value < 0 && !isZero)
        out.append(u'-');
    const int n = int(integer.size());
    for (int i = 0; i < n; ++i) {
        if (p.groupSize > 0 && i > 0 && (n - i) % p.groupSize == 0)
            out.append(u' ');
        out.append(QChar(integer[size_t(i)]));
    }
    if (!fraction.empty()) {
        out.append(decimalSeparator());
        out.append(QString::fromLatin1(fraction.data(), qsizetype(fraction.size())));
    }
    return out;
}

std::optional<double> NumberFormat::parse(QStringView text)
{
    const QStringView t = text.trimmed();
    const QChar separator = decimalSeparator();
    std::string ascii;
    ascii.reserve(size_t(t.size()));
    qsizetype i = 0;
    auto digitRun = [&] {
        qsizetype count = 0;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
            ascii.push_back(char(t[i].unicode()));
            ++i;
            ++count;
        }
        return count;
    };

    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ascii.push_back(char(t[i++].unicode()));
    qsizetype mantissaDigits = digitRun();
    if (i < t.size() && t[i] == separator) {
        ascii.push_back('.');
        ++i;
        mantissaDigits += digitRun();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ascii.push_back(char(t[i++].unicode()));
        if (digitRun() == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;

    // from_chars takes no leading '+'.
    const char* begin = ascii.data();
    if (*begin == '+')
        ++begin;
    double value = 0;
    const auto [end, error] = std::from_chars(begin, ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QChar NumberFormat::decimalSeparator()
{
    return separatorSlot();
}

void NumberFormat::setDecimalSeparator(QChar separator)
{
    separatorSlot() = separator;
}

void NumberFormat::useSystemSeparator()
{
    separatorSlot() = systemSeparator();
}

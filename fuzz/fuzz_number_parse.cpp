// The number parser against its grammar and the C library's conversion,
// and every number the formatter shows read back by the parser.
//
// Input: byte 0 picks the decimal separator ('.' or ','); the rest is the
// typed text in UTF-8.

#include "platform/number_format.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr QStringView kPatterns[] = {u"0", u"0.0", u"0.00", u"#0.###", u"0.##########", u"000.000"};

[[noreturn]] void fail(const char* what, const QString& text)
{
    std::fprintf(stderr, "number parser: %s for \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

// Optional sign, digits with one separator somewhere, optional exponent.
bool grammarAccepts(const QString& trimmed, QChar separator)
{
    static const QString kGrammar = QStringLiteral("^[+-]?([0-9]+(%1[0-9]*)?|%1[0-9]+)([eE][+-]?[0-9]+)?$");
    static const QRegularExpression kWithPoint(kGrammar.arg(QStringLiteral("\\.")));
    static const QRegularExpression kWithComma(kGrammar.arg(QStringLiteral(",")));
    return (separator == u',' ? kWithComma : kWithPoint).match(trimmed).hasMatch();
}

void checkFormatReadsBack(double value)
{
    for (const QStringView pattern : kPatterns) {
        const QString shown = NumberFormat::format(value, pattern);
        const std::optional<double> back = NumberFormat::parse(shown);
        if (!back)
            fail("a formatted number does not parse", shown);
        const int decimals = int(pattern.size()) - int(pattern.indexOf(u'.')) - 1;
        const double step = pattern.contains(u'.') ? std::pow(10.0, -decimals) : 1.0;
        // Rounded to the pattern, from the value's 15 significant digits.
        const double allowed = step / 2 * (1 + 1e-9) + std::fabs(value) * 1e-14;
        if (std::fabs(*back - value) > allowed)
            fail("a formatted number reads back as another", shown);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size)
{
    if (size < 1)
        return 0;
    const QChar separator = (data[0] & 1) ? u',' : u'.';
    NumberFormat::setDecimalSeparator(separator);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const std::optional<double> parsed = NumberFormat::parse(text);
    const QString trimmed = text.trimmed();
    if (!grammarAccepts(trimmed, separator)) {
        if (parsed)
            fail("accepts text outside the grammar", text);
        return 0;
    }
    QByteArray ascii = trimmed.toLatin1();
    ascii.replace(char(separator.unicode()), '.');
    errno = 0;
    const double expected = std::strtod(ascii.constData(), nullptr);
    const bool outOfRange = errno == ERANGE;
    if (!outOfRange && (!parsed || *parsed != expected))
        fail("reads another value than the C library", text);
    if (parsed) {
        if (!std::isfinite(*parsed))
            fail("gives a number that is not finite", text);
        if (!outOfRange || *parsed == expected)
            checkFormatReadsBack(*parsed);
        else
            fail("reads an out-of-range number as another", text);
    }
    return 0;
}

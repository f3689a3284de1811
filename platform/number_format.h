#pragma once

#include <QString>

#include <optional>

// Number patterns for everything shown to the user:
//   "0"  a mandatory digit        "#"  an optional digit
//   "."  the decimal separator    " "  between integer digit places: digit
//                                      groups, separated by a blank
// Values are rounded half away from zero to the pattern's decimals, as their
// shortest decimal form reads (12.345 with "0.00" gives 12.35). Numbers
// shorter than the pattern get no leftover blanks; a value that rounds to
// zero never shows a minus sign.
//
// The decimal separator is the user's regional one (a point when the system
// gives none) and is the same for reading typed numbers.
class NumberFormat
{
public:
    static QString format(double value, QStringView pattern);

    // Optional sign, digits, the decimal separator, fraction, optional
    // exponent; blanks around it are accepted. No digit-group separators.
    static std::optional<double> parse(QStringView text);

    static QChar decimalSeparator();
    // For tests, and for a user who wants another separator than the system's.
    static void setDecimalSeparator(QChar separator);
    // Back to the system's regional separator.
    static void useSystemSeparator();
};

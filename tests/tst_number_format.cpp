#include "platform/number_format.h"

#include <QTest>

class tst_NumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void init() { NumberFormat::setDecimalSeparator(u'.'); }
    void cleanup() { NumberFormat::useSystemSeparator(); }

    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");

        // Through QString, so a row stays on one line.
        const auto row = [](const char* name, double value, const char* pattern, const char* expected) {
            QTest::newRow(name) << value << QString::fromUtf8(pattern) << QString::fromUtf8(expected);
        };
        row("half away from zero", 12.345, "0.00", "12.35");
        row("0.6 rounds up", 0.6, "0", "1");
        row("-0.5 away from zero", -0.5, "0", "-1");
        row("short in grouped", 12.0, "# ### ##0", "12");
        row("grouped", 1234567.0, "# ### ##0", "1 234 567");
        row("grouped negative", -1234567.0, "# ### ##0", "-1 234 567");
        row("zero grouped", 0.0, "# ### ### ##0", "0");
        row("exact group", 1000.0, "## ##0", "1 000");
        row("pwm max", 65535.0, "## ##0", "65 535");
        row("negative rounds to zero", -0.004, "0.00", "0.00");
        row("negative rounds to zero int", -0.4, "0", "0");
        row("year", 2015.0, "0000", "2015");
        row("month padded", 3.0, "00", "03");
        row("output", 12.0, "#0.000", "12.000");
        row("four decimals", 1.23456, "0.0000", "1.2346");
        row("carry into integer", 9.995, "0.00", "10.00");
        row("float limit", double(20.5f), "0.00", "20.50");
        row("float 12.345f", double(12.345f), "0.00", "12.35");
        row("small fraction", 0.05, "0.0", "0.1");
        row("large", 1.0e12, "# ### ### ##0", "1 000 000 000 000");
    }
    void format()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(NumberFormat::format(value, pattern), expected);
    }

    void commaSeparator()
    {
        NumberFormat::setDecimalSeparator(u',');
        QCOMPARE(NumberFormat::format(-200.0, u"0.0"), QStringLiteral("-200,0"));
        QCOMPARE(NumberFormat::format(1234567.891, u"# ### ##0.00"), QStringLiteral("1 234 567,89"));
        QCOMPARE(NumberFormat::parse(u"12,5"), std::optional<double>(12.5));
        QCOMPARE(NumberFormat::parse(u"12.5"), std::nullopt);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");

        QTest::newRow("integer") << "42" << true << 42.0;
        QTest::newRow("signed") << "-3.5" << true << -3.5;
        QTest::newRow("plus") << "+3.5" << true << 3.5;
        QTest::newRow("blanks around") << "  7.25 " << true << 7.25;
        QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
        QTest::newRow("negative exponent") << "25E-1" << true << 2.5;
        QTest::newRow("leading separator") << ".5" << true << 0.5;
        QTest::newRow("trailing separator") << "5." << true << 5.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("separator only") << "." << false << 0.0;
        QTest::newRow("trailing garbage") << "12x" << false << 0.0;
        QTest::newRow("inner blank") << "1 000" << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("two separators") << "1.2.3" << false << 0.0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const std::optional<double> parsed = NumberFormat::parse(text);
        QCOMPARE(parsed.has_value(), ok);
        if (ok)
            QCOMPARE(*parsed, value);
    }
};

QTEST_GUILESS_MAIN(tst_NumberFormat)
#include "tst_number_format.moc"

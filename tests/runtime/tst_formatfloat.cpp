#include <QtTest>
#include <cmath>
#include <limits>

#include "runtime/FormatFloat.h"

using namespace quorin;

class TestFormatFloat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void picture_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        // The pictures the program itself uses.
        QTest::newRow("price grouping") << "#,##0.0000" << 1234.5 << "1.234,5000";
        QTest::newRow("price millions") << "#,##0.0000" << 1234567.891 << "1.234.567,8910";
        QTest::newRow("price below one") << "#,##0.0000" << 0.5 << "0,5000";
        QTest::newRow("price zero") << "#,##0.0000" << 0.0 << "0,0000";
        QTest::newRow("lot total trailing blank") << "#,##0.00 " << 3.75 << "3,75 ";
        QTest::newRow("process number and slash") << "000000 / " << 123.0 << "000123 / ";
        QTest::newRow("lot prefix") << "0000 - " << 7.0 << "0007 - ";
        QTest::newRow("lot number wider than picture") << "0000" << 123456.0 << "123456";
        QTest::newRow("price mask without grouping") << "############0.0000" << 1234.5 << "1234,5000";
        QTest::newRow("integer mask") << "00000" << 42.0 << "00042";

        // Rounding: half away from zero on the shortest decimal of the value.
        QTest::newRow("typed 1,005 rounds up") << "0.00" << 1.005 << "1,01";
        QTest::newRow("2,675 rounds up") << "0.00" << 2.675 << "2,68";
        QTest::newRow("half away from zero") << "0" << 2.5 << "3";
        QTest::newRow("negative half away") << "0" << -2.5 << "-3";
        QTest::newRow("carry through nines") << "#,##0.00" << 999999.999 << "1.000.000,00";
        QTest::newRow("0,1+0,2 shows 0,3") << "0.0000000000" << 0.1 + 0.2 << "0,3000000000";

        // Optional digits.
        QTest::newRow("hash decimals trimmed") << "0.##" << 3.1 << "3,1";
        QTest::newRow("no decimals left, no separator") << "0.##" << 3.0 << "3";
        QTest::newRow("hash integer of a fraction") << "#.##" << 0.5 << ",5";
        QTest::newRow("mixed decimals") << "0.0#" << 1.0 << "1,0";
        QTest::newRow("hash only zero") << "#" << 0.0 << "";

        // Sections.
        QTest::newRow("one section, negative gets minus") << "#,##0.00" << -1234.5 << "-1.234,50";
        QTest::newRow("negative section") << "0.00;(0.00)" << -1.5 << "(1,50)";
        QTest::newRow("zero section") << "0.00;(0.00);'zero'" << 0.0 << "zero";
        QTest::newRow("empty negative section falls back") << "0.00;;'zero'" << -2.0 << "-2,00";
        QTest::newRow("empty zero section falls back") << "0.00;(0.00);" << 0.0 << "0,00";
        QTest::newRow("rounds to zero uses zero section") << "0.00;(0.00);'nada'" << 0.001 << "nada";
        QTest::newRow("negative rounding to zero has no minus") << "0.00" << -0.001 << "0,00";
        QTest::newRow("semicolon inside quotes") << "'a;b' 0" << 5.0 << "a;b 5";

        // Literals and quotes.
        QTest::newRow("double quotes") << "\"R$ \"#,##0.00" << 10.0 << "R$ 10,00";
        QTest::newRow("literal between digits") << "00-00" << 1234.0 << "12-34";
        QTest::newRow("percent copied") << "0.0 %" << 12.34 << "12,3 %";
        QTest::newRow("E without sign is a letter") << "0E" << 5.0 << "5E";

        // Scientific.
        QTest::newRow("E+ two digits") << "0.00E+00" << 1234.0 << "1,23E+03";
        QTest::newRow("E- negative exponent") << "0.00E-00" << 0.00123 << "1,23E-03";
        QTest::newRow("E- positive exponent has no sign") << "0.0E-0" << 12345.0 << "1,2E4";
        QTest::newRow("e+ lower case") << "0.000e+000" << 6.02214076e23 << "6,022e+023";
        QTest::newRow("scientific carry") << "0.0E+0" << 9.96 << "1,0E+1";
        QTest::newRow("scientific zero") << "0.00E+00" << 0.0 << "0,00E+00";
        QTest::newRow("two integer positions") << "00.0E+0" << 1234.0 << "12,3E+2";

        // Empty picture: the general format.
        QTest::newRow("empty picture") << "" << 1234.5 << "1234,5";
    }

    void picture() {
        QFETCH(QString, picture);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatFloat(picture, value), expected);
    }

    void general_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("integer") << 42.0 << "42";
        QTest::newRow("fraction") << 1234.5 << "1234,5";
        QTest::newRow("negative") << -0.25 << "-0,25";
        QTest::newRow("15 digits cut the binary noise") << 0.1 + 0.2 << "0,3";
        QTest::newRow("15 significant digits") << 1.0 / 3.0 << "0,333333333333333";
        QTest::newRow("smallest fixed") << 0.0001 << "0,0001";
        QTest::newRow("below fixed range") << 0.00001 << "1E-5";
        QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
        QTest::newRow("beyond fixed range") << 1e15 << "1E15";
        QTest::newRow("big mantissa") << 1.5e20 << "1,5E20";
        QTest::newRow("rounded mantissa") << 123456789012345678.0 << "1,23456789012346E17";
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "NAN";
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << "-INF";
    }

    void general() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatGeneral(value), expected);
    }

    void separatorsComeFromTheSettings() {
        FormatSettings us = FormatSettings::brazilian();
        us.decimalSeparator = u'.';
        us.thousandSeparator = u',';
        QCOMPARE(FormatFloat(QStringLiteral("#,##0.0000"), 1234.5, us), QStringLiteral("1,234.5000"));
        QCOMPARE(FormatGeneral(0.5, us), QStringLiteral("0.5"));
    }

    void hugeValuesFallBackToGeneral() {
        QCOMPARE(FormatFloat(QStringLiteral("#,##0.00"), 1e300), QStringLiteral("1E300"));
    }
};

QTEST_APPLESS_MAIN(TestFormatFloat)
#include "tst_formatfloat.moc"

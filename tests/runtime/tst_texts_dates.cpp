#include <QtTest>
#include <cmath>

#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/Exceptions.h"

using namespace quorin;

class TestTextsDates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void formatDateTime_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("expected");
        const QDateTime afternoon(QDate(2009, 3, 15), QTime(14, 5, 9, 7));
        const QDateTime midnight(QDate(2010, 8, 2), QTime(0, 0));
        QTest::newRow("header date") << "dd/mm/yyyy" << midnight << "02/08/2010";
        QTest::newRow("c with time") << "c" << afternoon << "15/03/2009 14:05:09";
        QTest::newRow("c at midnight") << "c" << midnight << "02/08/2010";
        QTest::newRow("empty is c") << "" << midnight << "02/08/2010";
        QTest::newRow("short time") << "t" << afternoon << "14:05";
        QTest::newRow("long time") << "tt" << afternoon << "14:05:09";
        QTest::newRow("short date") << "ddddd" << afternoon << "15/03/2009";
        QTest::newRow("unpadded") << "d/m/yy h:n:s" << afternoon << "15/3/09 14:5:9";
        QTest::newRow("minutes after hours") << "hh:mm" << afternoon << "14:05";
        QTest::newRow("names") << "dddd, d 'de' mmmm" << afternoon << "domingo, 15 de março";
        QTest::newRow("short names") << "ddd mmm" << afternoon << "dom mar";
        QTest::newRow("milliseconds") << "ss.zzz" << afternoon << "09.007";
        QTest::newRow("twelve hours") << "h:nn am/pm" << afternoon << "2:05 pm";
        QTest::newRow("quoted letters stay") << "\"dia\" d" << afternoon << "dia 15";
    }

    void formatDateTime() {
        QFETCH(QString, pattern);
        QFETCH(QDateTime, when);
        QFETCH(QString, expected);
        QCOMPARE(FormatDateTime(pattern, when), expected);
    }

    void separatorsComeFromTheSettings() {
        FormatSettings fs = FormatSettings::brazilian();
        fs.dateSeparator = u'-';
        fs.timeSeparator = u'.';
        QCOMPARE(FormatDateTime(QStringLiteral("c"), QDateTime(QDate(2009, 3, 15), QTime(8, 0)), fs),
                 QStringLiteral("15-03-2009 08.00.00"));
    }

    void days_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<double>("days");
        QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
        QTest::newRow("noon next day") << QDateTime(QDate(1899, 12, 31), QTime(12, 0)) << 1.5;
        QTest::newRow("before the epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
        QTest::newRow("process date") << QDateTime(QDate(2009, 3, 15), QTime(0, 0)) << 39887.0;
        QTest::newRow("evening") << QDateTime(QDate(2026, 12, 9), QTime(18, 0)) << 46365.75;
    }

    void days() {
        QFETCH(QDateTime, when);
        QFETCH(double, days);
        QCOMPARE(DateTimeToDays(when), days);
        QCOMPARE(DaysToDateTime(days), when);
    }

    // Found by fuzzing a damaged file's date field: no date, rather than undefined behaviour.
    void daysBeyondAnyDate() {
        for (double days : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e10}) {
            QVERIFY(!DaysToDateTime(days).isValid());
        }
    }

    void strToDateTime_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("date") << "15/03/2009" << QDateTime(QDate(2009, 3, 15), QTime(0, 0));
        QTest::newRow("date and time") << " 02/08/2010 14:30 " << QDateTime(QDate(2010, 8, 2), QTime(14, 30));
        QTest::newRow("seconds") << "2/8/2010 14:30:05" << QDateTime(QDate(2010, 8, 2), QTime(14, 30, 5));
        QTest::newRow("two-digit year") << "01/01/09" << QDateTime(QDate(2009, 1, 1), QTime(0, 0));
        QTest::newRow("bad day") << "31/02/2009" << QDateTime();
        QTest::newRow("bad hour") << "01/01/2009 25:00" << QDateTime();
        QTest::newRow("words") << "ontem" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }

    void strToDateTime() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        if (expected.isValid()) {
            QCOMPARE(StrToDateTime(text), expected);
        } else {
            QDateTime dummy;
            QVERIFY(!TryStrToDateTime(text, dummy));
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToDateTime(text));
        }
    }

    void strToFloat_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal comma") << "1234,5" << true << 1234.5;
        QTest::newRow("blanks around") << "  -0,25 " << true << -0.25;
        QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
        QTest::newRow("plus sign") << "+7" << true << 7.0;
        QTest::newRow("trailing comma") << "3," << true << 3.0;
        QTest::newRow("grouping refused") << "1.234,5" << false << 0.0;
        QTest::newRow("point refused") << "1.5" << false << 0.0;
        QTest::newRow("lone minus") << "-" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "12a" << false << 0.0;
        QTest::newRow("overflow") << "1E400" << false << 0.0;
    }

    void strToFloat() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double got = 0;
        QCOMPARE(TryStrToFloat(text, got), ok);
        if (ok) {
            QCOMPARE(got, value);
            QCOMPARE(StrToFloat(text), value);
        } else {
            try {
                StrToFloat(text);
                QFAIL("no exception");
            } catch (const EConvertError& e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' não é um valor numérico válido").arg(text));
            }
        }
    }

    void strToInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "1269" << true << 1269;
        QTest::newRow("negative with blanks") << " -42 " << true << -42;
        QTest::newRow("hexadecimal") << "$FF" << true << 255;
        QTest::newRow("minimum") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("too big") << "2147483648" << false << 0;
        QTest::newRow("fraction") << "1,5" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
    }

    void strToInt() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int32_t got = 0;
        QCOMPARE(TryStrToInt(text, got), ok);
        if (ok) {
            QCOMPARE(got, value);
        } else {
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToInt(text));
        }
    }

    void int64Limits() {
        int64_t v = 0;
        QVERIFY(TryStrToInt64(QStringLiteral("-9223372036854775808"), v));
        QCOMPARE(v, std::numeric_limits<int64_t>::min());
        QVERIFY(!TryStrToInt64(QStringLiteral("9223372036854775808"), v));
    }

    void trimming() {
        const QString messy = QStringLiteral("\t \x01 TRAÇO FINO \r\n");
        QCOMPARE(Trim(messy), QStringLiteral("TRAÇO FINO"));
        QCOMPARE(TrimLeft(QStringLiteral("  a ")), QStringLiteral("a "));
        QCOMPARE(TrimRight(QStringLiteral("  a ")), QStringLiteral("  a"));
        QCOMPARE(Trim(QStringLiteral(" \n ")), QString());
    }

    void windows1252() {
        const QString text = QStringLiteral("Ação € “aspas” – ½ ÿ");
        const QByteArray bytes = ToWindows1252(text);
        QCOMPARE(bytes, QByteArray("A\xE7\xE3o \x80 \x93"
                                   "aspas\x94 \x96 \xBD \xFF"));
        QCOMPARE(FromWindows1252(bytes), text);
        QVERIFY(IsWindows1252(text));

        // Outside the code page: one "?" per character, a surrogate pair included.
        const QString foreign = QStringLiteral("α😀z");
        QCOMPARE(ToWindows1252(foreign), QByteArray("??z"));
        QVERIFY(!IsWindows1252(foreign));

        // Every byte survives a round trip, the unassigned ones too.
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
        QCOMPARE(ToWindows1252(FromWindows1252(all)), all);
    }

    void settingsFromLocale() {
        const FormatSettings c = FormatSettings::fromLocale(QLocale::c());
        QCOMPARE(c.decimalSeparator, QChar(u','));
        QCOMPARE(c.shortDateFormat, QStringLiteral("dd/mm/yyyy"));
        QCOMPARE(c.measurementSystem, QLocale::MetricSystem);

        const FormatSettings br = FormatSettings::fromLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        QCOMPARE(br.decimalSeparator, QChar(u','));
        QCOMPARE(br.thousandSeparator, QChar(u'.'));
        QCOMPARE(br.dateSeparator, QChar(u'/'));
        QCOMPARE(FormatDateTime(QStringLiteral("c"), QDateTime(QDate(2009, 3, 15), QTime(9, 30)), br),
                 QStringLiteral("15/03/2009 09:30:00"));

        const FormatSettings us = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(us.decimalSeparator, QChar(u'.'));
        QCOMPARE(us.measurementSystem, QLocale::ImperialUSSystem);
    }
};

QTEST_APPLESS_MAIN(TestTextsDates)
#include "tst_texts_dates.moc"

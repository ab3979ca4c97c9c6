#include <QtTest>
#include <cmath>
#include <limits>

#include "runtime/Currency.h"
#include "runtime/Exceptions.h"
#include "runtime/Rounding.h"

using namespace quorin;

class TestCurrency : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromDouble_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("scaled");
        QTest::newRow("whole") << 100.0 << qint64(1000000);
        QTest::newRow("four decimals") << 33.3333 << qint64(333333);
        QTest::newRow("negative") << -1.5 << qint64(-15000);
        // n/32 times 10000 is an exact tie in long double: it goes to the even neighbour.
        QTest::newRow("tie down to even") << 0.03125 << qint64(312);
        QTest::newRow("tie up to even") << 0.09375 << qint64(938);
        QTest::newRow("negative tie") << -0.03125 << qint64(-312);
        // 0,00015 is stored a hair below the tie, so it is no tie at all.
        QTest::newRow("near tie follows the binary value") << 0.00015 << qint64(1);
        QTest::newRow("below half") << 0.00004 << qint64(0);
        QTest::newRow("above half") << 0.00006 << qint64(1);
    }

    void fromDouble() {
        QFETCH(double, value);
        QFETCH(qint64, scaled);
        QCOMPARE(Currency::FromDouble(value).Scaled(), scaled);
    }

    void sumsAreExact() {
        const Currency sum =
            Currency::FromDouble(33.3333) + Currency::FromDouble(33.3333) + Currency::FromDouble(33.3334);
        QVERIFY(!sum.DiffersFrom(100.0));
        QVERIFY(sum.DiffersFrom(100.0001));
        QCOMPARE(sum, Currency::FromInteger(100));
        QCOMPARE(sum.ToDouble(), 100.0);

        // Each total is rounded to four decimals before it is added.
        const Currency tiny = Currency::FromDouble(0.00004) + Currency::FromDouble(0.00004);
        QCOMPARE(tiny, Currency());
        QVERIFY(!tiny.GreaterThan(0));
    }

    void comparisons() {
        const Currency a = Currency::FromDouble(1.5);
        const Currency b = Currency::FromDouble(2.25);
        QCOMPARE((a + b).ToDouble(), 3.75);
        QVERIFY(a < b);
        QVERIFY((b - a).GreaterThan(0));
        QVERIFY(!Currency::FromInteger(1).GreaterThan(1));
        QVERIFY(Currency::FromScaled(10001).GreaterThan(1));
        QVERIFY((-a).Scaled() == -15000);
    }

    void outOfRangeIsAConversionError() {
        QVERIFY_THROWS_EXCEPTION(EConvertError, Currency::FromDouble(1e16));
        QVERIFY_THROWS_EXCEPTION(EConvertError, Currency::FromDouble(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY_THROWS_EXCEPTION(EConvertError, Currency::FromDouble(-std::numeric_limits<double>::infinity()));
        QCOMPARE(Currency::FromDouble(900000000000000.0).Scaled(), qint64(9000000000000000000));
    }

    // Two totals that each fit but whose sum does not: an error, never a wrapped sum.
    void sumsOutOfRangeAreErrors() {
        const Currency big = Currency::FromDouble(600000000000000.0);
        QVERIFY_THROWS_EXCEPTION(EConvertError, big + big);
        QVERIFY_THROWS_EXCEPTION(EConvertError, -big - big);
        QVERIFY_THROWS_EXCEPTION(EConvertError, -Currency::FromScaled(std::numeric_limits<int64_t>::min()));
        Currency total = big;
        QVERIFY_THROWS_EXCEPTION(EConvertError, total += big);
        QCOMPARE(total, big);
        const Currency top = Currency::FromScaled(std::numeric_limits<int64_t>::max());
        QCOMPARE((top - big + big), top);
        QCOMPARE((-top - Currency::FromScaled(1)).Scaled(), std::numeric_limits<int64_t>::min());
    }

    void rounding_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("even");
        QTest::addColumn<double>("away");
        QTest::addColumn<double>("trunc");
        QTest::newRow("2,5") << 2.5 << 2.0 << 3.0 << 2.0;
        QTest::newRow("3,5") << 3.5 << 4.0 << 4.0 << 3.0;
        QTest::newRow("-2,5") << -2.5 << -2.0 << -3.0 << -2.0;
        QTest::newRow("-2,7") << -2.7 << -3.0 << -3.0 << -2.0;
        QTest::newRow("0,49") << 0.49 << 0.0 << 0.0 << 0.0;
        QTest::newRow("0,5") << 0.5 << 0.0 << 1.0 << 0.0;
        QTest::newRow("1,5") << 1.5 << 2.0 << 2.0 << 1.0;
        QTest::newRow("just below a half") << 0.49999999999999994 << 0.0 << 0.0 << 0.0;
        QTest::newRow("-0,4") << -0.4 << -0.0 << -0.0 << -0.0;
        QTest::newRow("2^52 - 0,5") << 4503599627370495.5 << 4503599627370496.0 << 4503599627370496.0
                                    << 4503599627370495.0;
        QTest::newRow("2^52 + 1") << 4503599627370497.0 << 4503599627370497.0 << 4503599627370497.0
                                  << 4503599627370497.0;
        QTest::newRow("-1e18, whole already") << -1e18 << -1e18 << -1e18 << -1e18;
    }

    void rounding() {
        QFETCH(double, x);
        QFETCH(double, even);
        QFETCH(double, away);
        QFETCH(double, trunc);
        QCOMPARE(RoundHalfEven(x), even);
        QCOMPARE(std::signbit(RoundHalfEven(x)), std::signbit(even));
        QCOMPARE(RoundHalfEvenToInt64(x), static_cast<int64_t>(even));
        QCOMPARE(RoundHalfEvenToInt64(static_cast<long double>(x)), static_cast<int64_t>(even));
        QCOMPARE(RoundHalfAwayFromZero(x), away);
        QCOMPARE(Trunc(x), trunc);
        QCOMPARE(TruncToInt64(x), static_cast<int64_t>(trunc));
    }
};

QTEST_APPLESS_MAIN(TestCurrency)
#include "tst_currency.moc"

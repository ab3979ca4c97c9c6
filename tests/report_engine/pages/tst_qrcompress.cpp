// The page coder: its known vectors, exact consumption, and round trips.
#include <QtTest>
#include <random>

#include "report_engine/pages/QRCompress.h"

using namespace quorin;

namespace {

QByteArray Encode(const QByteArray& plain) {
    QByteArray coded;
    TQRCodeBuffer out(&coded);
    {
        TQRCompress coder(out, true);
        for (const char c : plain) {
            coder.Compress(static_cast<uint8_t>(c));
        }
    }
    return coded;
}

// Decodes `length` bytes; `consumed` tells how many coded bytes it took.
QByteArray Decode(const QByteArray& coded, qsizetype length, qsizetype* consumed = nullptr,
                  bool* ok = nullptr) {
    QByteArray plain(length, '\0');
    TQRCodeBuffer in(coded);
    bool good = true;
    {
        TQRCompress decoder(in, false);
        for (qsizetype i = 0; i < length && good; ++i) {
            uint8_t b = 0;
            good = decoder.Expand(b);
            plain[i] = static_cast<char>(b);
        }
    }
    if (consumed) {
        *consumed = in.Consumed();
    }
    if (ok) {
        *ok = good;
    }
    return plain;
}

}  // namespace

class TestQRCompress : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void knownVectors_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("coded");
        QTest::newRow("abc") << QByteArray("abc") << QByteArray::fromHex("463d01");
        // Nothing to code, nothing written: the coder flushes only a started byte.
        QTest::newRow("empty") << QByteArray() << QByteArray();
        // Byte 0 is leaf 256, the right child of node 127: seven left steps, then one
        // right step in bit 7. The eighth bit completes the byte, so nothing is flushed.
        QTest::newRow("single zero") << QByteArray(1, '\0') << QByteArray::fromHex("80");
    }
    void knownVectors() {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, coded);
        QCOMPARE(Encode(plain).toHex(), coded.toHex());
        qsizetype consumed = -1;
        QCOMPARE(Decode(coded, plain.size(), &consumed), plain);
        QCOMPARE(consumed, coded.size());
    }

    void roundTrip_data() {
        QTest::addColumn<QByteArray>("plain");
        std::mt19937 rng(8);
        const auto randomBytes = [&rng](int n, int alphabet) {
            QByteArray b(n, '\0');
            for (char& c : b) {
                c = static_cast<char>(rng() % alphabet);
            }
            return b;
        };
        QByteArray everyByte;
        for (int i = 0; i < 256; ++i) {
            everyByte.append(static_cast<char>(i));
        }
        QTest::newRow("one byte 255") << QByteArray(1, '\xff');
        QTest::newRow("every byte value, twice") << everyByte + everyByte;
        QTest::newRow("long run of one value") << QByteArray(100000, 'x');
        for (const int n : {2, 7, 8, 9, 63, 64, 65, 1000, 4096, 65537}) {
            QTest::addRow("random %d", n) << randomBytes(n, 256);
            QTest::addRow("few symbols %d", n) << randomBytes(n, 5);
        }
    }
    void roundTrip() {
        QFETCH(QByteArray, plain);
        const QByteArray coded = Encode(plain);
        // Junk after the code must not be touched: the decoder stops where the coder stopped.
        qsizetype consumed = -1;
        bool ok = false;
        QCOMPARE(Decode(coded + QByteArray("\x5a\xa5junk"), plain.size(), &consumed, &ok), plain);
        QVERIFY(ok);
        QCOMPARE(consumed, coded.size());
    }

    void repetitiveDataShrinks() {
        QByteArray text;
        while (text.size() < 20000) {
            text += "Lote 0001 Item 0042 Caneta esferográfica azul 12,5000 ";
        }
        const QByteArray coded = Encode(text);
        QVERIFY2(coded.size() < text.size() * 3 / 4, qPrintable(QString::number(coded.size())));
    }

    void decoderReportsExhaustedInput() {
        const QByteArray coded = Encode("abcdef");
        bool ok = true;
        Decode(coded.left(2), 6, nullptr, &ok);
        QVERIFY(!ok);
    }
};

QTEST_GUILESS_MAIN(TestQRCompress)
#include "tst_qrcompress.moc"

// The painter canvas: fonts sized for the canvas resolution, text placed by
// its top edge and alignment with the widths the recorder writes, shapes with
// exclusive right and bottom edges, pen styles, clipping, and measuring on a
// worker thread.
#include <QPainter>
#include <QtEndian>
#include <QtTest>
#include <numeric>
#include <thread>

#include "report_engine/canvas/QRTextRun.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/canvas/TQRPainterCanvas.h"

using namespace quorin;

namespace {

QImage White(int w = 200, int h = 100) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// The box of the pixels darker than mid-grey.
QRect Ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Dark(image, x, y)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// The advances of the first text record of a recording.
QList<int> RecordedAdvances(const QByteArray& emf) {
    qsizetype at = 0;
    while (at + 8 <= emf.size()) {
        const uint32_t type = qFromLittleEndian<uint32_t>(emf.constData() + at);
        const uint32_t size = qFromLittleEndian<uint32_t>(emf.constData() + at + 4);
        if (type == 84) {
            const char* r = emf.constData() + at;
            const uint32_t n = qFromLittleEndian<uint32_t>(r + 44);
            const uint32_t offDx = qFromLittleEndian<uint32_t>(r + 72);
            QList<int> dx;
            for (uint32_t i = 0; i < n; ++i) {
                dx.append(qFromLittleEndian<int32_t>(r + offDx + 4 * i));
            }
            return dx;
        }
        at += size;
    }
    return {};
}

}  // namespace

class TestPainterCanvas : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void fontsAreSizedForTheResolution_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("8 pt at 96 dpi") << 8 << 0 << 96 << 11;
        QTest::newRow("9 pt at 96 dpi") << 9 << 0 << 96 << 12;
        QTest::newRow("10 pt at 96 dpi") << 10 << 0 << 96 << 13;
        QTest::newRow("10 pt at 600 dpi") << 10 << 0 << 600 << 83;
        QTest::newRow("height overrides size") << 10 << 20 << 96 << 20;
        QTest::newRow("negative height") << 10 << -15 << 96 << 15;
    }
    void fontsAreSizedForTheResolution() {
        QFETCH(int, size);
        QFETCH(int, height);
        QFETCH(int, dpi);
        QFETCH(int, pixels);
        TQRFont font;
        font.Size = size;
        font.Height = height;
        QCOMPARE(textrun::SpecOf(font, dpi).PixelSize, pixels);
        // The recorder writes that height into the font record.
        TQREmfRecorder recorder(QSize(100, 100), dpi);
        recorder.Font = font;
        recorder.TextOut(0, 0, QStringLiteral("x"));
        const QByteArray emf = recorder.Finish().Data();
        const qsizetype at = emf.indexOf(QByteArray::fromHex("52000000"));  // EXTCREATEFONTINDIRECTW
        QVERIFY(at > 0);
        QCOMPARE(qFromLittleEndian<int32_t>(emf.constData() + at + 12), -pixels);
    }

    void widthsAreTheRecordedAdvances_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("bold");
        QTest::newRow("plain") << QStringLiteral("Caneta esferográfica azul") << 8 << false;
        QTest::newRow("bold digits") << QStringLiteral("R$ 1.234.567,89") << 10 << true;
        QTest::newRow("outside Latin-1") << QStringLiteral("Preço – “item” €") << 9 << false;
        QTest::newRow("surrogate pair") << QStringLiteral("a\U0001F600b") << 9 << false;
        QTest::newRow("single letter") << QStringLiteral("W") << 12 << false;
    }
    void widthsAreTheRecordedAdvances() {
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(bool, bold);
        TQREmfRecorder recorder(QSize(400, 100), 96);
        recorder.Font.Size = size;
        recorder.Font.Bold = bold;
        const int width = recorder.TextWidth(text);
        recorder.TextOut(0, 0, text);
        const QList<int> dx = RecordedAdvances(recorder.Finish().Data());
        QCOMPARE(dx.size(), text.size());
        QCOMPARE(std::accumulate(dx.begin(), dx.end(), 0), width);

        QImage image = White();
        QPainter painter(&image);
        TQRPainterCanvas canvas(painter, 96);
        canvas.Font = recorder.Font;
        QCOMPARE(canvas.TextWidth(text), width);
        QCOMPARE(canvas.TextHeight(text), recorder.TextHeight(text));
        QVERIFY(width > 0);
        QCOMPARE(canvas.TextWidth(QString()), 0);
    }

    void textIsPlacedByTopEdgeAndAlignment_data() {
        QTest::addColumn<int>("align");
        QTest::newRow("left") << int(TAlignment::taLeftJustify);
        QTest::newRow("right") << int(TAlignment::taRightJustify);
        QTest::newRow("centre") << int(TAlignment::taCenter);
    }
    void textIsPlacedByTopEdgeAndAlignment() {
        QFETCH(int, align);
        const QString text = QStringLiteral("HHHH");
        QImage image = White();
        QPainter painter(&image);
        TQRPainterCanvas canvas(painter, 96);
        canvas.Font.Size = 12;
        canvas.TextAlign = static_cast<TAlignment>(align);
        const int width = canvas.TextWidth(text);
        canvas.TextOut(100, 30, text);
        painter.end();
        const QRect ink = Ink(image);
        const int left = align == int(TAlignment::taLeftJustify)    ? 100
                         : align == int(TAlignment::taRightJustify) ? 100 - width
                                                                    : 100 - width / 2;
        QVERIFY2(std::abs(ink.left() - left) <= 2, qPrintable(QString::number(ink.left())));
        QVERIFY2(std::abs(ink.right() + 1 - (left + width)) <= 3, qPrintable(QString::number(ink.right())));
        // Capital letters start a little below the top of the cell, never above it.
        QVERIFY(ink.top() >= 30 && ink.top() <= 34);
        QVERIFY(ink.bottom() < 30 + canvas.TextHeight(text));
    }

    void backgroundAndDecorations() {
        QImage image = White();
        image.fill(QColor(160, 255, 160));
        QPainter painter(&image);
        TQRPainterCanvas canvas(painter, 96);
        canvas.Font.Size = 10;
        canvas.Font.Underline = true;
        canvas.Brush.Color = QColor(255, 255, 0);
        canvas.TransparentBackground = false;
        const QString text = QStringLiteral("iiii");
        const int width = canvas.TextWidth(text);
        const int height = canvas.TextHeight(text);
        canvas.TextOut(10, 10, text);
        canvas.TransparentBackground = true;
        canvas.TextOut(10, 50, text);
        painter.end();
        // The opaque cell is the brush colour; the transparent one leaves the green.
        QCOMPARE(image.pixel(10 + width - 1, 11), qRgb(255, 255, 0));
        QCOMPARE(image.pixel(10 + width, 11), qRgb(160, 255, 160));
        QCOMPARE(image.pixel(10 + width - 1, 51), qRgb(160, 255, 160));
        // The underline runs under the whole text and no further.
        const QRect underlined = Ink(image.copy(0, 50, image.width(), height));
        QCOMPARE(underlined.right(), 10 + width - 1);
        QVERIFY(underlined.left() >= 10 && underlined.left() <= 11);
        QVERIFY(Dark(image, 10 + width - 1, 50 + underlined.bottom()));
    }

    void shapesHaveExclusiveRightAndBottomEdges() {
        QImage image = White();
        QPainter painter(&image);
        TQRPainterCanvas canvas(painter, 96);
        canvas.Brush.Style = TQRBrushStyle::bsClear;
        canvas.Rectangle(10, 10, 20, 20);
        canvas.MoveTo(5, 30);
        canvas.LineTo(15, 30);
        canvas.Brush = TQRBrush{Qt::black, TQRBrushStyle::bsSolid};
        canvas.FillRect(QRect(30, 30, 5, 5));
        canvas.Pen.Style = TQRPenStyle::psClear;
        canvas.Rectangle(40, 10, 50, 20);
        canvas.Pen = TQRPen{Qt::black, 0, TQRPenStyle::psSolid};
        canvas.MoveTo(60, 10);
        canvas.LineTo(60, 20);
        canvas.Pen.Width = 3;
        canvas.MoveTo(90, 10);
        canvas.LineTo(70, 10);
        painter.end();
        QVERIFY(Dark(image, 10, 10) && Dark(image, 19, 19) && Dark(image, 19, 10) && Dark(image, 10, 19));
        QVERIFY(!Dark(image, 20, 20) && !Dark(image, 20, 10) && !Dark(image, 15, 15));
        QCOMPARE(Ink(image.copy(0, 25, 30, 10)), QRect(5, 5, 10, 1));
        QCOMPARE(Ink(image.copy(28, 28, 10, 10)), QRect(2, 2, 5, 5));
        // Without a pen the filled inside stops one pixel short of the edges.
        QCOMPARE(Ink(image.copy(38, 8, 15, 15)), QRect(2, 2, 9, 9));
        // A zero-width pen draws one pixel.
        QCOMPARE(Ink(image.copy(55, 5, 10, 20)), QRect(5, 5, 1, 10));
        // Drawn backwards, a line still leaves out its last point; a wide pen is centred.
        QCOMPARE(Ink(image.copy(65, 5, 30, 10)), QRect(6, 4, 20, 3));
    }

    void penStyles_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("solid") << int(TQRPenStyle::psSolid) << 120 << 120;
        QTest::newRow("dash") << int(TQRPenStyle::psDash) << 80 << 100;
        QTest::newRow("dot") << int(TQRPenStyle::psDot) << 50 << 70;
        QTest::newRow("dash dot") << int(TQRPenStyle::psDashDot) << 60 << 90;
        QTest::newRow("dash dot dot") << int(TQRPenStyle::psDashDotDot) << 60 << 90;
        QTest::newRow("clear") << int(TQRPenStyle::psClear) << 0 << 0;
    }
    void penStyles() {
        QFETCH(int, style);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        // Drawn directly and played from a recording, the line inks the same share.
        TQREmfRecorder recorder(QSize(200, 100), 96);
        QImage direct = White();
        QPainter painter(&direct);
        TQRPainterCanvas canvas(painter, 96);
        for (TQRCanvas* c : {static_cast<TQRCanvas*>(&canvas), static_cast<TQRCanvas*>(&recorder)}) {
            c->Pen.Style = static_cast<TQRPenStyle>(style);
            c->MoveTo(10, 50);
            c->LineTo(130, 50);
        }
        painter.end();
        QImage played = White();
        QPainter player(&played);
        TQREmfPlayer::Play(recorder.Finish(), player, QRectF(0, 0, 200, 100));
        player.end();
        for (const QImage& image : {direct, played}) {
            int inked = 0;
            for (int x = 0; x < image.width(); ++x) {
                inked += Dark(image, x, 50) ? 1 : 0;
            }
            QVERIFY2(inked >= minimum && inked <= maximum, qPrintable(QString::number(inked)));
            QCOMPARE(Ink(image).height() <= 1, true);
        }
    }

    void resetClipRestoresThePaintersClip() {
        QImage image = White();
        QPainter painter(&image);
        painter.setClipRect(QRect(0, 0, 50, 50));
        TQRPainterCanvas canvas(painter, 96);
        canvas.Brush = TQRBrush{Qt::black, TQRBrushStyle::bsSolid};
        canvas.SetClipRect(QRect(40, 40, 100, 100));
        canvas.FillRect(QRect(0, 0, 200, 100));
        QCOMPARE(Ink(image), QRect(40, 40, 10, 10));
        canvas.ResetClip();
        canvas.FillRect(QRect(0, 0, 200, 100));
        painter.end();
        QCOMPARE(Ink(image), QRect(0, 0, 50, 50));
    }

    void measuresOnAWorkerThread() {
        const QString text = QStringLiteral("Especificação do item 42");
        TQREmfRecorder here(QSize(100, 100), 96);
        const int expected = here.TextWidth(text);
        int measured = -1;
        QByteArray recorded;
        std::thread worker([&] {
            TQREmfRecorder there(QSize(100, 100), 96);
            measured = there.TextWidth(text);
            there.TextOut(0, 0, text);
            recorded = there.Finish().Data();
        });
        worker.join();
        QCOMPARE(measured, expected);
        const QList<int> dx = RecordedAdvances(recorded);
        QCOMPARE(std::accumulate(dx.begin(), dx.end(), 0), expected);
    }
};

QTEST_MAIN(TestPainterCanvas)
#include "tst_qrpaintercanvas.moc"

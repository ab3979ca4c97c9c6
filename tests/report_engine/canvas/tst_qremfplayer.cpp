// The player as a loader of outside bytes: records other programs write are
// drawn, damaged recordings draw what precedes the damage and never crash,
// and Texts() finds the narrow and wide text records.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "CanvasScenes.h"
#include "EmfBytes.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"

using namespace quorin;
using namespace quorin::emfbytes;

namespace {

constexpr int64_t kStock = 0x80000000LL;
constexpr uint32_t kRed = 0x0000FF;

QImage PlayOn(const QByteArray& emf, QSize size = QSize(100, 100)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TQREmfPlayer::Play(emf, painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// A red box at (60, 60)-(80, 80) drawn with objects of their own handles,
// to see whether records after a damaged one still play.
QByteArray RedBox() {
    return Rec(39, {900, 0, kRed, 0}) + Rec(37, {900}) + Rec(37, {kStock | 8}) + Rec(43, {60, 60, 80, 80});
}

bool RedAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 0, 0);
}

}  // namespace

class TestEmfPlayer : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void foreignRecordsAreDrawn_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QPoint>("outside");
        const QByteArray redFill = Rec(39, {1, 0, kRed, 0}) + Rec(37, {1}) + Rec(37, {kStock | 8});
        QTest::newRow("polygon") << redFill + Rec(3, {0, 0, 0, 0, 3, 10, 10, 50, 10, 10, 50}) << QPoint(15, 15)
                                 << QPoint(45, 45);
        QTest::newRow("polygon16") << redFill + Rec(86, {0, 0, 0, 0, 3, (10 << 16) | 10, (10 << 16) | 50,
                                                          (50 << 16) | 10})
                                   << QPoint(15, 15) << QPoint(45, 45);
        QTest::newRow("polypolygon16")
            << redFill + Rec(91, {0, 0, 0, 0, 2, 8, 4, 4, (10 << 16) | 10, (10 << 16) | 30, (30 << 16) | 30,
                                  (30 << 16) | 10, (60 << 16) | 60, (60 << 16) | 90, (90 << 16) | 90,
                                  (90 << 16) | 60})
            << QPoint(75, 75) << QPoint(45, 45);
        const QByteArray redPen = Rec(38, {2, 0, 3, 0, kRed}) + Rec(37, {2});
        QTest::newRow("polyline") << redPen + Rec(4, {0, 0, 0, 0, 2, 10, 50, 90, 50}) << QPoint(50, 50)
                                  << QPoint(50, 60);
        QTest::newRow("polyline16") << redPen + Rec(87, {0, 0, 0, 0, 2, (50 << 16) | 10, (50 << 16) | 90})
                                    << QPoint(50, 50) << QPoint(50, 60);
        QTest::newRow("polybezier") << redPen + Rec(2, {0, 0, 0, 0, 4, 10, 50, 30, 50, 70, 50, 90, 50})
                                    << QPoint(50, 50) << QPoint(50, 60);
        QTest::newRow("polylineto16") << redPen + Rec(27, {10, 20}) + Rec(89, {0, 0, 0, 0, 1, (20 << 16) | 90})
                                      << QPoint(50, 20) << QPoint(50, 30);
        // Logical units ten times finer than the device's, origin moved.
        QTest::newRow("window and viewport")
            << redFill + Rec(17, {8}) + Rec(9, {1000, 1000}) + Rec(11, {100, 100}) + Rec(10, {-100, -100}) +
                   Rec(43, {0, 0, 200, 200})
            << QPoint(15, 15) << QPoint(35, 35);
        QTest::newRow("viewport origin") << redFill + Rec(12, {50, 50}) + Rec(43, {0, 0, 20, 20}) << QPoint(55, 55)
                                         << QPoint(15, 15);
        QTest::newRow("hatched brush fills solid") << Rec(39, {1, 2, kRed, 3}) + Rec(37, {1}) +
                                                          Rec(37, {kStock | 8}) + Rec(43, {10, 10, 40, 40})
                                                   << QPoint(20, 20) << QPoint(50, 50);
        QTest::newRow("restoredc brings the brush back")
            << redFill + Rec(33, {}) + Rec(37, {kStock | 0}) + Rec(34, {-1}) + Rec(43, {10, 10, 40, 40})
            << QPoint(20, 20) << QPoint(50, 50);
        QTest::newRow("clip") << redFill + Rec(30, {0, 0, 30, 100}) + Rec(43, {10, 10, 60, 60}) << QPoint(20, 20)
                              << QPoint(40, 40);
    }
    void foreignRecordsAreDrawn() {
        QFETCH(QByteArray, records);
        QFETCH(QPoint, inside);
        QFETCH(QPoint, outside);
        const QImage image = PlayOn(Page(records, 1));
        QVERIFY2(RedAt(image, inside.x(), inside.y()), "not drawn where it should be");
        QVERIFY2(!RedAt(image, outside.x(), outside.y()), "drawn where it should not be");
    }

    void damagedRecordsNeverCrash_data() {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<bool>("laterRecordsPlay");
        QTest::newRow("zero size") << WithSize(Rec(43, {1, 1, 5, 5}), 0) << false;
        QTest::newRow("negative size") << WithSize(Rec(43, {1, 1, 5, 5}), 0xFFFFFFF0u) << false;
        QTest::newRow("size not a multiple of four") << WithSize(Rec(43, {1, 1, 5, 5}), 22) << false;
        QTest::newRow("size past the end") << WithSize(Rec(43, {1, 1, 5, 5}), 4000) << false;
        QTest::newRow("record shorter than its fields") << Rec(43, {1, 1}) << true;
        QTest::newRow("polygon with a huge count") << Rec(3, {0, 0, 0, 0, 0x40000000, 1, 1, 2, 2}) << true;
        QTest::newRow("polygon16 with count -1") << Rec(86, {0, 0, 0, 0, -1, 0x00010001}) << true;
        QTest::newRow("polypolygon counts beyond the total")
            << Rec(8, {0, 0, 0, 0, 2, 3, 0x7FFFFFFF, 5, 1, 1, 2, 2, 3, 3}) << true;
        QTest::newRow("polypolygon with a huge polygon count") << Rec(91, {0, 0, 0, 0, -1, -1, 1}) << true;
        QTest::newRow("text with a huge character count")
            << Rec(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 0x7FFFFFFF, 76, 0, 0, 0, 10, 10, 80}) << true;
        QTest::newRow("text whose characters lie outside")
            << Rec(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 4, -8, 0, 0, 0, 10, 10, 0}) << true;
        QTest::newRow("text whose advances lie outside")
            << TextRec(5, 5, QStringLiteral("abcd"), true) + Rec(84, {0, 0, 10, 10, 1, 0, 0, 5, 5, 1, 76, 0,
                                                                         0, 0, 10, 10, 0x7FFFFFF0, 0x41})
            << true;
        QTest::newRow("text at the edge of the coordinates")
            << TextRec(0x7FFFFFFF, -0x7FFFFFFF, QStringLiteral("x"), true) << true;
        QTest::newRow("select of bogus objects")
            << Rec(37, {0}) + Rec(37, {0xFFFF}) + Rec(37, {0x7FFFFFFF}) + Rec(37, {kStock | 0x7FFFFFFF}) << true;
        QTest::newRow("objects into bogus handles")
            << Rec(38, {0xFFFFFFFF, 0, 1, 0, 0}) + Rec(39, {0, 0, 0, 0}) + Rec(39, {0x7FFFFFFF, 0, 0, 0}) +
                   Rec(40, {0xFFFFFFFF}) + Rec(40, {0})
            << true;
        QTest::newRow("pen of enormous width") << Rec(38, {5, 0, 0x7FFFFFFF, 0, 0}) + Rec(37, {5}) +
                                                      Rec(27, {-200000, -200000}) + Rec(54, {-190000, -200000}) +
                                                      Rec(37, {kStock | 8})
                                               << true;
        QTest::newRow("font of extreme heights")
            << Rec(82, {7, int64_t(0x80000000), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) +
                   Rec(37, {7}) + TextRec(1, 1, QStringLiteral("A"), true)
            << true;
        QTest::newRow("font record too short") << Rec(82, {7, -12}) + Rec(37, {7}) << true;
        QTest::newRow("bitmap larger than allowed")
            << Rec(81, {0, 0, 10, 10, 0, 0, 0, 0, 100000, 100000, 80, 40, 120, 0, 0, 0xCC0020, 10, 10, 40,
                        100000, 100000, 0x00200001, 0, 0, 0, 0, 0, 0})
            << true;
        QTest::newRow("bitmap bits outside the record")
            << Rec(81, {0, 0, 10, 10, 0, 0, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0xCC0020, 10, 10, 40, 2, 2, 0x00200001,
                        0, 0, 0, 0, 0, 0})
            << true;
        QTest::newRow("bitmap of a bogus depth")
            << Rec(81, {0, 0, 10, 10, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0xCC0020, 10, 10, 40, 1, 1, 0x00070001,
                        0, 0, 0, 0, 0, 0, 0})
            << true;
        QTest::newRow("bitmap palette outside the record")
            << Rec(81, {0, 0, 10, 10, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0xCC0020, 10, 10, 40, 1, 1, 0x00080001,
                        0, 0, 0, 0, 0, 0x10000, 0})
            << true;
        QTest::newRow("bitmap of height minus infinity")
            << Rec(81, {0, 0, 10, 10, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0xCC0020, 10, 10, 40, 1, 0x80000000,
                        0x00200001, 0, 0, 0, 0, 0, 0, 0})
            << true;
        QTest::newRow("restores without saves") << Rec(34, {-1}) + Rec(34, {5}) + Rec(34, {int64_t(0x80000000)})
                                                << true;
        QByteArray saves;
        for (int i = 0; i < 2000; ++i) {
            saves += Rec(33, {});
        }
        QTest::newRow("thousands of saves") << saves + Rec(34, {1}) << true;
        QTest::newRow("text under an extreme stretch")
            << Rec(17, {8}) + Rec(9, {1000, 1000}) + Rec(11, {-196508, -101}) +
                   TextRec(5, 5, QStringLiteral("abc"), true) + Rec(11, {100000000, 1}) +
                   TextRec(5, 5, QStringLiteral("abc"), true) + Rec(17, {1})
            << true;
        QTest::newRow("zero window extent") << Rec(17, {8}) + Rec(9, {0, 0}) + Rec(11, {0, 5}) << true;
        QTest::newRow("eof in the middle") << Rec(14, {0, 16, 20}) << false;
    }
    void damagedRecordsNeverCrash() {
        QFETCH(QByteArray, damaged);
        QFETCH(bool, laterRecordsPlay);
        const QByteArray emf = Page(RedBox() + damaged + Rec(43, {10, 10, 30, 30}), 3);
        const QImage image = PlayOn(emf);
        QVERIFY2(RedAt(image, 70, 70), "records before the damage must play");
        QCOMPARE(RedAt(image, 20, 20), laterRecordsPlay);
        TQREmfPlayer::Texts(emf);
    }

    // The pages the fuzzer keeps, its findings among them (a text laid out with
    // fallback fonts at thousands of pixels crashed the glyph cache), play in
    // the ordinary suite too.
    void fuzzerPagesPlay() {
        const QDir corpus(QStringLiteral(QUORIN_SOURCE_DIR "/fuzz/canvas/corpus"));
        const QStringList pages = corpus.entryList(QDir::Files);
        QVERIFY(pages.contains(QStringLiteral("huge_shaped_text.emf")));
        for (const QString& name : pages) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray page = file.readAll();
            PlayOn(page, QSize(96, 72));
            TQREmfPlayer::Texts(page);
        }
    }

    void truncationAtEveryByteDrawsThePrecedingRecords() {
        TQREmfRecorder recorder(QSize(400, 300), 96);
        scenes::ReportPage(recorder);
        const QByteArray whole = recorder.Finish().Data();
        const QList<TQREmfPlayer::TextRecord> all = TQREmfPlayer::Texts(whole);
        QImage image(100, 75, QImage::Format_RGB32);
        QPainter painter(&image);
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const QByteArray cut = whole.left(n);
            TQREmfPlayer::Play(cut, painter, QRectF(0, 0, 100, 75));
            const QList<TQREmfPlayer::TextRecord> texts = TQREmfPlayer::Texts(cut);
            QVERIFY(texts.size() <= all.size());
            for (qsizetype i = 0; i < texts.size(); ++i) {
                QCOMPARE(texts[i].Text, all[i].Text);
            }
        }
    }

    void garbageAndEmptyInputsDrawNothing() {
        for (const QByteArray& bytes : {QByteArray(), QByteArray(87, '\0'), QByteArray(4096, '\xFF'),
                                        QByteArray("not a metafile at all, just some text")}) {
            const QImage image = PlayOn(bytes);
            QCOMPARE(image.pixel(50, 50), qRgb(255, 255, 255));
            QVERIFY(TQREmfPlayer::Texts(bytes).isEmpty());
        }
        // An inactive painter or an empty target is not drawn on.
        QPainter idle;
        TQREmfPlayer::Play(Page(RedBox()), idle, QRectF(0, 0, 10, 10));
        QCOMPARE(PlayOn(Page(RedBox()), QSize(1, 1)).size(), QSize(1, 1));
    }

    void textsOfNarrowAndWideRecords() {
        const QByteArray emf = Page(TextRec(10, 20, QStringLiteral("Lote 1"), false) + Rec(43, {1, 1, 5, 5}) +
                                        TextRec(30, 40, QStringLiteral("Preço unitário"), true) +
                                        TextRec(50, 60, QStringLiteral("Descrição ç"), false) +
                                        TextRec(70, 80, QString::fromLatin1("\x80 \x93ok\x94"), false),
                                    5);
        const QList<TQREmfPlayer::TextRecord> texts = TQREmfPlayer::Texts(emf);
        QCOMPARE(texts.size(), 4);
        QCOMPARE(texts[0].Text, QStringLiteral("Lote 1"));
        QCOMPARE(texts[0].Position, QPointF(10, 20));
        QCOMPARE(texts[1].Text, QStringLiteral("Preço unitário"));
        QCOMPARE(texts[1].Position, QPointF(30, 40));
        QCOMPARE(texts[2].Text, QStringLiteral("Descrição ç"));
        QCOMPARE(texts[3].Text, QStringLiteral("€ “ok”"));
        // These records say neither where they lie nor how wide their letters are.
        QVERIFY(texts[1].Bounds.isEmpty());
        QVERIFY(texts[1].Advances.isEmpty());
        // Text records without advances are measured and drawn.
        QImage image = PlayOn(emf);
        bool inked = false;
        for (int x = 10; x < 40 && !inked; ++x) {
            for (int y = 20; y < 32 && !inked; ++y) {
                inked = qGray(image.pixel(x, y)) < 128;
            }
        }
        QVERIFY(inked);
    }

    // Where a recorded text lies, mapped as Play maps the page, is where its letters are drawn,
    // whatever the target.
    void textBoundsAreWhereTheTextIsDrawn() {
        TQREmfRecorder recorder(QSize(400, 300), 96);
        recorder.Font.Size = 12;
        recorder.TextOut(40, 100, QStringLiteral("Preço unitário"));
        recorder.TextAlign = TAlignment::taRightJustify;
        recorder.TextOut(380, 200, QStringLiteral("1.234,56"));
        const QByteArray emf = recorder.Finish().Data();
        const QList<TQREmfPlayer::TextRecord> texts = TQREmfPlayer::Texts(emf);
        QCOMPARE(texts.size(), 2);
        for (const QRectF& target : {QRectF(0, 0, 400, 300), QRectF(10, 20, 800, 600), QRectF(0, 0, 200, 150)}) {
            QImage image(int(target.right()) + 1, int(target.bottom()) + 1, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                TQREmfPlayer::Play(emf, painter, target);
            }
            const QTransform toTarget = TQREmfPlayer::DeviceToTarget(emf, target);
            QRect inked;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 160) inked |= QRect(x, y, 1, 1);
            QRect marked;
            for (const TQREmfPlayer::TextRecord& text : texts) {
                QCOMPARE(text.Advances.size(), text.Text.size());
                qreal width = 0;
                for (const int d : text.Advances) width += d;
                QCOMPARE(text.Bounds.width(), width);
                marked |= toTarget.mapRect(text.Bounds).toAlignedRect();
            }
            // The ink lies within the mapped bounds, and fills them but for the margins of the letters.
            QVERIFY2(marked.adjusted(-1, -1, 1, 1).contains(inked), qPrintable(QString::number(target.width())));
            QVERIFY(inked.width() > marked.width() * 8 / 10);
            QVERIFY(inked.height() > marked.height() / 2);
        }
        QVERIFY(TQREmfPlayer::DeviceToTarget(QByteArray("no page"), QRectF(0, 0, 10, 10)).isIdentity());
    }
};

QTEST_MAIN(TestEmfPlayer)
#include "tst_qremfplayer.moc"

// Text drawn from page recordings at every scale: letters keep the font's own
// spacing, lines keep the width layout measured, characters beyond the font
// come from a font that has them, and finer copies of a recording for other
// readers draw the same page.

#include <QtEndian>
#include <QtTest>

#include "CanvasScenes.h"
#include "LetterGaps.h"
#include "report_engine/canvas/QREmfScale.h"
#include "report_engine/canvas/QRTextRun.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"

using namespace quorin;

namespace {

constexpr QSize kPage(360, 40);
constexpr int kLeft = 17;  // where the texts start, in recording pixels
constexpr int kTop = 10;

TQRFont ReportFont(int size, bool bold = false) {
    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = size;
    font.Bold = bold;
    return font;
}

QByteArray Record(const TQRFont& font, const QString& text) {
    TQREmfRecorder recorder(kPage, 96);
    recorder.Font = font;
    recorder.TextOut(kLeft, kTop, text);
    return recorder.Finish().Data();
}

QImage Played(const QByteArray& emf, qreal scale) {
    QImage image(QSize(qCeil(kPage.width() * scale), qCeil(kPage.height() * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TQREmfPlayer::Play(emf, painter, QRectF(0, 0, kPage.width() * scale, kPage.height() * scale));
    return image;
}

// The offset of the advances of the first wide text record.
int AdvancesOffset(const QByteArray& emf) {
    int at = 0;
    while (at + 8 <= emf.size()) {
        const auto type = qFromLittleEndian<uint32_t>(emf.constData() + at);
        const auto size = qFromLittleEndian<uint32_t>(emf.constData() + at + 4);
        if (type == 84) return at + int(qFromLittleEndian<uint32_t>(emf.constData() + at + 72));
        if (size < 8) break;
        at += int(size);
    }
    return -1;
}

QImage SideBySide(const QImage& a, const QImage& b) {
    QImage out(a.width(), a.height() + b.height() + 2, QImage::Format_RGB32);
    out.fill(QColor(255, 200, 200));
    QPainter painter(&out);
    painter.drawImage(0, 0, a);
    painter.drawImage(0, a.height() + 2, b);
    return out;
}

}  // namespace

class TestQRTextSpacing : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Words the preview split at zoom to width ("Quantida de", "400,00 00", "5 00 folhas").
    void lettersKeepTheFontsSpacing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<double>("zoom");
        const QStringList texts{QStringLiteral("Quantidade"), QStringLiteral("400,0000"), QStringLiteral("500 folhas"),
                                QStringLiteral("formato"),    QStringLiteral("com 10"),   QStringLiteral("500098")};
        // 181 % is the zoom to width of an A4 page in a preview 1600 pixels wide.
        for (const double zoom : {1.0, 2.0, 1.81, 4.0}) {
            for (const QString& text : texts) {
                QTest::addRow("%s %g", qPrintable(text), zoom * 100) << text << 9 << false << zoom;
            }
        }
        QTest::addRow("bold title 181") << QStringLiteral("Quantidade Unitário") << 10 << true << 1.81;
    }
    void lettersKeepTheFontsSpacing() {
        QFETCH(QString, text);
        QFETCH(int, points);
        QFETCH(bool, bold);
        QFETCH(double, zoom);
        const TQRFont font = ReportFont(points, bold);
        const textrun::FontDesc desc = textrun::DescOf(font, 96);
        const QByteArray emf = Record(font, text);
        const QImage played = Played(emf, zoom);

        const textrun::DrawFont& drawFont = textrun::DrawFontFor(desc);
        const QImage reference = lettergaps::DrawText(played.size(), drawFont.Font, text, zoom,
                                                      QPointF(kLeft, kTop + drawFont.Ascent));
        const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        SideBySide(played, reference).save(scenes::ScreenshotDir() + "/letters_" + name + ".png");

        const auto drawnRuns = lettergaps::InkRuns(played, 0, played.height());
        const auto referenceRuns = lettergaps::InkRuns(reference, 0, reference.height());
        const QString difference = lettergaps::CompareGaps(drawnRuns, referenceRuns);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));

        // The line ends where layout measured it: the last letter stands as far before
        // the measured end as it stands before the end of the font's own advances.
        textrun::Measurer measurer;
        measurer.SetFont(desc);
        const qreal measured = (kLeft + measurer.Width(text)) * zoom;
        const qreal natural = (kLeft + QFontMetricsF(drawFont.Font).horizontalAdvance(text)) * zoom;
        const qreal drawnBearing = measured - drawnRuns.last().End;
        const qreal referenceBearing = natural - referenceRuns.last().End;
        QVERIFY2(std::abs(drawnBearing - referenceBearing) <= 1.5,
                 qPrintable(QStringLiteral("%1 against %2").arg(drawnBearing).arg(referenceBearing)));
    }

    // Advances that do not follow the font (another writer spaced the letters on
    // purpose) are drawn as they are.
    void foreignAdvancesAreKept() {
        const TQRFont font = ReportFont(9);
        const QString text = QStringLiteral("ABC");
        QByteArray emf = Record(font, text);
        const int at = AdvancesOffset(emf);
        QVERIFY(at > 0);
        for (int i = 0; i < text.size(); ++i) qToLittleEndian<int32_t>(30, emf.data() + at + 4 * i);
        const auto runs = lettergaps::InkRuns(Played(emf, 2.0), 0, 80);
        QCOMPARE(runs.size(), 3);
        // Each letter starts 60 pixels (30 recording pixels at 200 %) after the one before.
        QVERIFY(std::abs((runs[1].Start - runs[0].Start) - 60) <= 2);
        QVERIFY(std::abs((runs[2].Start - runs[1].Start) - 60) <= 2);
    }

    // Characters the report's font lacks come from an installed font that has them,
    // in their own direction, within the width the recording gives the text.
    void charactersBeyondTheFont_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("chinese") << QStringLiteral("中文字符");
        QTest::newRow("japanese") << QStringLiteral("日本語のテキスト");
        QTest::newRow("hebrew, right to left") << QStringLiteral("שלום עולם");
        QTest::newRow("arabic, joined") << QStringLiteral("مرحبا بالعالم");
        QTest::newRow("emoji") << QStringLiteral("😀👍");
        QTest::newRow("latin and chinese") << QStringLiteral("Lote 中文 1");
    }
    void charactersBeyondTheFont() {
        QFETCH(QString, text);
        const TQRFont font = ReportFont(12);
        const textrun::FontDesc desc = textrun::DescOf(font, 96);
        const QByteArray emf = Record(font, text);
        const QImage played = Played(emf, 2.0);
        // Qt's own layout of the string, with its font fallback and bidirectional order.
        QFont shaped = textrun::MakeFont(desc);
        shaped.setStyleStrategy(QFont::PreferDefault);
        const QImage reference =
            lettergaps::DrawText(played.size(), shaped, text, 2.0, QPointF(kLeft, kTop + textrun::DrawFontFor(desc).Ascent));
        const QString name = QString::fromLatin1(QTest::currentDataTag()).section(u',', 0, 0).replace(u' ', u'_');
        SideBySide(played, reference).save(scenes::ScreenshotDir() + "/beyond_font_" + name + ".png");

        const auto runs = lettergaps::InkRuns(played, 0, played.height());
        QVERIFY2(!runs.isEmpty(), "nothing drawn");
        // No empty boxes, no mirrored order: the ink matches Qt's within a few pixels.
        const double unmatched = scenes::UnmatchedShare(played, reference, 3, 96);
        QVERIFY2(unmatched < 0.004, qPrintable(QString::number(unmatched)));
        // Within the recorded width.
        textrun::Measurer measurer;
        measurer.SetFont(desc);
        QVERIFY(runs.first().Start >= kLeft * 2 - 4);
        QVERIFY(runs.last().End <= (kLeft + measurer.Width(text)) * 2 + 4);
    }

    // The finer copy other readers get draws the same page: shapes on the same pixels,
    // texts and pictures in the same places.
    void finerCopyDrawsTheSamePage_data() {
        QTest::addColumn<int>("factor");
        QTest::addColumn<double>("scale");
        QTest::newRow("16, at 100 %") << 16 << 1.0;
        QTest::newRow("16, at 200 %") << 16 << 2.0;
        QTest::newRow("7, at 150 %") << 7 << 1.5;
    }
    void finerCopyDrawsTheSamePage() {
        QFETCH(int, factor);
        QFETCH(double, scale);
        TQREmfRecorder recorder(QSize(400, 300), 96);
        scenes::ReportPage(recorder);
        const QByteArray emf = recorder.Finish().Data();
        const QByteArray finer = emfscale::Finer(emf, factor);
        QVERIFY(finer != emf);
        const QSize size(qRound(400 * scale), qRound(300 * scale));
        QImage a(size, QImage::Format_RGB32), b(size, QImage::Format_RGB32);
        a.fill(Qt::white);
        b.fill(Qt::white);
        {
            QPainter pa(&a), pb(&b);
            TQREmfPlayer::Play(emf, pa, QRectF(QPointF(0, 0), size));
            TQREmfPlayer::Play(finer, pb, QRectF(QPointF(0, 0), size));
        }
        const QString name = QStringLiteral("finer_%1_%2.png").arg(factor).arg(qRound(scale * 100));
        scenes::Difference(b, a, 96).save(scenes::ScreenshotDir() + u'/' + name);
        // Text baselines may move by half a pixel (the font's ascent is rounded in finer units).
        const double share = scenes::UnmatchedShare(b, a, 1, 96);
        QVERIFY2(share < 0.0005, qPrintable(QString::number(share)));

        // The same texts, their advances summing to the recorded widths at the finer unit.
        const auto coarse = TQREmfPlayer::Texts(emf);
        const auto fine = TQREmfPlayer::Texts(finer);
        QCOMPARE(fine.size(), coarse.size());
        for (qsizetype i = 0; i < coarse.size(); ++i) {
            QCOMPARE(fine[i].Text, coarse[i].Text);
            QCOMPARE(fine[i].Position, coarse[i].Position * factor);
            int coarseWidth = 0, fineWidth = 0;
            for (const int d : coarse[i].Advances) coarseWidth += d;
            for (const int d : fine[i].Advances) fineWidth += d;
            QCOMPARE(fineWidth, coarseWidth * factor);
        }
    }

    // Records the rescaling does not know, and damaged recordings, stay as they are;
    // 16-bit files get the factor that keeps the page within their coordinates.
    void finerCopyLeavesWhatItDoesNotKnow() {
        TQREmfRecorder recorder(QSize(400, 300), 96);
        scenes::ManyObjects(recorder);
        const QByteArray emf = recorder.Finish().Data();
        QVERIFY(emfscale::Finer(emf, 16) != emf);
        QCOMPARE(emfscale::Finer(emf.left(emf.size() - 20), 16), emf.left(emf.size() - 20));
        QCOMPARE(emfscale::Finer(emf, 1), emf);
        QByteArray unknown = emf;
        const int first = int(qFromLittleEndian<uint32_t>(emf.constData() + 4));
        qToLittleEndian<uint32_t>(70, unknown.data() + first);  // a record type not written by the recorder
        QCOMPARE(emfscale::Finer(unknown, 16), unknown);
        QCOMPARE(emfscale::FactorFor16Bit(emf), 16);
        TQREmfRecorder a4(QSize(794, 1123), 96);
        QCOMPARE(emfscale::FactorFor16Bit(a4.Finish().Data()), 16);
        TQREmfRecorder banner(QSize(794, 4000), 96);
        QCOMPARE(emfscale::FactorFor16Bit(banner.Finish().Data()), 8);
    }
};

QTEST_MAIN(TestQRTextSpacing)
#include "tst_qrtextspacing.moc"

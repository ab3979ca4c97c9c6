#include <QCryptographicHash>
#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "../canvas/LetterGaps.h"
#include "ExportTools.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/export/QRStyledPenMarks.h"
#include "report_engine/canvas/QREmfScale.h"
#include "report_engine/canvas/QRTextRun.h"
#include "report_engine/export/QRWmfConverter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"

using namespace quorin;
using namespace exporttools;

namespace {

/// A finished run of three pages with a text, a line, a rectangle, an ellipse and a picture each.
void RunThreePages(TQRPrinter& printer) {
    printer.BeginDoc();
    for (int page = 1; page <= 3; ++page) {
        printer.NewPage();
        TQRCanvas* canvas = printer.GetCanvas();
        canvas->Font.Name = QStringLiteral("Arial");
        canvas->Font.Size = 12;
        canvas->Font.Bold = page == 2;
        canvas->TextOut(printer.XPos(200), printer.YPos(200), QStringLiteral("Licitação página %1").arg(page));
        canvas->TextAlign = TAlignment::taRightJustify;
        canvas->TextOut(printer.XPos(1900), printer.YPos(300), QStringLiteral("1.234,50"));
        canvas->TextAlign = TAlignment::taLeftJustify;
        canvas->Pen.Color = QColor(0, 0, 128);
        canvas->MoveTo(printer.XPos(200), printer.YPos(400));
        canvas->LineTo(printer.XPos(1900), printer.YPos(400));
        canvas->Brush.Color = Qt::yellow;
        canvas->Rectangle(printer.XPos(200), printer.YPos(500), printer.XPos(800), printer.YPos(800));
        canvas->Brush.Style = TQRBrushStyle::bsClear;
        canvas->Ellipse(printer.XPos(900), printer.YPos(500), printer.XPos(1500), printer.YPos(800));
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        canvas->StretchDraw(QRect(printer.XPos(200), printer.YPos(900), 40, 40), picture);
    }
    printer.EndDoc();
}

/// A page of rules drawn with every styled pen, and a dotted box.
void RunStyledRules(TQRPrinter& printer) {
    printer.BeginDoc();
    printer.NewPage();
    TQRCanvas* canvas = printer.GetCanvas();
    int y = 300;
    for (const TQRPenStyle style : {TQRPenStyle::psDot, TQRPenStyle::psDash, TQRPenStyle::psDashDot,
                                    TQRPenStyle::psDashDotDot}) {
        canvas->Pen.Style = style;
        canvas->MoveTo(printer.XPos(200), printer.YPos(y));
        canvas->LineTo(printer.XPos(1900), printer.YPos(y));
        y += 150;
    }
    canvas->Pen.Style = TQRPenStyle::psDot;
    canvas->Brush.Style = TQRBrushStyle::bsClear;
    canvas->Rectangle(printer.XPos(200), printer.YPos(1000), printer.XPos(1900), printer.YPos(1400));
    printer.EndDoc();
}

/// A rule's marks along its row: where each starts and how long it is.
struct TRuleMarks {
    QList<int> starts;
    QList<int> lengths;
};

/// Every horizontal rule of a grey image, top to bottom: rules are runs of
/// rows with many marks, each read at its row with the most.
QList<TRuleMarks> RuleMarks(const QImage& grey) {
    QList<TRuleMarks> rules;
    int lastRow = -10;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        TRuleMarks marks;
        for (int x = 1; x < grey.width(); ++x) {
            if (row[x] < 128 && row[x - 1] >= 128) marks.starts.append(x);
            if (row[x] >= 128 && row[x - 1] < 128 && !marks.starts.isEmpty())
                marks.lengths.append(x - marks.starts.last());
        }
        if (marks.starts.size() < 20) continue;
        if (y > lastRow + 1) rules.append(TRuleMarks());
        if (marks.starts.size() > rules.last().starts.size()) rules.last() = marks;
        lastRow = y;
    }
    return rules;
}

QImage Grey(const QImage& image) { return image.convertToFormat(QImage::Format_Grayscale8); }

const QStringList kSpacedWords{QStringLiteral("Quantidade"), QStringLiteral("400,0000"), QStringLiteral("500 folhas"),
                               QStringLiteral("formato"), QStringLiteral("com 10"), QStringLiteral("500098")};

/// One page with each word on a line of its own, in the example report's 9-point Arial.
void RunSpacedWords(TQRPrinter& printer) {
    printer.BeginDoc();
    printer.NewPage();
    TQRCanvas* canvas = printer.GetCanvas();
    canvas->Font.Name = QStringLiteral("Arial");
    canvas->Font.Size = 9;
    for (int i = 0; i < kSpacedWords.size(); ++i)
        canvas->TextOut(printer.XPos(200), printer.YPos(200 + 80 * i), kSpacedWords[i]);
    printer.EndDoc();
}

/// A page of texts in and out of the Western code page, in two sizes and slants.
void RunCodePageTexts(TQRPrinter& printer) {
    printer.BeginDoc();
    printer.NewPage();
    TQRCanvas* canvas = printer.GetCanvas();
    canvas->Font.Name = QStringLiteral("Arial");
    canvas->Font.Size = 10;
    canvas->TextOut(printer.XPos(200), printer.YPos(200), QStringLiteral("Preço unitário — R$ 1.234,50 “total”"));
    canvas->Font.Italic = true;
    canvas->Font.Size = 14;
    canvas->TextOut(printer.XPos(200), printer.YPos(400), QStringLiteral("Área ≥ 5 m², Ω ≠ ∑"));
    printer.EndDoc();
}

/// The rows [top, bottom) of each line of text, top to bottom.
QList<QPair<int, int>> TextLines(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QList<QPair<int, int>> lines;
    int blank = 1000;
    for (int y = 0; y < grey.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < grey.width() && !ink; ++x) ink = grey.constScanLine(y)[x] < 128;
        if (ink && blank > 4) lines.append({y, y + 1});
        if (ink) lines.last().second = y + 1;
        blank = ink ? 0 : blank + 1;
    }
    return lines;
}

}  // namespace

class TestQRWmfExport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dir_.setAutoRemove(qEnvironmentVariableIsEmpty("QUORIN_KEEP_TEST_FILES"));
    }
    void cleanup() { TQRWMFExportFilter::SetEnhanced(false); }

    void onePlaceableMetafilePerPage() {
        TQRPrinter printer;
        RunThreePages(printer);
        TQRWMFExportFilter filter(Path("report.wmf"), &printer);
        filter.Start(2100, 2970, TQRFont());
        filter.NewPage();
        filter.EndPage();
        filter.Finish();
        QCOMPARE(QDir(dir_.path()).entryList({"report*"}, QDir::Files),
                 QStringList({"report001.wmf", "report002.wmf", "report003.wmf"}));
        for (int page = 1; page <= 3; ++page) {
            const QByteArray wmf = ReadAll(Path(QStringLiteral("report%1.wmf").arg(page, 3, 10, QChar(u'0'))));
            QVERIFY(wmf.startsWith(QByteArray::fromHex("d7cdc69a")));
            QVERIFY(wmf.contains(QByteArray("Licita\xE7\xE3o p\xE1gina ") + QByteArray::number(page)));
            if (!Has("wmf2svg")) continue;
            const QString svgFile = Path(QStringLiteral("page%1.svg").arg(page));
            const Result r = Run("wmf2svg", {"-o", svgFile, Path(QStringLiteral("report%1.wmf").arg(page, 3, 10, QChar(u'0')))});
            QVERIFY2(r.exitCode == 0, r.err);
            const QString svg = QString::fromLatin1(ReadAll(svgFile));
            // libwmf writes one text element per character when advances are given.
            QString texts;
            const QRegularExpression textRe(QStringLiteral(">([^<]*)</text>"));
            for (auto it = textRe.globalMatch(svg); it.hasNext();) texts += it.next().captured(1);
            QCOMPARE(texts, QStringLiteral("Licitação página %1").arg(page) + QStringLiteral("1.234,50"));
            QVERIFY(svg.contains(QStringLiteral("<ellipse")) || svg.contains(QStringLiteral("<path")));
            QVERIFY(svg.contains(QStringLiteral("<rect")) || svg.contains(QStringLiteral("<polygon")));
        }
        if (Has("soffice") && Has("pdftoppm")) {
            // The strictest reader draws the first page; keep a picture of it.
            QVERIFY(Soffice(dir_.path(), QStringLiteral("png"), {Path("report001.wmf")}, Path("png")));
            QImage png(Path("png/report001.png"));
            QVERIFY(!png.isNull());
            QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
            png.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/wmf_page1.png"));
        }
    }

    void enhancedWritesTheRecordings() {
        TQRPrinter printer;
        RunThreePages(printer);
        TQRWMFExportFilter::SetEnhanced(true);
        TQRWMFExportFilter filter(Path("enh.wmf"), &printer);
        filter.Start(2100, 2970, TQRFont());
        filter.Finish();
        for (int page = 1; page <= 3; ++page) {
            const QString name = Path(QStringLiteral("enh%1.emf").arg(page, 3, 10, QChar(u'0')));
            QCOMPARE(ReadAll(name), emfscale::Finer(printer.GetPage(page)->Data(), emfscale::kFactor));
            if (!Has("emf2svg-conv")) continue;
            const Result r = Run("emf2svg-conv", {"-i", name, "-o", name + ".svg"});
            QVERIFY2(r.exitCode == 0, r.err);
            QVERIFY(QString::fromUtf8(ReadAll(name + ".svg")).contains(QStringLiteral("Licitação página %1").arg(page)));
        }
    }

    // Other programs draw a styled pen with a pattern of their own; the
    // exported page carries ours, so LibreOffice draws every rule with the
    // marks the preview shows at 100 %, within a pixel each.
    void styledRulesKeepThePreviewsPattern_data() {
        QTest::addColumn<bool>("enhanced");
        QTest::newRow("wmf") << false;
        QTest::newRow("emf") << true;
    }
    void styledRulesKeepThePreviewsPattern() {
        QFETCH(bool, enhanced);
        if (!Has("soffice") || !Has("pdftoppm")) QSKIP("LibreOffice or pdftoppm missing");
        TQRPrinter printer;
        RunStyledRules(printer);
        const QByteArray recording = printer.GetPage(1)->Data();
        const QSize size(qFromLittleEndian<qint32>(recording.constData() + 16) + 1,
                         qFromLittleEndian<qint32>(recording.constData() + 20) + 1);
        QImage preview(size, QImage::Format_RGB32);
        preview.fill(Qt::white);
        {
            QPainter painter(&preview);
            TQREmfPlayer::Play(recording, painter, QRectF(QPointF(0, 0), size));
        }
        const QList<TRuleMarks> expected = RuleMarks(Grey(preview));
        QCOMPARE(expected.size(), 6);  // four rules, the box's top and bottom

        const QString folder = Path(enhanced ? "styled-emf" : "styled-wmf");
        QVERIFY(QDir().mkpath(folder));
        TQRWMFExportFilter::SetEnhanced(enhanced);
        TQRWMFExportFilter filter(folder + "/rules.wmf", &printer);
        filter.Start(2100, 2970, TQRFont());
        filter.Finish();
        const QString page = folder + (enhanced ? "/rules001.emf" : "/rules001.wmf");
        QVERIFY(Soffice(dir_.path(), QStringLiteral("pdf"), {page}, folder));
        // LibreOffice fits the picture into its page margins: the first
        // drawing gives that scale, the second undoes it, one pixel of the
        // drawing per pixel of the recording.
        const auto draw = [&](double dpi) {
            Run("pdftoppm", {"-r", QString::number(dpi, 'f', 3), "-png", "-singlefile", folder + "/rules001.pdf",
                             folder + "/rules001"});
            return QImage(folder + "/rules001.png");
        };
        const QList<TRuleMarks> first = RuleMarks(Grey(draw(96)));
        QVERIFY(!first.isEmpty() && first[0].starts.size() > 2);
        const double scale = double(first[0].starts.last() - first[0].starts.first()) /
                             (expected[0].starts.last() - expected[0].starts.first());
        QVERIFY2(scale > 0.5 && scale <= 1.01, qPrintable(QString::number(scale)));
        const QImage drawn = draw(96 / scale);
        QVERIFY(!drawn.isNull());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        drawn.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/styled_rules_%1.png").arg(enhanced ? "emf" : "wmf"));
        const QList<TRuleMarks> got = RuleMarks(Grey(drawn));
        QCOMPARE(got.size(), expected.size());
        for (qsizetype rule = 0; rule < expected.size(); ++rule) {
            const QList<int>& e = expected[rule].starts;
            const QList<int>& g = got[rule].starts;
            QVERIFY2(std::abs(g.size() - e.size()) <= 1,
                     qPrintable(QStringLiteral("rule %1: %2 marks, preview %3").arg(rule).arg(g.size()).arg(e.size())));
            for (qsizetype i = 1; i < std::min(e.size(), g.size()); ++i) {
                QVERIFY2(std::abs((g[i] - g[i - 1]) - (e[i] - e[i - 1])) <= 1,
                         qPrintable(QStringLiteral("rule %1, mark %2: %3 after the last, preview %4")
                                        .arg(rule).arg(i).arg(g[i] - g[i - 1]).arg(e[i] - e[i - 1])));
            }
            // The marks are as long as the preview's: no caps added to them.
            const QList<int>& el = expected[rule].lengths;
            const QList<int>& gl = got[rule].lengths;
            for (qsizetype i = 0; i + 1 < std::min(el.size(), gl.size()); ++i) {
                QVERIFY2(std::abs(gl[i] - el[i]) <= 1, qPrintable(QStringLiteral("rule %1, mark %2: %3 long, preview %4")
                                                                      .arg(rule).arg(i).arg(gl[i]).arg(el[i])));
            }
        }
    }

    // The expansion keeps the page store's recording: the styled lines stay
    // there, the exported file draws them as marks, and a page without
    // styled pens is written as it was recorded.
    void styledRulesExpandOnlyInTheExport() {
        TQRPrinter printer;
        RunStyledRules(printer);
        const QByteArray recording = printer.GetPage(1)->Data();
        const QByteArray expanded = ExpandStyledPens(recording);
        const auto types = [](const QByteArray& emf) {
            QList<quint32> found;
            for (quint32 at = qFromLittleEndian<quint32>(emf.constData() + 4); at + 8 <= quint32(emf.size());) {
                const quint32 size = qFromLittleEndian<quint32>(emf.constData() + at + 4);
                if (size < 8) break;
                found << qFromLittleEndian<quint32>(emf.constData() + at);
                at += size;
            }
            return found;
        };
        constexpr quint32 kLineTo = 54, kPolyPolyline16 = 90, kRectangle = 43;
        QCOMPARE(types(recording).count(kLineTo), 4);
        // Each rule and the box's outline become one set of marks; the box keeps its fill.
        QCOMPARE(types(expanded).count(kLineTo), 0);
        QCOMPARE(types(expanded).count(kPolyPolyline16), 5);
        QCOMPARE(types(expanded).count(kRectangle), 1);
        // The header counts what the file holds.
        QCOMPARE(qFromLittleEndian<quint32>(expanded.constData() + 48), quint32(expanded.size()));
        QCOMPARE(qFromLittleEndian<quint32>(expanded.constData() + 52), quint32(types(expanded).size() + 1));
        QCOMPARE(printer.GetPage(1)->Data(), recording);
        // The exported copy in finer units takes the marks too, and draws them
        // where the page as recorded has them.
        const QByteArray finer = emfscale::Finer(expanded, emfscale::kFactor);
        QVERIFY(!finer.isSharedWith(expanded));
        const QSize size(qFromLittleEndian<qint32>(recording.constData() + 16) + 1,
                         qFromLittleEndian<qint32>(recording.constData() + 20) + 1);
        const auto marks = [&](const QByteArray& emf) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            TQREmfPlayer::Play(emf, painter, QRectF(QPointF(0, 0), size));
            painter.end();
            return RuleMarks(Grey(image));
        };
        const QList<TRuleMarks> coarse = marks(expanded), fine = marks(finer);
        QCOMPARE(fine.size(), coarse.size());
        for (qsizetype rule = 0; rule < coarse.size(); ++rule) {
            QCOMPARE(fine[rule].starts.size(), coarse[rule].starts.size());
            for (qsizetype i = 0; i < coarse[rule].starts.size(); ++i)
                QVERIFY(std::abs(fine[rule].starts[i] - coarse[rule].starts[i]) <= 1);
        }

        TQRPrinter plain;
        RunThreePages(plain);
        const QByteArray solid = plain.GetPage(1)->Data();
        QVERIFY(ExpandStyledPens(solid).isSharedWith(solid));
    }

    void dashMarks_data() {
        QTest::addColumn<QPolygon>("path");
        QTest::addColumn<QList<qreal>>("pattern");
        QTest::addColumn<QList<QPolygon>>("marks");
        QTest::newRow("dots along a line, the last cut at its end")
            << QPolygon({QPoint(10, 5), QPoint(24, 5)}) << QList<qreal>{3, 3}
            << QList<QPolygon>{QPolygon({QPoint(10, 5), QPoint(13, 5)}), QPolygon({QPoint(16, 5), QPoint(19, 5)}),
                               QPolygon({QPoint(22, 5), QPoint(24, 5)})};
        QTest::newRow("leftward and upward lines start at their first point")
            << QPolygon({QPoint(20, 0), QPoint(8, 0)}) << QList<qreal>{3, 3}
            << QList<QPolygon>{QPolygon({QPoint(20, 0), QPoint(17, 0)}), QPolygon({QPoint(14, 0), QPoint(11, 0)})};
        QTest::newRow("a mark turns the corner")
            << QPolygon({QPoint(0, 0), QPoint(4, 0), QPoint(4, 10)}) << QList<qreal>{6, 3}
            << QList<QPolygon>{QPolygon({QPoint(0, 0), QPoint(4, 0), QPoint(4, 2)}),
                               QPolygon({QPoint(4, 5), QPoint(4, 10)})};
        QTest::newRow("dash dot")
            << QPolygon({QPoint(0, 0), QPoint(30, 0)}) << QList<qreal>{9, 6, 3, 6}
            << QList<QPolygon>{QPolygon({QPoint(0, 0), QPoint(9, 0)}), QPolygon({QPoint(15, 0), QPoint(18, 0)}),
                               QPolygon({QPoint(24, 0), QPoint(30, 0)})};
        QTest::newRow("a point has no marks") << QPolygon({QPoint(3, 3), QPoint(3, 3)}) << QList<qreal>{3, 3}
                                              << QList<QPolygon>{};
        QTest::newRow("no pattern, no marks") << QPolygon({QPoint(0, 0), QPoint(9, 0)}) << QList<qreal>{}
                                              << QList<QPolygon>{};
    }
    void dashMarks() {
        QFETCH(QPolygon, path);
        QFETCH(QList<qreal>, pattern);
        QFETCH(QList<QPolygon>, marks);
        QCOMPARE(DashMarks(path, pattern), marks);
    }

    // LibreOffice places every glyph at the advance the file gives: the exported
    // metafiles carry them finely enough that its letters keep the font's spacing.
    void libreOfficeKeepsTheLetterGaps_data() {
        QTest::addColumn<bool>("enhanced");
        QTest::newRow("emf") << true;
        QTest::newRow("wmf") << false;
    }
    void libreOfficeKeepsTheLetterGaps() {
        QFETCH(bool, enhanced);
        if (!Has("soffice") || !Has("pdftoppm")) QSKIP("LibreOffice or pdftoppm missing");
        TQRPrinter printer;
        RunSpacedWords(printer);
        TQRWMFExportFilter::SetEnhanced(enhanced);
        const QString kind = enhanced ? QStringLiteral("emf") : QStringLiteral("wmf");
        QDir(dir_.path()).mkpath(QStringLiteral("gaps"));
        TQRWMFExportFilter filter(Path("gaps/words.wmf"), &printer);
        filter.Start(2100, 2970, TQRFont());
        filter.Finish();
        const QString file = Path("gaps/words001." + kind);
        QVERIFY(Soffice(dir_.path(), QStringLiteral("pdf"), {file}, Path("gaps/" + kind)));
        const QString pdf = Path("gaps/" + kind + "/words001.pdf");
        constexpr int kDpi = 192;
        QCOMPARE(Run("pdftoppm", {"-r", QString::number(kDpi), "-png", "-singlefile", pdf, Path("gaps/" + kind + "/page")}).exitCode, 0);
        const QImage page(Path("gaps/" + kind + "/page.png"));
        QVERIFY(!page.isNull());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        page.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/letters_libreoffice_%1.png").arg(kind));

        const QList<QPair<int, int>> lines = TextLines(page);
        QCOMPARE(lines.size(), kSpacedWords.size());
        TQRFont font;
        font.Name = QStringLiteral("Arial");
        font.Size = 9;
        const textrun::DrawFont& drawFont = textrun::DrawFontFor(textrun::DescOf(font, 96));
        // LibreOffice may shrink the picture onto its page: the scale is what the lines'
        // spacing (8 mm) shows.
        const qreal pitch = qreal(lines.last().first - lines.first().first) / (kSpacedWords.size() - 1);
        const qreal scale = kDpi / 96.0 * pitch / (8 / 25.4 * kDpi);
        QStringList differences;
        for (int i = 0; i < kSpacedWords.size(); ++i) {
            const QImage reference = lettergaps::DrawText(QSize(page.width(), 60), drawFont.Font, kSpacedWords[i],
                                                          scale, QPointF(10, 40 / scale));
            const QString difference =
                lettergaps::CompareGaps(lettergaps::InkRuns(page, lines[i].first, lines[i].second),
                                        lettergaps::InkRuns(reference, 0, reference.height()));
            if (!difference.isEmpty()) differences << kSpacedWords[i] + ": " + difference;
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    // The files of a few pages, pinned byte for byte: a faster way of writing
    // them must write the same files. The digests were taken with the fonts
    // named below; other fonts give other advances.
    void exportedBytesStayTheSame_data() {
        QTest::addColumn<bool>("enhanced");
        QTest::addColumn<QByteArray>("digest");
        QTest::addColumn<int>("replaced");
        QTest::newRow("wmf") << false << QByteArray("62d4b734a1b2105d6795c51c57b5c8ed6e9ae85777d90a858bd1e2b5084adb06") << 4;
        QTest::newRow("emf") << true << QByteArray("96370116b4bf6a52f3772c49c126c77f4d601c79d13b912dfff08ec0947c9674") << 0;
    }
    void exportedBytesStayTheSame() {
        QFETCH(bool, enhanced);
        QFETCH(QByteArray, digest);
        QFETCH(int, replaced);
        const QString face = QFontInfo(textrun::MakeFont(textrun::FontDesc{QStringLiteral("Arial")})).family();
        if (face != QLatin1String("Liberation Sans")) QSKIP(qPrintable("the digests are of Liberation Sans, not " + face));
        TQRWMFExportFilter::SetEnhanced(enhanced);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        int replacedCount = 0;
        int set = 0;
        for (void (*run)(TQRPrinter&) : {RunThreePages, RunStyledRules, RunSpacedWords, RunCodePageTexts}) {
            TQRPrinter printer;
            run(printer);
            const QString folder = Path(QStringLiteral("pinned-%1-%2").arg(enhanced ? "emf" : "wmf").arg(++set));
            QVERIFY(QDir().mkpath(folder));
            TQRWMFExportFilter filter(folder + "/page.wmf", &printer);
            for (const QString& file : filter.SavePages()) hash.addData(ReadAll(file));
            replacedCount += filter.ReplacedCharacters;
        }
        QCOMPARE(hash.result().toHex(), digest);
        QCOMPARE(replacedCount, replaced);
    }

    void noSourceNoFiles() {
        // After a page file was loaded the printer has no export handler, and a
        // filter without its pages writes nothing either.
        TQRPrinter printer;
        RunThreePages(printer);
        printer.Save(Path("saved.qrp"));
        TQRPrinter loaded;
        loaded.Load(Path("saved.qrp"));
        QDir(dir_.path()).mkpath(QStringLiteral("none"));
        TQRWMFExportFilter filter(Path("none/loaded.wmf"), &loaded);
        loaded.ExportToFilter(&filter);
        TQRWMFExportFilter orphan(Path("none/orphan.wmf"));
        orphan.Start(2100, 2970, TQRFont());
        orphan.Finish();
        QVERIFY(QDir(Path("none")).entryList(QDir::Files).isEmpty());
    }

    void damagedRecordingsDoNotCrash_data() {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("poke");
        QTest::addColumn<quint32>("value");
        QTest::newRow("header only") << 88 << -1 << 0u;
        QTest::newRow("cut inside a record") << 400 << -1 << 0u;
        QTest::newRow("record size beyond the end") << 0 << 100 << 0x7FFFFFF0u;
        QTest::newRow("record size zero") << 0 << 100 << 0u;
        QTest::newRow("header size beyond the end") << 0 << 4 << 0xFFFFFFF0u;
        QTest::newRow("header size too small") << 0 << 4 << 8u;
        QTest::newRow("shorter than a header") << 40 << -1 << 0u;
    }
    void damagedRecordingsDoNotCrash() {
        QFETCH(int, cut);
        QFETCH(int, poke);
        QFETCH(quint32, value);
        TQRPrinter printer;
        RunThreePages(printer);
        QByteArray emf = printer.GetPage(1)->Data();
        if (poke >= 0) {
            // At 100 lies a record's size field only by chance; find the first record after the header.
            int at = poke;
            if (poke == 100) at = qFromLittleEndian<quint32>(emf.constData() + 4) + 4;
            qToLittleEndian<quint32>(value, emf.data() + at);
        }
        if (cut > 0) emf.truncate(cut);
        QString error;
        const QByteArray wmf = ConvertEmfToWmf(emf, &error);
        QVERIFY(wmf.isEmpty() == !error.isEmpty());
        if (!wmf.isEmpty() && Has("wmf2svg")) {
            QFile out(Path("damaged.wmf"));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(wmf) == wmf.size());
            out.close();
            const Result r = Run("wmf2svg", {"-o", Path("damaged.svg"), Path("damaged.wmf")});
            // What came before the damage parses; a picture with nothing drawn is refused for its empty bounds.
            QVERIFY2(r.exitCode == 0 || r.err.contains("bounding box has null"), r.err);
        }
    }
};

QTEST_MAIN(TestQRWmfExport)
#include "tst_qrwmfexport.moc"

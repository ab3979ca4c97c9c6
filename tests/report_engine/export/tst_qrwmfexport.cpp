#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "../canvas/LetterGaps.h"
#include "ExportTools.h"
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

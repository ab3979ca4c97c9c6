#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cmath>

#include "ExportTools.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
using namespace exporttools;

namespace {

/// A picture of one colour, `size` pixels, drawn `width` x `height` native units.
TQRExportGraphic FilledPicture(QSize size, const QColor& color, int width, int height) {
    TQRExportGraphic graphic;
    graphic.Kind = TQRExportGraphic::TKind::Image;
    graphic.Picture = QImage(size, QImage::Format_RGB32);
    graphic.Picture.fill(color);
    graphic.Width = width;
    graphic.Height = height;
    return graphic;
}

TQRFont Font(const QString& name, int size, bool bold = false, bool italic = false, QColor color = Qt::black) {
    TQRFont font;
    font.Name = name;
    font.Size = size;
    font.Bold = bold;
    font.Italic = italic;
    font.Color = color;
    return font;
}

/// A text line as the run hands it to a filter.
struct Line {
    double X;
    double Y;
    QString Text;
    TQRFont Font;
    TAlignment Align = TAlignment::taLeftJustify;
};

/// Runs the filter through Start, one NewPage/EndPage per page and Finish,
/// without a page sink: native units stand for device pixels.
void RunPages(TQRPDFDocumentFilter& filter, const QList<QList<Line>>& pages, bool finish = true) {
    filter.Start(2100, 2970, Font("Arial", 10));
    for (const auto& page : pages) {
        filter.NewPage();
        for (const Line& line : page) {
            filter.TextOut(line.X, line.Y, line.Font, Qt::black, line.Align, line.Text);
        }
        filter.EndPage();
    }
    if (finish) {
        filter.Finish();
    }
}

/// The content stream of page i (0-based) of a document with n pages.
QByteArray PageContent(const QByteArray& pdf, int i) {
    const QByteArray head = QByteArray::number(2 * i + 5) + " 0 obj\r\n";
    const qsizetype at = pdf.indexOf("\r\n" + head);
    if (at < 0) return {};
    const qsizetype begin = pdf.indexOf("stream\r\n", at) + 8;
    const qsizetype end = pdf.indexOf("endstream", begin);
    return pdf.mid(begin, end - begin);
}

void CheckWithQpdf(const QString& file) {
    if (!Has("qpdf")) return;
    const Result check = Run("qpdf", {"--check", file});
    QVERIFY2(check.exitCode == 0, check.out + check.err);
}

QString PdfText(const QString& file) {
    const Result r = Run("pdftotext", {"-layout", "-enc", "UTF-8", file, "-"});
    return QString::fromUtf8(r.out);
}

}  // namespace

class TestQRPdfExport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void onePageDocumentLayout() {
        const QString file = Path("one.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            RunPages(filter, {{{100, 200, QStringLiteral("Licitação Município Página"), Font("Arial", 9)}}});
        }
        const QByteArray pdf = ReadAll(file);
        QVERIFY(pdf.startsWith("%PDF-1.3\r\n"));
        QVERIFY(pdf.endsWith("%%EOF\r\n"));
        // Catalogue, outlines, pages, page 4 with content 5, the font 6, the procedure set 7.
        QVERIFY(pdf.contains("\r\n6 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Name /F00\r\n"
                             "/BaseFont /Helvetica\r\n/Encoding /WinAnsiEncoding\r\n"));
        QVERIFY(pdf.contains("\r\n7 0 obj\r\n[/PDF /Text]\r\nendobj\r\n"));
        QVERIFY(pdf.contains("/Kids [4 0 R]\r\n/MediaBox [0 0 595 841]\r\n"));
        QVERIFY(pdf.contains("/Resources << \r\n/Font << \r\n  /F00 6 0 R \r\n  >>\r\n/ProcSet 7 0 R\r\n"));
        QVERIFY(pdf.contains("trailer\r\n<<\r\n/Size 8\r\n/Root 1 0 R\r\n>>\r\n"));

        // The cross-reference table: eight entries, each offset at its object.
        const qsizetype xref = pdf.lastIndexOf("\r\nxref\r\n") + 2;
        const QRegularExpression startRe(QStringLiteral("startxref\r\n(\\d+)\r\n"));
        const auto start = startRe.match(QString::fromLatin1(pdf));
        QVERIFY(start.hasMatch());
        QCOMPARE(start.captured(1).toLongLong(), xref);
        const QList<QByteArray> lines = pdf.mid(xref).split('\n');
        QCOMPARE(lines[1], QByteArray("0 8\r"));
        QCOMPARE(lines[2], QByteArray("0000000000 65535 f\r"));
        for (int object = 1; object <= 7; ++object) {
            const QByteArray entry = lines[2 + object];
            QCOMPARE(entry.size(), 19);
            QVERIFY(entry.endsWith(" 00000 n\r"));
            const qint64 offset = entry.left(10).toLongLong();
            QVERIFY2(pdf.mid(offset).startsWith(QByteArray::number(object) + " 0 obj\r\n"), entry);
        }
        // The stream length is what lies between "stream" and "endstream".
        const QByteArray content = PageContent(pdf, 0);
        QVERIFY(pdf.contains("<< /Length " + QByteArray::number(content.size()) + " >>"));
        QVERIFY(content.startsWith("BT\r\n0.00 0.00 0.00 rg\r\n/F00 9 Tf\r\n 1 0 0 1 28 "));
        QVERIFY(content.endsWith("ET\r\n"));

        CheckWithQpdf(file);
        if (!Has("pdftotext")) QSKIP("pdftotext (poppler-utils) missing");
        QVERIFY2(PdfText(file).contains(QStringLiteral("Licitação Município Página")), qPrintable(PdfText(file)));
        const QString info = QString::fromUtf8(Run("pdfinfo", {file}).out);
        QVERIFY2(QRegularExpression(QStringLiteral("PDF version: +1\\.3")).match(info).hasMatch(), qPrintable(info));
    }

    void textEscaping_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("operand");
        QTest::newRow("parentheses") << QStringLiteral("Total (R$)") << QByteArray("(Total \\(R$\\)) Tj");
        QTest::newRow("backslash first, then parentheses") << QStringLiteral("a\\(b") << QByteArray("(a\\\\\\(b) Tj");
        QTest::newRow("accents in Windows-1252") << QStringLiteral("ção") << QByteArray("(\xE7\xE3o) Tj");
        QTest::newRow("outside the code page") << QStringLiteral("x\u4E2D") << QByteArray("(x?) Tj");
    }
    void textEscaping() {
        QFETCH(QString, text);
        QFETCH(QByteArray, operand);
        const QString file = Path("escape.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            RunPages(filter, {{{100, 100, text, Font("Arial", 9)}}});
        }
        QVERIFY2(PageContent(ReadAll(file), 0).contains(operand), PageContent(ReadAll(file), 0));
        CheckWithQpdf(file);
    }

    void fontMapping_data() {
        QTest::addColumn<TQRFont>("font");
        QTest::addColumn<QByteArray>("baseFont");
        QTest::newRow("Arial bold") << Font("Arial", 9, true) << QByteArray("Helvetica-Bold");
        QTest::newRow("Arial italic") << Font("Arial", 9, false, true) << QByteArray("Helvetica-Oblique");
        QTest::newRow("Times New Roman") << Font("Times New Roman", 9) << QByteArray("Times-Roman");
        QTest::newRow("Times New Roman bold italic")
            << Font("Times New Roman", 9, true, true) << QByteArray("Times-BoldItalic");
        QTest::newRow("Courier New bold") << Font("Courier New", 9, true) << QByteArray("Courier-Bold");
        QTest::newRow("unknown font") << Font("MS Sans Serif", 9) << QByteArray("Courier");
        QTest::newRow("standard name itself") << Font("Symbol", 9, true) << QByteArray("Symbol");
    }
    void fontMapping() {
        QFETCH(TQRFont, font);
        QFETCH(QByteArray, baseFont);
        const QString file = Path("fonts.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            RunPages(filter, {{{100, 100, QStringLiteral("Texto"), font}}});
        }
        QVERIFY(ReadAll(file).contains("/BaseFont /" + baseFont + "\r\n"));
        CheckWithQpdf(file);
        if (!Has("pdffonts")) QSKIP("pdffonts missing");
        const QByteArray fonts = Run("pdffonts", {file}).out;
        QVERIFY2(QRegularExpression("\\n" + QRegularExpression::escape(QString::fromLatin1(baseFont)) +
                                    "\\s+Type 1\\s+WinAnsi\\s+no")
                     .match(QString::fromLatin1(fonts))
                     .hasMatch(),
                 fonts);
    }

    void fontMapEntries() {
        TQRPDFDocumentFilter filter(Path("unused.pdf"));
        filter.AddFontMap(QStringLiteral("Verdana:Helvetica"));
        filter.AddFontMap(QStringLiteral("Arial:Times"));  // replaces the Arial entry
        QCOMPARE(filter.Writer().MapFontName(QStringLiteral("Verdana, bold")), QStringLiteral("Helvetica-Bold"));
        QCOMPARE(filter.Writer().MapFontName(QStringLiteral("Arial")), QStringLiteral("Times-Roman"));
        QCOMPARE(filter.Writer().FontSubs().count(QStringLiteral("Arial:Times")), 1);
        QVERIFY(!filter.Writer().FontSubs().contains(QStringLiteral("Arial:Helvetica")));
    }

    void shapes_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QByteArray>("lines");
        // A 200 x 100 pixel shape at (100, 400) without a page sink: 56.69 x 28.35 points
        // at (28.35, 113.39), so its top edge is at 841.89 - 113.39 = 728.50 in PDF space.
        QTest::newRow("horizontal line: width, colour, one line at the middle")
            << int(TQRShapeType::qrsHorLine) << false
            << QByteArray("1 w\r\n0.00 0.00 0.50 RG\r\n28 714 m 85 714 l s\r\n");
        QTest::newRow("vertical line through the middle")
            << int(TQRShapeType::qrsVertLine) << false << QByteArray("1 w\r\n0.00 0.00 0.50 RG\r\n56 700 m 56 728 l s\r\n");
        QTest::newRow("filled rectangle: fill colour and re f only")
            << int(TQRShapeType::qrsRectangle) << true
            << QByteArray("1.000000 w\r\n1.00 1.00 0.00 rg\r\n28 700 56 28 re f\r\n");
        QTest::newRow("unfilled rectangle: outline colour and re s only")
            << int(TQRShapeType::qrsRectangle) << false
            << QByteArray("1.000000 w\r\n0.00 0.00 0.50 RG\r\n28 700 56 28 re s\r\n");
        QTest::newRow("top and bottom")
            << int(TQRShapeType::qrsTopAndBottom) << false
            << QByteArray("1 w\r\n0.00 0.00 0.50 RG\r\n28 728 m 85 728 l s\r\n28 700 m 85 700 l s\r\n");
        QTest::newRow("left and right")
            << int(TQRShapeType::qrsRightAndLeft) << false
            << QByteArray("1 w\r\n0.00 0.00 0.50 RG\r\n28 700 m 28 728 l s\r\n85 700 m 85 728 l s\r\n");
        QTest::newRow("round rectangle as its diagonal")
            << int(TQRShapeType::qrsRoundRect) << false
            << QByteArray("1.000000 w\r\n0.00 0.00 0.50 RG\r\n28 728 m 85 700 l s\r\n");
        QTest::newRow("ellipse: four quarter arcs from the top middle")
            << int(TQRShapeType::qrsCircle) << false
            << QByteArray("1 w\r\n0.00 0.00 0.50 RG\r\n56.7  728.5 m\r\n"
                          "72.3  728.5   85.0  722.2   85.0  714.3 c\r\n"
                          "85.0  706.5   72.3  700.2   56.7  700.2 c\r\n"
                          "41.0  700.2   28.3  706.5   28.3  714.3 c\r\n"
                          "28.3  722.2   41.0  728.5   56.7  728.5 c s\r\n");
    }
    void shapes() {
        QFETCH(int, shape);
        QFETCH(bool, filled);
        QFETCH(QByteArray, lines);
        const QString file = Path("shape.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            filter.Start(2100, 2970, Font("Arial", 10));
            filter.NewPage();
            TQRExportGraphic graphic;
            graphic.Shape = static_cast<TQRShapeType>(shape);
            graphic.Width = 200;
            graphic.Height = 100;
            graphic.Pen.Color = QColor(0, 0, 128);
            graphic.Brush.Color = Qt::yellow;
            graphic.Brush.Style = filled ? TQRBrushStyle::bsSolid : TQRBrushStyle::bsClear;
            filter.AcceptGraphic(100, 400, graphic);
            filter.EndPage();
            filter.Finish();
        }
        const QByteArray content = PageContent(ReadAll(file), 0);
        QCOMPARE(content.left(content.indexOf("BT\r\n")), lines);
        CheckWithQpdf(file);
    }

    void imageInline() {
        const QString file = Path("image.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            filter.Start(2100, 2970, Font("Arial", 10));
            filter.NewPage();
            filter.AcceptGraphic(200, 300, FilledPicture(QSize(400, 200), QColor(200, 20, 40), 400, 200));
            filter.EndPage();
            filter.Finish();
            QVERIFY(QDir(filter.Writer().TempPath({})).entryList(QDir::Files).isEmpty());
        }
        const QByteArray content = PageContent(ReadAll(file), 0);
        QVERIFY2(content.startsWith("q 113 0 0 56 56 700 cm\r\nBI\r\n/Width 400\r\n/Height 200\r\n/BitsPerComponent 8\r\n"
                                    "/ColorSpace /DeviceRGB\r\n/Filter /ASCIIHexDecode\r\nID\r\nC81428C81428"),
                 content.left(200));
        QVERIFY(content.contains(">\r\nEI\r\nQ\r\nBT\r\n"));
        for (const QByteArray& line : content.split('\n')) {
            QVERIFY(line.size() <= 2048 + 6);
        }
        CheckWithQpdf(file);
        if (!Has("pdftoppm")) QSKIP("pdftoppm missing");
        Run("pdftoppm", {"-r", "72", "-png", "-singlefile", file, Path("image")});
        QImage page(Path("image.png"));
        QVERIFY(!page.isNull());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        page.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/pdf_image.png"));
        // The picture covers x 56.7 to 170.1 and y 85.0 to 141.7 points.
        const QColor inside = page.pixelColor(80, 110);  // the renderer may shift a channel by one or two
        QVERIFY2(qAbs(inside.red() - 200) <= 3 && qAbs(inside.green() - 20) <= 3 && qAbs(inside.blue() - 40) <= 3,
                 qPrintable(inside.name()));
        QCOMPARE(page.pixelColor(40, 110), QColor(Qt::white));
        QCOMPARE(page.pixelColor(80, 150), QColor(Qt::white));
    }

    void numbersKeepThePointUnderRegionalComma() {
        const FormatSettings saved = FormatSettings::current();
        FormatSettings::setCurrent(FormatSettings::brazilian());
        const QLocale savedLocale;
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        const QString file = Path("comma.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            filter.Start(2100, 2970, Font("Arial", 10));
            filter.NewPage();
            TQRExportGraphic graphic;
            graphic.Width = 100;
            graphic.Height = 100;
            filter.AcceptGraphic(10, 10, graphic);
            filter.TextOut(100, 100, Font("Arial", 9, false, false, QColor(128, 0, 0)), Qt::black,
                           TAlignment::taLeftJustify, QStringLiteral("x"));
            filter.EndPage();
            filter.Finish();
        }
        const QByteArray content = PageContent(ReadAll(file), 0);
        QVERIFY(content.contains("1.000000 w"));
        QVERIFY(content.contains("0.50 0.00 0.00 rg"));
        QVERIFY(!content.contains(','));
        // The program's own separators are untouched.
        QCOMPARE(FormatSettings::current().decimalSeparator, QChar(u','));
        QCOMPARE(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
        QCOMPARE(QLocale().toString(1.5), QStringLiteral("1,5"));
        QLocale::setDefault(savedLocale);
        FormatSettings::setCurrent(saved);
        CheckWithQpdf(file);
    }

    void concatenatedReports() {
        const QString file = Path("concat.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            filter.StartConcat();
            RunPages(filter, {{{100, 100, QStringLiteral("Primeiro página 1"), Font("Arial", 10)}},
                              {{100, 100, QStringLiteral("Primeiro página 2"), Font("Arial", 10)}}});
            QVERIFY(!QFile::exists(file));  // not before the last report
            RunPages(filter, {{{100, 100, QStringLiteral("Segundo página 1"), Font("Times New Roman", 10)}}});
            filter.EndConcat();
        }
        const QByteArray pdf = ReadAll(file);
        QVERIFY(pdf.contains("/Count 3\r\n/Kids [4 0 R 6 0 R 8 0 R]"));
        QVERIFY(PageContent(pdf, 2).contains("(Segundo p\xE1gina 1) Tj"));
        QVERIFY(PageContent(pdf, 2).contains("/F01 10 Tf"));
        CheckWithQpdf(file);
        if (!Has("pdftotext")) QSKIP("pdftotext missing");
        const QStringList pages = PdfText(file).split(u'\f');
        QVERIFY(pages.size() >= 3);
        QVERIFY(pages[0].contains(QStringLiteral("Primeiro página 1")));
        QVERIFY(pages[1].contains(QStringLiteral("Primeiro página 2")));
        QVERIFY(pages[2].contains(QStringLiteral("Segundo página 1")));
    }

    void twoExportsAtOnceDoNotMix() {
        const QString a = Path("a.pdf");
        const QString b = Path("b.pdf");
        TQRPDFDocumentFilter first(a);
        TQRPDFDocumentFilter second(b);
        first.Start(2100, 2970, Font("Arial", 10));
        second.Start(2100, 2970, Font("Arial", 10));
        first.NewPage();
        second.NewPage();
        first.TextOut(100, 100, Font("Courier New", 10), Qt::black, TAlignment::taLeftJustify, QStringLiteral("AAA"));
        second.TextOut(100, 100, Font("Arial", 10), Qt::black, TAlignment::taLeftJustify, QStringLiteral("BBB"));
        second.EndPage();
        second.NewPage();
        second.TextOut(100, 100, Font("Arial", 10), Qt::black, TAlignment::taLeftJustify, QStringLiteral("CCC"));
        first.EndPage();
        first.Finish();
        second.EndPage();
        second.Finish();
        const QByteArray pa = ReadAll(a);
        const QByteArray pb = ReadAll(b);
        QVERIFY(pa.contains("(AAA)") && !pa.contains("(BBB)") && !pa.contains("(CCC)"));
        QVERIFY(pa.contains("/Count 1\r\n") && pa.contains("/BaseFont /Courier\r\n") && !pa.contains("Helvetica"));
        QVERIFY(pb.contains("(BBB)") && pb.contains("(CCC)") && !pb.contains("(AAA)"));
        QVERIFY(pb.contains("/Count 2\r\n") && !pb.contains("/BaseFont /Courier"));
        CheckWithQpdf(a);
        CheckWithQpdf(b);
    }

    void cancelledRunLeavesNothing() {
        const QString file = Path("cancelled.pdf");
        QString temp;
        {
            TQRPDFDocumentFilter filter(file);
            RunPages(filter, {{{100, 100, QStringLiteral("a"), Font("Arial", 9)}}, {{100, 100, QStringLiteral("b"), Font("Arial", 9)}}},
                     false);
            temp = filter.Writer().TempPath({});
            QVERIFY(QDir(temp).exists());
            QVERIFY(!temp.startsWith(QDir::currentPath()));
        }
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QDir(temp).exists());
    }

    void unwritableTargetNamesTheFile() {
        const QString file = Path("no/such/folder/report.pdf");
        TQRPDFDocumentFilter filter(file);
        try {
            RunPages(filter, {{{100, 100, QStringLiteral("a"), Font("Arial", 9)}}});
            QFAIL("no error");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("report.pdf")), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(file));
    }

    // With the run's page sink the texts land where its page recording puts them.
    void positionsFollowThePageRecording() {
        if (!Has("pdftotext")) QSKIP("pdftotext missing");
        const QString file = Path("sink.pdf");
        TQRPrinter printer;
        const QList<Line> lines = {{150, 150, QStringLiteral("Cabeçalho"), Font("Arial", 12, true)},
                                   {150, 400, QStringLiteral("Lote"), Font("Arial", 9)},
                                   {900, 400, QStringLiteral("Descrição"), Font("Arial", 9)},
                                   {1900, 400, QStringLiteral("1.234,50"), Font("Arial", 9), TAlignment::taRightJustify},
                                   {1050, 2700, QStringLiteral("Página"), Font("Times New Roman", 10), TAlignment::taCenter}};
        {
            TQRPDFDocumentFilter filter(file);
            filter.Printer = &printer;
            printer.BeginDoc();
            filter.Start(printer.PaperWidthValue(), printer.PaperLengthValue(), Font("Arial", 10));
            printer.NewPage();
            filter.NewPage();
            TQRCanvas* canvas = printer.GetCanvas();
            QVERIFY(canvas);
            for (const Line& line : lines) {
                canvas->Font = line.Font;
                canvas->TextAlign = line.Align;
                canvas->TextOut(printer.XPos(line.X), printer.YPos(line.Y), line.Text);
                filter.TextOut(line.X, line.Y, line.Font, Qt::black, line.Align, line.Text);
            }
            filter.EndPage();
            printer.EndDoc();
            filter.Finish();
        }
        CheckWithQpdf(file);
        const auto page = printer.GetPage(1);
        QVERIFY(page);
        const double pointsPerPixel = 72.0 / page->DevicePixels().width() * page->DeviceMillimeters().width() / 25.4;
        const auto recorded = TQREmfPlayer::Texts(page->Data());
        QCOMPARE(recorded.size(), lines.size());

        const QString bbox = QString::fromUtf8(Run("pdftotext", {"-bbox", "-enc", "UTF-8", file, "-"}).out);
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpression re("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">" +
                                        QRegularExpression::escape(lines[i].Text) + "<");
            const auto m = re.match(bbox);
            QVERIFY2(m.hasMatch(), qPrintable(lines[i].Text + bbox));
            const double xMin = m.captured(1).toDouble(), xMax = m.captured(3).toDouble();
            const double yMax = m.captured(4).toDouble();
            const QPointF at = recorded[i].Position * pointsPerPixel;
            // The reference point of the recording: left edge, right edge or centre.
            const double anchor = lines[i].Align == TAlignment::taLeftJustify    ? xMin
                                  : lines[i].Align == TAlignment::taRightJustify ? xMax
                                                                                 : (xMin + xMax) / 2;
            const double tolerance = lines[i].Align == TAlignment::taLeftJustify ? 1.0 : 2.5;  // Helvetica's widths
            QVERIFY2(qAbs(anchor - at.x()) < tolerance, qPrintable(QStringLiteral("%1: x %2 recorded %3")
                                                                      .arg(lines[i].Text).arg(anchor).arg(at.x())));
            // The baseline lies one font size below the recorded top edge.
            const double baseline = yMax - 0.212 * lines[i].Font.Size;  // poppler's descent for the base fonts
            QVERIFY2(qAbs(baseline - (at.y() + lines[i].Font.Size)) < 1.0,
                     qPrintable(QStringLiteral("%1: baseline %2 recorded top %3").arg(lines[i].Text).arg(baseline).arg(at.y())));
        }
        // Read line by line: the heading, then the row of three, then the footer.
        const QStringList text = PdfText(file).split(u'\n', Qt::SkipEmptyParts);
        QStringList nonBlank;
        for (const QString& l : text) if (!l.trimmed().isEmpty()) nonBlank << l.simplified();
        QCOMPARE(nonBlank.mid(0, 3), QStringList({QStringLiteral("Cabeçalho"), QStringLiteral("Lote Descrição 1.234,50"),
                                                  QStringLiteral("Página")}));
    }

    void alignmentMovesTheStart() {
        // Right alignment ends the text at its position, centring halves it.
        const QString file = Path("align.pdf");
        {
            TQRPDFDocumentFilter filter(file);
            RunPages(filter, {{{1500, 300, QStringLiteral("1.234,50"), Font("Arial", 10), TAlignment::taRightJustify},
                               {1000, 500, QStringLiteral("Centro"), Font("Arial", 10), TAlignment::taCenter},
                               {1000, 700, QStringLiteral("Esquerda"), Font("Arial", 10)}}});
        }
        if (!Has("pdftotext")) QSKIP("pdftotext missing");
        const QString bbox = QString::fromUtf8(Run("pdftotext", {"-bbox", file, "-"}).out);
        auto word = [&](const QString& text) {
            const QRegularExpression re("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">" +
                                        QRegularExpression::escape(text) + "<");
            const auto m = re.match(bbox);
            return m.hasMatch() ? QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                         QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))
                                : QRectF();
        };
        const double mm = 72 / 25.4;
        // Helvetica's widths differ a little from the system's Arial-metric face.
        QVERIFY2(qAbs(word("1.234,50").right() - 150 * mm) < 2.5, qPrintable(bbox));
        QVERIFY(qAbs(word("Centro").center().x() - 100 * mm) < 2.5);
        QVERIFY(qAbs(word("Esquerda").left() - 100 * mm) < 1.0);
    }

    // The writer's own number formats: "%d" of a float truncates, "%w.df"
    // rounds the exact binary value with ties to even and never prints "-0".
    void numberFormats_data() {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("d: zero") << TPdfObjs::FormatD(0) << QByteArray("0");
        QTest::newRow("d: minus zero") << TPdfObjs::FormatD(-0.0) << QByteArray("0");
        QTest::newRow("d: small negative truncates to 0") << TPdfObjs::FormatD(-0.4) << QByteArray("0");
        QTest::newRow("d: negative truncates toward zero") << TPdfObjs::FormatD(-1.7) << QByteArray("-1");
        QTest::newRow("d: half truncates") << TPdfObjs::FormatD(2.5) << QByteArray("2");
        QTest::newRow("d: just below a whole") << TPdfObjs::FormatD(841.8897637795) << QByteArray("841");
        QTest::newRow("d: large") << TPdfObjs::FormatD(123456789012.9) << QByteArray("123456789012");
        QTest::newRow("d: large negative") << TPdfObjs::FormatD(-9876543210.5) << QByteArray("-9876543210");
        QTest::newRow("d: not a number") << TPdfObjs::FormatD(std::nan("")) << QByteArray("0");
        QTest::newRow("d: infinite") << TPdfObjs::FormatD(HUGE_VAL) << QByteArray("0");
        QTest::newRow("f0: half to even, down") << TPdfObjs::FormatF(2.5, 0, 2) << QByteArray(" 2");
        QTest::newRow("f0: half to even, up") << TPdfObjs::FormatF(3.5, 0, 2) << QByteArray(" 4");
        QTest::newRow("f0: minus half is 0, not -0") << TPdfObjs::FormatF(-0.5, 0, 2) << QByteArray(" 0");
        QTest::newRow("f0: wider than the width") << TPdfObjs::FormatF(1234.49, 0, 2) << QByteArray("1234");
        QTest::newRow("f1: exact tie to even") << TPdfObjs::FormatF(0.25, 1, 6) << QByteArray("   0.2");
        QTest::newRow("f1: binary value below the tie") << TPdfObjs::FormatF(0.35, 1, 6) << QByteArray("   0.3");
        QTest::newRow("f1: binary value above the tie") << TPdfObjs::FormatF(0.45, 1, 6) << QByteArray("   0.5");
        QTest::newRow("f1: negative") << TPdfObjs::FormatF(-12.25, 1, 6) << QByteArray(" -12.2");
        QTest::newRow("f1: carry into the integer") << TPdfObjs::FormatF(99.96, 1, 6) << QByteArray(" 100.0");
        QTest::newRow("f1: large") << TPdfObjs::FormatF(1e15 + 0.5, 1, 6) << QByteArray("1000000000000000.5");
        QTest::newRow("f2: exact tie to even") << TPdfObjs::FormatF(0.125, 2) << QByteArray("0.12");
        QTest::newRow("f2: exact tie to even, up") << TPdfObjs::FormatF(0.375, 2) << QByteArray("0.38");
        QTest::newRow("f2: binary value below the tie") << TPdfObjs::FormatF(1.005, 2) << QByteArray("1.00");
        QTest::newRow("f2: tiny negative is 0.00") << TPdfObjs::FormatF(-0.001, 2) << QByteArray("0.00");
        QTest::newRow("f2: a colour channel") << TPdfObjs::FormatF(128 / 255.0, 2, 4) << QByteArray("0.50");
        QTest::newRow("f2: huge") << TPdfObjs::FormatF(1e20, 2) << QByteArray("100000000000000000000.00");
        QTest::newRow("f2: not a number") << TPdfObjs::FormatF(std::nan(""), 2) << QByteArray("0.00");
        QTest::newRow("f6: a pen width") << TPdfObjs::FormatF(1, 6) << QByteArray("1.000000");
        QTest::newRow("f6: a dotted pen in points") << TPdfObjs::FormatF(0.75, 6) << QByteArray("0.750000");
        QTest::newRow("f6: rounding at the sixth place") << TPdfObjs::FormatF(2.0000005, 6) << QByteArray("2.000001");
        QTest::newRow("f6: negative") << TPdfObjs::FormatF(-3.1415926535, 6) << QByteArray("-3.141593");
        QTest::newRow("padded: offset") << TPdfObjs::ZeroPadded(7, 10) << QByteArray("0000000007");
        QTest::newRow("padded: font index") << TPdfObjs::ZeroPadded(3, 2) << QByteArray("03");
        QTest::newRow("padded: longer than the digits") << TPdfObjs::ZeroPadded(12345, 2) << QByteArray("12345");
        QTest::newRow("padded: negative") << TPdfObjs::ZeroPadded(-3, 2) << QByteArray("-03");
        QTest::newRow("colour: black") << TPdfObjs::RGBString(Qt::black) << QByteArray("0.00 0.00 0.00");
        QTest::newRow("colour: odd channels") << TPdfObjs::RGBString(QColor(1, 127, 254)) << QByteArray("0.00 0.50 1.00");
    }
    void numberFormats() {
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, expected);
        QCOMPARE(written, expected);
    }

    // A document of every kind of item at awkward positions (negative,
    // halves that round to even, far off the page), with and without a page
    // sink, is written byte for byte as it always was.
    void documentBytesUnchanged_data() {
        QTest::addColumn<bool>("withSink");
        QTest::addColumn<QByteArray>("sha256");
        QTest::newRow("native units as pixels") << false << QByteArray("5e06619c4f512c23eb8221c1b107fcf433ceeed3c26b827fe69103e90563f49e");
        QTest::newRow("through the run's page sink") << true << QByteArray("aeb8f186fb6091e8c671a4ce0c2ef4d631776246a3923b1a27105002424e16ca");
    }
    void documentBytesUnchanged() {
        QFETCH(bool, withSink);
        QFETCH(QByteArray, sha256);
        const QString file = Path("unchanged.pdf");
        TQRPrinter sink;
        if (withSink) sink.BeginDoc();
        {
            TQRPDFDocumentFilter filter(file);
            if (withSink) filter.Printer = &sink;
            filter.Start(2100, 2970, Font("Arial", 10));
            const double positions[] = {0, 0.5, 1.5, 2.5, -0.5, -1.5, -50.5, 100.25, 100.5, 101.5,
                                        987.49, 1e5 + 0.5, -1e5 - 0.5, 3e7, 2099.999};
            const TAlignment aligns[] = {TAlignment::taLeftJustify, TAlignment::taRightJustify,
                                         TAlignment::taCenter};
            const TQRPenStyle styles[] = {TQRPenStyle::psSolid, TQRPenStyle::psDot, TQRPenStyle::psDash,
                                          TQRPenStyle::psDashDot, TQRPenStyle::psDashDotDot};
            for (int page = 0; page < 3; ++page) {
                filter.NewPage();
                int n = 0;
                for (const double x : positions) {
                    for (const double y : positions) {
                        const bool bold = n % 3 == 0, italic = n % 5 == 0;
                        TQRFont font = Font(n % 2 ? "Arial" : "Times New Roman", 6 + n % 7, bold, italic,
                                            QColor(n * 37 % 256, n * 11 % 256, n * 5 % 256));
                        filter.TextOut(x, y, font, Qt::black, aligns[n % 3],
                                       QStringLiteral("R$ (%1) \\ ção %2").arg(n).arg(x));
                        ++n;
                    }
                }
                for (int shape = 0; shape < 7; ++shape) {
                    for (int k = 0; k < 10; ++k) {
                        TQRExportGraphic graphic;
                        graphic.Shape = static_cast<TQRShapeType>(shape);
                        graphic.Width = 1 + k * 97 - (k == 9 ? 400 : 0);
                        graphic.Height = k * 13 + shape;
                        graphic.Pen.Width = k % 4;
                        graphic.Pen.Style = styles[(shape + k) % 5];
                        graphic.Pen.Color = QColor(k * 25, 255 - k * 25, shape * 36);
                        graphic.Brush.Color = QColor(shape * 30, k * 7, 200);
                        graphic.Brush.Style = k % 2 ? TQRBrushStyle::bsClear : TQRBrushStyle::bsSolid;
                        const int x = k == 7 ? -33 : (k == 8 ? 40000 : k * 211 + shape);
                        filter.AcceptGraphic(k * 301 - 7, x, graphic);
                    }
                }
                filter.AcceptGraphic(555, 333, FilledPicture(QSize(7, 3), QColor(10, 200, 33), 70, 30));
                filter.EndPage();
            }
            filter.Finish();
        }
        if (withSink) sink.AbortDoc();
        const QByteArray written = QCryptographicHash::hash(ReadAll(file), QCryptographicHash::Sha256).toHex();
        QVERIFY2(written == sha256, written.constData());
        CheckWithQpdf(file);
    }
};

QTEST_MAIN(TestQRPdfExport)
#include "tst_qrpdfexport.moc"

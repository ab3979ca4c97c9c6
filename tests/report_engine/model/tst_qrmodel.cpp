// The definition model: units, paper, frames, bands and their layout.

#include <QImage>
#include <QPainter>
#include <QtTest>

#include "ReportFixture.h"
#include "report_engine/canvas/TQRPainterCanvas.h"
#include "runtime/Exceptions.h"

using namespace quorin;
using namespace quorin::test;

class TstQRModel : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { RegisterTestPrintables(); }

    void unitsConvertBothWays_data() {
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<double>("native");
        QTest::addColumn<double>("shown");
        QTest::newRow("mm") << int(TQRUnit::MM) << true << 2540.0 << 254.0;
        QTest::newRow("inches") << int(TQRUnit::Inches) << false << 635.0 << 2.5;
        QTest::newRow("pixels 96") << int(TQRUnit::Pixels) << false << 328.0833 << 124.0;
        // Arial 10: a cell is (80 / 10) / 2.54 mm wide and (145.3 / 10) / 2.54 mm high.
        QTest::newRow("characters across") << int(TQRUnit::Characters) << true << 80.0 / 2.54 * 3 << 3.0;
        QTest::newRow("characters down") << int(TQRUnit::Characters) << false << 145.3 / 2.54 * 2 << 2.0;
        QTest::newRow("native") << int(TQRUnit::Native) << true << 17.5 << 17.5;
    }
    void unitsConvertBothWays() {
        QFETCH(int, unit);
        QFETCH(bool, horizontal);
        QFETCH(double, native);
        QFETCH(double, shown);
        TQuickRep report;
        TQRBand band(&report, rbDetail);
        TQRBandSize& size = band.Size();
        size.Resolution = 96;
        const auto u = static_cast<TQRUnit>(unit);
        QVERIFY(qAbs(double(size.LoadUnit(native, u, horizontal)) - shown) < 1e-4);
        QVERIFY(qAbs(double(size.SaveUnit(shown, u, horizontal)) - native) < 1e-3);
    }

    void bandHeightShowsInPixels() {
        TQuickRep report;
        TQRBand band(&report, rbDetail);
        band.Size().Resolution = 96;
        band.Size().SetUnits(TQRUnit::Native);
        band.Size().SetHeight(328.0833);
        QCOMPARE(band.Height(), 124);
        band.Size().SetUnits(TQRUnit::Pixels);
        QVERIFY(qAbs(double(band.Size().Height()) - 124.0) < 1e-3);
    }

    void paperSizesAndOrientation() {
        TQuickRep report;
        TQRPage& page = report.Page();
        page.SetUnits(TQRUnit::MM);
        page.SetOrientation(poLandscape);
        page.SetPaperSize(TQRPaperSize::A4);
        QCOMPARE(double(page.Width()), 297.0);
        QCOMPARE(double(page.Length()), 210.0);
        page.SetOrientation(poPortrait);
        QCOMPARE(double(page.Width()), 210.0);
        QCOMPARE(double(page.Length()), 297.0);
        QCOMPARE(page.PaperSize(), TQRPaperSize::A4);

        // Width and length belong to the table unless the paper is Custom.
        page.SetPaperSize(TQRPaperSize::Letter);
        page.SetLength(100);
        page.SetWidth(100);
        QVERIFY(qAbs(double(page.Length()) - 279.4) < 1e-9);
        QVERIFY(qAbs(double(page.Width()) - 215.9) < 1e-9);
        page.SetPaperSize(TQRPaperSize::Custom);
        page.SetLength(100);
        QCOMPARE(double(page.Length()), 100.0);

        // The stored list is native, in index order.
        page.SetPaperSize(TQRPaperSize::Letter);
        page.SetColumnSpace(0);
        QCOMPARE(page.WriteValues(), (QList<long double>{100, 2794, 100, 2159, 100, 100, 0}));

        page.SetColumns(0);
        QCOMPARE(page.Columns(), 1);
    }

    void bandWidthsFollowColumnsAndRoles() {
        auto report = NewReport();
        TQRDefinition::Build(*report,
                             {Band("Title", rbTitle, 20), Band("Detail", rbDetail, 20),
                              Band("Footer", rbPageFooter, 20), Child("FooterChild", "Footer", 10),
                              Child("DetailChild", "Detail", 10)},
                             {});
        report->Page().SetColumns(2);
        auto width = [&](const char* name) {
            auto* band = report->findChild<TQRCustomBand*>(QLatin1String(name));
            return double(band->Size().NativeWidth());
        };
        // One screen pixel is 2.65 native units: widths are laid out in pixels.
        QVERIFY2(qAbs(width("Title") - 1900) < 3, qPrintable(QString::number(width("Title"))));
        QVERIFY2(qAbs(width("Detail") - 950) < 3, qPrintable(QString::number(width("Detail"))));
        QCOMPARE(width("FooterChild"), width("Title"));
        QCOMPARE(width("DetailChild"), width("Detail"));
    }

    void circularLinksAreRefused() {
        auto report = NewReport();
        TQRDefinition::Build(*report,
                             {Band("A", rbDetail, 20), Band("B", rbSummary, 20), Band("C", rbTitle, 20),
                              Child("Kid", "A", 10), Child("GrandKid", "Kid", 10)},
                             {});
        auto* a = report->findChild<TQRCustomBand*>(QStringLiteral("A"));
        auto* b = report->findChild<TQRCustomBand*>(QStringLiteral("B"));
        auto* c = report->findChild<TQRCustomBand*>(QStringLiteral("C"));
        QVERIFY(a->SetLinkBand(b));
        QVERIFY(b->SetLinkBand(c));
        QVERIFY(!c->SetLinkBand(a));
        QCOMPARE(c->LinkBand(), nullptr);
        QCOMPARE(double(a->StretchHeight(true)), double(3 * TQRDefinition::PixelsToNative(20)));

        auto* kid = report->findChild<TQRChildBand*>(QStringLiteral("Kid"));
        auto* grandKid = report->findChild<TQRChildBand*>(QStringLiteral("GrandKid"));
        QVERIFY(!kid->SetParentBand(grandKid));
        QCOMPARE(kid->ParentBand(), a);
        QVERIFY(a->HasChild());
        QCOMPARE(a->GetChild(), kid);

        // Freeing the middle child keeps the chain: the grandchild joins A.
        a->SetHasChild(false);
        QCOMPARE(a->GetChild(), grandKid);

        // A definition that links in a circle is refused with a message.
        TQuickRep other;
        QVERIFY_THROWS_EXCEPTION(Exception, TQRDefinition::Build(other,
                                                                 {Band("X", rbDetail, 20, {{"Link", "Y"}}),
                                                                  Band("Y", rbDetail, 20, {{"Link", "X"}})},
                                                                 {}));
    }

    void bandListOrder() {
        auto report = NewReport();
        TQRDefinition::Build(*report,
                             {Band("Summary", rbSummary, 20), Band("Detail", rbDetail, 20),
                              Band("GF", rbGroupFooter, 20), Group("GH", 20, "NRO_LOTE", {{"Footer", "GF"}}),
                              Band("Footer", rbPageFooter, 20), Band("Title", rbTitle, 20),
                              Band("Header", rbPageHeader, 20), Band("Columns", rbColumnHeader, 20),
                              Child("DetailChild", "Detail", 10), Band("Overlay", rbOverlay, 20)},
                             {});
        QStringList names;
        for (TQRCustomBand* band : report->BandList()) {
            names.append(band->Name());
        }
        QCOMPARE(names.join(QLatin1Char(' ')),
                 QStringLiteral("Header Title Columns GH Detail DetailChild GF Summary Footer Overlay"));
        QVERIFY(report->Bands().HasTitle());
        QVERIFY(report->Bands().HasSummary());
        report->Bands().SetHasSummary(false);
        QVERIFY(!report->Bands().HasSummary());
        report->Bands().SetHasSummary(true);
        QCOMPARE(report->BandOfType(rbSummary)->Name(), QStringLiteral("QRBand1"));
        QCOMPARE(report->CreateBand(rbDetail)->Name(), QStringLiteral("QRBand2"));
    }

    // A summary band dropped on the detail band goes to the detail's report:
    // it joins the band list once, takes the report's zoom, is found by its
    // role and prints, wherever it came from.
    void aBandDroppedOnABandJoinsItsReport_data() {
        QTest::addColumn<QString>("from");
        QTest::newRow("a new band") << QStringLiteral("none");
        QTest::newRow("a band of the same report") << QStringLiteral("same");
        QTest::newRow("a band of another report") << QStringLiteral("other");
    }
    void aBandDroppedOnABandJoinsItsReport() {
        QFETCH(QString, from);
        auto data = LotsDataSet({1, 1});
        auto report = NewReport();
        report->SetDataSet(data.get());
        report->SetZoom(150);
        TQRDefinition::Build(*report, {Band("D", rbDetail, 20)}, {Expr("D", "D", "NRO_ITEM")});
        auto* detail = report->findChild<TQRCustomBand*>(QStringLiteral("D"));
        auto other = NewReport();
        TQRBand* summary = nullptr;
        if (from == u"other") {
            TQRDefinition::Build(*other, {Band("S", rbSummary, 20)}, {Caption("S", "S")});
            summary = other->findChild<TQRBand*>(QStringLiteral("S"));
        } else {
            summary = from == u"same" ? report->CreateBand(rbSummary) : new TQRBand(nullptr, rbSummary);
            auto* text = new TTestText(summary);
            text->Caption = QStringLiteral("S");
            text->Size().SetNative(0, 50);
            text->Size().SetNative(3, 300);
        }
        summary->SetParentControl(detail);

        QCOMPARE(summary->ParentControl(), report.get());
        QCOMPARE(std::count(report->BandList().begin(), report->BandList().end(), summary), 1);
        QCOMPARE(summary->Zoom(), 150);
        QCOMPARE(report->BandOfType(rbSummary), summary);
        QVERIFY(other->BandList().empty());
        QVERIFY(detail->Controls().size() == 1);
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), QStringLiteral("D1|D2|S"));
    }

    void framesPaint_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("thickness");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("one device pixel") << -1 << 1;
        QTest::newRow("one point at screen resolution") << 1 << 1;
        QTest::newRow("three points") << 3 << 4;
    }
    void framesPaint() {
        QFETCH(int, width);
        QFETCH(int, thickness);
        QImage image(40, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TQRPainterCanvas canvas(painter, 96);
            TQRFrame frame;
            frame.DrawTop = frame.DrawBottom = frame.DrawLeft = frame.DrawRight = true;
            frame.Width = width;
            frame.Color = Qt::black;
            const double factor = 96.0 / 254;
            frame.PaintIt(canvas, QREdges(5, 5, 35, 35), factor, factor);
        }
        int topRows = 0;
        for (int y = 5; y < 20; ++y) {
            if (image.pixelColor(20, y) == Qt::black) {
                ++topRows;
            }
        }
        QCOMPARE(topRows, thickness);
        // Nothing outside the rectangle, and the inside stays clear.
        QCOMPARE(image.pixelColor(4, 20), QColor(Qt::white));
        QCOMPARE(image.pixelColor(35, 20), QColor(Qt::white));
        QCOMPARE(image.pixelColor(20, 20), QColor(Qt::white));
    }

    void definitionErrorsNameTheirCulprit() {
        TQuickRep report;
        try {
            TQRDefinition::Build(report, {Band("D", rbDetail, 20)},
                                 {TQRPrintableRow{"X", "Nada", "D", 0, 0, 10, 10, {}}});
            QFAIL("an unknown kind was accepted");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QStringLiteral("Nada")));
        }
        QVERIFY(!report.Loading);
        try {
            TQRDefinition::Build(report, {Band("E", rbDetail, 20)}, {Caption("Ninguem", "x")});
            QFAIL("an unknown band was accepted");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QStringLiteral("Ninguem")));
        }
    }

    void printablesTakeTheirTablePositions() {
        auto report = NewReport();
        TQRDefinition::Build(*report, {Band("D", rbDetail, 40)}, {Caption("D", "a", 96, 48)});
        auto* text = report->findChild<TTestText*>();
        QVERIFY(text != nullptr);
        QCOMPARE(double(text->Size().Native(1)), 254.0);
        QCOMPARE(double(text->Size().Native(2)), 127.0);
        QCOMPARE(text->Left(), 96);
        QCOMPARE(text->ParentReport(), report.get());
        // Aligned right, the control sits at the band's right edge.
        text->SetAlignment(TAlignment::taRightJustify);
        text->SetAlignToBand(true);
        QCOMPARE(text->Left() + text->Width(), text->ParentBand()->Width());
    }

    void textIsMeasuredOnTheReportsOwnContext() {
        TQuickRep report;
        TQRFont font;
        const int narrow = report.TextWidth(font, QStringLiteral("i"));
        const int wide = report.TextWidth(font, QStringLiteral("WWWW"));
        QVERIFY(narrow > 1);
        QVERIFY(wide > 3 * narrow);
        QCOMPARE(report.TextWidth(font, QString()), 1);
        QVERIFY(report.TextHeight(font, QStringLiteral("W")) >= 10);
    }
};

QTEST_MAIN(TstQRModel)
#include "tst_qrmodel.moc"

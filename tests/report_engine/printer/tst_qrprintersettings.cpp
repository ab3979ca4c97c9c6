// Paper and bin tables, TPrinterSettings against a fake driver, the report's
// TQRPrinterSettings, and the Qt driver on a PDF printer.
#include <QPrinter>
#include <QtTest>

#include "report_engine/printer/PrinterSettings.h"
#include "report_engine/printer/QRFakePrinterDriver.h"
#include "report_engine/printer/QRPrinterSettings.h"
#include "report_engine/printer/QRQtPrinterDriver.h"

using namespace quorin;

Q_DECLARE_METATYPE(quorin::TQRPaperSize)
Q_DECLARE_METATYPE(quorin::TQRBin)

namespace {

QList<int> EveryTableCode() {
    QList<int> codes;
    for (const TQRPaperSizeInfo& size : kQRPaperSizes) {
        if (size.size != TQRPaperSize::Default) {
            codes.append(size.deviceCode);
        }
    }
    return codes;
}

// Records what TQRPrinterSettings hands to the report printer, in order.
class RecordingPrinter : public TQRPrinterSettingsTarget {
  public:
    QStringList calls;
    void SetPrinterIndex(int index) override { calls << QStringLiteral("index %1").arg(index); }
    void SetPaperSize(TQRPaperSize size) override { calls << QStringLiteral("paper %1").arg(int(size)); }
    void SetCopies(int copies) override { calls << QStringLiteral("copies %1").arg(copies); }
    void SetOrientation(TPrinterOrientation o) override {
        calls << QStringLiteral("orientation %1").arg(int(o));
    }
    void SetDuplex(bool duplex) override { calls << QStringLiteral("duplex %1").arg(duplex); }
    void SetBin(TQRBin bin) override { calls << QStringLiteral("bin %1").arg(int(bin)); }
    void SetTitle(const QString& title) override { calls << QStringLiteral("title ") + title; }
};

}  // namespace

class TestQRPrinterSettings : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void paperDimensions_data() {
        QTest::addColumn<TQRPaperSize>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("length");
        QTest::newRow("Letter") << TQRPaperSize::Letter << 2159 << 2794;
        QTest::newRow("A4") << TQRPaperSize::A4 << 2100 << 2970;
        // Note is 279.0 mm long in the table, not Letter's 279.4.
        QTest::newRow("Note") << TQRPaperSize::Note << 2159 << 2790;
        QTest::newRow("Env9 rounds 984.3") << TQRPaperSize::Env9 << 984 << 2254;
        QTest::newRow("Env12 as stored") << TQRPaperSize::Env12 << 1016 << 2794;
        QTest::newRow("Ledger is landscape-shaped") << TQRPaperSize::Ledger << 4318 << 2794;
    }
    void paperDimensions() {
        QFETCH(TQRPaperSize, size);
        QFETCH(int, width);
        QFETCH(int, length);
        TQRFakePrinterDriver driver;
        driver.Codes = EveryTableCode();
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QVERIFY(settings.SetPaperSize(size));
        QCOMPARE(settings.GetPaperWidth(), width);
        QCOMPARE(settings.GetPaperLength(), length);
    }

    void paperNames_data() {
        QTest::addColumn<TQRPaperSize>("size");
        QTest::addColumn<QString>("name");
        QTest::newRow("Default") << TQRPaperSize::Default << QStringLiteral("Tamanho padrão");
        QTest::newRow("Executive, no space")
            << TQRPaperSize::Executive << QStringLiteral("Executive7 1/2 x 10 in");
        QTest::newRow("Env12, backslash 276")
            << TQRPaperSize::Env12 << QStringLiteral("Envelope #12 4 \\276 x 11");
        QTest::newRow("Env14") << TQRPaperSize::Env14 << QStringLiteral("Envelope #14 4 \\276 x 11");
        QTest::newRow("Custom") << TQRPaperSize::Custom << QStringLiteral("Custom Size");
    }
    void paperNames() {
        QFETCH(TQRPaperSize, size);
        QFETCH(QString, name);
        QCOMPARE(QRPaperName(size), name);
    }

    void readsTheDriver() {
        TQRFakePrinterDriver driver;
        driver.Mode.Copies = 3;
        int calls = 0;
        TPrinterSettings settings;
        settings.OnGetPrinterSettings = [&calls](TPrinterSettings&, bool&, TQRDeviceMode&) { ++calls; };
        settings.SetPrinter(&driver);
        QCOMPARE(calls, 2);
        QCOMPARE(settings.GetDevice(), QStringLiteral("Impressora de teste"));
        QCOMPARE(settings.GetPaperSize(), TQRPaperSize::A4);
        QCOMPARE(settings.GetCopies(), 3);
        QCOMPARE(settings.GetOutputBin(), TQRBin::Auto);
        QCOMPARE(settings.GetPixelsPerX(), 600);
        // 100 and 50 pixels at 600 dpi: 42.33 and 21.17 tenths of a millimetre.
        QCOMPARE(settings.GetLeftOffset(), 42);
        QCOMPARE(settings.GetTopOffset(), 21);
        // The driver's full page, 4960 x 7016 pixels: 2099.7 x 2970.1.
        settings.SetPaperSize(TQRPaperSize::Default);
        QCOMPARE(settings.GetPaperWidth(), 2100);
        QCOMPARE(settings.GetPaperLength(), 2970);
        QVERIFY(settings.GetSettingsRead());
        QVERIFY(settings.GetPaperSizeSupported(TQRPaperSize::A5));
        QVERIFY(!settings.GetPaperSizeSupported(TQRPaperSize::A3));
    }

    void handledReadStopsEarly() {
        TQRFakePrinterDriver driver;
        driver.Mode.Copies = 3;
        TPrinterSettings settings;
        settings.OnGetPrinterSettings = [](TPrinterSettings&, bool& handled, TQRDeviceMode&) {
            handled = true;
        };
        settings.SetPrinter(&driver);
        QCOMPARE(settings.GetCopies(), 1);
        QVERIFY(!settings.GetSettingsRead());
    }

    void binsByDeviceCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("present");
        QTest::addColumn<TQRBin>("bin");
        QTest::newRow("1 is First, not Upper") << 1 << true << TQRBin::First;
        QTest::newRow("2 is Lower") << 2 << true << TQRBin::Lower;
        QTest::newRow("14 is Cassette, not Last") << 14 << true << TQRBin::Cassette;
        QTest::newRow("unknown code") << 99 << true << TQRBin::First;
        QTest::newRow("field not offered") << 2 << false << TQRBin::First;
    }
    void binsByDeviceCode() {
        QFETCH(int, code);
        QFETCH(bool, present);
        QFETCH(TQRBin, bin);
        TQRFakePrinterDriver driver;
        driver.Mode.DefaultSource = code;
        if (!present) {
            driver.Mode.Fields &= ~TQRDeviceMode::dmDefaultSource;
        }
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QCOMPARE(settings.GetOutputBin(), bin);
    }

    void duplexCodeApplied_data() {
        QTest::addColumn<bool>("duplex");
        QTest::addColumn<int>("extended");
        QTest::addColumn<int>("code");
        QTest::newRow("duplex, no extended code") << true << 0 << 3;
        QTest::newRow("simplex") << false << 0 << 1;
        QTest::newRow("extended code wins over duplex") << true << 2 << 2;
        QTest::newRow("extended code wins over simplex") << false << 2 << 2;
    }
    void duplexCodeApplied() {
        QFETCH(bool, duplex);
        QFETCH(int, extended);
        QFETCH(int, code);
        TQRFakePrinterDriver driver;
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QVERIFY(settings.SetDuplex(duplex));
        settings.SetExtendedDuplex(extended);
        settings.ApplySettings();
        QCOMPARE(driver.Written.size(), 1);
        QCOMPARE(driver.Written.last().Duplex, code);
        QVERIFY(driver.Written.last().Has(TQRDeviceMode::dmDuplex));
    }

    void duplexRead() {
        TQRFakePrinterDriver driver;
        driver.Mode.Duplex = 2;
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QVERIFY(settings.GetDuplex());
    }

    void applyWritesTheRecord() {
        TQRFakePrinterDriver driver;
        driver.Codes = EveryTableCode();
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QVERIFY(settings.SetPaperSize(TQRPaperSize::Legal));
        QVERIFY(settings.SetCopies(2));
        QVERIFY(settings.SetOrientation(poLandscape));
        QVERIFY(settings.SetOutputBin(TQRBin::Cassette));
        settings.ApplySettings();
        const TQRDeviceMode& m = driver.Written.last();
        QCOMPARE(m.PaperSize, 5);
        QCOMPARE(m.PaperWidth, 2159);
        QCOMPARE(m.PaperLength, 3556);
        QCOMPARE(m.Copies, 2);
        QCOMPARE(m.Orientation, 2);
        QCOMPARE(m.DefaultSource, 14);
        for (const auto field :
             {TQRDeviceMode::dmPaperSize, TQRDeviceMode::dmPaperWidth, TQRDeviceMode::dmPaperLength,
              TQRDeviceMode::dmCopies, TQRDeviceMode::dmOrientation, TQRDeviceMode::dmDefaultSource,
              TQRDeviceMode::dmDuplex}) {
            QVERIFY(m.Has(field));
        }
        // Raw codes replace the tables' codes.
        settings.SetUseCustomPaperCode(true);
        settings.SetCustomPaperCode(321);
        settings.SetUseCustomBinCode(true);
        settings.SetCustomBinCode(260);
        settings.ApplySettings();
        QCOMPARE(driver.Written.last().PaperSize, 321);
        QCOMPARE(driver.Written.last().DefaultSource, 260);
    }

    void applyLeavesPaperCodeForDefault() {
        TQRFakePrinterDriver driver;
        driver.Mode.Fields &= ~TQRDeviceMode::dmPaperSize;
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QCOMPARE(settings.GetPaperSize(), TQRPaperSize::Default);
        settings.ApplySettings();
        QVERIFY(!driver.Written.last().Has(TQRDeviceMode::dmPaperSize));
        QCOMPARE(driver.Written.last().PaperWidth, 2100);
    }

    void handledApplyKeepsTheRecord() {
        TQRFakePrinterDriver driver;
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        settings.OnApplyPrinterSettings = [](TPrinterSettings&, bool& handled, TQRDeviceMode&) {
            handled = true;
        };
        settings.ApplySettings();
        QVERIFY(driver.Written.isEmpty());
    }

    void customSizeOnlyWhenListed_data() {
        QTest::addColumn<bool>("listed");
        QTest::newRow("driver lists 256") << true;
        QTest::newRow("driver does not") << false;
    }
    void customSizeOnlyWhenListed() {
        QFETCH(bool, listed);
        TQRFakePrinterDriver driver;
        if (listed) {
            driver.Codes.append(256);
        }
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QCOMPARE(settings.SetPaperSize(TQRPaperSize::Custom), listed);
        QCOMPARE(settings.GetPaperSize(), listed ? TQRPaperSize::Custom : TQRPaperSize::A4);
        // A size the driver does not list is refused; Default always goes.
        QVERIFY(!settings.SetPaperSize(TQRPaperSize::A3));
        QCOMPARE(settings.GetPaperSize(), listed ? TQRPaperSize::Custom : TQRPaperSize::A4);
        QVERIFY(settings.SetPaperSize(TQRPaperSize::Default));
        QCOMPARE(settings.GetPaperSize(), TQRPaperSize::Default);
    }

    void withoutPrintersEverySetterRefuses() {
        TQRFakePrinterDriver driver;
        driver.Printers = false;
        TPrinterSettings settings;
        settings.SetPrinter(&driver);
        QCOMPARE(settings.GetPaperSize(), TQRPaperSize::A4);
        QCOMPARE(settings.GetPaperWidth(), 2100);
        QVERIFY(!settings.SetCopies(4));
        QVERIFY(!settings.SetDuplex(true));
        QVERIFY(!settings.SetOrientation(poLandscape));
        QVERIFY(!settings.SetOutputBin(TQRBin::Manual));
        QVERIFY(!settings.SetPaperSize(TQRPaperSize::Letter));
        QCOMPARE(settings.GetCopies(), 1);
        QCOMPARE(settings.GetOrientation(), poPortrait);
        QCOMPARE(settings.GetPaperSize(), TQRPaperSize::A4);
        settings.SetTitle(QStringLiteral("Proposta"));
        QCOMPARE(settings.GetTitle(), QStringLiteral("Proposta"));
    }

    void reportSettingsDefaultsAndOrder() {
        TQRPrinterSettings report;
        QCOMPARE(report.Copies, 1);
        QCOMPARE(report.OutputBin, TQRBin::Auto);
        QCOMPARE(report.PaperSize, TQRPaperSize::Letter);
        QCOMPARE(report.PrinterIndex, -1);
        report.Title = QStringLiteral("Proposta");
        report.Duplex = true;
        RecordingPrinter printer;
        report.ApplySettings(printer);
        QCOMPARE(printer.calls, (QStringList{"index -1", "paper 1", "copies 1", "orientation 0", "duplex 1",
                                             "bin 7", "title Proposta"}));
    }

    void qtDriverOnAPdfPrinter() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        TQRQtPrinterDriver driver(printer);
        TQRDeviceMode mode = driver.GetDeviceMode();
        QCOMPARE(mode.PaperSize, 9);
        QCOMPARE(mode.PaperWidth, 2100);
        QCOMPARE(mode.PaperLength, 2970);
        QCOMPARE(mode.Orientation, 1);
        QVERIFY(driver.PaperCodes().contains(256));
        QVERIFY(driver.PixelsPerInchX() > 0);
        const QSize page = driver.PageSizePixels();
        // Qt sizes the page in whole points (595 x 842 for A4), a few tenths short of 210 mm.
        QVERIFY(qAbs(qRound(page.width() * 254.0 / driver.PixelsPerInchX()) - 2100) <= 3);

        mode.Fields = TQRDeviceMode::dmPaperSize | TQRDeviceMode::dmOrientation | TQRDeviceMode::dmCopies;
        mode.PaperSize = 5;
        mode.Orientation = 2;
        mode.Copies = 3;
        driver.SetDeviceMode(mode);
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::Legal);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(printer.copyCount(), 3);

        mode.Fields = TQRDeviceMode::dmPaperSize | TQRDeviceMode::dmPaperWidth | TQRDeviceMode::dmPaperLength;
        mode.PaperSize = 256;
        mode.PaperWidth = 1000;
        mode.PaperLength = 1500;
        driver.SetDeviceMode(mode);
        const QSizeF mm = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
        QCOMPARE(qRound(mm.width()), 100);
        QCOMPARE(qRound(mm.height()), 150);
        QCOMPARE(driver.GetDeviceMode().PaperSize, 256);
    }
};

QTEST_MAIN(TestQRPrinterSettings)
#include "tst_qrprintersettings.moc"

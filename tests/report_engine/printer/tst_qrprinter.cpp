// The report printer against fake print jobs and a fake driver: pages
// recorded and announced, direct printing of a page range, printing stored
// pages, misuse, units, page files (saving, loading, choosing the paper,
// damage), notices across threads, the preview registry and the filter library.
#include <QPicture>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <thread>

#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/printer/QRFakePrinterDriver.h"
#include "report_engine/printer/TQRPrinter.h"

using namespace quorin;

Q_DECLARE_METATYPE(quorin::TQRPaperSize)
Q_DECLARE_METATYPE(quorin::TPrinterOrientation)

namespace {

// What a fake job saw; shared so the test reads it after the job is gone.
struct JobLog {
    int begun = 0;
    int pagesBeforeBegin = -1;  // the printer's page count when the job began
    int newPages = 0;
    int ended = 0;
    int aborted = 0;
    QString title;
};

// A print job that paints into a picture and counts what the printer asks.
class FakeJob : public TQRPrintJob {
  public:
    // The step the printing system refuses, if any.
    enum TRefusal { None, Begin_, NewPage_, End_ };

    FakeJob(JobLog& log, const TQRPrinter* printer, TRefusal refuse)
        : log_(log), printer_(printer), refuse_(refuse) {}
    bool Begin(const QString& title) override {
        if (refuse_ == Begin_) {
            return false;
        }
        ++log_.begun;
        log_.title = title;
        log_.pagesBeforeBegin = printer_ ? printer_->GetPageCount() : -1;
        return painter_.begin(&picture_);
    }
    bool NewPage() override {
        ++log_.newPages;
        return refuse_ != NewPage_;
    }
    bool End() override {
        ++log_.ended;
        return painter_.end() && refuse_ != End_;
    }
    void Abort() override {
        ++log_.aborted;
        if (painter_.isActive()) {
            painter_.end();
        }
    }
    bool Active() const override { return painter_.isActive(); }
    QPainter& Painter() override { return painter_; }
    int DotsPerInchX() const override { return 600; }
    int DotsPerInchY() const override { return 600; }
    QSize PrintableSize() const override { return {4960, 7016}; }
    QString PrinterName() const override { return QStringLiteral("Impressora de teste"); }

  private:
    JobLog& log_;
    const TQRPrinter* printer_;
    TRefusal refuse_;
    QPicture picture_;
    QPainter painter_;
};

void UseFakeJobs(TQRPrinter& printer, JobLog& log, FakeJob::TRefusal refuse = FakeJob::None) {
    printer.CreatePrintJob = [&log, &printer, refuse] {
        return std::make_unique<FakeJob>(log, &printer, refuse);
    };
}

// Records the printer's notices as "message:param".
class Sink : public QObject {
  public:
    QStringList received;
    bool event(QEvent* event) override {
        const int type = event->type();
        if (type >= CM_QRPROGRESSUPDATE && type <= CM_QRPREVIEWCLOSE) {
            received << QStringLiteral("%1:%2").arg(type).arg(static_cast<TQRPrinterEvent*>(event)->Param());
            return true;
        }
        return QObject::event(event);
    }
};

// Safe on any thread: a missing canvas shows up as a missing page text.
void DrawPage(TQRPrinter& printer, int page) {
    TQRCanvas* canvas = printer.GetCanvas();
    if (!canvas) {
        return;
    }
    canvas->TextOut(printer.XPos(200), printer.YPos(200), QStringLiteral("Página %1").arg(page));
}

// A finished run of the given number of pages into the page store.
void RunToStore(TQRPrinter& printer, int pages) {
    printer.BeginDoc();
    for (int page = 1; page <= pages; ++page) {
        printer.NewPage();
        DrawPage(printer, page);
    }
    printer.EndDoc();
}

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EQRError& error) {
        return error.message();
    }
    return {};
}

// A page file of one empty page of the given size in tenths of a millimetre,
// recorded at the reference resolution.
void WritePageFile(const QString& fileName, int widthTenths, int lengthTenths) {
    const int dpi = TQREmfRecorder::ScreenDotsPerInch();
    const QSize pixels(qRound(widthTenths * dpi / 254.0), qRound(lengthTenths * dpi / 254.0));
    TQRPageList list;
    list.SetStream(std::make_shared<TQRStream>(100000));
    list.WriteFileHeader();
    list.AddPage(TQRPageRecording::FromRecords(pixels, {}, 0, dpi));
    list.Finish();
    list.SaveToFile(fileName);
}

}  // namespace

class TestQRPrinter : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void metafileRunAnnouncesAndStoresPages() {
        TQRPrinter printer;
        Sink preview;
        printer.PreviewWindow = &preview;
        printer.BeginDoc();
        QCOMPARE(printer.GetStatus(), mpBusy);
        for (int page = 1; page <= 3; ++page) {
            printer.NewPage();
            QVERIFY(dynamic_cast<TQREmfRecorder*>(printer.GetCanvas()));
            DrawPage(printer, page);
            printer.SetProgress(page * 30);
        }
        printer.EndDoc();
        QCoreApplication::sendPostedEvents(&preview);
        QCOMPARE(preview.received,
                 QStringList({"1024:30", "1025:1", "1024:60", "1025:2", "1024:90", "1025:3"}));
        QCOMPARE(printer.GetStatus(), mpFinished);
        QCOMPARE(printer.GetPageCount(), 3);
        QCOMPARE(printer.GetAvailablePages(), 3);

        QVERIFY(printer.GetPage(3));
        QVERIFY(!printer.GetPage(0));
        QVERIFY(!printer.GetPage(4));
        const double factor = TQREmfRecorder::ScreenDotsPerInch() / 254.0;
        QCOMPARE(printer.XFactor(), factor);
        QCOMPARE(printer.GetPage(1)->Bounds().size(),
                 QSize(printer.XSize(printer.PaperWidthValue()), printer.YSize(printer.PaperLengthValue())));

        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("run.QRP"));
        printer.Save(name);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(qFromLittleEndian<qint32>(file.read(12).constData() + 8), 3);
        TQRPageList loaded;
        loaded.LoadFromFile(name);
        QCOMPARE(loaded.GetPageCount(), 3);
        QCOMPARE(*loaded.GetPage(2), *printer.GetPage(2));
    }

    // Saving before the run ended writes nothing; a cleaned-up printer is ready again.
    void saveBeforeFinishAndCleanup() {
        TQRPrinter printer;
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("early.QRP"));
        printer.BeginDoc();
        printer.NewPage();
        printer.Save(name);
        QVERIFY(!QFile::exists(name));
        printer.Cleanup();
        QCOMPARE(printer.GetStatus(), mpReady);
        QVERIFY(printer.GetCancelled());
        QVERIFY(!printer.GetPage(1));
        RunToStore(printer, 2);
        QVERIFY(!printer.GetCancelled());
        QCOMPARE(printer.GetPageCount(), 2);
    }

    // An aborted run keeps the pages it drew, and its saved file says so.
    void abortedRunSavesItsPages() {
        TQRPrinter printer;
        printer.BeginDoc();
        for (int page = 1; page <= 3; ++page) {
            printer.NewPage();
            DrawPage(printer, page);
        }
        printer.AbortDoc();
        QCOMPARE(printer.GetStatus(), mpFinished);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("aborted.QRP"));
        printer.Save(name);
        TQRPrinter reader;
        reader.Load(name);
        QCOMPARE(reader.GetPageCount(), 3);
        QCOMPARE(*reader.GetPage(3), *printer.GetPage(3));
    }

    void misuse_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message");
        QTest::newRow("BeginDoc twice") << "bb"
                                        << "Gerador não está pronto";
        QTest::newRow("BeginDoc after a finished run") << "bneb"
                                                       << "Gerador não está pronto";
        QTest::newRow("NewPage before BeginDoc") << "n"
                                                 << "Chamada Ilegal de uma nova página";
        QTest::newRow("NewPage after EndDoc") << "bnen"
                                              << "Chamada Ilegal de uma nova página";
        QTest::newRow("NewPage after AbortDoc") << "bnan"
                                                << "Chamada Ilegal de uma nova página";
    }
    void misuse() {
        QFETCH(QString, steps);
        QFETCH(QString, message);
        TQRPrinter printer;
        const QString raised = ErrorOf([&] {
            for (const QChar step : steps) {
                switch (step.toLatin1()) {
                    case 'b':
                        printer.BeginDoc();
                        break;
                    case 'n':
                        printer.NewPage();
                        break;
                    case 'e':
                        printer.EndDoc();
                        break;
                    case 'a':
                        printer.AbortDoc();
                        break;
                }
            }
        });
        QCOMPARE(raised, message);
    }

    // Which pages reach the print job, and where the printer advances.
    void directPrintingOfARange_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("canvases");  // r: thrown-away recording, p: printer
        QTest::addColumn<int>("begunAfter");    // pages begun before the job started
        QTest::addColumn<int>("advances");
        QTest::newRow("3 to 4 of 6") << 6 << 3 << 4 << "rrpprr" << 3 << 1;
        QTest::newRow("all of 3") << 3 << 0 << 0 << "ppp" << 1 << 2;
        QTest::newRow("from 5 of 6") << 6 << 5 << 0 << "rrrrpp" << 5 << 1;
        QTest::newRow("up to 2 of 4") << 4 << 0 << 2 << "pprr" << 1 << 1;
        QTest::newRow("past the end") << 3 << 7 << 0 << "rrr" << -1 << 0;
    }
    void directPrintingOfARange() {
        QFETCH(int, pages);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, canvases);
        QFETCH(int, begunAfter);
        QFETCH(int, advances);
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        JobLog log;
        UseFakeJobs(printer, log);
        int afterPrint = 0;
        printer.AfterPrint = [&](TQRPrinter*) { ++afterPrint; };
        printer.SetTitle(QStringLiteral("Proposta"));
        printer.SetDestination(qrdPrinter);
        printer.FirstPage = first;
        printer.LastPage = last;
        printer.BeginDoc();
        QString seen;
        for (int page = 1; page <= pages; ++page) {
            printer.NewPage();
            seen += dynamic_cast<TQREmfRecorder*>(printer.GetCanvas()) ? u'r' : u'p';
            DrawPage(printer, page);
        }
        printer.EndDoc();
        QCOMPARE(seen, canvases);
        QCOMPARE(log.begun, begunAfter < 0 ? 0 : 1);
        QCOMPARE(log.pagesBeforeBegin, begunAfter);
        QCOMPARE(log.newPages, advances);
        QCOMPARE(log.ended, log.begun);
        QCOMPARE(log.aborted, 0);
        QCOMPARE(afterPrint, 1);
        QCOMPARE(printer.GetStatus(), mpFinished);
        if (log.begun) {
            QCOMPARE(log.title, QStringLiteral("Proposta"));
        }
        // The driver got the options when the run began.
        QCOMPARE(driver.Written.size(), 1);
    }

    void printFinishedRun_data() {
        QTest::addColumn<bool>("client");
        QTest::addColumn<bool>("printMetaFile");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("posted");
        QTest::addColumn<int>("advances");
        QTest::addColumn<int>("lastPrinted");
        QTest::newRow("report generates again") << true << false << false << 0 << 0 << true << 0 << 0;
        QTest::newRow("stored pages on request") << true << true << false << 0 << 0 << false << 2 << 3;
        QTest::newRow("no client") << false << false << false << 0 << 0 << false << 2 << 3;
        QTest::newRow("loaded file") << true << false << true << 0 << 0 << false << 2 << 3;
        QTest::newRow("pages 2 to 3") << false << false << false << 2 << 3 << false << 1 << 3;
        QTest::newRow("range past the end, no blank sheets")
            << false << false << false << 2 << 9 << false << 1 << 3;
    }
    void printFinishedRun() {
        QFETCH(bool, client);
        QFETCH(bool, printMetaFile);
        QFETCH(bool, loaded);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, posted);
        QFETCH(int, advances);
        QFETCH(int, lastPrinted);
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        JobLog log;
        UseFakeJobs(printer, log);
        Sink report;
        RunToStore(printer, 3);
        QTemporaryDir dir;
        if (loaded) {
            const QString name = dir.filePath(QStringLiteral("run.QRP"));
            printer.Save(name);
            printer.Load(name);
            QVERIFY(printer.GetLoadedFromFile());
        }
        printer.Client = client ? &report : nullptr;
        printer.PrintMetaFile = printMetaFile;
        printer.FirstPage = first;
        printer.LastPage = last;
        printer.Print();
        QCoreApplication::sendPostedEvents(&report);
        QCOMPARE(report.received, posted ? QStringList{"1026:0"} : QStringList());
        QCOMPARE(log.begun, posted ? 0 : 1);
        QCOMPARE(log.newPages, advances);
        QCOMPARE(log.ended, log.begun);
        if (!posted) {
            QCOMPARE(printer.GetPageNumber(), lastPrinted);
        }
    }

    // A busy or unfinished printer does not print; a cancelled print stops
    // after the page it was on and throws the job away.
    void printOnlyWhenFinished() {
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        JobLog log;
        UseFakeJobs(printer, log);
        printer.Print();
        printer.BeginDoc();
        printer.NewPage();
        printer.Print();
        QCOMPARE(log.begun, 0);
        printer.EndDoc();
        printer.Cancel();
        printer.Print();
        QCOMPARE(log.begun, 1);
        QCOMPARE(log.aborted, 1);
        QCOMPARE(log.ended, 0);
    }

    // The printing system refusing the job is an error the caller can show,
    // never a silent success.
    void refusedJobRaises_data() {
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QString>("message");
        const QString name = QStringLiteral("A impressora \"Impressora de teste\" ");
        QTest::newRow("job") << int(FakeJob::Begin_)
                             << name + QStringLiteral("recusou o trabalho de impressão \"Proposta\".");
        QTest::newRow("new page") << int(FakeJob::NewPage_)
                                  << name + QStringLiteral("recusou uma nova página.");
        QTest::newRow("end")
            << int(FakeJob::End_)
            << QStringLiteral("A impressão na impressora \"Impressora de teste\" não pôde ser concluída.");
    }
    void refusedJobRaises() {
        QFETCH(int, refusal);
        QFETCH(QString, message);
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        JobLog log;
        UseFakeJobs(printer, log, FakeJob::TRefusal(refusal));
        int afterPrint = 0;
        printer.AfterPrint = [&](TQRPrinter*) { ++afterPrint; };
        printer.SetTitle(QStringLiteral("Proposta"));
        printer.SetDestination(qrdPrinter);
        QCOMPARE(ErrorOf([&] { RunToStore(printer, 2); }), message);
        printer.AbortDoc();
        QCOMPARE(afterPrint, 0);

        printer.Cleanup();
        printer.SetDestination(qrdMetafile);
        RunToStore(printer, 2);
        printer.PrintMetaFile = true;
        QCOMPARE(ErrorOf([&] { printer.Print(); }), message);
    }

    // The real job on a QPrinter whose PDF file cannot be created.
    void unwritablePrinterOutputRaises() {
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        printer.PlatformPrinter()->setOutputFormat(QPrinter::PdfFormat);
        const QString target = QStringLiteral("/nonexistent-folder/saida.pdf");
        printer.PlatformPrinter()->setOutputFileName(target);
        printer.SetDestination(qrdPrinter);
        printer.BeginDoc();
        const QString raised = ErrorOf([&] { printer.NewPage(); });
        QVERIFY2(raised.startsWith(QStringLiteral("A impressora \"%1\" recusou").arg(target)),
                 qPrintable(raised));
    }

    void units_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("offsetPixels");  // left and top unprintable margin
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("size");
        // 118 pixels at 600 dpi is a waste of 50 tenths of a millimetre.
        QTest::newRow("10 mm, waste 5 mm, 600 dpi") << 600 << 118 << 100.0 << 118 << 236;
        // At 254 dpi a tenth of a millimetre is one pixel: halves go to even.
        QTest::newRow("0.5 to even") << 254 << 0 << 0.5 << 0 << 0;
        QTest::newRow("1.5 to even") << 254 << 0 << 1.5 << 2 << 2;
        QTest::newRow("2.5 to even") << 254 << 0 << 2.5 << 2 << 2;
        QTest::newRow("left of the waste") << 254 << 10 << 7.5 << -2 << 8;
    }
    void units() {
        QFETCH(int, dpi);
        QFETCH(int, offsetPixels);
        QFETCH(double, value);
        QFETCH(int, pos);
        QFETCH(int, size);
        TQRFakePrinterDriver driver;
        driver.DpiX = driver.DpiY = dpi;
        driver.Offset = QPoint(offsetPixels, offsetPixels);
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        printer.SetDestination(qrdPrinter);
        printer.BeginDoc();
        QCOMPARE(printer.XPos(value), pos);
        QCOMPARE(printer.YPos(value), pos);
        QCOMPARE(printer.XSize(value), size);
        QCOMPARE(printer.YSize(value), size);
    }

    // The page store ignores the unprintable margins.
    void metafileHasNoWaste() {
        TQRFakePrinterDriver driver;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        QCOMPARE(printer.GetLeftWaste(), 0);
        printer.SetDestination(qrdPrinter);
        QVERIFY(printer.GetLeftWaste() > 0);
        printer.SetDestination(qrdMetafile);
        printer.BeginDoc();
        QCOMPARE(printer.XPos(254), printer.XSize(254));
    }

    // With no printer at all the settings refuse every paper; the pages still
    // take the report's paper and orientation instead of the settings' A4.
    void withoutPrintersPagesKeepTheReportsPaper() {
        TQRFakePrinterDriver driver;
        driver.Printers = false;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        printer.SetPaperSize(TQRPaperSize::Letter);
        QCOMPARE(printer.GetPaperSize(), TQRPaperSize::Letter);
        QCOMPARE(printer.PaperWidthValue(), 2159);
        printer.SetOrientation(poLandscape);
        QCOMPARE(printer.PaperWidthValue(), 2794);
        QCOMPARE(printer.PaperLengthValue(), 2159);
        printer.BeginDoc();
        printer.NewPage();
        printer.EndDoc();
        const auto page = printer.GetPage(1);
        QCOMPARE(page->Bounds().width(), printer.XSize(2794));
    }

    void loadChoosesPaper_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("offered");
        QTest::addColumn<TQRPaperSize>("paper");
        QTest::addColumn<TPrinterOrientation>("orientation");
        QTest::newRow("A4, A4Small offered")
            << 2100 << 2970 << QList<int>{1, 9, 10} << TQRPaperSize::A4Small << poPortrait;
        QTest::newRow("A4 only") << 2100 << 2970 << QList<int>{1, 9} << TQRPaperSize::A4 << poPortrait;
        QTest::newRow("A4 landscape") << 2970 << 2100 << QList<int>{9} << TQRPaperSize::A4 << poLandscape;
        QTest::newRow("Letter ends as Note")
            << 2159 << 2794 << QList<int>{1, 2, 18} << TQRPaperSize::Note << poPortrait;
        QTest::newRow("Letter offered alone")
            << 2159 << 2794 << QList<int>{1, 9} << TQRPaperSize::Letter << poPortrait;
        QTest::newRow("size not offered keeps the paper")
            << 1000 << 1000 << QList<int>{1, 9} << TQRPaperSize::A4 << poPortrait;
    }
    void loadChoosesPaper() {
        QFETCH(int, width);
        QFETCH(int, length);
        QFETCH(QList<int>, offered);
        QFETCH(TQRPaperSize, paper);
        QFETCH(TPrinterOrientation, orientation);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("page.QRP"));
        WritePageFile(name, width, length);
        TQRFakePrinterDriver driver;
        driver.Codes = offered;
        TQRPrinter printer;
        printer.SetPrinterDriver(&driver);
        QCOMPARE(printer.GetPaperSize(), TQRPaperSize::A4);
        int handlers = 0;
        printer.OnPrintSetup = [&](TQRPrinter*) { ++handlers; };
        printer.OnExportToFilter = [&](TQRExportFilter*) { ++handlers; };
        printer.Load(name);
        QCOMPARE(printer.GetPaperSize(), paper);
        QCOMPARE(printer.GetOrientation(), orientation);
        QCOMPARE(printer.GetStatus(), mpFinished);
        QCOMPARE(printer.GetPageCount(), 1);
        QVERIFY(printer.GetLoadedFromFile());
        QVERIFY(printer.GetPage(1));
        printer.PrintSetup();
        printer.ExportToFilter(nullptr);
        QCOMPARE(handlers, 0);
    }

    // A damaged page file leaves a ready, empty printer and the loader's message.
    void damagedLoad_data() {
        QTest::addColumn<QByteArray>("damage");  // what replaces the file's tail
        QTest::addColumn<bool>("finishedBefore");
        QTest::newRow("cut short, fresh printer") << QByteArray("x") << false;
        QTest::newRow("cut short, after a run") << QByteArray("x") << true;
        QTest::newRow("garbage page") << QByteArray(400, '\xEE') << true;
    }
    void damagedLoad() {
        QFETCH(QByteArray, damage);
        QFETCH(bool, finishedBefore);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("damaged.QRP"));
        WritePageFile(name, 2100, 2970);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray whole = file.readAll();
        QVERIFY(file.resize(0));
        file.write(whole.left(TQRPageList::HeaderSize + 60) + damage);
        file.close();
        QString expected;
        try {
            TQRPageList().LoadFromFile(name);
        } catch (const EQRError& error) {
            expected = error.message();
        }
        QVERIFY(!expected.isEmpty());

        TQRPrinter printer;
        if (finishedBefore) {
            RunToStore(printer, 2);
        }
        QCOMPARE(ErrorOf([&] { printer.Load(name); }), expected);
        QCOMPARE(printer.GetStatus(), mpReady);
        QCOMPARE(printer.GetPageCount(), 0);
        QVERIFY(!printer.GetLoadedFromFile());
        QVERIFY(!printer.GetPage(1));
        RunToStore(printer, 1);  // still usable
        QCOMPARE(printer.GetPageCount(), 1);
    }

    // A run on a worker thread reaches the preview's thread as ordered notices.
    void noticesCrossThreads() {
        TQRPrinter printer;
        Sink preview;
        printer.PreviewWindow = &preview;
        std::thread worker([&] { RunToStore(printer, 4); });
        worker.join();
        QTRY_COMPARE(preview.received, QStringList({"1025:1", "1025:2", "1025:3", "1025:4"}));
        QCOMPARE(printer.GetPage(4)->Bounds(), printer.GetPage(1)->Bounds());
    }

    // A preview that goes away while the run still reports gets nothing more.
    void previewLeavesDuringRun() {
        TQRPrinter printer;
        auto* preview = new Sink;
        printer.PreviewWindow = preview;
        std::atomic<bool> stop{false};
        std::thread worker([&] {
            for (int n = 0; !stop; n = (n + 1) % 100) {
                printer.SetProgress(n);
            }
        });
        QTRY_VERIFY(!preview->received.isEmpty());
        QVERIFY(printer.PreviewWindow == preview);
        printer.PreviewWindow = nullptr;
        delete preview;
        QCoreApplication::processEvents();
        stop = true;
        worker.join();
        QCOMPARE(static_cast<QObject*>(printer.PreviewWindow), nullptr);
    }

    void previewAndHandlers() {
        struct Interface : TQRPreviewInterface {
            QObject* window;
            QStringList* calls;
            QObject* Show(TQRPrinter*) override {
                *calls << QStringLiteral("show");
                return window;
            }
            void ShowModal(TQRPrinter*) override { *calls << QStringLiteral("modal"); }
        };
        QObject window;
        QStringList calls;
        RegisterPreviewClass([&] {
            auto preview = std::make_unique<Interface>();
            preview->window = &window;
            preview->calls = &calls;
            return preview;
        });
        TQRPrinter printer;
        printer.Preview();
        printer.PreviewModal();
        QCOMPARE(calls, QStringList({"show", "modal"}));
        QCOMPARE(printer.PreviewForm, &window);
        printer.OnPreview = [&](TQRPrinter*) { calls << QStringLiteral("handler"); };
        printer.Preview();
        QCOMPARE(calls.last(), QStringLiteral("handler"));
        RegisterPreviewClass(nullptr);
        QVERIFY(CreatePreviewInterface());
        QCOMPARE(CreatePreviewInterface()->Show(&printer), nullptr);

        // Closing the preview reaches the client before ClosePreview returns.
        Sink report;
        printer.Client = &report;
        printer.ClosePreview();
        QCOMPARE(report.received, QStringList{"1028:0"});

        // Closing a preview of a busy run cancels it and tells the handler once.
        int afterPreview = 0;
        printer.AfterPreview = [&](TQRPrinter*) { ++afterPreview; };
        printer.SetShowingPreview(true);
        printer.BeginDoc();
        printer.SetShowingPreview(false);
        printer.SetShowingPreview(false);
        QVERIFY(printer.GetCancelled());
        QCOMPARE(afterPreview, 1);
    }

    void exportFilterLibrary() {
        struct Filter : TQRExportFilter {
            QString name;
            QString extension;
            Filter(QString n, QString e) : TQRExportFilter(QString()), name(n), extension(e) {}
            QString GetFilterName() const override { return name; }
            QString GetExtension() const override { return extension; }
        };
        TQRExportFilterLibrary library;
        QCOMPARE(library.GetSaveDialogFilter(), QStringLiteral("QuickReport file (*.QRP)|*.QRP"));
        library.AddFilter([](const QString&) { return std::make_unique<Filter>("Arquivo PDF", "pdf"); });
        library.AddFilter([](const QString&) { return std::make_unique<Filter>("Texto", "txt"); });
        QCOMPARE(
            library.GetSaveDialogFilter(),
            QStringLiteral("QuickReport file (*.QRP)|*.QRP|Arquivo PDF (*.pdf)|*.pdf|Texto (*.txt)|*.txt"));
        library.RemoveFilter(QStringLiteral("Arquivo PDF"));
        QCOMPARE(library.Filters().size(), size_t(1));
        QCOMPARE(library.Filters().front().Extension, QStringLiteral("txt"));
        QCOMPARE(&TQRExportFilterLibrary::Instance(), &TQRExportFilterLibrary::Instance());
    }

    void processWide() {
        QCOMPARE(&QRPrinter(), &QRPrinter());
        QVERIFY(!GetFonts().isEmpty());
        // Reports set to the standard printer share one platform printer.
        TQRPrinter a(nullptr, true);
        TQRPrinter b(nullptr, true);
        TQRPrinter own;
        QCOMPARE(a.PlatformPrinter(), b.PlatformPrinter());
        QVERIFY(own.PlatformPrinter() != a.PlatformPrinter());
        QVERIFY(a.GetUseStandardPrinter());
    }
};

QTEST_MAIN(TestQRPrinter)
#include "tst_qrprinter.moc"

// Running a report: previews, printing, preparing, exporting, cancelling.

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include "report_engine/canvas/QRFontWarmup.h"
#include "report_engine/model/TQRCreateReportThread.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"

namespace quorin {

namespace {

TQRPrinterSetupDialog& SetupDialog() {
    static TQRPrinterSetupDialog dialog;
    return dialog;
}

const QString kPrinting = QStringLiteral("Imprimindo Relatório...");
const QString kExporting = QStringLiteral("Exportando Relatório...");

void ShowForm(QObject* form) {
    if (form != nullptr && form->metaObject()->indexOfMethod("show()") >= 0) {
        QMetaObject::invokeMethod(form, "show");
    }
}

/// A progress window for the run from the registered preview interface, shown
/// when asked and made the page sink's notice target; none when there is none.
std::unique_ptr<QObject> AttachProgressForm(TQRPrinter* printer, const QString& caption, bool show) {
    std::unique_ptr<QObject> progress = CreatePreviewInterface()->CreateProgressForm(printer, caption);
    if (progress) {
        if (show) {
            ShowForm(progress.get());
        }
        printer->PreviewWindow = progress.get();
    }
    return progress;
}

}  // namespace

void RegisterPrinterSetupDialog(TQRPrinterSetupDialog dialog) {
    SetupDialog() = std::move(dialog);
}

void TCustomQuickRep::RestorePageSink(std::unique_ptr<TQRPrinter>& remembered) {
    std::unique_ptr<TQRPrinter> used;
    {
        std::lock_guard<std::mutex> guard(runLock_);
        used = std::move(qrPrinter_);
        qrPrinter_ = std::move(remembered);
    }
    used.reset();
}

std::unique_ptr<TQRPrinter> TCustomQuickRep::NewPrinter() {
    std::unique_ptr<TQRPrinter> printer = PrinterFactory
                                              ? PrinterFactory(*this)
                                              : std::make_unique<TQRPrinter>(this, PrinterSettings.UseStandardprinter);
    // The report's printer hooks see the driver's record when it is read
    // again and before it goes to the printer.
    TPrinterSettings& settings = printer->Settings();
    if (OnGetPrinterSettings) {
        settings.OnGetPrinterSettings = [this](TPrinterSettings&, bool& handled, TQRDeviceMode& mode) {
            OnGetPrinterSettings(this, handled, &mode);
        };
    }
    if (OnApplyPrinterSettings) {
        settings.OnApplyPrinterSettings = [this](TPrinterSettings&, bool& handled, TQRDeviceMode& mode) {
            OnApplyPrinterSettings(this, handled, &mode);
        };
    }
    return printer;
}

bool TCustomQuickRep::PrepareQRPrinter() {
    if (!idle_ || (thread_ && thread_->isRunning())) {
        return false;
    }
    if (thread_) {
        // The previous threaded run has ended: collect its thread.
        thread_->wait();
        {
            std::lock_guard<std::mutex> guard(runLock_);
            lastRunError_ = thread_->Error();
        }
        thread_.reset();
    }
    std::unique_ptr<TQRPrinter> printer = NewPrinter();
    if (qrPrinter_) {
        printer->PreviewWindow = static_cast<QObject*>(qrPrinter_->PreviewWindow);
    }
    printer->AfterPreview = [this](TQRPrinter*) { PreviewFinished(); };
    printer->AfterPrint = [this](TQRPrinter*) { PrintFinished(); };
    std::lock_guard<std::mutex> guard(runLock_);
    retiredPrinter_ = std::move(qrPrinter_);
    qrPrinter_ = std::move(printer);
    return true;
}

namespace {

void WirePreview(TCustomQuickRep* report, TQRPrinter* printer) {
    printer->SetDestination(qrdMetafile);
    printer->Client = report;
    printer->OnPrintSetup = [report](TQRPrinter*) { report->PrinterSetup(); };
    printer->OnExportToFilter = [report](TQRExportFilter* filter) { report->ExportToFilter(filter); };
    printer->SetTitle(report->ReportTitle);
    if (report->OnPreview) {
        printer->OnPreview = [report](TQRPrinter* sink) { report->OnPreview(sink); };
        printer->OnPreviewModal = printer->OnPreview;
    }
}

// The fonts the report prints in: its own and those of its bands and printables.
QList<TQRFont> FontsOf(TCustomQuickRep* report) {
    QList<TQRFont> fonts{report->Font()};
    for (const TQRControl* control : report->findChildren<TQRControl*>())
        if (!fonts.contains(control->Font())) fonts.append(control->Font());
    return fonts;
}

}  // namespace

void TCustomQuickRep::PreviewIt(bool modal) {
    if (!PrepareQRPrinter()) {
        return;
    }
    retiredPrinter_.reset();
    TQRPrinter* printer = qrPrinter_.get();
    if (printer->GetShowingPreview()) {
        return;
    }
    WirePreview(this, printer);
    if (!TryBeginRun()) {
        return;
    }
    // The window's first page is painted while the rest is generated; fonts
    // made ready here are not looked up then by both threads at once.
    QRWarmFonts(FontsOf(this));
    SetPrinterValuesBeforeThread();
    thread_ = std::make_unique<TQRCreateReportThread>(this);
    thread_->Start();
    if (modal) {
        // A preview hook shows the pages its own way and may return at once:
        // the run and its page sink then go on until that preview closes.
        const bool hooked = static_cast<bool>(printer->OnPreviewModal);
        printer->PreviewModal();
        // The modal preview has closed: end the run (when the preview did not
        // say so itself) and free its page sink.
        if (!hooked && qrPrinter_.get() == printer) {
            CMPreviewClose(printer);
        }
        retiredPrinter_.reset();
    } else {
        printer->Preview();
    }
}

void TCustomQuickRep::Preview() {
    QCoreApplication::processEvents();
    if (!PrepareQRPrinter()) {
        return;
    }
    retiredPrinter_.reset();
    TQRPrinter* printer = qrPrinter_.get();
    if (printer->GetShowingPreview()) {
        return;
    }
    WirePreview(this, printer);
    printer->Preview();
    CreateReport(false);
    if (cancelRequested_) {
        std::lock_guard<std::mutex> guard(runLock_);
        qrPrinter_.reset();
        return;
    }
    while (qrPrinter_ && qrPrinter_->GetShowingPreview() && !QCoreApplication::closingDown()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

void TCustomQuickRep::Print() {
    if (!idle_ || (thread_ && thread_->isRunning())) {
        return;
    }
    // PrepareQRPrinter moves the current page sink aside; keep it to put it back.
    std::unique_ptr<TQRPrinter> remembered;
    if (!PrepareQRPrinter()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(runLock_);
        remembered = std::move(retiredPrinter_);
    }
    std::unique_ptr<QObject> progress;
    struct Restore {
        TCustomQuickRep* report;
        std::unique_ptr<TQRPrinter>& remembered;
        std::unique_ptr<QObject>& progress;
        ~Restore() {
            report->RestorePageSink(remembered);
            progress.reset();
        }
    } restore{this, remembered, progress};
    TQRPrinter* printer = qrPrinter_.get();
    if (!printer->GetPrintersInstalled()) {
        return;
    }
    printer->SetDestination(qrdPrinter);
    progress = AttachProgressForm(printer, kPrinting, ShowProgress);
    CreateReport(false);
}

void TCustomQuickRep::PrintBackground() {
    if (!PrepareQRPrinter()) {
        return;
    }
    retiredPrinter_.reset();
    TQRPrinter* printer = qrPrinter_.get();
    if (!printer->GetPrintersInstalled()) {
        return;
    }
    printer->SetDestination(qrdPrinter);
    printer->Client = this;
    printer->SetTitle(ReportTitle);
    if (!TryBeginRun()) {
        return;
    }
    SetPrinterValuesBeforeThread();
    thread_ = std::make_unique<TQRCreateReportThread>(this);
    thread_->Start();
}

void TCustomQuickRep::SetPrinterValuesBeforeThread() {
    // The window showing the run reads the paper size and orientation while the
    // run's thread works: they are set here, before that thread starts, and the
    // run does not set them again. A failure is left to the run, which reports it.
    try {
        SetPrinterValues();
        printerValuesSet_ = true;
    } catch (const Exception&) {
        printerValuesSet_ = false;
    }
}

void TCustomQuickRep::Prepare() {
    if (!PrepareQRPrinter()) {
        return;
    }
    retiredPrinter_.reset();
    TQRPrinter* printer = qrPrinter_.get();
    WirePreview(this, printer);
    CreateReport(false);
    // Printing this page sink prints its stored pages.
    printer->PrintMetaFile = true;
    printer->Settings().SetPrintMetaFile(true);
}

void TCustomQuickRep::ExportToFilter(TQRExportFilter* filter) {
    if (filter == nullptr) {
        return;
    }
    if (!idle_ || (thread_ && thread_->isRunning())) {
        throw EQRError(QStringLiteral("O relatório ainda está sendo gerado; aguarde o fim para exportá-lo."));
    }
    ExportFilter = filter;
    RenderToCanvas = false;
    filter->Owner = this;
    std::unique_ptr<TQRPrinter> remembered;
    std::unique_ptr<QObject> progress;
    struct Restore {
        TCustomQuickRep* report;
        TQRExportFilter* filter;
        std::unique_ptr<TQRPrinter>& remembered;
        std::unique_ptr<QObject>& progress;
        ~Restore() {
            report->RestorePageSink(remembered);
            progress.reset();
            report->ExportFilter = nullptr;
            report->RenderToCanvas = true;
            filter->Printer = report->qrPrinter_.get();
        }
    } restore{this, filter, remembered, progress};
    {
        std::lock_guard<std::mutex> guard(runLock_);
        remembered = std::move(qrPrinter_);
        qrPrinter_ = NewPrinter();
    }
    TQRPrinter* printer = qrPrinter_.get();
    printer->SetDestination(qrdMetafile);
    filter->Printer = printer;
    const TQRPage& page = *page_;
    filter->Page.PaperSize = static_cast<int>(page.PaperSize());
    filter->Page.Width = static_cast<double>(page.NativeValue(3));
    filter->Page.Length = static_cast<double>(page.NativeValue(1));
    filter->Page.TopMargin = static_cast<double>(page.NativeValue(2));
    filter->Page.BottomMargin = static_cast<double>(page.NativeValue(0));
    filter->Page.LeftMargin = static_cast<double>(page.NativeValue(4));
    filter->Page.RightMargin = static_cast<double>(page.NativeValue(5));
    filter->Page.Landscape = page.Orientation() == poLandscape;
    progress = AttachProgressForm(printer, kExporting, ShowProgress);
    CreateReport(false);
}

void TCustomQuickRep::PrinterSetup() {
    const TQRPrinterSetupDialog& dialog = SetupDialog();
    if (!dialog) {
        Tag = 1;
        return;
    }
    TQRPrinterSetupRequest request;
    request.PrinterIndex = PrinterSettings.PrinterIndex;
    request.Orientation = page_->Orientation();
    request.Copies = PrinterSettings.Copies;
    request.MinPage = 0;
    request.MaxPage = 9999;
    if (qrPrinter_ && qrPrinter_->GetStatus() == mpFinished) {
        request.MinPage = 1;
        request.MaxPage = qrPrinter_->GetPageCount();
        request.FromPage = 1;
        request.ToPage = request.MaxPage;
    }
    if (!dialog(request)) {
        Tag = 1;
        return;
    }
    PrinterSettings.Copies = request.Copies;
    PrinterSettings.PrinterIndex = request.PrinterIndex;
    page_->SetOrientation(request.Orientation);
    if (request.AllPages) {
        PrinterSettings.FirstPage = 0;
        PrinterSettings.LastPage = 0;
    } else {
        PrinterSettings.FirstPage = request.FromPage;
        PrinterSettings.LastPage = request.ToPage;
    }
    Tag = 0;
}

void TCustomQuickRep::PreviewFinished() {
    if (AfterPreview) {
        AfterPreview(this);
    }
}

void TCustomQuickRep::PrintFinished() {
    if (AfterPrint) {
        AfterPrint(this);
    }
}

void TCustomQuickRep::WaitForRun() {
    if (!thread_) {
        return;
    }
    thread_->wait();
    std::lock_guard<std::mutex> guard(runLock_);
    lastRunError_ = thread_->Error();
    thread_.reset();
}

QString TCustomQuickRep::LastRunError() const {
    std::lock_guard<std::mutex> guard(runLock_);
    return lastRunError_;
}

void TCustomQuickRep::CMPreviewClose(TQRPrinter* printer) {
    if (printer != nullptr && printer != qrPrinter_.get()) {
        return;
    }
    if (thread_) {
        // A run on the generation thread: stop it at its next record and wait for it.
        if (thread_->isRunning()) {
            Cancel();
        }
        WaitForRun();
    } else if (!idle_) {
        // A run on this thread (a synchronous preview): it stops at its next
        // record and its caller frees the page sink.
        Cancel();
        return;
    }
    std::unique_ptr<TQRPrinter> closing;
    {
        std::lock_guard<std::mutex> guard(runLock_);
        closing = std::move(qrPrinter_);
    }
    if (!closing) {
        return;
    }
    if (closing->GetShowingPreview()) {
        closing->SetShowingPreview(false);
    }
    // The page sink may still be on the call stack (its ClosePreview sent
    // this notice): it is freed once control is back in the event loop.
    retiredPrinter_ = std::move(closing);
    QMetaObject::invokeMethod(
        this, [this] { retiredPrinter_.reset(); }, Qt::QueuedConnection);
}

void TCustomQuickRep::CMPrint() {
    Print();
}

bool TCustomQuickRep::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
        case CM_QRPREVIEWCLOSE: {
            auto* notice = static_cast<TQRPrinterEvent*>(e);
            CMPreviewClose(notice->Printer);
            return true;
        }
        case CM_QRPRINT:
            CMPrint();
            return true;
        case CM_QRPAGEAVAILABLE:
            return true;
        default:
            return TQRBasePanel::event(e);
    }
}

}  // namespace quorin

#include "report_engine/printer/TQRPrinter.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/canvas/TQRPainterCanvas.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/printer/QRQtPrinterDriver.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

constexpr qint64 kPageStreamMemoryLimit = 100000;

// Every position of every text passes here: rounded in double precision
// (the same nearest-even result as the long double rounding, without its cost).
int RoundToInt(double value) {
    return static_cast<int>(static_cast<int64_t>(std::nearbyint(value)));
}

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Lets queued events run, so a preview on this thread keeps up; a worker
// thread leaves them to the thread that owns the windows.
void ProcessPendingEvents() {
    if (OnGuiThread()) {
        QCoreApplication::processEvents();
    }
}

QString PrinterLabel(const TQRPrintJob& job) {
    const QString name = job.PrinterName();
    return name.isEmpty() ? QStringLiteral("(nenhuma impressora)") : name;
}

QString RefusedJobMessage(const TQRPrintJob& job, const QString& title) {
    return title.isEmpty()
               ? QStringLiteral("A impressora \"%1\" recusou o trabalho de impressão.").arg(PrinterLabel(job))
               : QStringLiteral("A impressora \"%1\" recusou o trabalho de impressão \"%2\".")
                     .arg(PrinterLabel(job), title);
}

std::mutex& PreviewClassLock() {
    static std::mutex lock;
    return lock;
}

TQRPreviewInterfaceClass& PreviewClass() {
    static TQRPreviewInterfaceClass factory;
    return factory;
}

// The process-wide platform printer, removed with the application object.
QPrinter& StandardPlatformPrinter() {
    static QPrinter* printer = [] {
        auto* created = new QPrinter(QPrinter::HighResolution);
        if (QCoreApplication::instance()) {
            qAddPostRoutine([] { delete &StandardPlatformPrinter(); });
        }
        return created;
    }();
    return *printer;
}

}  // namespace

void TQRNoticeTarget::Post(std::unique_ptr<QEvent> event) {
    std::lock_guard lock(lock_);
    if (target_) {
        QCoreApplication::postEvent(target_, event.release());
    }
}

TQRQtPrintJob::~TQRQtPrintJob() {
    if (painter_.isActive()) {
        printer_.abort();
        painter_.end();
    }
}

bool TQRQtPrintJob::Begin(const QString& title) {
    printer_.setDocName(title);
    if (!printer_.isValid() || !QueueExists()) {
        return false;
    }
    return painter_.begin(&printer_);
}

// Qt hands a job for a queue the printing system no longer has to it and
// reports success; the queue is looked up so that case is a refusal.
bool TQRQtPrintJob::QueueExists() const {
    return printer_.outputFormat() != QPrinter::NativeFormat ||
           !QPrinterInfo::printerInfo(printer_.printerName()).isNull();
}

bool TQRQtPrintJob::NewPage() {
    return printer_.newPage();
}

bool TQRQtPrintJob::End() {
    return painter_.end() && QueueExists();
}

void TQRQtPrintJob::Abort() {
    if (painter_.isActive()) {
        printer_.abort();
        painter_.end();
    }
}

int TQRQtPrintJob::DotsPerInchX() const {
    return printer_.logicalDpiX();
}

int TQRQtPrintJob::DotsPerInchY() const {
    return printer_.logicalDpiY();
}

QSize TQRQtPrintJob::PrintableSize() const {
    return printer_.pageLayout().paintRectPixels(printer_.resolution()).size();
}

QString TQRQtPrintJob::PrinterName() const {
    return printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName()
                                                          : printer_.printerName();
}

struct TQRPrinter::Impl {
    std::unique_ptr<QPrinter> ownPrinter;
    std::unique_ptr<TQRQtPrinterDriver> qtDriver;
    std::shared_ptr<TQRStream> pageStream;
    // The page being drawn: a recording, or the printer's page.
    std::unique_ptr<TQREmfRecorder> recorder;
    std::unique_ptr<TQRPrintJob> job;
    std::unique_ptr<TQRPainterCanvas> printerCanvas;
    TQRCanvas* canvas = nullptr;
    bool printing = false;  // Print is running (it lets events run between pages)
    // The pointers that empty themselves when this printer goes.
    std::mutex refsLock;
    std::vector<TQRPrinterRef*> refs;
};

TQRPrinter::TQRPrinter(TCustomQuickRep* owner) : TQRPrinter(owner, false) {}

TQRPrinter::TQRPrinter(TCustomQuickRep* owner, bool useStandardPrinter) : d(std::make_unique<Impl>()) {
    Owner = owner;
    printersInstalled_ = !QPrinterInfo::availablePrinterNames().isEmpty();
    if (useStandardPrinter) {
        platformPrinter_ = &StandardPlatformPrinter();
    } else {
        d->ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        platformPrinter_ = d->ownPrinter.get();
    }
    UseStandardPrinter = useStandardPrinter;
    settings_ = std::make_unique<TPrinterSettings>();
    settings_->SetUseStandardprinter(useStandardPrinter);
    d->qtDriver = std::make_unique<TQRQtPrinterDriver>(*platformPrinter_);
    if (printersInstalled_) {
        settings_->SetPrinter(d->qtDriver.get());
        ProcessPendingEvents();
    }
    ReadWaste();
    pageList_ = std::make_unique<TQRPageList>();
}

TQRPrinter::~TQRPrinter() {
    // Whatever still shows this printer lets go of it first. One pointer at a
    // time, so a handler that frees another holder takes that one off the
    // list before it would be reached.
    for (;;) {
        TQRPrinterRef* ref = nullptr;
        {
            std::lock_guard lock(d->refsLock);
            if (d->refs.empty()) {
                break;
            }
            ref = d->refs.back();
            d->refs.pop_back();
        }
        ref->printer_ = nullptr;
        if (ref->OnDestroyed) {
            ref->OnDestroyed();
        }
    }
    if (status_ != mpReady) {
        Cleanup();
    }
    // The job's painter draws on the platform printer: it goes first.
    d->printerCanvas.reset();
    d->job.reset();
    d->recorder.reset();
}

void TQRPrinter::AddRef(TQRPrinterRef* ref) {
    std::lock_guard lock(d->refsLock);
    d->refs.push_back(ref);
}

void TQRPrinter::RemoveRef(TQRPrinterRef* ref) {
    std::lock_guard lock(d->refsLock);
    d->refs.erase(std::remove(d->refs.begin(), d->refs.end(), ref), d->refs.end());
}

void TQRPrinterRef::Reset(TQRPrinter* printer) {
    if (printer == printer_) {
        return;
    }
    if (printer_ != nullptr) {
        printer_->RemoveRef(this);
    }
    printer_ = printer;
    if (printer_ != nullptr) {
        printer_->AddRef(this);
    }
}

void TQRPrinter::SetPrinterDriver(TQRPrinterDriver* driver) {
    settings_->SetPrinter(driver);
    printersInstalled_ = driver != nullptr && driver->HasPrinters();
    ReadWaste();
}

void TQRPrinter::ReadWaste() {
    topWaste_ = settings_->GetTopOffset();
    leftWaste_ = settings_->GetLeftOffset();
}

// --- Canvases ---------------------------------------------------------------

void TQRPrinter::CreateMetafileCanvas() {
    const double factor = TQREmfRecorder::ScreenDotsPerInch() / 254.0;
    xFactor_ = factor;
    yFactor_ = factor;
    d->recorder = std::make_unique<TQREmfRecorder>(QSize(XSize(PaperWidthValue()), YSize(PaperLengthValue())),
                                                   TQREmfRecorder::ScreenDotsPerInch());
    d->canvas = d->recorder.get();
}

void TQRPrinter::EndMetafileCanvas(bool store) {
    if (!d->recorder) {
        return;
    }
    std::unique_ptr<TQREmfRecorder> recorder = std::move(d->recorder);
    d->canvas = nullptr;
    TQRPageRecording page = recorder->Finish();
    if (store) {
        pageList_->AddPage(page);
    }
}

void TQRPrinter::CreatePrinterCanvas() {
    if (!d->job || !d->job->Active()) {
        d->job = CreatePrintJob ? CreatePrintJob() : std::make_unique<TQRQtPrintJob>(*platformPrinter_);
        if (!d->job->Begin(title_)) {
            const QString message = RefusedJobMessage(*d->job, title_);
            d->job.reset();
            throw EQRError(message);
        }
    }
    xFactor_ = d->job->DotsPerInchX() / 254.0;
    yFactor_ = d->job->DotsPerInchY() / 254.0;
    d->printerCanvas = std::make_unique<TQRPainterCanvas>(d->job->Painter(), d->job->DotsPerInchY(),
                                                           TQREmfRecorder::ScreenDotsPerInch());
    d->canvas = d->printerCanvas.get();
}

void TQRPrinter::EndPrinterCanvas() {
    d->canvas = nullptr;
    d->printerCanvas.reset();
    if (d->job && d->job->Active() && pageCount_ != LastPage) {
        if (!d->job->NewPage()) {
            const QString name = PrinterLabel(*d->job);
            AbortJob();
            throw EQRError(QStringLiteral("A impressora \"%1\" recusou uma nova página.").arg(name));
        }
    }
}

bool TQRPrinter::CurrentPageOK() const {
    const int count = pageCount_;
    return (FirstPage <= 0 || count >= FirstPage) && (LastPage <= 0 || count <= LastPage);
}

void TQRPrinter::EndJob() {
    d->printerCanvas.reset();
    if (!d->job) {
        return;
    }
    std::unique_ptr<TQRPrintJob> job = std::move(d->job);
    if (job->Active() && !job->End()) {
        throw EQRError(QStringLiteral("A impressão na impressora \"%1\" não pôde ser concluída.")
                           .arg(PrinterLabel(*job)));
    }
}

void TQRPrinter::AbortJob() {
    d->printerCanvas.reset();
    if (d->job) {
        d->job->Abort();
        d->job.reset();
    }
}

TQRCanvas* TQRPrinter::GetCanvas() const {
    return d->canvas;
}

// --- Document ----------------------------------------------------------------

void TQRPrinter::BeginDoc() {
    d->recorder.reset();
    d->canvas = nullptr;
    availablePages_ = 0;
    cancelled_ = false;
    if (destination_ == qrdPrinter) {
        settings_->ApplySettings();
    }
    topWaste_ = GetTopWaste();
    leftWaste_ = GetLeftWaste();
    if (status_ != mpReady) {
        throw EQRError(QStringLiteral("Gerador não está pronto"));
    }
    pageNumber_ = 0;
    pageCount_ = 0;
    status_ = mpBusy;
    if (destination_ == qrdMetafile) {
        d->pageStream = std::make_shared<TQRStream>(kPageStreamMemoryLimit);
        pageList_->SetStream(d->pageStream);
        const double factor = TQREmfRecorder::ScreenDotsPerInch() / 254.0;
        xFactor_ = factor;
        yFactor_ = factor;
    } else {
        const TQRPrinterDriver* driver = settings_->GetPrinter();
        const int dpiX = driver ? driver->PixelsPerInchX() : platformPrinter_->logicalDpiX();
        const int dpiY = driver ? driver->PixelsPerInchY() : platformPrinter_->logicalDpiY();
        xFactor_ = dpiX / 254.0;
        yFactor_ = dpiY / 254.0;
    }
}

void TQRPrinter::NewPage() {
    if (status_ != mpBusy) {
        throw EQRError(QStringLiteral("Chamada Ilegal de uma nova página"));
    }
    if (pageNumber_ > 0) {
        if (destination_ == qrdMetafile) {
            EndMetafileCanvas(true);
        } else if (CurrentPageOK()) {
            EndPrinterCanvas();
        } else {
            EndMetafileCanvas(false);
        }
        SetAvailablePages(availablePages_ + 1);
    }
    ++pageCount_;
    ++pageNumber_;
    if (destination_ == qrdPrinter && CurrentPageOK()) {
        CreatePrinterCanvas();
    } else {
        CreateMetafileCanvas();
    }
}

void TQRPrinter::EndDoc() {
    if (status_ != mpBusy) {
        return;
    }
    if (destination_ == qrdPrinter) {
        // A last page outside the range was drawn into a recording nobody keeps.
        d->recorder.reset();
        d->canvas = nullptr;
        try {
            EndJob();
        } catch (...) {
            status_ = mpFinished;
            throw;
        }
    } else if (pageCount_ > 0) {
        EndMetafileCanvas(true);
    }
    status_ = mpFinished;
    ProcessPendingEvents();
    SetAvailablePages(availablePages_ + 1);
    if (destination_ == qrdMetafile) {
        pageList_->Finish();
    } else if (AfterPrint) {
        AfterPrint(this);
    }
}

void TQRPrinter::AbortDoc() {
    if (destination_ == qrdPrinter) {
        d->recorder.reset();
        d->canvas = nullptr;
        AbortJob();
    } else {
        if (d->recorder) {
            EndMetafileCanvas(true);
        }
        // The header counts the pages kept, so a saved aborted run loads whole.
        pageList_->Finish();
    }
    status_ = mpFinished;
}

void TQRPrinter::Cleanup() {
    if (status_ == mpBusy) {
        Cancel();
    }
    d->canvas = nullptr;
    d->recorder.reset();
    AbortJob();
    pageList_->SetStream(nullptr);
    d->pageStream.reset();
    pageList_->Clear();
    pageCount_ = 0;
    pageNumber_ = 0;
    status_ = mpReady;
}

// --- Units ---------------------------------------------------------------------

int TQRPrinter::XPos(double x) const {
    return RoundToInt((x - leftWaste_) * xFactor_);
}

int TQRPrinter::YPos(double y) const {
    return RoundToInt((y - topWaste_) * yFactor_);
}

int TQRPrinter::XSize(double x) const {
    return RoundToInt(x * xFactor_);
}

int TQRPrinter::YSize(double y) const {
    return RoundToInt(y * yFactor_);
}

// --- Notices -------------------------------------------------------------------

void TQRPrinter::SetAvailablePages(int n) {
    availablePages_ = n;
    PreviewWindow.Post(std::make_unique<TQRPrinterEvent>(CM_QRPAGEAVAILABLE, n, this));
}

void TQRPrinter::SetProgress(int n) {
    progress_ = n;
    PreviewWindow.Post(std::make_unique<TQRPrinterEvent>(CM_QRPROGRESSUPDATE, n, this));
}

void TQRPrinter::SetShowingPreview(bool flag) {
    const bool was = showingPreview_.exchange(flag);
    if (was && !flag) {
        if (status_ == mpBusy) {
            Cancel();
        }
        if (AfterPreview) {
            AfterPreview(this);
        }
    }
}

void TQRPrinter::ClosePreview(QObject* sender) {
    (void)sender;
    if (Client) {
        TQRPrinterEvent event(CM_QRPREVIEWCLOSE, 0, this);
        QCoreApplication::sendEvent(Client, &event);
    }
}

// --- Pages and output ------------------------------------------------------------

std::unique_ptr<TQRPageRecording> TQRPrinter::GetPage(int n) {
    const TQRPrinterStatus status = status_;
    if ((status != mpBusy && status != mpFinished) || n < 1 || n > pageCount_) {
        return nullptr;
    }
    return pageList_->GetPage(n);
}

void TQRPrinter::Preview() {
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    std::unique_ptr<TQRPreviewInterface> preview = CreatePreviewInterface();
    PreviewForm = preview->Show(this);
}

void TQRPrinter::PreviewModal() {
    if (OnPreviewModal) {
        OnPreviewModal(this);
        return;
    }
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    std::unique_ptr<TQRPreviewInterface> preview = CreatePreviewInterface();
    preview->ShowModal(this);
}

void TQRPrinter::Print() {
    if (status_ != mpFinished || d->printing) {
        return;
    }
    if (Client && !loadedFromFile_ && !PrintMetaFile && !settings_->GetPrintMetaFile()) {
        QCoreApplication::postEvent(Client, new TQRPrinterEvent(CM_QRPRINT, 0, this));
        return;
    }
    if (!printersInstalled_) {
        return;
    }
    settings_->SetTitle(title_);
    AbortJob();
    settings_->ApplySettings();
    // The job is this call's own: events run between pages, and whatever
    // they do to the printer (even a Cleanup) cannot take it away mid-page.
    std::unique_ptr<TQRPrintJob> job =
        CreatePrintJob ? CreatePrintJob() : std::make_unique<TQRQtPrintJob>(*platformPrinter_);
    if (!job->Begin(title_)) {
        throw EQRError(RefusedJobMessage(*job, title_));
    }
    d->printing = true;
    const auto done = qScopeGuard([this] { d->printing = false; });
    const int first = FirstPage != 0 ? FirstPage : 1;
    // A range past the last page prints no blank sheets.
    const int last =
        std::min(LastPage != 0 ? LastPage : static_cast<int>(pageCount_), static_cast<int>(pageCount_));
    const QSize printable = job->PrintableSize();
    for (int i = first; i <= last; ++i) {
        ProcessPendingEvents();
        SetPageNumber(i);
        if (std::unique_ptr<TQRPageRecording> page = GetPage(i)) {
            TQREmfPlayer::Play(*page, job->Painter(), QRectF(0, 0, printable.width(), printable.height()));
        }
        if (i < last && !job->NewPage()) {
            job->Abort();
            throw EQRError(
                QStringLiteral("A impressora \"%1\" recusou uma nova página.").arg(PrinterLabel(*job)));
        }
        if (cancelled_) {
            job->Abort();
            return;
        }
    }
    if (!job->End()) {
        throw EQRError(QStringLiteral("A impressão na impressora \"%1\" não pôde ser concluída.")
                           .arg(PrinterLabel(*job)));
    }
}

void TQRPrinter::PrintSetup(QObject* sender) {
    (void)sender;
    if (OnPrintSetup) {
        OnPrintSetup(this);
    }
}

void TQRPrinter::ExportToFilter(TQRExportFilter* filter) {
    if (OnExportToFilter) {
        OnExportToFilter(filter);
    }
}

void TQRPrinter::Save(const QString& name) {
    if (status_ == mpFinished) {
        pageList_->SaveToFile(name);
    }
}

void TQRPrinter::Load(const QString& name) {
    if (status_ != mpReady) {
        Cleanup();
    }
    // A damaged file raises here and leaves an empty, ready printer.
    pageList_->LoadFromFile(name);
    pageCount_ = pageList_->GetPageCount();
    const double factor = TQREmfRecorder::ScreenDotsPerInch() / 254.0;
    xFactor_ = factor;
    yFactor_ = factor;
    if (pageCount_ > 0) {
        std::unique_ptr<TQRPageRecording> first;
        try {
            first = pageList_->GetPage(1);
        } catch (...) {
            pageList_->SetStream(nullptr);
            pageList_->Clear();
            pageCount_ = 0;
            throw;
        }
        if (first) {
            // Sizes in units of 4 mm, so a size off by a pixel still matches.
            const QRect bounds = first->Bounds();
            const int w = static_cast<int>(TruncToInt64(bounds.width() / factor / 40.0));
            const int h = static_cast<int>(TruncToInt64(bounds.height() / factor / 40.0));
            for (size_t i = 1; i <= 26; ++i) {
                const TQRPaperSizeInfo& size = kQRPaperSizes[i];
                const int tableWidth = static_cast<int>(TruncToInt64(size.widthMm / 4.0));
                const int tableLength = static_cast<int>(TruncToInt64(size.lengthMm / 4.0));
                if (tableWidth == w && tableLength == h) {
                    SetPaperSize(size.size);
                    SetOrientation(poPortrait);
                } else if (tableWidth == h && tableLength == w) {
                    SetPaperSize(size.size);
                    SetOrientation(poLandscape);
                }
            }
        }
    }
    d->pageStream = pageList_->GetStream();
    status_ = mpFinished;
    OnPrintSetup = nullptr;
    OnExportToFilter = nullptr;
    loadedFromFile_ = true;
}

bool TQRPrinter::GetCompression() const {
    return pageList_->GetCompression();
}

void TQRPrinter::SetCompression(bool value) {
    pageList_->SetCompression(value);
}

// --- Paper and printer properties ------------------------------------------------

TQRPaperSize TQRPrinter::GetPaperSize() const {
    return ownPaper_ ? paperSize_ : settings_->GetPaperSize();
}

void TQRPrinter::SetPaperSize(TQRPaperSize value) {
    if (!settings_->SetPaperSize(value) && !printersInstalled_ && value != TQRPaperSize::Default &&
        value != TQRPaperSize::Custom) {
        if (!ownPaper_)
            orientation_ = settings_->GetOrientation();
        ownPaper_ = true;
        paperSize_ = value;
    }
}

int TQRPrinter::GetPaperWidth() const {
    return ownPaper_ ? RoundToInt(QRPaperSizeInfo(paperSize_).widthMm * 10.0) : settings_->GetPaperWidth();
}

void TQRPrinter::SetPaperWidth(int value) {
    settings_->SetPaperWidth(value);
}

int TQRPrinter::GetPaperLength() const {
    return ownPaper_ ? RoundToInt(QRPaperSizeInfo(paperSize_).lengthMm * 10.0) : settings_->GetPaperLength();
}

void TQRPrinter::SetPaperLength(int value) {
    settings_->SetPaperLength(value);
}

TPrinterOrientation TQRPrinter::GetOrientation() const {
    return ownPaper_ ? orientation_ : settings_->GetOrientation();
}

void TQRPrinter::SetOrientation(TPrinterOrientation value) {
    if (!settings_->SetOrientation(value) && !printersInstalled_) {
        if (!ownPaper_)
            paperSize_ = settings_->GetPaperSize();
        ownPaper_ = true;
        orientation_ = value;
    }
}

int TQRPrinter::GetCopies() const {
    return settings_->GetCopies();
}

void TQRPrinter::SetCopies(int value) {
    settings_->SetCopies(value);
}

TQRBin TQRPrinter::GetBin() const {
    return settings_->GetOutputBin();
}

void TQRPrinter::SetBin(TQRBin value) {
    settings_->SetOutputBin(value);
}

bool TQRPrinter::GetDuplex() const {
    return settings_->GetDuplex();
}

void TQRPrinter::SetDuplex(bool value) {
    settings_->SetDuplex(value);
}

int TQRPrinter::GetPrinterIndex() const {
    return static_cast<int>(QPrinterInfo::availablePrinterNames().indexOf(platformPrinter_->printerName()));
}

void TQRPrinter::SetPrinterIndex(int index) {
    if (!printersInstalled_ || UseStandardPrinter) {
        return;
    }
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (index >= 0 && index < names.size()) {
        platformPrinter_->setPrinterName(names.at(index));
    }
    settings_->GetPrinterSettings();
    ReadWaste();
}

QStringList TQRPrinter::GetPrinters() const {
    return QPrinterInfo::availablePrinterNames();
}

int TQRPrinter::GetLeftWaste() const {
    return destination_ == qrdPrinter ? settings_->GetLeftOffset() : 0;
}

int TQRPrinter::GetTopWaste() const {
    return destination_ == qrdPrinter ? settings_->GetTopOffset() : 0;
}

int TQRPrinter::PaperWidthValue() const {
    return GetOrientation() == poLandscape ? GetPaperLength() : GetPaperWidth();
}

int TQRPrinter::PaperLengthValue() const {
    return GetOrientation() == poLandscape ? GetPaperWidth() : GetPaperLength();
}

// --- Process-wide --------------------------------------------------------------------

void RegisterPreviewClass(TQRPreviewInterfaceClass factory) {
    std::lock_guard lock(PreviewClassLock());
    PreviewClass() = std::move(factory);
}

std::unique_ptr<TQRPreviewInterface> CreatePreviewInterface() {
    TQRPreviewInterfaceClass factory;
    {
        std::lock_guard lock(PreviewClassLock());
        factory = PreviewClass();
    }
    if (factory) {
        if (std::unique_ptr<TQRPreviewInterface> preview = factory()) {
            return preview;
        }
    }
    return std::make_unique<TQRPreviewInterface>();
}

TQRPrinter& QRPrinter() {
    static TQRPrinter* printer = [] {
        auto* created = new TQRPrinter();
        if (QCoreApplication::instance()) {
            qAddPostRoutine([] { delete &QRPrinter(); });
        }
        return created;
    }();
    return *printer;
}

QStringList GetFonts() {
    return QFontDatabase::families();
}

}  // namespace quorin

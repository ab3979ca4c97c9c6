#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/pages/QRPageList.h"
#include "report_engine/pages/QRPageRecording.h"
#include "report_engine/printer/PrinterSettings.h"
#include "report_engine/printer/QRPrintJob.h"
#include "report_engine/printer/QRPrinterSettings.h"
#include "report_engine/printer/TQRExportFilter.h"

class QPrinter;

namespace quorin {

class TQRPrinter;
class TCustomQuickRep;

enum TQRPrinterDestination { qrdMetafile, qrdPrinter };
enum TQRPrinterStatus { mpReady, mpBusy, mpFinished };

/// Notices between the page sink and the windows, numbered after the
/// platform's user-range messages. Progress and page availability are posted
/// to the preview; print is posted and preview-close sent to the client.
enum TQRMessage : int {
    CM_QRPROGRESSUPDATE = 1024,
    CM_QRPAGEAVAILABLE = 1025,
    CM_QRPRINT = 1026,
    CM_QRPREVIEWCLOSE = 1028,
};

/// A notice as a Qt event: type() is the message number, Param its value
/// (progress or available pages); Printer is the sender for preview-close.
class TQRPrinterEvent : public QEvent {
  public:
    TQRPrinterEvent(TQRMessage message, int param, TQRPrinter* printer = nullptr)
        : QEvent(static_cast<QEvent::Type>(message)), Printer(printer) {
        param_.store(param, std::memory_order_release);
    }
    /// The value, read on the thread the notice was posted to: the store and the
    /// load pair up, so the hand-over needs no lock of Qt's to be seen as safe.
    int Param() const { return param_.load(std::memory_order_acquire); }
    TQRPrinter* Printer;

  private:
    std::atomic<int> param_;
};

/// What shows a printer's pages and what reports progress: filled by the
/// preview folder at start-up, so the engine below it links no widgets.
class TQRPreviewInterface {
  public:
    virtual ~TQRPreviewInterface() = default;
    /// Shows a preview window for the printer and returns it (none by default).
    virtual QObject* Show(TQRPrinter* printer) {
        (void)printer;
        return nullptr;
    }
    virtual void ShowModal(TQRPrinter* printer) { (void)printer; }
    /// A progress window captioned as given that receives the printer's
    /// progress notices and cancels it on request (none by default).
    virtual std::unique_ptr<QObject> CreateProgressForm(TQRPrinter* printer, const QString& caption) {
        (void)printer, (void)caption;
        return nullptr;
    }
};

/// The window a run's notices go to. The preview sets and clears it on the
/// user-interface thread while the run posts from its own thread: the two
/// take a lock, so once clearing returns nothing is posted to the old window.
class TQRNoticeTarget {
  public:
    TQRNoticeTarget& operator=(QObject* target) {
        std::lock_guard lock(lock_);
        target_ = target;
        return *this;
    }
    operator QObject*() const {
        std::lock_guard lock(lock_);
        return target_;
    }
    /// Posts the event to the window, or drops it when there is none.
    void Post(std::unique_ptr<QEvent> event);

  private:
    mutable std::mutex lock_;
    QObject* target_ = nullptr;
};

/// A pointer to a printer that empties itself when the printer is destroyed:
/// what a window holds of a printer it shows but does not own, so a printer
/// freed first leaves the window showing nothing rather than a freed object.
/// The pointer is set, read and emptied on the thread the printer is
/// destroyed on (the user-interface thread for windows).
class TQRPrinterRef {
  public:
    TQRPrinterRef() = default;
    explicit TQRPrinterRef(TQRPrinter* printer) { Reset(printer); }
    ~TQRPrinterRef() { Reset(nullptr); }
    TQRPrinterRef(const TQRPrinterRef&) = delete;
    TQRPrinterRef& operator=(const TQRPrinterRef&) = delete;
    TQRPrinterRef& operator=(TQRPrinter* printer) {
        Reset(printer);
        return *this;
    }
    operator TQRPrinter*() const { return printer_; }
    TQRPrinter* operator->() const { return printer_; }
    void Reset(TQRPrinter* printer);

    /// Called when the printer is destroyed, after the pointer has been emptied.
    std::function<void()> OnDestroyed;

  private:
    friend class TQRPrinter;
    TQRPrinter* printer_ = nullptr;
};

using TQRPreviewInterfaceClass = std::function<std::unique_ptr<TQRPreviewInterface>()>;
/// Replaces the process-wide preview interface class.
void RegisterPreviewClass(TQRPreviewInterfaceClass factory);
/// A new instance of the registered class (the base class when none is registered).
std::unique_ptr<TQRPreviewInterface> CreatePreviewInterface();

/// The page sink of one report run: records pages into the page store
/// (qrdMetafile) or draws them on the printer (qrdPrinter); prints, saves and
/// loads stored pages; relays progress and page notices to the preview across
/// threads. Positions handed to it are tenths of a millimetre from the
/// paper's top-left corner. Fields one thread writes and the other reads are
/// atomic.
class TQRPrinter : public TQRPrinterSettingsTarget {
  public:
    using TQRPrinterEvent_ = std::function<void(TQRPrinter*)>;
    using TQRExportToFilterEvent = std::function<void(TQRExportFilter*)>;

    explicit TQRPrinter(TCustomQuickRep* owner = nullptr);
    /// With useStandardPrinter the process-wide platform printer is used
    /// (the owner report's setting), else a printer of its own.
    TQRPrinter(TCustomQuickRep* owner, bool useStandardPrinter);
    ~TQRPrinter() override;
    TQRPrinter(const TQRPrinter&) = delete;
    TQRPrinter& operator=(const TQRPrinter&) = delete;

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void AbortDoc();
    void Cancel() { cancelled_ = true; }
    void Cleanup();

    TQRCanvas* GetCanvas() const;

    int XPos(double x) const;
    int YPos(double y) const;
    int XSize(double x) const;
    int YSize(double y) const;

    void SetAvailablePages(int n);
    void SetProgress(int n);
    /// Rows of the run's data laid out so far, of how many: the page store
    /// estimates from it whether the run will fit (TQRPageList::SetRunShare).
    void SetRowsDone(qint64 done, qint64 total) { pageList_->SetRunShare(done, total); }
    void SetShowingPreview(bool flag);
    void ClosePreview(QObject* sender = nullptr);

    std::unique_ptr<TQRPageRecording> GetPage(int n);
    void SetPageNumber(int n) { pageNumber_ = n; }
    void Preview();
    void PreviewModal();
    /// Raises EQRError (Portuguese) when the printing system refuses the job.
    void Print();
    void PrintSetup(QObject* sender = nullptr);
    void ExportToFilter(TQRExportFilter* filter);
    void Save(const QString& name);
    void Load(const QString& name);
    bool GetCompression() const;
    void SetCompression(bool value);

    // Paper and printer properties through the settings.
    TQRPaperSize GetPaperSize() const;
    void SetPaperSize(TQRPaperSize value) override;
    int GetPaperWidth() const;
    void SetPaperWidth(int value);
    int GetPaperLength() const;
    void SetPaperLength(int value);
    TPrinterOrientation GetOrientation() const;
    void SetOrientation(TPrinterOrientation value) override;
    int GetCopies() const;
    void SetCopies(int value) override;
    TQRBin GetBin() const;
    void SetBin(TQRBin value) override;
    bool GetDuplex() const;
    void SetDuplex(bool value) override;
    int GetPrinterIndex() const;
    void SetPrinterIndex(int index) override;
    QStringList GetPrinters() const;
    void SetTitle(const QString& title) override { title_ = title; }
    QString GetTitle() const { return title_; }
    int GetLeftWaste() const;
    int GetTopWaste() const;
    void SetDestination(TQRPrinterDestination destination) { destination_ = destination; }
    TQRPrinterDestination GetDestination() const { return destination_; }
    /// Width and length of the page in tenths of a millimetre after orientation.
    int PaperWidthValue() const;
    int PaperLengthValue() const;

    TPrinterSettings& Settings() { return *settings_; }
    TQRPageList& PageList() { return *pageList_; }

    // State read across threads.
    TQRPrinterStatus GetStatus() const { return status_; }
    bool GetCancelled() const { return cancelled_; }
    int GetPageCount() const { return pageCount_; }
    int GetPageNumber() const { return pageNumber_; }
    int GetAvailablePages() const { return availablePages_; }
    int GetProgress() const { return progress_; }
    bool GetShowingPreview() const { return showingPreview_; }
    bool GetPrintersInstalled() const { return printersInstalled_; }
    bool GetLoadedFromFile() const { return loadedFromFile_; }
    double XFactor() const { return xFactor_; }
    double YFactor() const { return yFactor_; }

    int FirstPage = 0;  // page range for printing; 0 is unbounded
    int LastPage = 0;
    bool UseStandardPrinter = false;
    bool PrintMetaFile = false;

    /// The window that receives progress and page notices, and the object
    /// that owns the run (receives print and preview-close requests).
    TQRNoticeTarget PreviewWindow;
    QObject* Client = nullptr;
    QObject* PreviewForm = nullptr;
    TCustomQuickRep* Owner = nullptr;

    TQRPrinterEvent_ AfterPrint;
    TQRPrinterEvent_ AfterPreview;
    TQRPrinterEvent_ OnPreview;
    TQRPrinterEvent_ OnPreviewModal;
    TQRPrinterEvent_ OnPrintSetup;
    TQRExportToFilterEvent OnExportToFilter;

    /// The platform printer (process-wide or own), its driver seam.
    QPrinter* PlatformPrinter() const { return platformPrinter_; }
    /// Reads the printer through another driver from now on (not owned; tests
    /// hand a TQRFakePrinterDriver): printers installed, offsets and paper
    /// sizes come from it.
    void SetPrinterDriver(TQRPrinterDriver* driver);
    /// Makes the print jobs of direct printing and of Print; none means a
    /// job on the platform printer.
    std::function<std::unique_ptr<TQRPrintJob>()> CreatePrintJob;

    // Pass-throughs to the settings' fields.
    bool GetUseStandardPrinter() const { return settings_->GetUseStandardprinter(); }
    void SetUseStandardPrinter(bool value) { settings_->SetUseStandardprinter(value); }
    bool GetPrintMetafile() const { return settings_->GetPrintMetaFile(); }
    void SetPrintMetafile(bool value) { settings_->SetPrintMetaFile(value); }
    bool GetUseExtendedDuplex() const { return settings_->GetUseExtendedDuplex(); }
    void SetUseExtendedDuplex(bool value) { settings_->SetUseExtendedDuplex(value); }
    int GetExtendedDuplex() const { return settings_->GetExtendedDuplex(); }
    void SetExtendedDuplex(int value) { settings_->SetExtendedDuplex(value); }
    bool GetUseCustomBinCode() const { return settings_->GetUseCustomBinCode(); }
    void SetUseCustomBinCode(bool value) { settings_->SetUseCustomBinCode(value); }
    int GetCustomBinCode() const { return settings_->GetCustomBinCode(); }
    void SetCustomBinCode(int value) { settings_->SetCustomBinCode(value); }
    bool GetUseCustomPaperCode() const { return settings_->GetUseCustomPaperCode(); }
    void SetUseCustomPaperCode(bool value) { settings_->SetUseCustomPaperCode(value); }
    int GetCustomPaperCode() const { return settings_->GetCustomPaperCode(); }
    void SetCustomPaperCode(int value) { settings_->SetCustomPaperCode(value); }

  private:
    friend class TQRPrinterRef;
    void AddRef(TQRPrinterRef* ref);
    void RemoveRef(TQRPrinterRef* ref);
    void CreateMetafileCanvas();
    void EndMetafileCanvas(bool store);
    void CreatePrinterCanvas();
    void EndPrinterCanvas();
    bool CurrentPageOK() const;
    void EndJob();
    void AbortJob();
    void ReadWaste();

    struct Impl;
    std::unique_ptr<Impl> d;

    QPrinter* platformPrinter_ = nullptr;
    std::unique_ptr<TPrinterSettings> settings_;
    std::unique_ptr<TQRPageList> pageList_;
    QString title_;
    TQRPrinterDestination destination_ = qrdMetafile;
    std::atomic<TQRPrinterStatus> status_{mpReady};
    std::atomic<bool> cancelled_{false};
    std::atomic<int> pageCount_{0};
    std::atomic<int> pageNumber_{0};
    std::atomic<int> availablePages_{0};
    std::atomic<int> progress_{0};
    std::atomic<bool> showingPreview_{false};
    std::atomic<bool> printersInstalled_{false};
    // Without any printer the settings refuse every paper and orientation; the
    // page sink then keeps the report's own, so pages are laid out on the paper
    // the report asks for rather than on the settings' default.
    bool ownPaper_ = false;
    TQRPaperSize paperSize_ = TQRPaperSize::A4;
    TPrinterOrientation orientation_ = poPortrait;
    std::atomic<bool> loadedFromFile_{false};
    std::atomic<double> xFactor_{1.0};
    std::atomic<double> yFactor_{1.0};
    std::atomic<int> leftWaste_{0};
    std::atomic<int> topWaste_{0};
};

/// The process-wide report printer, created on first use.
TQRPrinter& QRPrinter();
/// The printer's font families when a printer is installed, else the screen's.
QStringList GetFonts();

}  // namespace quorin

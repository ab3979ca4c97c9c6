#pragma once

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElementDataField.h"
#include "report_engine/expr/TQREvEnvironment.h"
#include "report_engine/model/TQRBands.h"
#include "report_engine/model/TQRController.h"
#include "report_engine/model/TQRPage.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/printer/QRPaperSize.h"

namespace quorin {

class TQRPrinter;
class TQRExportFilter;
class TQRCreateReportThread;
class TMemoryDataSet;

using TQRReportBeforePrintEvent = std::function<void(TCustomQuickRep* sender, bool& printReport)>;
using TQRNotifyEvent = std::function<void(TCustomQuickRep* sender)>;
using TQRAfterPreviewEvent = std::function<void(QObject* sender)>;
using TQRAfterPrintEvent = std::function<void(QObject* sender)>;
using TNotifyEvent = std::function<void(QObject* sender)>;
using TQRPrinterHookEvent = std::function<void(QObject* sender, bool& cancel, void* devMode)>;
/// Shows the run's pages in a window of the caller's own, handed the run's
/// page sink; it may return at once, the run goes on and the page sink stays
/// until that window closes (the printer's ClosePreview).
using TQRPreviewEvent = std::function<void(TQRPrinter* sender)>;

enum class TQROption { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
/// A set of TQROption values.
struct TQROptions {
    unsigned Bits = 0;
    TQROptions() = default;
    TQROptions(std::initializer_list<TQROption> options) {
        for (TQROption o : options) Bits |= static_cast<unsigned>(o);
    }
    bool Has(TQROption o) const { return (Bits & static_cast<unsigned>(o)) != 0; }
    void Set(TQROption o, bool on) {
        Bits = on ? (Bits | static_cast<unsigned>(o)) : (Bits & ~static_cast<unsigned>(o));
    }
    bool operator==(const TQROptions&) const = default;
};

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

/// The printer options a report is designed with, handed to the page sink when a run starts.
struct TQRReportPrinterSettings {
    int Copies = 1;
    TQRBin OutputBin = TQRBin::Auto;
    bool Duplex = false;
    int FirstPage = 0;
    int LastPage = 0;
    int ExtendedDuplex = 0;
    bool UseStandardprinter = false;
    bool UseCustomBinCode = false;
    int CustomBinCode = 0;
    bool UseCustomPaperCode = false;
    int CustomPaperCode = 0;
    bool PrintMetaFile = false;
    /// The selected printer (-1: the platform's current one).
    int PrinterIndex = -1;
};

/// The standard bands of a report, one switch per role.
class TQuickRepBands {
  public:
    explicit TQuickRepBands(TCustomQuickRep* report) : report_(report) {}
    bool HasTitle() const { return Has(rbTitle); }
    void SetHasTitle(bool v) { Set(rbTitle, v); }
    bool HasPageHeader() const { return Has(rbPageHeader); }
    void SetHasPageHeader(bool v) { Set(rbPageHeader, v); }
    bool HasColumnHeader() const { return Has(rbColumnHeader); }
    void SetHasColumnHeader(bool v) { Set(rbColumnHeader, v); }
    bool HasDetail() const { return Has(rbDetail); }
    void SetHasDetail(bool v) { Set(rbDetail, v); }
    bool HasPageFooter() const { return Has(rbPageFooter); }
    void SetHasPageFooter(bool v) { Set(rbPageFooter, v); }
    bool HasSummary() const { return Has(rbSummary); }
    void SetHasSummary(bool v) { Set(rbSummary, v); }

    bool Has(TQRBandType type) const;
    void Set(TQRBandType type, bool value);

  private:
    TCustomQuickRep* report_;
};

/// What the printer dialog of PrinterSetup shows and returns.
struct TQRPrinterSetupRequest {
    int PrinterIndex = -1;
    TPrinterOrientation Orientation = poPortrait;
    int Copies = 1;
    int MinPage = 0;
    int MaxPage = 9999;
    int FromPage = 0;
    int ToPage = 0;
    bool AllPages = true;
};
/// Shows the printer dialog; returns false when cancelled. Supplied by the
/// preview folder at start-up (nothing below it links widgets).
using TQRPrinterSetupDialog = std::function<bool(TQRPrinterSetupRequest& request)>;
void RegisterPrinterSetupDialog(TQRPrinterSetupDialog dialog);

/// A report: its page, bands, data set and events, and the generation of its
/// pages into a page sink. A run goes from CreateReport to its end on one
/// thread (the caller's or the generation thread); another thread touches it
/// only through Cancel.
class TCustomQuickRep : public TQRBasePanel {
    Q_OBJECT

  public:
    explicit TCustomQuickRep(QObject* owner = nullptr);
    ~TCustomQuickRep() override;

    // Definition.
    TQRPage& Page() { return *page_; }
    const TQRPage& Page() const { return *page_; }
    TQuickRepBands& Bands() { return bands_; }
    TQRCustomController& Controller() { return *controller_; }
    TQREvEnvironment& Functions() { return *functions_; }
    const std::vector<TQRCustomBand*>& BandList() const { return bandList_; }
    TQRReportPrinterSettings PrinterSettings;
    QStringList Description;
    TQROptions Options{TQROption::FirstPageHeader, TQROption::LastPageFooter};
    QString ReportTitle;
    bool ShowProgress = true;
    bool SnapToGrid = true;
    TFormStyle PrevFormStyle = TFormStyle::fsNormal;
    TWindowState PreviewInitialState = TWindowState::wsNormal;
    int PreviewWidth() const { return previewWidth_ > 0 ? previewWidth_ : 500; }
    void SetPreviewWidth(int value) { previewWidth_ = value; }
    int PreviewHeight() const { return previewHeight_ > 0 ? previewHeight_ : 500; }
    void SetPreviewHeight(int value) { previewHeight_ = value; }
    TQRUnit Units() const;
    /// Sets the unit of the page, every band and every printable on the report.
    virtual void SetUnits(TQRUnit unit);
    /// Values outside 1 to 300 are ignored.
    void SetZoom(int value) override;
    TMemoryDataSet* DataSet() const;
    void SetDataSet(TMemoryDataSet* dataSet);
    bool PrintIfEmpty() const;
    virtual void SetPrintIfEmpty(bool value);
    int Tag = 0;

    // Events.
    TQRAfterPreviewEvent AfterPreview;
    TQRAfterPrintEvent AfterPrint;
    TQRReportBeforePrintEvent BeforePrint;
    TQRNotifyEvent OnEndPage;
    TQRNotifyEvent OnStartPage;
    TQROnNeedDataEvent OnNeedData;
    TQRPreviewEvent OnPreview;
    TQRPrinterHookEvent OnGetPrinterSettings;
    TQRPrinterHookEvent OnApplyPrinterSettings;

    // Bands.
    TQRBand* CreateBand(TQRBandType type);
    void AddBand(TQRCustomBand* band);
    void RemoveBand(TQRCustomBand* band);
    void RebuildBandList();
    void SetBandValues();
    /// The page's size changed: the report panel takes the paper's pixel size and the bands are re-sized.
    void PageChanged();
    /// A band is going away: every reference to it is cleared.
    void ForgetBand(TQRCustomBand* band);
    /// A data set is going away: the controllers forget it.
    void ForgetDataSet(TMemoryDataSet* dataSet);
    /// The first band of a type in the band list, or null.
    TQRCustomBand* BandOfType(TQRBandType type) const;
    /// Adds a band (and its chain of children) to the band list being rebuilt.
    void RegisterBand(TQRCustomBand* band);
    /// A component name made unique among the report's components by the smallest number from 1.
    QString UniqueName(const QString& base) const;
    /// While set, RebuildBandList and SetBandValues do nothing (a definition being built).
    bool Loading = false;
    /// After a definition is built: applies stored sizes, rebuilds the band list, sizes the bands.
    void Loaded();

    /// Text width (plus 1) and height on the report's own measuring context; 0 on failure.
    /// The height is the font's line height, whatever the text; it is measured once per font.
    int TextWidth(const TQRFont& font, const QString& text) const;
    int TextHeight(const TQRFont& font, const QString& text) const;

    // Generation.
    virtual void CreateReport(bool composite = false);
    virtual void Execute();
    virtual void SetControllerBands() {}
    void PrintBand(TQRCustomBand* band);
    void NewColumn();
    void NewPage();
    void EndPage();
    void PrintPageBackground();
    void ForceNewColumn();
    void ForceNewPage();
    long long AvailableSpace() const;
    void ResetPageFooterSize();
    void SetPrinterValues();
    void AddNotifyClient(TQRPrintable* client);
    /// Requests the running generation to stop (any thread).
    void Cancel();

    // Running.
    void PreviewModal() { PreviewIt(true); }
    void PreviewModeless() { PreviewIt(false); }
    void PreviewIt(bool modal);
    void Preview();
    void Print();
    void PrintBackground();
    void Prepare();
    bool PrepareQRPrinter();
    /// Makes the page sink of a run; by default a TQRPrinter of the report
    /// (on the process-wide printer when PrinterSettings.UseStandardprinter).
    std::function<std::unique_ptr<TQRPrinter>(TCustomQuickRep& report)> PrinterFactory;
    std::unique_ptr<TQRPrinter> NewPrinter();
    /// Runs the report once into an export filter (no canvas, temporary page sink).
    void ExportToFilter(TQRExportFilter* filter);
    /// The printer dialog for the preview's printer button; Tag 0 accepted, 1 cancelled.
    virtual void PrinterSetup();
    void PreviewFinished();
    void PrintFinished();
    void CMPreviewClose(TQRPrinter* printer);
    void CMPrint();
    /// Waits for a generation thread of this report to end (once).
    void WaitForRun();
    /// The message of an exception that ended the last threaded run, empty when none.
    QString LastRunError() const;

    // Run state (read by bands and printables).
    bool Idle() const { return idle_; }
    bool CancelRequested() const { return cancelRequested_; }
    int CursorX = 0;
    int CursorY = -1;
    int ColumnNo = 1;
    int ColumnTopY = 0;
    int PageNo = 0;
    long double FooterReserve = 0;
    bool LastPageReached = false;
    bool TopBandsJustPrinted = false;
    bool FirstColumnForceSeen = false;
    /// Set while a new column or page starts on behalf of a detail band or an
    /// overflowing band; belongs to this report's run only.
    bool DetailBreak = false;
    bool RenderToCanvas = true;
    TQRExportFilter* ExportFilter = nullptr;
    TQRDataSetList& DataSetList() { return dataSetList_; }
    TQRPrinter* QRPrinter() const { return qrPrinter_.get(); }
    /// Hands a page sink to the report (it owns it from now on).
    void SetQRPrinter(std::unique_ptr<TQRPrinter> printer);
    std::unique_ptr<TQRPrinter> TakeQRPrinter();

    // Expression constants.
    void SetPageNumberConstant(int value);
    void SetColumnNumberConstant(int value);

  protected:
    /// Clears Idle (false when a run is going on) and the run's flags.
    bool TryBeginRun();
    /// One run, with Idle already cleared; sets Idle at its end.
    void RunReport();
    bool event(QEvent* e) override;
    void ChildAdded(TQRControl* child) override;
    void ChildRemoved(TQRControl* child) override;

    std::unique_ptr<TQRPage> page_;
    TQuickRepBands bands_;
    std::unique_ptr<TQRCustomController> controller_;
    std::unique_ptr<TQREvEnvironment> functions_;
    std::vector<TQRCustomBand*> bandList_;
    TQRDataSetList dataSetList_;
    std::atomic<bool> idle_{true};
    std::atomic<bool> cancelRequested_{false};
    std::unique_ptr<TQRPrinter> qrPrinter_;
    std::unique_ptr<TQRPrinter> retiredPrinter_;
    std::unique_ptr<TQRCreateReportThread> thread_;
    // The printer's paper and settings were given on the calling thread before the
    // run's thread started (the preview reads them while the run goes on).
    bool printerValuesSet_ = false;
    void SetPrinterValuesBeforeThread();
    TQREvElement* pageNumberConstant_ = nullptr;
    TQREvElement* columnNumberConstant_ = nullptr;
    TQREvElement* reportTitleConstant_ = nullptr;
    QImage measure_;
    // Line heights already measured on measure_, per font (every text print asks for one).
    mutable std::mutex heightsLock_;
    mutable std::vector<std::pair<TQRFont, int>> heights_;
    int previewWidth_ = 500;
    int previewHeight_ = 500;
    std::vector<TQRCustomBand*>* registering_ = nullptr;
    mutable std::mutex runLock_;
    /// Puts a page sink set aside for a run back and destroys the run's own.
    void RestorePageSink(std::unique_ptr<TQRPrinter>& remembered);
    QString lastRunError_;
    friend class TQRCreateReportThread;
};

/// The report class that reports descend from: its controller is a
/// TQRController over the report's data set with the title, detail and
/// summary bands.
class TQuickRep : public TCustomQuickRep {
    Q_OBJECT

  public:
    explicit TQuickRep(QObject* owner = nullptr);
    TQRController& ReportController();
    void Execute() override;
    void SetControllerBands() override;
    /// 1 without an active data set or when its record count fails.
    int GetRecordCount();
    int GetRecordNumber();
};

using TQRCustomReport = TCustomQuickRep;
using TQRReport = TQuickRep;

}  // namespace quorin

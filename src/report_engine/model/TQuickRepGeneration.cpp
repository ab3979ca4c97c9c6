// One generation run of a report and the page management it uses.

#include <mutex>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

namespace {

/// The global environment counts its preparations in plain fields; runs on
/// two threads take turns preparing and unpreparing.
std::recursive_mutex& EnvironmentLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace

bool TCustomQuickRep::TryBeginRun() {
    bool expected = true;
    if (!idle_.compare_exchange_strong(expected, false)) {
        return false;
    }
    cancelRequested_ = false;
    return true;
}

void TCustomQuickRep::CreateReport(bool composite) {
    (void)composite;
    if (!TryBeginRun()) {
        return;
    }
    RunReport();
}

void TCustomQuickRep::RunReport() {
    const bool wasVisible = Visible;
    struct Finally {
        TCustomQuickRep* report;
        bool visible;
        ~Finally() {
            report->dataSetList_.clear();
            report->Visible = visible;
            report->idle_ = true;
        }
    } finally{this, wasVisible};

    // Margins that leave no room are dropped.
    TQRPage& page = *page_;
    {
        const TQRUnit unit = page.GetUnits();
        page.SetUnits(TQRUnit::Native);
        if (page.Width() - page.LeftMargin() - page.RightMargin() < 0) {
            page.SetLeftMargin(0);
            page.SetRightMargin(0);
        }
        if (page.Length() - page.TopMargin() - page.BottomMargin() < 0) {
            page.SetTopMargin(0);
            page.SetBottomMargin(0);
        }
        page.SetUnits(unit);
    }
    LastPageReached = false;
    TopBandsJustPrinted = false;
    FirstColumnForceSeen = false;
    DetailBreak = false;
    bool printReport = true;

    dataSetList_.clear();
    if (QObject* owner = parent()) {
        for (TMemoryDataSet* dataSet : owner->findChildren<TMemoryDataSet*>()) {
            if (!dataSetList_.contains(dataSet)) {
                dataSetList_.append(dataSet);
            }
        }
    }
    for (TMemoryDataSet* dataSet : findChildren<TMemoryDataSet*>()) {
        if (!dataSetList_.contains(dataSet)) {
            dataSetList_.append(dataSet);
        }
    }

    if (BeforePrint) {
        BeforePrint(this, printReport);
    }
    if (!printReport) {
        return;
    }

    const TQRUnit savedUnit = Units();
    SetUnits(TQRUnit::Native);
    TQRPrinter* printer = qrPrinter_.get();
    if (printer == nullptr) {
        SetUnits(savedUnit);
        throw EQRError(QStringLiteral("O relatório não tem gerador de páginas para esta execução."));
    }

    bool globalPrepared = false;
    bool functionsPrepared = false;
    bool controllerPrepared = false;
    bool componentsPrepared = false;
    auto unprepare = [&] {
        SetUnits(savedUnit);
        std::lock_guard<std::recursive_mutex> guard(EnvironmentLock());
        if (componentsPrepared) {
            componentsPrepared = false;
            UnprepareComponents();
        }
        if (controllerPrepared) {
            controllerPrepared = false;
            controller_->Unprepare();
        }
        if (functionsPrepared) {
            functionsPrepared = false;
            functions_->Unprepare();
            pageNumberConstant_ = columnNumberConstant_ = reportTitleConstant_ = nullptr;
        }
        if (globalPrepared) {
            globalPrepared = false;
            if (TQREvEnvironment* global = QRGlobalEnvironment()) {
                global->Unprepare();
            }
        }
    };

    try {
        if (printerValuesSet_) {
            printerValuesSet_ = false;
        } else {
            SetPrinterValues();
        }
        printer->SetTitle(ReportTitle);
        printer->SetCompression(Options.Has(TQROption::Compression));
        printer->BeginDoc();
        if (ExportFilter != nullptr && !ExportFilter->Active) {
            ExportFilter->Start(static_cast<int>(QRRound(page.NativeValue(3))),
                                static_cast<int>(QRRound(page.NativeValue(1))), Font());
        }
        CursorY = -1;
        PageNo = 0;
        ColumnNo = page.Columns();
        ResetPageFooterSize();
        for (TQRControl* control : Controls()) {
            if (auto* band = dynamic_cast<TQRCustomBand*>(control)) {
                band->SetParentReport(this);
            }
        }
        CursorX = static_cast<int>(QRRound(page.NativeValue(4)));
        controller_->ParentReport = this;
        controller_->OwnerComponent = this;
        controller_->BuildTree();
        {
            std::lock_guard<std::recursive_mutex> guard(EnvironmentLock());
            if (TQREvEnvironment* global = QRGlobalEnvironment()) {
                global->Prepare();
                globalPrepared = true;
            }
            functions_->SetDatasets(&dataSetList_);
            functions_->Prepare();
            functionsPrepared = true;
            pageNumberConstant_ = functions_->GetConstant(QStringLiteral("PAGENUMBER"));
            columnNumberConstant_ = functions_->GetConstant(QStringLiteral("COLUMNNUMBER"));
            reportTitleConstant_ = functions_->GetConstant(QStringLiteral("REPORTTITLE"));
            if (reportTitleConstant_ != nullptr) {
                TQREvEnvironment::SetStringConstant(reportTitleConstant_, ReportTitle);
            }
            controllerPrepared = true;
            controller_->Prepare();
            componentsPrepared = true;
            PrepareComponents();
        }
        Execute();
        CursorX = static_cast<int>(QRRound(page.NativeValue(4)));
        LastPageReached = true;
        if (!cancelRequested_) {
            EndPage();
            if (ExportFilter != nullptr) {
                ExportFilter->Finish();
            }
        }
        unprepare();
    } catch (...) {
        try {
            unprepare();
        } catch (...) {
        }
        try {
            printer->AbortDoc();
        } catch (...) {
        }
        throw;
    }
    if (cancelRequested_ || !RenderToCanvas) {
        printer->AbortDoc();
    } else {
        printer->EndDoc();
    }
}

void TCustomQuickRep::Execute() {
    SetControllerBands();
    controller_->Execute();
}

void TCustomQuickRep::SetPrinterValues() {
    TQRPrinter* printer = qrPrinter_.get();
    const TQRReportPrinterSettings& s = PrinterSettings;
    if (s.PrinterIndex >= 0) {
        printer->SetPrinterIndex(s.PrinterIndex);
    }
    printer->SetPaperSize(page_->PaperSize());
    if (page_->PaperSize() == TQRPaperSize::Custom) {
        printer->SetPaperWidth(static_cast<int>(QRRound(page_->NativeValue(3))));
        printer->SetPaperLength(static_cast<int>(QRRound(page_->NativeValue(1))));
    }
    printer->SetOrientation(page_->Orientation());
    printer->SetCopies(s.Copies);
    printer->SetBin(s.OutputBin);
    printer->FirstPage = s.FirstPage;
    printer->LastPage = s.LastPage;
    printer->SetDuplex(s.Duplex);
    TPrinterSettings& settings = printer->Settings();
    settings.SetUseExtendedDuplex(s.ExtendedDuplex != 0);
    settings.SetExtendedDuplex(s.ExtendedDuplex);
    printer->UseStandardPrinter = s.UseStandardprinter;
    settings.SetUseStandardprinter(s.UseStandardprinter);
    printer->PrintMetaFile = s.PrintMetaFile;
    settings.SetPrintMetaFile(s.PrintMetaFile);
    settings.SetCustomBinCode(s.CustomBinCode);
    settings.SetUseCustomBinCode(s.UseCustomBinCode);
    settings.SetCustomPaperCode(s.CustomPaperCode);
    settings.SetUseCustomPaperCode(s.UseCustomPaperCode);
}

void TCustomQuickRep::ResetPageFooterSize() {
    FooterReserve = 0;
    for (TQRControl* control : Controls()) {
        auto* band = dynamic_cast<TQRCustomBand*>(control);
        if (band == nullptr || !band->Enabled() || band->BandType() != rbPageFooter) {
            continue;
        }
        FooterReserve += band->Size().NativeHeight();
        for (TQRCustomBand* child = band->GetChild(); child != nullptr; child = child->GetChild()) {
            FooterReserve += child->Size().NativeHeight();
        }
    }
}

void TCustomQuickRep::SetPageNumberConstant(int value) {
    if (pageNumberConstant_ != nullptr) {
        TQREvEnvironment::SetIntegerConstant(pageNumberConstant_, value);
    }
}

void TCustomQuickRep::SetColumnNumberConstant(int value) {
    if (columnNumberConstant_ != nullptr) {
        TQREvEnvironment::SetIntegerConstant(columnNumberConstant_, value);
    }
}

void TCustomQuickRep::PrintBand(TQRCustomBand* band) {
    if (band == nullptr) {
        return;
    }
    if (band->AlignToBottom) {
        if (band->BandType() == rbSummary && !Options.Has(TQROption::LastPageFooter)) {
            FooterReserve = 0;
        }
        // The page's own length, already in the orientation's sense.
        const int64_t pageBottom = QRRound(page_->NativeValue(1));
        const long double height = band->Size().NativeHeight();
        const long double bottomMargin = page_->NativeValue(0);
        if (pageBottom - CursorY >= QRRound(height + bottomMargin + FooterReserve)) {
            CursorY = static_cast<int>(pageBottom - QRRound(height) - QRRound(bottomMargin + FooterReserve));
        }
    }
    band->Print();
}

long long TCustomQuickRep::AvailableSpace() const {
    if (idle_ || CursorY == -1) {
        return 0;
    }
    if (ExportFilter != nullptr && ExportFilter->GetStreaming()) {
        return QRRound(page_->NativeValue(1));
    }
    return QRRound(page_->NativeValue(1) - page_->NativeValue(0) - FooterReserve - CursorY);
}

void TCustomQuickRep::NewColumn() {
    const TQRPage& page = *page_;
    if (ColumnNo == page.Columns()) {
        ColumnNo = 1;
        CursorX = static_cast<int>(QRRound(page.NativeValue(4)));
        NewPage();
    } else {
        int64_t columnWidth;
        if (TQRCustomBand* detail = BandOfType(rbDetail)) {
            columnWidth = QRRound(detail->Size().NativeWidth());
        } else {
            columnWidth = (QRRound(page.NativeValue(3) - (page.NativeValue(4) + page.NativeValue(5))) -
                           QRRound(page.NativeValue(6)) * (page.Columns() - 1)) /
                          page.Columns();
        }
        CursorX += static_cast<int>(columnWidth + QRRound(page.NativeValue(6)));
        CursorY = ColumnTopY;
        ++ColumnNo;
    }
    SetColumnNumberConstant(ColumnNo);
    if (!(ColumnNo == 1 && PageNo == 1)) {
        PrintBand(BandOfType(rbColumnHeader));
        controller_->NewPageCheckGroups();
    }
}

void TCustomQuickRep::NewPage() {
    EndPage();
    if (ExportFilter != nullptr) {
        ExportFilter->NewPage();
    }
    ++PageNo;
    SetPageNumberConstant(PageNo);
    if (RenderToCanvas || PageNo == 1) {
        qrPrinter_->NewPage();
    }
    CursorY = static_cast<int>(QRRound(page_->NativeValue(2)));
    if (OnStartPage) {
        OnStartPage(this);
    }
    if (PageNo > 1 || Options.Has(TQROption::FirstPageHeader)) {
        PrintBand(BandOfType(rbPageHeader));
    }
    ColumnTopY = CursorY;
    if (PageNo == 1) {
        if (TQRCustomBand* title = BandOfType(rbTitle)) {
            ColumnTopY += static_cast<int>(QRRound(title->Size().NativeHeight()));
        }
    }
}

void TCustomQuickRep::EndPage() {
    if (PageNo > 0) {
        CursorY = static_cast<int>(QRRound(page_->NativeValue(1) - page_->NativeValue(0) - FooterReserve));
        CursorX = static_cast<int>(QRRound(page_->NativeValue(4)));
        if (!(LastPageReached && !Options.Has(TQROption::LastPageFooter))) {
            PrintBand(BandOfType(rbPageFooter));
        }
        PrintPageBackground();
        if (OnEndPage) {
            OnEndPage(this);
        }
    }
    if (ExportFilter != nullptr) {
        ExportFilter->EndPage();
    }
}

void TCustomQuickRep::PrintPageBackground() {
    for (TQRControl* control : Controls()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(control)) {
            printable->Print(0, 0);
        }
    }
    TQRPrinter* printer = qrPrinter_.get();
    if (RenderToCanvas && frame_.AnyFrame() && printer != nullptr && printer->GetCanvas() != nullptr) {
        const TQRPage& page = *page_;
        const QRect rect = QREdges(printer->XPos(static_cast<double>(page.NativeValue(4))),
                                   printer->YPos(static_cast<double>(page.NativeValue(2))),
                                   printer->XPos(static_cast<double>(page.NativeValue(3) - page.NativeValue(5))),
                                   printer->YPos(static_cast<double>(page.NativeValue(1) - page.NativeValue(0))));
        frame_.PaintIt(*printer->GetCanvas(), rect, printer->XFactor(), printer->YFactor());
    }
}

void TCustomQuickRep::ForceNewColumn() {
    if (idle_) {
        return;
    }
    if (FirstColumnForceSeen || ColumnNo > 1) {
        NewColumn();
    } else {
        FirstColumnForceSeen = true;
    }
}

void TCustomQuickRep::ForceNewPage() {
    if (idle_) {
        return;
    }
    if (TopBandsJustPrinted) {
        TopBandsJustPrinted = false;
        return;
    }
    do {
        NewColumn();
    } while (ColumnNo != 1);
}

void TCustomQuickRep::Cancel() {
    if (idle_) {
        return;
    }
    cancelRequested_ = true;
    std::lock_guard<std::mutex> guard(runLock_);
    if (qrPrinter_) {
        qrPrinter_->Cancel();
    }
}

}  // namespace quorin

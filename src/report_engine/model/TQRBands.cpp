#include "report_engine/model/TQRBands.h"

#include <algorithm>

#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/model/TQRController.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

namespace {

TCustomQuickRep* ReportOf(TQRControl* control) {
    for (TQRControl* p = control; p != nullptr; p = p->ParentControl()) {
        if (auto* report = dynamic_cast<TCustomQuickRep*>(p)) {
            return report;
        }
    }
    return nullptr;
}

void Relayout(TCustomQuickRep* report) {
    if (report != nullptr && !report->Destroying()) {
        report->RebuildBandList();
        report->SetBandValues();
    }
}

}  // namespace

// ---------------------------------------------------------------- TQRCustomBand

TQRCustomBand::TQRCustomBand(TQRControl* parent) : TQRBasePanel(nullptr), size_(this) {
    (void)parent;  // the concrete classes attach themselves once their type is known
    Color = Qt::white;
    TQRControl::SetBounds(0, 0, 0, 40);
}

TQRCustomBand::~TQRCustomBand() {
    MarkDestroying();
    if (ParentReport != nullptr && !ParentReport->Destroying()) {
        ParentReport->ForgetBand(this);
    }
}

QString TQRCustomBand::BandTypeName() const {
    static const char* const names[] = {"Title",        "Page Header",  "Detail",     "Page Footer",
                                        "Summary",      "Group Header", "Group Footer", "Sub Detail",
                                        "Column Header", "Overlay",     "Child"};
    return QString::fromLatin1(names[BandType()]);
}

QString TQRCustomBand::BandComponentName() const {
    return QStringLiteral("QRCustomBand");
}

bool TQRCustomBand::SetLinkBand(TQRCustomBand* band) {
    for (TQRCustomBand* b = band; b != nullptr; b = b->linkBand_) {
        if (b == this) {
            return false;
        }
    }
    linkBand_ = band;
    return true;
}

TQRChildBand* TQRCustomBand::GetChild() const {
    if (ParentReport != nullptr) {
        for (TQRCustomBand* band : ParentReport->BandList()) {
            if (auto* child = dynamic_cast<TQRChildBand*>(band)) {
                if (child->parentBand_ == this && !child->Destroying()) {
                    return child;
                }
            }
        }
        return nullptr;
    }
    if (TQRControl* parent = ParentControl()) {
        for (TQRControl* control : parent->Controls()) {
            if (auto* child = dynamic_cast<TQRChildBand*>(control)) {
                if (child->parentBand_ == this && !child->Destroying()) {
                    return child;
                }
            }
        }
    }
    return nullptr;
}

void TQRCustomBand::SetHasChild(bool value) {
    TQRChildBand* child = GetChild();
    if (value) {
        if (child != nullptr) {
            return;
        }
        child = new TQRChildBand(ParentControl());
        child->SetName(QString());
        child->SetParentBand(this);
        return;
    }
    if (child == nullptr) {
        return;
    }
    if (TQRChildBand* grandChild = child->GetChild()) {
        grandChild->parentBand_ = this;
    }
    delete child;
    Relayout(ParentReport);
}

long double TQRCustomBand::StretchHeight(bool followLinks) const {
    long double height = size_.NativeHeight();
    if (followLinks && linkBand_ != nullptr) {
        height += linkBand_->StretchHeight(true);
    }
    return height;
}

void TQRCustomBand::SetZoom(int value) {
    if (value == 0) {
        return;
    }
    size_.Zoom = value;
    TQRBasePanel::SetZoom(value);
    size_.SetParentSizes();
}

void TQRCustomBand::SetEnabled(bool enabled) {
    TQRBasePanel::SetEnabled(enabled);
}

void TQRCustomBand::SetBounds(int left, int top, int width, int height) {
    const bool sizeChanged = width != Width() || height != Height();
    TQRBasePanel::SetBounds(left, top, width, height);
    if (!size_.ParentUpdating && sizeChanged) {
        // Pixel sizes set from outside become the stored size.
        size_.ParentUpdating = true;
        size_.SetNativeHeight(size_.SaveUnit(height, TQRUnit::Pixels, false));
        size_.SetNativeWidth(size_.SaveUnit(width, TQRUnit::Pixels, true));
        size_.ParentUpdating = false;
    }
    if (sizeChanged) {
        NotifySizeChange();
    }
}

void TQRCustomBand::NotifySizeChange() {
    for (TQRControl* control : Controls()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(control)) {
            printable->QRNotification(this, qrBandSizeChange);
        }
    }
}

void TQRCustomBand::Loaded() {
    size_.SetParentSizes();
    for (TQRControl* control : Controls()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(control)) {
            printable->Size().SetParentSizes();
        }
    }
}

void TQRCustomBand::ParentChanged(TQRControl* oldParent) {
    if (auto* band = dynamic_cast<TQRCustomBand*>(ParentControl())) {
        // A band dropped on a band goes to that band's parent.
        SetParentControl(band->ParentControl());
        return;
    }
    // Back from a band it was dropped on, the band still names the report it
    // was in before the drop: that is the one it leaves, not the band's.
    TCustomQuickRep* oldReport =
        dynamic_cast<TQRCustomBand*>(oldParent) != nullptr ? ParentReport : ReportOf(oldParent);
    TCustomQuickRep* report = dynamic_cast<TCustomQuickRep*>(ParentControl());
    if (oldReport != nullptr && oldReport != report && !oldReport->Destroying()) {
        oldReport->RemoveBand(this);
    }
    ParentReport = report;
    size_.ParentReport = report;
    if (report != nullptr) {
        size_.SetUnits(report->Units());
        // Joining: also when the hop over a band took it off this report's list.
        const std::vector<TQRCustomBand*>& bands = report->BandList();
        if (oldReport != report || std::find(bands.begin(), bands.end(), this) == bands.end()) {
            SetZoom(report->Zoom());
            report->AddBand(this);
        }
    }
}

void TQRCustomBand::ChildAdded(TQRControl* child) {
    (void)child;
}

// Printing -------------------------------------------------------------------

std::shared_ptr<const std::vector<TQRPrintable*>> TQRCustomBand::ChildPrintables() {
    // The list kept is shared with the object's own: any change to the children
    // detaches it, so the same data means the same children.
    const QObjectList& children = this->children();
    if (!printables_ || children.constData() != printablesOf_.constData() ||
        children.size() != printablesOf_.size()) {
        auto printables = std::make_shared<std::vector<TQRPrintable*>>();
        for (QObject* child : children) {
            printables->push_back(dynamic_cast<TQRPrintable*>(child));
        }
        printablesOf_ = children;
        printables_ = std::move(printables);
    }
    return printables_;
}

void TQRCustomBand::Print() {
    TCustomQuickRep* report = ParentReport;
    if (report == nullptr) {
        return;
    }
    bool printBand = Enabled();
    const int rememberedX = report->CursorX;
    const int rememberedY = report->CursorY;
    if (Enabled() && BeforePrint) {
        BeforePrint(this, printBand);
    }
    const TQRBandType type = BandType();
    if (!printBand) {
        if (OwningController != nullptr && !Enabled()) {
            OwningController->NotifyClients(qrMasterDataAdvance);
        }
    } else {
        const bool pageBand = type == rbTitle || type == rbPageHeader || type == rbPageFooter || type == rbOverlay;
        if (ForceNewPage && !report->DetailBreak && !pageBand && report->PageNo > 0) {
            report->ForceNewPage();
            report->DetailBreak = false;
        } else if (ForceNewColumn && !pageBand && report->PageNo > 0) {
            report->ForceNewColumn();
        } else {
            MakeSpace();
        }
        if (OwningController != nullptr) {
            OwningController->NotifyClients(qrMasterDataAdvance);
        }
        TQRPrinter* printer = report->QRPrinter();
        auto rectAt = [&](long double extra) {
            return QREdges(printer->XPos(report->CursorX), printer->YPos(report->CursorY),
                           printer->XPos(static_cast<double>(report->CursorX + size_.NativeWidth())),
                           printer->YPos(static_cast<double>(report->CursorY + size_.NativeHeight() + extra)));
        };
        PrintRect = rectAt(0);
        if (Height() != 0 && Enabled()) {
            TQRCanvas* canvas = report->RenderToCanvas ? printer->GetCanvas() : nullptr;
            if (canvas != nullptr) {
                canvas->Brush = TQRBrush{Color, TQRBrushStyle::bsSolid};
                canvas->FillRect(PrintRect);
            }
            ExpandedBy = 0;
            const long double rememberedHeight = size_.NativeHeight();
            bool firstPass = true;
            // The printables in control order, held for the walk, so that a print
            // that adds or removes a child does not disturb it.
            const std::shared_ptr<const std::vector<TQRPrintable*>> printables = ChildPrintables();
            for (;;) {
                bool allDone = true;
                for (TQRPrintable* printable : *printables) {
                    if (printable == nullptr || printable->ParentControl() != this || !printable->Enabled()) {
                        continue;
                    }
                    if (firstPass || !printable->PrintDone) {
                        printable->Print(report->CursorX, report->CursorY);
                    }
                    allDone = allDone && printable->PrintDone;
                }
                canvas = report->RenderToCanvas ? printer->GetCanvas() : nullptr;
                if (canvas != nullptr) {
                    PrintRect = rectAt(ExpandedBy + 1);
                    frame_.PaintIt(*canvas, PrintRect, printer->XFactor(), printer->YFactor());
                }
                if (allDone) {
                    break;
                }
                // A pass that started at the top of a fresh column and still
                // could not finish would never finish: the band is taller than
                // a page. It stays where it is instead of looping.
                if (!firstPass && report->CursorY == report->ColumnTopY &&
                    QRRound(rememberedHeight) > report->AvailableSpace()) {
                    break;
                }
                report->DetailBreak = true;
                report->NewColumn();
                report->DetailBreak = false;
                size_.SetNativeHeight(rememberedHeight);
                ExpandedBy = 0;
                firstPass = false;
            }
            AdvancePaper();
            size_.SetNativeHeight(rememberedHeight);
        }
        if (report->ExportFilter != nullptr) {
            report->ExportFilter->AcceptBand(this, rememberedX, rememberedY, static_cast<int>(QRRound(ExpandedBy)));
        }
    }
    if (AfterPrint) {
        AfterPrint(this, printBand);
    }
    if (TQRChildBand* child = GetChild()) {
        if (type == rbPageFooter) {
            child->SetBandTypeRaw(rbPageFooter);
        }
        try {
            report->PrintBand(child);
        } catch (...) {
            child->SetBandTypeRaw(rbChild);
            throw;
        }
        child->SetBandTypeRaw(rbChild);
    }
    report->DetailBreak = false;
}

void TQRCustomBand::MakeSpace() {
    TCustomQuickRep* report = ParentReport;
    const TQRPage& page = report->Page();
    if (page.PrintOrder() == TQRPrintOrder::RowByRow && page.Columns() > 1) {
        return;
    }
    const int64_t needed = QRRound(StretchHeight(true));
    const TQRBandType type = BandType();
    const bool fits = type == rbPageFooter || needed <= report->AvailableSpace() ||
                      needed > page.NativeValue(1) - (page.NativeValue(2) + page.NativeValue(0));
    if (fits && report->PageNo != 0) {
        if (type == rbDetail) {
            report->DetailBreak = false;
        }
        return;
    }
    report->DetailBreak = type == rbDetail;
    report->NewColumn();
}

bool TQRCustomBand::CanExpand(long double value) const {
    return QRRound(size_.NativeHeight() + ExpandedBy + value) <= ParentReport->AvailableSpace();
}

bool TQRCustomBand::ExpandBand(long double value, long double& newOffset, bool& expanded) {
    if (!CanExpand(value)) {
        return false;
    }
    if (!expanded && value < ExpandedBy) {
        newOffset = ExpandedBy;
        expanded = true;
        return true;
    }
    ExpandedBy += value;
    newOffset = ExpandedBy;
    expanded = true;
    return false;
}

void TQRCustomBand::AdvancePaper() {
    ParentReport->CursorY += static_cast<int>(QRRound(size_.NativeHeight() + ExpandedBy));
}

// ---------------------------------------------------------------- TQRBand

TQRBand::TQRBand(TQRControl* parent, TQRBandType type) : TQRCustomBand(nullptr) {
    bandType_ = type;
    if (parent != nullptr) {
        SetParentControl(parent);
    }
}

void TQRBand::SetBandType(TQRBandType type) {
    bandType_ = type;
    Relayout(ParentReport);
}

// ---------------------------------------------------------------- TQRChildBand

TQRChildBand::TQRChildBand(TQRControl* parent) : TQRCustomBand(nullptr) {
    bandType_ = rbChild;
    if (parent != nullptr) {
        SetParentControl(parent);
    }
}

TQRChildBand::~TQRChildBand() = default;

bool TQRChildBand::SetParentBand(TQRCustomBand* band) {
    for (TQRCustomBand* b = band; b != nullptr;) {
        if (b == this) {
            return false;
        }
        auto* child = dynamic_cast<TQRChildBand*>(b);
        b = child != nullptr ? child->parentBand_ : nullptr;
    }
    parentBand_ = band;
    Relayout(ParentReport);
    return true;
}

// ---------------------------------------------------------------- TQRGroup

TQRGroup::TQRGroup(TQRControl* parent) : TQRCustomBand(nullptr), evaluator_(std::make_unique<TQREvaluator>()) {
    bandType_ = rbGroupHeader;
    if (parent != nullptr) {
        SetParentControl(parent);
    }
    if (master_ == nullptr) {
        master_ = ParentReport;
    }
}

TQRGroup::~TQRGroup() = default;

void TQRGroup::SetFooterBand(TQRBand* band) {
    footerBand_ = band;
    if (band != nullptr) {
        band->SetBandType(rbGroupFooter);
    }
}

bool TQRGroup::SetMaster(QObject* master) {
    if (master != nullptr && dynamic_cast<TQRControllerBand*>(master) == nullptr &&
        dynamic_cast<TCustomQuickRep*>(master) == nullptr) {
        return false;
    }
    master_ = master;
    Relayout(ParentReport);
    return true;
}

namespace {

bool ResultsDiffer(const TQREvResult& a, const TQREvResult& b) {
    if (a.ResultType != b.ResultType) {
        return true;
    }
    switch (a.ResultType) {
        case resInt:
            return a.IntegerValue != b.IntegerValue;
        case resDouble:
            return a.DoubleValue != b.DoubleValue;
        case resString:
            return a.StringView() != b.StringView();
        case resBool:
            return a.BooleanValue != b.BooleanValue;
        case resError:
            return false;
    }
    return false;
}

}  // namespace

void TQRGroup::Check() {
    GroupChanged = false;
    if (!HasLastValue) {
        LastValue = evaluator_->Value();
        GroupChanged = true;
        HasLastValue = true;
        return;
    }
    const TQREvResult value = evaluator_->Value();
    if (ResultsDiffer(value, LastValue)) {
        GroupChanged = true;
        LastValue = value;
    }
}

void TQRGroup::MarkChanged() {
    LastValue = evaluator_->Value();
    HasLastValue = true;
    GroupChanged = true;
}

void TQRGroup::NewPageCheck() {
    const int pageNo = ParentReport != nullptr ? ParentReport->PageNo : 0;
    GroupChanged = ReprintOnNewPage && GroupOpen && pageNo != HeaderPageNo;
    if (GroupChanged) {
        HeaderPageNo = pageNo;
    }
}

void TQRGroup::Prepare() {
    evaluator_->SetDatasets(&ParentReport->DataSetList());
    evaluator_->Environment = &ParentReport->Functions();
    evaluator_->Prepare(Expression);
    HasLastValue = false;
    GroupOpen = false;
    GroupChanged = false;
    HeaderPageNo = 1;
}

void TQRGroup::Unprepare() {
    if (evaluator_->Prepared()) {
        evaluator_->UnPrepare();
    }
}

// ---------------------------------------------------------------- TQRControllerBand

TQRControllerBand::TQRControllerBand(TQRControl* parent) : TQRCustomBand(nullptr) {
    bandType_ = rbSubDetail;
    CreateController();
    if (parent != nullptr) {
        SetParentControl(parent);
    }
    if (master_ == nullptr) {
        master_ = ParentReport;
    }
}

TQRControllerBand::~TQRControllerBand() = default;

void TQRControllerBand::CreateController() {
    auto controller = std::make_unique<TQRController>(this);
    controller->DetailBand = this;
    controller->OwnerComponent = this;
    controller_ = std::move(controller);
}

bool TQRControllerBand::SetMaster(QObject* master) {
    if (master != nullptr && dynamic_cast<TQRControllerBand*>(master) == nullptr &&
        dynamic_cast<TCustomQuickRep*>(master) == nullptr) {
        return false;
    }
    for (QObject* m = master; m != nullptr;) {
        if (m == this) {
            return false;
        }
        auto* band = dynamic_cast<TQRControllerBand*>(m);
        m = band != nullptr ? band->master_ : nullptr;
    }
    master_ = master;
    Relayout(ParentReport);
    return true;
}

bool TQRControllerBand::PrintBefore() const {
    return controller_->PrintBefore();
}

void TQRControllerBand::SetPrintBefore(bool value) {
    controller_->SetPrintBefore(value);
    Relayout(ParentReport);
}

bool TQRControllerBand::PrintIfEmpty() const {
    return controller_->PrintIfEmpty;
}

void TQRControllerBand::SetPrintIfEmpty(bool value) {
    controller_->PrintIfEmpty = value;
}

void TQRControllerBand::RegisterBands() {
    controller_->RegisterBands();
}

void TQRControllerBand::CreateLocalVar() {
    const QString expression = LocalVarExpression();
    if (!expression.isEmpty() && ParentReport != nullptr && !Name().isEmpty()) {
        ParentReport->Functions().AddFunction(Name(), expression);
        localVarCreated_ = true;
    }
}

void TQRControllerBand::RemoveLocalVar() {
    if (localVarCreated_ && ParentReport != nullptr) {
        ParentReport->Functions().DeleteFunction(Name());
        localVarCreated_ = false;
    }
}

// ---------------------------------------------------------------- TQRSubDetail

bool TQRSubDetailGroupBands::HasHeader() const {
    return owner_->HeaderBand() != nullptr;
}

void TQRSubDetailGroupBands::SetHasHeader(bool value) {
    if (value == HasHeader()) {
        return;
    }
    if (value) {
        if (owner_->ParentReport != nullptr) {
            owner_->SetHeaderBand(owner_->ParentReport->CreateBand(rbGroupHeader));
        }
    } else {
        delete owner_->HeaderBand();
    }
}

bool TQRSubDetailGroupBands::HasFooter() const {
    return owner_->FooterBand() != nullptr;
}

void TQRSubDetailGroupBands::SetHasFooter(bool value) {
    if (value == HasFooter()) {
        return;
    }
    if (value) {
        if (owner_->ParentReport != nullptr) {
            owner_->SetFooterBand(owner_->ParentReport->CreateBand(rbGroupFooter));
        }
    } else {
        delete owner_->FooterBand();
    }
}

TQRSubDetail::TQRSubDetail(TQRControl* parent) : TQRControllerBand(nullptr), bands_(this) {
    bandType_ = rbSubDetail;
    if (parent != nullptr) {
        SetParentControl(parent);
    }
    if (master_ == nullptr) {
        master_ = ParentReport;
    }
}

TQRSubDetail::~TQRSubDetail() = default;

TMemoryDataSet* TQRSubDetail::DataSet() const {
    return controller_->DataSet;
}

void TQRSubDetail::SetDataSet(TMemoryDataSet* dataSet) {
    controller_->DataSet = dataSet;
}

TQRCustomBand* TQRSubDetail::HeaderBand() const {
    return controller_->HeaderBand;
}

void TQRSubDetail::SetHeaderBand(TQRCustomBand* band) {
    controller_->HeaderBand = band;
    Relayout(ParentReport);
}

TQRCustomBand* TQRSubDetail::FooterBand() const {
    return controller_->FooterBand;
}

void TQRSubDetail::SetFooterBand(TQRCustomBand* band) {
    controller_->FooterBand = band;
    Relayout(ParentReport);
}

TQROnNeedDataEvent& TQRSubDetail::OnNeedData() {
    return controller_->OnNeedData;
}

}  // namespace quorin

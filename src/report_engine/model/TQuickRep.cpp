#include "report_engine/model/TQuickRep.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQRCreateReportThread.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

namespace {

QFont ToQFont(const TQRFont& font) {
    QFont f(font.Name);
    if (font.Height != 0) {
        f.setPixelSize(std::abs(font.Height));
    } else {
        f.setPointSizeF(std::max(1, std::abs(font.Size)));
    }
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    f.setStrikeOut(font.StrikeOut);
    return f;
}

}  // namespace

// ---------------------------------------------------------------- TQuickRepBands

bool TQuickRepBands::Has(TQRBandType type) const {
    return report_->BandOfType(type) != nullptr;
}

void TQuickRepBands::Set(TQRBandType type, bool value) {
    TQRCustomBand* band = report_->BandOfType(type);
    if (value && band == nullptr) {
        report_->CreateBand(type);
    } else if (!value && band != nullptr) {
        delete band;
    }
}

// ---------------------------------------------------------------- TCustomQuickRep

TCustomQuickRep::TCustomQuickRep(QObject* owner)
    : TQRBasePanel(nullptr),
      bands_(this),
      controller_(std::make_unique<TQRCustomController>(this)),
      functions_(std::make_unique<TQREvEnvironment>()) {
    if (owner != nullptr) {
        setParent(owner);
    }
    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 10;
    SetFont(font);
    controller_->OwnerComponent = this;
    controller_->ParentReport = this;
    functions_->AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    functions_->AddFunction(QStringLiteral("COLUMNNUMBER"), QStringLiteral("0"));
    functions_->AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
    const int dpi = QRScreenDotsPerInch();
    measure_ = QImage(1, 1, QImage::Format_ARGB32);
    measure_.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    measure_.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    page_ = std::make_unique<TQRPage>(this);
    // The paper the printer offers by default.
    {
        TQRPrinter probe(nullptr);
        const TQRPaperSize paper = probe.GetPaperSize();
        if (paper != TQRPaperSize::Default && paper != TQRPaperSize::Custom) {
            page_->SetPaperSize(paper);
        }
    }
    PageChanged();
}

TCustomQuickRep::~TCustomQuickRep() {
    MarkDestroying();
    if (thread_) {
        Cancel();
        thread_->wait();
        thread_.reset();
    }
    const QList<TQRControl*> children = Controls();
    for (TQRControl* child : children) {
        delete child;
    }
    bandList_.clear();
    qrPrinter_.reset();
    retiredPrinter_.reset();
}

TQRUnit TCustomQuickRep::Units() const {
    return page_ ? page_->GetUnits() : QRDefaultUnit();
}

void TCustomQuickRep::SetUnits(TQRUnit unit) {
    page_->SetUnits(unit);
    for (TQRCustomBand* band : bandList_) {
        band->Size().SetUnits(unit);
    }
    for (QObject* object : findChildren<QObject*>()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(object)) {
            printable->Size().SetUnits(unit);
        }
    }
}

void TCustomQuickRep::SetZoom(int value) {
    if (value < 1 || value > 300) {
        return;
    }
    TQRBasePanel::SetZoom(value);
    page_->Zoom = value;
    PageChanged();
}

TMemoryDataSet* TCustomQuickRep::DataSet() const {
    auto* controller = dynamic_cast<TQRController*>(controller_.get());
    return controller != nullptr ? controller->DataSet : nullptr;
}

void TCustomQuickRep::SetDataSet(TMemoryDataSet* dataSet) {
    if (auto* controller = dynamic_cast<TQRController*>(controller_.get())) {
        controller->DataSet = dataSet;
    }
}

bool TCustomQuickRep::PrintIfEmpty() const {
    return controller_->PrintIfEmpty;
}

void TCustomQuickRep::SetPrintIfEmpty(bool value) {
    controller_->PrintIfEmpty = value;
}

void TCustomQuickRep::PageChanged() {
    if (!page_) {
        return;
    }
    TQRControl::SetBounds(Left(), Top(),
                          static_cast<int>(QRRound(page_->LoadUnit(page_->NativeValue(3), TQRUnit::Pixels, true))),
                          static_cast<int>(QRRound(page_->LoadUnit(page_->NativeValue(1), TQRUnit::Pixels, false))));
    SetBandValues();
}

TQRCustomBand* TCustomQuickRep::BandOfType(TQRBandType type) const {
    for (TQRCustomBand* band : bandList_) {
        if (band->BandType() == type) {
            return band;
        }
    }
    return nullptr;
}

QString TCustomQuickRep::UniqueName(const QString& base) const {
    QStringList used;
    const QObject* scope = parent() != nullptr ? parent() : this;
    for (const QObject* object : scope->findChildren<QObject*>()) {
        used.append(object->objectName());
    }
    for (int i = 1;; ++i) {
        const QString name = base + QString::number(i);
        if (!used.contains(name, Qt::CaseInsensitive)) {
            return name;
        }
    }
}

TQRBand* TCustomQuickRep::CreateBand(TQRBandType type) {
    auto* band = new TQRBand(nullptr, type);
    band->SetName(UniqueName(band->BandComponentName()));
    band->SetParentControl(this);
    return band;
}

void TCustomQuickRep::AddBand(TQRCustomBand* band) {
    if (band == nullptr || std::find(bandList_.begin(), bandList_.end(), band) != bandList_.end()) {
        return;
    }
    bandList_.push_back(band);
    RebuildBandList();
    SetBandValues();
}

void TCustomQuickRep::RemoveBand(TQRCustomBand* band) {
    auto it = std::find(bandList_.begin(), bandList_.end(), band);
    if (it == bandList_.end()) {
        return;
    }
    bandList_.erase(it);
    if (!Destroying()) {
        RebuildBandList();
        SetBandValues();
    }
}

void TCustomQuickRep::ForgetBand(TQRCustomBand* band) {
    bandList_.erase(std::remove(bandList_.begin(), bandList_.end(), band), bandList_.end());
    for (TQRCustomBand* other : bandList_) {
        if (other->LinkBand() == band) {
            other->linkBand_ = nullptr;
        }
        if (auto* child = dynamic_cast<TQRChildBand*>(other)) {
            if (child->ParentBand() == band) {
                child->parentBand_ = nullptr;
            }
        }
        if (auto* group = dynamic_cast<TQRGroup*>(other)) {
            if (group->footerBand_ == band) {
                group->footerBand_ = nullptr;
            }
            if (group->master_ == band) {
                group->master_ = nullptr;
            }
        }
        if (auto* controllerBand = dynamic_cast<TQRControllerBand*>(other)) {
            controllerBand->Controller()->Forget(band);
        }
    }
    if (auto* controller = dynamic_cast<TQRController*>(controller_.get())) {
        controller->Forget(band);
    }
    controller_->Groups.removeAll(static_cast<TQRGroup*>(nullptr));
    if (auto* group = dynamic_cast<TQRGroup*>(band)) {
        controller_->Groups.removeAll(group);
    }
    if (!Destroying()) {
        RebuildBandList();
        SetBandValues();
    }
}

void TCustomQuickRep::ForgetDataSet(TMemoryDataSet* dataSet) {
    if (auto* controller = dynamic_cast<TQRController*>(controller_.get())) {
        controller->Forget(dataSet);
    }
    for (TQRCustomBand* band : bandList_) {
        if (auto* controllerBand = dynamic_cast<TQRControllerBand*>(band)) {
            controllerBand->Controller()->Forget(dataSet);
        }
    }
    dataSetList_.removeAll(dataSet);
}

void TCustomQuickRep::RegisterBand(TQRCustomBand* band) {
    if (registering_ == nullptr || band == nullptr || band->Destroying() ||
        std::find(registering_->begin(), registering_->end(), band) != registering_->end()) {
        return;
    }
    registering_->push_back(band);
    RegisterBand(band->GetChild());
}

void TCustomQuickRep::RebuildBandList() {
    if (Loading || Destroying() || registering_ != nullptr) {
        return;
    }
    SetControllerBands();
    controller_->ParentReport = this;
    controller_->OwnerComponent = this;
    controller_->BuildTree();
    std::vector<TQRCustomBand*> list;
    registering_ = &list;
    auto registerType = [&](TQRBandType type) {
        for (TQRCustomBand* band : bandList_) {
            if (band->BandType() == type) {
                RegisterBand(band);
            }
        }
    };
    registerType(rbPageHeader);
    registerType(rbTitle);
    registerType(rbColumnHeader);
    controller_->RegisterBands();
    registerType(rbPageFooter);
    for (TQRCustomBand* band : bandList_) {
        RegisterBand(band);
    }
    registering_ = nullptr;
    bandList_ = std::move(list);
}

void TCustomQuickRep::SetBandValues() {
    if (Loading || Destroying() || !page_) {
        return;
    }
    auto pixels = [&](int index, bool horizontal) {
        return QRRound(page_->LoadUnit(page_->NativeValue(index), TQRUnit::Pixels, horizontal));
    };
    const int64_t left = QRRound(page_->LoadUnit(page_->NativeValue(4), TQRUnit::Pixels, true));
    const int64_t fullWidth =
        Width() - QRRound(page_->LoadUnit(page_->NativeValue(4) + page_->NativeValue(5), TQRUnit::Pixels, true));
    const int columns = page_->Columns();
    const int64_t columnWidth = (fullWidth - pixels(6, true) * (columns - 1)) / columns;
    int top = 0;
    for (TQRCustomBand* band : bandList_) {
        TQRBandType type = band->BandType();
        TQRCustomBand* walk = band;
        while (type == rbChild) {
            auto* child = dynamic_cast<TQRChildBand*>(walk);
            walk = child != nullptr ? child->ParentBand() : nullptr;
            if (walk == nullptr) {
                break;
            }
            type = walk->BandType();
        }
        bool full = type == rbTitle || type == rbPageHeader || type == rbPageFooter || type == rbSummary ||
                    type == rbOverlay;
        if ((type == rbGroupHeader || type == rbGroupFooter) && page_->PrintOrder() == TQRPrintOrder::RowByRow) {
            full = true;
        }
        const int64_t width = full ? fullWidth : columnWidth;
        band->reportSizing_ = true;
        band->Size().ParentUpdating = true;
        band->TQRBasePanel::SetBounds(static_cast<int>(left), top, band->Width(), band->Height());
        band->Size().ParentUpdating = false;
        band->Size().SetNativeWidth(band->Size().SaveUnit(static_cast<long double>(width), TQRUnit::Pixels, true));
        band->Size().SetParentSizes();
        band->reportSizing_ = false;
        top += band->Height();
    }
}

void TCustomQuickRep::Loaded() {
    Loading = false;
    for (TQRControl* control : Controls()) {
        if (auto* band = dynamic_cast<TQRCustomBand*>(control)) {
            band->Loaded();
        } else if (auto* printable = dynamic_cast<TQRPrintable*>(control)) {
            printable->Size().SetParentSizes();
        }
    }
    RebuildBandList();
    SetBandValues();
}

int TCustomQuickRep::TextWidth(const TQRFont& font, const QString& text) const {
    try {
        QFontMetricsF metrics(ToQFont(font), &measure_);
        return static_cast<int>(QRRound(metrics.horizontalAdvance(text))) + 1;
    } catch (...) {
        return 0;
    }
}

int TCustomQuickRep::TextHeight(const TQRFont& font, const QString& text) const {
    (void)text;
    const std::lock_guard<std::mutex> lock(heightsLock_);
    for (const auto& [known, height] : heights_) {
        if (known == font) {
            return height;
        }
    }
    int height = 0;
    try {
        QFontMetricsF metrics(ToQFont(font), &measure_);
        height = static_cast<int>(QRRound(metrics.height()));
    } catch (...) {
        return 0;
    }
    constexpr size_t kKeptFonts = 32;  // a report uses a handful
    if (heights_.size() >= kKeptFonts) {
        heights_.clear();
    }
    heights_.emplace_back(font, height);
    return height;
}

void TCustomQuickRep::ChildAdded(TQRControl* child) {
    (void)child;
}

void TCustomQuickRep::ChildRemoved(TQRControl* child) {
    // The child is half destroyed here: only its address is used.
    bandList_.erase(std::remove(bandList_.begin(), bandList_.end(), reinterpret_cast<TQRCustomBand*>(child)),
                    bandList_.end());
}

void TCustomQuickRep::AddNotifyClient(TQRPrintable* client) {
    controller_->AddNotifyClient(client);
}

void TCustomQuickRep::SetQRPrinter(std::unique_ptr<TQRPrinter> printer) {
    qrPrinter_ = std::move(printer);
}

std::unique_ptr<TQRPrinter> TCustomQuickRep::TakeQRPrinter() {
    return std::move(qrPrinter_);
}

// ---------------------------------------------------------------- TQuickRep

TQuickRep::TQuickRep(QObject* owner) : TCustomQuickRep(owner) {
    auto controller = std::make_unique<TQRController>(this);
    controller->OwnerComponent = this;
    controller->ParentReport = this;
    controller_ = std::move(controller);
}

TQRController& TQuickRep::ReportController() {
    return static_cast<TQRController&>(*controller_);
}

void TQuickRep::SetControllerBands() {
    TQRController& controller = ReportController();
    controller.DetailBand = BandOfType(rbDetail);
    controller.HeaderBand = BandOfType(rbTitle);
    controller.FooterBand = BandOfType(rbSummary);
}

void TQuickRep::Execute() {
    SetControllerBands();
    ReportController().OnNeedData = OnNeedData;
    controller_->Execute();
}

int TQuickRep::GetRecordCount() {
    TMemoryDataSet* dataSet = DataSet();
    if (dataSet == nullptr || !dataSet->Active()) {
        return 1;
    }
    try {
        return dataSet->RecordCount();
    } catch (...) {
        return 1;
    }
}

int TQuickRep::GetRecordNumber() {
    return ReportController().RecordNumber;
}

}  // namespace quorin

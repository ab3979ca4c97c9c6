#include "report_engine/model/TQRController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

// ---------------------------------------------------------------- TQRCustomController

TQRCustomController::TQRCustomController(QObject* creator) : creator_(creator) {}

TQRCustomController::~TQRCustomController() = default;

bool TQRCustomController::SetMaster(QObject* master) {
    if (master == nullptr || dynamic_cast<TCustomQuickRep*>(master) != nullptr ||
        dynamic_cast<TQRControllerBand*>(master) != nullptr) {
        master_ = master;
        return true;
    }
    return false;
}

TQREvResult TQRCustomController::LocalVarValue() {
    return TQREvResult::Error(u"");
}

void TQRCustomController::BuildTree() {
    AfterControllers.clear();
    BeforeControllers.clear();
    Groups.clear();
    if (ParentReport == nullptr) {
        return;
    }
    for (TQRControl* control : ParentReport->Controls()) {
        if (auto* band = dynamic_cast<TQRControllerBand*>(control)) {
            TQRController* controller = band->Controller();
            if (band->Master() == OwnerComponent && controller != this && !band->Destroying()) {
                controller->ParentReport = ParentReport;
                controller->OwnerComponent = band;
                if (controller->PrintBefore()) {
                    BeforeControllers.append(controller);
                } else {
                    AfterControllers.append(controller);
                }
                controller->BuildTree();
            }
        } else if (auto* group = dynamic_cast<TQRGroup*>(control)) {
            if (group->Master() == OwnerComponent && !group->Destroying()) {
                Groups.append(group);
                group->ParentReport = ParentReport;
            }
        }
    }
    RegisterDatasets();
}

void TQRCustomController::Execute() {
    if (PrintIfEmpty) {
        PrintEmptyController();
    }
}

void TQRCustomController::Prepare() {
    ClientList.clear();
    for (TQRCustomController* controller : BeforeControllers) {
        controller->Prepare();
    }
    for (TQRCustomController* controller : AfterControllers) {
        controller->Prepare();
    }
    for (TQRGroup* group : Groups) {
        group->Prepare();
    }
}

void TQRCustomController::Unprepare() {
    for (TQRCustomController* controller : BeforeControllers) {
        controller->Unprepare();
    }
    for (TQRCustomController* controller : AfterControllers) {
        controller->Unprepare();
    }
    for (TQRGroup* group : Groups) {
        group->Unprepare();
    }
}

void TQRCustomController::PrintAfterControllers() {
    for (TQRCustomController* controller : AfterControllers) {
        controller->Execute();
    }
}

void TQRCustomController::PrintBeforeControllers() {
    for (TQRCustomController* controller : BeforeControllers) {
        controller->Execute();
    }
}

void TQRCustomController::PrintEmptyController() {
    PrintBeforeControllers();
    PrintAfterControllers();
}

void TQRCustomController::AddAfter(TQRCustomController* controller) {
    if (!AfterControllers.contains(controller)) {
        AfterControllers.append(controller);
    }
}

void TQRCustomController::AddBefore(TQRCustomController* controller) {
    if (!BeforeControllers.contains(controller)) {
        BeforeControllers.append(controller);
    }
}

void TQRCustomController::AddNotifyClient(TQRPrintable* client) {
    if (client != nullptr && !ClientList.contains(client)) {
        ClientList.append(client);
    }
}

void TQRCustomController::NotifyClients(TQRNotifyOperation operation) {
    for (TQRPrintable* client : ClientList) {
        client->QRNotification(OwnerComponent, operation);
    }
}

bool TQRCustomController::CheckGroups() {
    bool changed = false;
    for (TQRGroup* group : Groups) {
        if (changed) {
            group->MarkChanged();
        } else {
            group->Check();
            changed = group->GroupChanged;
        }
    }
    return changed;
}

void TQRCustomController::NewPageCheckGroups() {
    for (TQRGroup* group : Groups) {
        if (group->GroupChanged) {
            return;
        }
    }
    for (TQRCustomController* controller : BeforeControllers) {
        controller->NewPageCheckGroups();
    }
    bool marked = false;
    for (TQRGroup* group : Groups) {
        if (marked) {
            group->MarkChanged();
        } else {
            group->NewPageCheck();
            marked = group->GroupChanged;
        }
    }
    if (marked) {
        PrintGroupHeaders();
    }
    for (TQRCustomController* controller : AfterControllers) {
        controller->NewPageCheckGroups();
    }
}

void TQRCustomController::PrintGroupHeaders() {
    for (TQRGroup* group : Groups) {
        if (group->GroupChanged) {
            ParentReport->PrintBand(group);
            group->GroupOpen = true;
            group->HeaderPageNo = ParentReport->PageNo;
        }
    }
}

void TQRCustomController::PrintGroupFooters() {
    for (qsizetype i = Groups.size() - 1; i >= 0; --i) {
        TQRGroup* group = Groups[i];
        if (group->GroupChanged) {
            if (group->FooterBand() != nullptr) {
                ParentReport->PrintBand(group->FooterBand());
            }
            group->GroupOpen = false;
        }
    }
}

void TQRCustomController::CheckLastGroupFooters() {
    for (TQRGroup* group : Groups) {
        group->GroupChanged = !group->GroupChanged;
    }
}

// ---------------------------------------------------------------- TQRController

TQRController::TQRController(QObject* creator) : TQRCustomController(creator) {}

void TQRController::Prepare() {
    TQRCustomController::Prepare();
    RecordNumber = 0;
}

void TQRController::RegisterBands() {
    if (ParentReport == nullptr) {
        return;
    }
    ParentReport->RegisterBand(HeaderBand);
    for (TQRGroup* group : Groups) {
        ParentReport->RegisterBand(group);
    }
    for (TQRCustomController* controller : BeforeControllers) {
        controller->RegisterBands();
    }
    ParentReport->RegisterBand(DetailBand);
    for (TQRCustomController* controller : AfterControllers) {
        controller->RegisterBands();
    }
    for (qsizetype i = Groups.size() - 1; i >= 0; --i) {
        ParentReport->RegisterBand(Groups[i]->FooterBand());
    }
    ParentReport->RegisterBand(FooterBand);
}

void TQRController::RegisterDatasets() {
    if (ParentReport != nullptr && DataSet != nullptr && DataSet->Active() &&
        !ParentReport->DataSetList().contains(DataSet)) {
        ParentReport->DataSetList().append(DataSet);
    }
}

void TQRController::PrintEmptyController() {
    if (ParentReport == nullptr) {
        return;
    }
    ParentReport->PrintBand(HeaderBand);
    PrintBeforeControllers();
    ParentReport->PrintBand(DetailBand);
    PrintAfterControllers();
    ParentReport->PrintBand(FooterBand);
}

void TQRController::Forget(QObject* object) {
    if (object == DetailBand) {
        DetailBand = nullptr;
    }
    if (object == HeaderBand) {
        HeaderBand = nullptr;
    }
    if (object == FooterBand) {
        FooterBand = nullptr;
    }
    if (object == DataSet) {
        DataSet = nullptr;
    }
    if (object == master_) {
        master_ = nullptr;
    }
}

namespace {

/// Lets the user interface breathe during a run on its own thread (a
/// synchronous preview or print); a run on the generation thread only polls
/// the cancel flags.
class TQRYield {
  public:
    TQRYield() {
        QCoreApplication* app = QCoreApplication::instance();
        onGuiThread_ = app != nullptr && QThread::currentThread() == app->thread();
        timer_.start();
    }
    void operator()() {
        if (onGuiThread_ && timer_.elapsed() >= 25) {
            QCoreApplication::processEvents();
            timer_.restart();
        }
    }

  private:
    bool onGuiThread_ = false;
    QElapsedTimer timer_;
};

}  // namespace

void TQRController::Execute() {
    int recordCount = 1;
    for (TQRGroup* group : Groups) {
        group->HasLastValue = false;
    }
    TCustomQuickRep* report = ParentReport;
    const bool active = DataSet != nullptr && DataSet->Active();
    if ((!active && !OnNeedData) || report == nullptr) {
        if (PrintIfEmpty) {
            PrintEmptyController();
        }
        return;
    }
    auto* quickRep = dynamic_cast<TQuickRep*>(report);
    bool moreData = true;
    const bool useDataSet = active;
    if (useDataSet) {
        DataSet->First();
        moreData = !DataSet->Eof();
        if (quickRep != nullptr) {
            recordCount = quickRep->GetRecordCount();
        }
        if (!moreData && PrintIfEmpty) {
            PrintEmptyController();
        }
    } else {
        OnNeedData(OwnerComponent, moreData);
    }
    RecordNumber = 0;
    if (DetailBand != nullptr) {
        DetailBand->OwningController = this;
    }
    if (!moreData) {
        return;
    }
    TQRYield yield;
    yield();
    if (report->CancelRequested()) {
        return;
    }
    if (HeaderBand != nullptr) {
        report->PrintBand(HeaderBand);
        if (OwnerComponent == report) {
            report->TopBandsJustPrinted = true;
        }
    }
    if (report->PageNo <= 1 && OwnerComponent == report) {
        TQRCustomBand* columnHeader = report->BandOfType(rbColumnHeader);
        if (columnHeader != nullptr && columnHeader->Enabled()) {
            report->PrintBand(columnHeader);
            report->TopBandsJustPrinted = true;
        }
    }
    CheckGroups();
    const bool progress = quickRep != nullptr && useDataSet && DataSet == quickRep->DataSet() && recordCount != 0;
    int lastPercent = -1;
    while (moreData) {
        yield();
        TQRPrinter* printer = report->QRPrinter();
        if (report->CancelRequested() || (printer != nullptr && printer->GetCancelled())) {
            return;
        }
        ++RecordNumber;
        PrintGroupHeaders();
        PrintBeforeControllers();
        report->PrintBand(DetailBand);
        PrintAfterControllers();
        if (useDataSet) {
            DataSet->Next();
            moreData = !DataSet->Eof();
        } else {
            moreData = false;
            if (OnNeedData) {
                OnNeedData(OwnerComponent, moreData);
            }
        }
        if (CheckGroups()) {
            if (useDataSet) {
                DataSet->Prior();
                PrintGroupFooters();
                DataSet->Next();
            } else {
                PrintGroupFooters();
            }
        }
        if (progress && printer != nullptr) {
            printer->SetRowsDone(RecordNumber, recordCount);
            // Only a changed percentage is handed on: the page sink posts every
            // value it gets to the window that shows it.
            const int percent = static_cast<int>(static_cast<int64_t>(RecordNumber) * 100 / recordCount);
            if (percent != lastPercent) {
                printer->SetProgress(percent);
                lastPercent = percent;
            }
        }
    }
    CheckLastGroupFooters();
    PrintGroupFooters();
    if (FooterBand != nullptr) {
        if (report->PageNo == 0) {
            report->NewPage();
        }
        report->PrintBand(FooterBand);
    }
}

}  // namespace quorin

#pragma once

#include <QList>
#include <QObject>

#include "report_engine/model/TQRBands.h"
#include "report_engine/model/TQRPrintable.h"

namespace quorin {

class TMemoryDataSet;

/// Drives one data set and the bands around it: the report's own controller
/// walks the master data set, a sub-detail's walks its detail data set per
/// master record.
class TQRCustomController {
  public:
    /// creator: the report or controller band that made the controller.
    explicit TQRCustomController(QObject* creator);
    virtual ~TQRCustomController();
    TQRCustomController(const TQRCustomController&) = delete;
    TQRCustomController& operator=(const TQRCustomController&) = delete;

    QObject* Creator() const { return creator_; }
    QObject* Master() const { return master_; }
    /// A report, a controller or a controller band, never the controller itself.
    bool SetMaster(QObject* master);

    QList<TQRCustomController*> AfterControllers;
    QList<TQRCustomController*> BeforeControllers;
    QList<TQRGroup*> Groups;
    bool PrintIfEmpty = true;
    QObject* OwnerComponent = nullptr;
    TCustomQuickRep* ParentReport = nullptr;
    bool PrintBefore() const { return printBefore_; }
    virtual void SetPrintBefore(bool value) { printBefore_ = value; }
    QList<TQRPrintable*> ClientList;

    virtual TQREvResult LocalVarValue();
    virtual void BuildTree();
    virtual void Execute();
    virtual void Prepare();
    virtual void Unprepare();
    virtual void PrintAfterControllers();
    virtual void PrintBeforeControllers();
    virtual void PrintEmptyController();
    virtual void RegisterBands() {}
    virtual void RegisterDatasets() {}
    virtual void UpdateLocalVar() {}

    void AddAfter(TQRCustomController* controller);
    void AddBefore(TQRCustomController* controller);
    void AddNotifyClient(TQRPrintable* client);
    void NotifyClients(TQRNotifyOperation operation);
    bool CheckGroups();
    void NewPageCheckGroups();
    void PrintGroupHeaders();
    void PrintGroupFooters();
    void CheckLastGroupFooters();

  protected:
    QObject* creator_;
    QObject* master_ = nullptr;
    bool printBefore_ = false;
};

/// A controller with a data set (or OnNeedData) and a detail, header and footer band.
class TQRController : public TQRCustomController {
  public:
    explicit TQRController(QObject* creator);

    TMemoryDataSet* DataSet = nullptr;
    TQRCustomBand* DetailBand = nullptr;
    TQRCustomBand* FooterBand = nullptr;
    TQRCustomBand* HeaderBand = nullptr;
    TQROnNeedDataEvent OnNeedData;
    int RecordNumber = 0;

    void Execute() override;
    void Prepare() override;
    void PrintEmptyController() override;
    void RegisterBands() override;
    void RegisterDatasets() override;

    /// Forgets a band or data set that is going away.
    void Forget(QObject* object);
};

}  // namespace quorin

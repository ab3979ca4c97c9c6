#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/expr/TQREvResult.h"
#include "report_engine/model/QRUnits.h"
#include "report_engine/model/TQRControl.h"

namespace quorin {

class TQREvaluator;
class TQRController;
class TQRCustomController;
class TMemoryDataSet;

/// The role of a band.
enum TQRBandType {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbChild
};

class TQRCustomBand;
class TQRChildBand;

using TQRBandBeforePrintEvent = std::function<void(TQRCustomBand* sender, bool& printBand)>;
using TQRBandAfterPrintEvent = std::function<void(TQRCustomBand* sender, bool bandPrinted)>;
using TQROnNeedDataEvent = std::function<void(QObject* sender, bool& moreData)>;

/// A horizontal strip of the report with a role. Printing a band fires its
/// events, makes room for it (new column or page), prints its printables at
/// the cursor, lets stretching printables continue in the next column or
/// page, advances the cursor and prints its child bands.
class TQRCustomBand : public TQRBasePanel {
    Q_OBJECT

  public:
    explicit TQRCustomBand(TQRControl* parent = nullptr);
    ~TQRCustomBand() override;

    TQRBandBeforePrintEvent BeforePrint;
    TQRBandAfterPrintEvent AfterPrint;
    bool AlignToBottom = false;
    bool ForceNewColumn = false;
    bool ForceNewPage = false;

    /// A band that must fit on the same page; a circular chain is refused.
    TQRCustomBand* LinkBand() const { return linkBand_; }
    /// Returns whether the link was accepted.
    bool SetLinkBand(TQRCustomBand* band);

    /// The attached child band (the band list's rbChild band whose ParentBand is this).
    TQRChildBand* GetChild() const;
    bool HasChild() const { return GetChild() != nullptr; }
    /// True creates a child band; False frees it, keeping the child's own child attached.
    void SetHasChild(bool value);

    TQRBandSize& Size() { return size_; }
    const TQRBandSize& Size() const { return size_; }
    virtual TQRBandType BandType() const { return bandType_; }

    /// Extra height grown by stretching printables in the current print (native).
    long double ExpandedBy = 0;
    /// Device-pixel rectangle of the last print.
    QRect PrintRect;
    /// The controller whose detail band this is (set when that controller runs).
    TQRController* OwningController = nullptr;
    TCustomQuickRep* ParentReport = nullptr;

    virtual QString BandTypeName() const;
    /// Base name for new band components ("QRBand", "QRChildBand", ...).
    virtual QString BandComponentName() const;
    virtual void SetParentReport(TCustomQuickRep* report) { ParentReport = report; }

    /// Native height plus, following links, the linked bands' heights.
    long double StretchHeight(bool followLinks) const;

    // Printing, used by the report's generation.
    void Print();
    void MakeSpace();
    bool CanExpand(long double value) const;
    bool ExpandBand(long double value, long double& newOffset, bool& expanded);
    void AdvancePaper();

    void SetZoom(int value) override;
    void SetEnabled(bool enabled) override;
    void SetBounds(int left, int top, int width, int height) override;
    /// Applies the stored Size (after loading a definition).
    void Loaded();

    /// Changes the type without rebuilding the band list (a child printed as a page footer).
    void SetBandTypeRaw(TQRBandType type) { bandType_ = type; }

  protected:
    void ParentChanged(TQRControl* oldParent) override;
    void ChildAdded(TQRControl* child) override;
    void NotifySizeChange();

    TQRBandType bandType_ = rbTitle;
    TQRBandSize size_;
    TQRCustomBand* linkBand_ = nullptr;
    bool reportSizing_ = false;
    friend class TCustomQuickRep;

  private:
    /// The children in control order, each the printable it is or null.
    std::shared_ptr<const std::vector<TQRPrintable*>> ChildPrintables();
    QObjectList printablesOf_;
    std::shared_ptr<const std::vector<TQRPrintable*>> printables_;
};

/// A band whose type is published.
class TQRBand : public TQRCustomBand {
    Q_OBJECT

  public:
    explicit TQRBand(TQRControl* parent = nullptr, TQRBandType type = rbTitle);
    /// Rebuilds the report's band list and re-sizes the bands.
    void SetBandType(TQRBandType type);
    QString BandComponentName() const override { return QStringLiteral("QRBand"); }
};

/// A band printed right after its parent band (chains allowed).
class TQRChildBand : public TQRCustomBand {
    Q_OBJECT

  public:
    explicit TQRChildBand(TQRControl* parent = nullptr);
    ~TQRChildBand() override;

    TQRCustomBand* ParentBand() const { return parentBand_; }
    /// Refuses a parent whose chain of parents reaches this child. Returns whether accepted.
    bool SetParentBand(TQRCustomBand* band);
    QString BandComponentName() const override { return QStringLiteral("QRChildBand"); }

  private:
    TQRCustomBand* parentBand_ = nullptr;
    friend class TQRCustomBand;
    friend class TCustomQuickRep;
};

/// A group header band: prints when the value of its expression changes.
class TQRGroup : public TQRCustomBand {
    Q_OBJECT

  public:
    explicit TQRGroup(TQRControl* parent = nullptr);
    ~TQRGroup() override;

    QString Expression;
    TQRBand* FooterBand() const { return footerBand_; }
    /// Makes the band this group's footer (its type becomes rbGroupFooter).
    void SetFooterBand(TQRBand* band);
    QObject* Master() const { return master_; }
    /// Accepts only a controller band or a report; rebuilds the band list.
    bool SetMaster(QObject* master);
    bool ReprintOnNewPage = false;
    QString BandComponentName() const override { return QStringLiteral("QRGroup"); }

    TQREvaluator& Evaluator() { return *evaluator_; }

    // Run state.
    bool GroupChanged = false;
    TQREvResult LastValue;
    bool HasLastValue = false;
    bool GroupOpen = false;
    int HeaderPageNo = 1;

    /// Evaluates the expression and tells whether the value changed.
    void Check();
    /// Stores the current value as changed (a group nested inside a changed one).
    void MarkChanged();
    /// Marks the group changed when it reprints on a new page it has not printed on.
    void NewPageCheck();
    void Prepare();
    void Unprepare();

  private:
    std::unique_ptr<TQREvaluator> evaluator_;
    TQRBand* footerBand_ = nullptr;
    QObject* master_ = nullptr;
    friend class TCustomQuickRep;
};

/// A band that owns a controller printing it as its detail band.
class TQRControllerBand : public TQRCustomBand {
    Q_OBJECT

  public:
    explicit TQRControllerBand(TQRControl* parent = nullptr);
    ~TQRControllerBand() override;

    QObject* Master() const { return master_; }
    /// A controller band or a report whose chain of masters does not reach this band.
    virtual bool SetMaster(QObject* master);
    TQRController* Controller() const { return controller_.get(); }

    bool PrintBefore() const;
    void SetPrintBefore(bool value);
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool value);

    virtual void CreateController();
    virtual void RegisterBands();
    virtual void CreateLocalVar();
    virtual void RemoveLocalVar();
    virtual QString LocalVarExpression() const { return {}; }

  protected:
    std::unique_ptr<TQRController> controller_;
    QObject* master_ = nullptr;
    bool localVarCreated_ = false;
};

class TQRSubDetail;

/// The header and footer switches of a sub-detail.
class TQRSubDetailGroupBands {
  public:
    explicit TQRSubDetailGroupBands(TQRSubDetail* owner) : owner_(owner) {}
    bool HasHeader() const;
    void SetHasHeader(bool value);
    bool HasFooter() const;
    void SetHasFooter(bool value);

  private:
    TQRSubDetail* owner_;
};

/// A detail band over its own data set, printed per record of its master.
class TQRSubDetail : public TQRControllerBand {
    Q_OBJECT

  public:
    explicit TQRSubDetail(TQRControl* parent = nullptr);
    ~TQRSubDetail() override;

    TQRSubDetailGroupBands& Bands() { return bands_; }
    TMemoryDataSet* DataSet() const;
    void SetDataSet(TMemoryDataSet* dataSet);
    TQRCustomBand* HeaderBand() const;
    void SetHeaderBand(TQRCustomBand* band);
    TQRCustomBand* FooterBand() const;
    void SetFooterBand(TQRCustomBand* band);
    TQROnNeedDataEvent& OnNeedData();
    QString BandComponentName() const override { return QStringLiteral("QRSubDetail"); }

  private:
    TQRSubDetailGroupBands bands_;
};

}  // namespace quorin

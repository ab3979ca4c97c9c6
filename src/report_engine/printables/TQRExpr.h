#pragma once

#include <QPointer>
#include <memory>

#include "report_engine/expr/TQREvResult.h"
#include "report_engine/printables/TQRCustomLabel.h"

namespace quorin {

class TQREvaluator;

/// Prints the value of an expression over the report's data sets and
/// functions. An expression with an aggregate (SUM, COUNT, ...) takes in a
/// record each time its master's detail band prints; ResetAfterPrint starts
/// the aggregate again after every print (a total per group).
class TQRExpr : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRExpr(TQRControl* parent = nullptr);
    ~TQRExpr() override;

    const QString& Expression() const { return expression_; }
    /// Also shows the expression as the caption.
    void SetExpression(const QString& expression);
    const QString& Mask() const { return mask_; }
    void SetMask(const QString& mask);
    /// The report or sub-detail whose records feed the aggregates; none
    /// means the report when the expression holds an aggregate.
    QObject* Master() const { return master_; }
    void SetMaster(QObject* master) { master_ = master; }
    bool ResetAfterPrint = false;

    /// The current value; resError when the expression is not prepared.
    TQREvResult GetValue();
    TQREvaluator& Evaluator() { return *evaluator_; }

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void QRNotification(QObject* sender, TQRNotifyOperation operation) override;
    void UnPrepare() override;

  private:
    void ShowDesignCaption();

    std::unique_ptr<TQREvaluator> evaluator_;
    QString expression_;
    QString mask_;
    QPointer<QObject> master_;
};

enum TQRCalcOperation { qrcSum, qrcCount, qrcMax, qrcMin, qrcAverage };

/// An expression made from an operation over one field.
class TQRDBCalc : public TQRExpr {
    Q_OBJECT

  public:
    explicit TQRDBCalc(TQRControl* parent = nullptr);

    const QString& DataField() const { return dataField_; }
    void SetDataField(const QString& name);
    TQRCalcOperation Operation() const { return operation_; }
    void SetOperation(TQRCalcOperation operation);
    const QString& PrintMask() const { return Mask(); }
    void SetPrintMask(const QString& mask) { SetMask(mask); }
    /// Kept with the definition; printing does not use them.
    QPointer<QObject> DataSource;
    QPointer<QObject> ResetBand;

  private:
    void BuildExpression();

    QString dataField_;
    TQRCalcOperation operation_ = qrcSum;
};

}  // namespace quorin

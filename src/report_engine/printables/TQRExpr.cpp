#include "report_engine/printables/TQRExpr.h"

#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/model/TQRController.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRValueText.h"

namespace quorin {

TQRExpr::TQRExpr(TQRControl* parent) : TQRCustomLabel(parent), evaluator_(std::make_unique<TQREvaluator>()) {
    ShowDesignCaption();
}

TQRExpr::~TQRExpr() = default;

void TQRExpr::ShowDesignCaption() {
    SetCaption(expression_.isEmpty() ? QStringLiteral("(none)") : expression_);
}

void TQRExpr::SetExpression(const QString& expression) {
    expression_ = expression;
    ShowDesignCaption();
}

void TQRExpr::SetMask(const QString& mask) {
    mask_ = mask;
    ShowDesignCaption();
}

void TQRExpr::Prepare() {
    TQRCustomLabel::Prepare();
    TCustomQuickRep* report = ParentReport();
    if (report != nullptr) {
        evaluator_->SetDatasets(&report->DataSetList());
        evaluator_->Environment = &report->Functions();
    }
    evaluator_->Prepare(expression_);
    if (auto* masterReport = dynamic_cast<TCustomQuickRep*>(master_.data())) {
        masterReport->AddNotifyClient(this);
    } else if (auto* subDetail = dynamic_cast<TQRSubDetail*>(master_.data())) {
        if (subDetail->Controller() != nullptr) {
            subDetail->Controller()->AddNotifyClient(this);
        }
    } else if (master_ == nullptr && report != nullptr && evaluator_->GetIsAggreg()) {
        report->AddNotifyClient(this);
    }
    evaluator_->Reset();
}

void TQRExpr::QRNotification(QObject* sender, TQRNotifyOperation operation) {
    TQRCustomLabel::QRNotification(sender, operation);
    if (operation == qrMasterDataAdvance && evaluator_->Prepared()) {
        evaluator_->DoAggregate();
    }
}

TQREvResult TQRExpr::GetValue() {
    if (!evaluator_->Prepared()) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::NotPrepared));
    }
    return evaluator_->Value();
}

void TQRExpr::Print(int OfsX, int OfsY) {
    if (!IsEnabled()) {
        return;
    }
    OutputCaption = QRExprValueText(GetValue(), mask_);
    LinesValid = false;
    TQRCustomLabel::Print(OfsX, OfsY);
    if (ResetAfterPrint && evaluator_->Prepared()) {
        evaluator_->Reset();
    }
}

void TQRExpr::UnPrepare() {
    evaluator_->SetDatasets(nullptr);
    evaluator_->UnPrepare();
    TQRCustomLabel::UnPrepare();
    ShowDesignCaption();
}

TQRDBCalc::TQRDBCalc(TQRControl* parent) : TQRExpr(parent) {
    BuildExpression();
}

void TQRDBCalc::SetDataField(const QString& name) {
    dataField_ = name;
    BuildExpression();
}

void TQRDBCalc::SetOperation(TQRCalcOperation operation) {
    operation_ = operation;
    BuildExpression();
}

void TQRDBCalc::BuildExpression() {
    switch (operation_) {
        case qrcSum:
            SetExpression(QStringLiteral("Sum(") + dataField_ + u')');
            break;
        case qrcCount:
            SetExpression(QStringLiteral("Count"));
            break;
        case qrcMax:
            SetExpression(QStringLiteral("Max(") + dataField_ + u')');
            break;
        case qrcMin:
            SetExpression(QStringLiteral("Min(") + dataField_ + u')');
            break;
        case qrcAverage:
            SetExpression(QStringLiteral("Average(") + dataField_ + u')');
            break;
    }
}

}  // namespace quorin

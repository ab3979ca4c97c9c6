#include "report_engine/expr/TQREvElementNot.h"

#include "report_engine/expr/QRExprMessages.h"

namespace quorin {

TQREvResult TQREvElementNot::Value(TQRFiFo& fifo) {
    const TQREvResult operand = QREvaluateNext(fifo);
    if (operand.ResultType != resBool) {
        return TQREvResult::Error(QRExprMessages::Text(QRExprMessages::InvalidNot));
    }
    return TQREvResult::Bool(!operand.BooleanValue);
}

}  // namespace quorin

#include "report_engine/expr/TQREvElement.h"

#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQRFiFo.h"

namespace quorin {

TQREvResult TQREvElement::Value(TQRFiFo&) {
    return TQREvResult();
}

TQREvResult QREvaluateNext(TQRFiFo& fifo) {
    TQREvElement* element = fifo.Get();
    if (element == nullptr) {
        return TQREvResult::Error(QRExprMessages::Format(QRExprMessages::Missing, QStringLiteral("operand")));
    }
    return element->Value(fifo);
}

}  // namespace quorin

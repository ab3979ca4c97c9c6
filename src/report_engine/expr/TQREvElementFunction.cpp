#include "report_engine/expr/TQREvElementFunction.h"

#include "report_engine/expr/TQREvElementArgumentEnd.h"
#include "report_engine/expr/TQREvElementError.h"
#include "report_engine/expr/TQRFiFo.h"

namespace quorin {

TQREvResult TQREvElementFunction::Value(TQRFiFo& fifo) {
    GetArguments(fifo);
    if (fifo.Aggregate) {
        Aggregate();
    }
    TQREvResult result = Calculate();
    FreeArguments();
    return result;
}

TQREvResult TQREvElementFunction::Calculate() {
    return TQREvResult::Error(QString());
}

void TQREvElementFunction::GetArguments(TQRFiFo& fifo) {
    ArgList.clear();
    for (;;) {
        TQREvElement* element = fifo.Get();
        if (element == nullptr || dynamic_cast<TQREvElementArgumentEnd*>(element) != nullptr) {
            break;
        }
        ArgList.push_back(TQREvResultClass{element->Value(fifo)});
    }
}

bool TQREvElementFunction::ArgumentOK(const TQREvElement* element) {
    return element != nullptr && dynamic_cast<const TQREvElementArgumentEnd*>(element) == nullptr &&
           dynamic_cast<const TQREvElementError*>(element) == nullptr;
}

}  // namespace quorin

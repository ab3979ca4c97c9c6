#include "report_engine/expr/TQRFiFo.h"

namespace quorin {

std::unique_ptr<TQREvElement> TQRFiFo::GetAndFree() {
    if (items_.empty()) {
        return nullptr;
    }
    std::unique_ptr<TQREvElement> first = std::move(items_.front());
    items_.erase(items_.begin());
    if (position_ > 0) {
        --position_;
    }
    return first;
}

}  // namespace quorin

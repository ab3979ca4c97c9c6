#pragma once

#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// The element sequence of a prepared expression in prefix order: operator
/// before its operands, function before its arguments. It owns its elements.
class TQRFiFo {
  public:
    TQRFiFo() = default;
    TQRFiFo(const TQRFiFo&) = delete;
    TQRFiFo& operator=(const TQRFiFo&) = delete;

    void Put(std::unique_ptr<TQREvElement> element) { items_.push_back(std::move(element)); }
    void Start() { position_ = 0; }
    /// The element at the read position, advancing; null past the end.
    TQREvElement* Get() { return position_ < items_.size() ? items_[position_++].get() : nullptr; }
    /// Removes the first element and hands it over; null when empty.
    std::unique_ptr<TQREvElement> GetAndFree();

    int Count() const { return static_cast<int>(items_.size()); }
    TQREvElement* Item(int index) const { return items_[static_cast<size_t>(index)].get(); }

    bool Aggregate = false;

  private:
    std::vector<std::unique_ptr<TQREvElement>> items_;
    size_t position_ = 0;
};

}  // namespace quorin

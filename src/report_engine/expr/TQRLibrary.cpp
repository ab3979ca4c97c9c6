#include "report_engine/expr/TQRLibrary.h"

namespace quorin {

void TQRLibrary::Add(TQREvElementFunctionClass elementClass, const QString& name, const QString& description,
                     const QString& vendor, const QString& argumentCodes) {
    entries_.push_back(TQRLibraryEntry{description, argumentCodes, elementClass, name, vendor});
}

const TQRLibraryEntry* TQRLibrary::GetEntry(int index) const {
    return index >= 0 && index < Count() ? &entries_[static_cast<size_t>(index)] : nullptr;
}

int TQRLibrary::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (entries_[static_cast<size_t>(i)].Name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace quorin

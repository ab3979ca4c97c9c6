#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElementFunction.h"

namespace quorin {

/// One function of a library, with what the expression builder shows of it.
struct TQRLibraryEntry {
    /// Display form, "|", explanation.
    QString Description;
    /// Category digit, then one letter per argument: B logical, N numeric, S text, V any.
    QString ArgumentCodes;
    TQREvElementFunctionClass ElementClass = nullptr;
    QString Name;
    QString Vendor;
};

/// A list of functions keyed by name (compared without regard to case), in the
/// order they were added.
class TQRLibrary {
  public:
    virtual ~TQRLibrary() = default;

    void Add(TQREvElementFunctionClass elementClass, const QString& name, const QString& description,
             const QString& vendor, const QString& argumentCodes);
    /// The entry at `index`; null past the end.
    const TQRLibraryEntry* GetEntry(int index) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    /// Position of the entry of that name, or -1.
    int IndexOf(const QString& name) const;

  private:
    std::vector<TQRLibraryEntry> entries_;
};

}  // namespace quorin

#pragma once

#include <memory>

#include "report_engine/expr/TQRLibrary.h"

namespace quorin {

/// The library of the functions an expression can call.
class TQRFunctionLibrary : public TQRLibrary {
  public:
    /// A new instance of the named function, or a new error element "Unknown
    /// function : name" when there is none.
    std::unique_ptr<TQREvElement> GetFunction(const QString& name) const;
};

/// The process-wide library, filled with the built-in functions on first use.
TQRFunctionLibrary& QRFunctionLibrary();

/// Adds a function to QRFunctionLibrary.
void RegisterQRFunction(TQREvElementFunctionClass elementClass, const QString& name,
                        const QString& description, const QString& vendor, const QString& argumentCodes);

}  // namespace quorin

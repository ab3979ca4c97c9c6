#include "report_engine/export/QRExportFilters.h"

#include <mutex>

#include "report_engine/export/TQRAsciiExportFilter.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/export/TQRRTFExportFilter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/export/TQRXLSFilter.h"

namespace quorin {

void RegisterStandardExportFilters() {
    static std::once_flag once;
    std::call_once(once, [] {
        TQRExportFilterLibrary& library = TQRExportFilterLibrary::Instance();
        library.AddFilter([](const QString& f) { return std::make_unique<TQRAsciiExportFilter>(f); });
        library.AddFilter([](const QString& f) { return std::make_unique<TQRWMFExportFilter>(f); });
        library.AddFilter([](const QString& f) { return std::make_unique<TQRRTFExportFilter>(f); });
        library.AddFilter([](const QString& f) { return std::make_unique<TQRXLSFilter>(f); });
        library.AddFilter([](const QString& f) { return std::make_unique<TQRPDFDocumentFilter>(f); });
    });
}

}  // namespace quorin

#include "report_engine/printer/TQRExportFilter.h"

#include <algorithm>

namespace quorin {

void TQRExportFilterLibrary::AddFilter(TFactory factory) {
    if (!factory) {
        return;
    }
    const std::unique_ptr<TQRExportFilter> filter = factory(QString());
    if (!filter) {
        return;
    }
    entries_.push_back({std::move(factory), filter->GetFilterName(), filter->GetExtension()});
}

void TQRExportFilterLibrary::RemoveFilter(const QString& filterName) {
    std::erase_if(entries_, [&](const TEntry& entry) { return entry.FilterName == filterName; });
}

QString TQRExportFilterLibrary::GetSaveDialogFilter() const {
    QString filter = QStringLiteral("QuickReport file (*.QRP)|*.QRP");
    for (const TEntry& entry : entries_) {
        filter += QStringLiteral("|%1 (*.%2)|*.%2").arg(entry.FilterName, entry.Extension);
    }
    return filter;
}

TQRExportFilterLibrary& TQRExportFilterLibrary::Instance() {
    static TQRExportFilterLibrary library;
    return library;
}

}  // namespace quorin

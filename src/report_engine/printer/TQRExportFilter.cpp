#include "report_engine/printer/TQRExportFilter.h"

#include <algorithm>

namespace quorin {

QString TQRExportFilter::ReplacementNotice() const {
    if (ReplacedCharacters <= 0) {
        return {};
    }
    return ReplacedCharacters == 1
               ? QStringLiteral("O relatório foi exportado, mas 1 caractere não existe na página de código do "
                                "formato (Windows-1252) e foi gravado como \"?\".")
               : QStringLiteral("O relatório foi exportado, mas %1 caracteres não existem na página de código do "
                                "formato (Windows-1252) e foram gravados como \"?\".")
                     .arg(ReplacedCharacters);
}

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

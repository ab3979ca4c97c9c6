#include "report_engine/export/TQRWMFExportFilter.h"

#include <QFileInfo>
#include <atomic>

#include "report_engine/export/QRWmfConverter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {
std::atomic<bool> enhanced{false};

QString WithoutExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return dot > slash ? fileName.left(dot) : fileName;
}
}  // namespace

void TQRWMFExportFilter::SetEnhanced(bool on) { enhanced = on; }
bool TQRWMFExportFilter::Enhanced() { return enhanced; }

void TQRWMFExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    baseName_ = WithoutExtension(FileName);
}

QStringList TQRWMFExportFilter::SavePages() {
    QStringList written;
    if (!SourcePrinter) return written;
    if (baseName_.isEmpty()) baseName_ = WithoutExtension(FileName);
    const bool emf = Enhanced();
    const int count = SourcePrinter->GetPageCount();
    for (int n = 1; n <= count; ++n) {
        const std::unique_ptr<TQRPageRecording> page = SourcePrinter->GetPage(n);
        if (!page) continue;
        const QString name = baseName_ + QString::asprintf("%03d", n) + (emf ? ".emf" : ".wmf");
        if (emf) {
            WriteFileSafely(name, page->Data());
        } else {
            QString error;
            const QByteArray wmf = ConvertEmfToWmf(page->Data(), &error);
            if (wmf.isEmpty()) {
                throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2").arg(name, error));
            }
            WriteFileSafely(name, wmf);
        }
        written << name;
    }
    return written;
}

void TQRWMFExportFilter::Finish() {
    SavePages();
    TQRExportFilter::Finish();
}

}  // namespace quorin

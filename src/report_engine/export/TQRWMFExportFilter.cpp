#include "report_engine/export/TQRWMFExportFilter.h"

#include <QFileInfo>
#include <atomic>

#include "report_engine/canvas/QREmfRead.h"
#include "report_engine/canvas/QREmfScale.h"
#include "report_engine/export/QRStyledPenMarks.h"
#include "report_engine/export/QRWmfConverter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/SafeFileSet.h"

namespace quorin {

namespace {
std::atomic<bool> enhanced{false};

QString WithoutExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return dot > slash ? fileName.left(dot) : fileName;
}

// The page as the file holds it: in finer units, so that readers which place each
// glyph at its advance keep the font's spacing (16-bit coordinates for a WMF).
const QByteArray& Exported(const QByteArray& recording, bool emf, QByteArray& buffer) {
    return emfscale::Finer(recording, emf ? emfscale::kFactor : emfscale::FactorFor16Bit(recording), buffer);
}

// The characters of the page's texts that the WMF's code page lacks. A text of
// Latin-1 outside its 0x80-0x9F block, as most are, has none and is not decoded.
int Replaced(const QByteArray& recording) {
    int count = 0;
    emf::Walker walker(recording);
    while (const std::optional<emf::Record> r = walker.Next()) {
        const bool wide = r->type == emf::EMR_EXTTEXTOUTW;
        if (!wide && r->type != emf::EMR_EXTTEXTOUTA) continue;
        if (!r->Has(emf::kExtTextOutFixed)) continue;
        const uint32_t n = r->U32(44), offset = r->U32(48);
        if (!r->Fits(offset, n, wide ? 2 : 1)) continue;
        bool own = true;
        for (uint32_t i = 0; i < n && own; ++i) {
            const uint32_t c = wide ? r->U16(offset + 2 * i) : static_cast<uint8_t>(r->p[offset + i]);
            own = IsOwnWindows1252Byte(static_cast<char16_t>(c));
        }
        if (own) continue;
        uint32_t count16 = 0;
        count += CountOutsideWindows1252(emf::TextOf(*r, wide, count16));
    }
    return count;
}
}  // namespace

void TQRWMFExportFilter::SetEnhanced(bool on) { enhanced = on; }
bool TQRWMFExportFilter::Enhanced() { return enhanced; }

void TQRWMFExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    baseName_ = WithoutExtension(FileName);
}

QStringList TQRWMFExportFilter::SavePages() {
    if (!SourcePrinter) return {};
    if (baseName_.isEmpty()) baseName_ = WithoutExtension(FileName);
    const bool emf = Enhanced();
    const QString extension = emf ? QStringLiteral(".emf") : QStringLiteral(".wmf");
    const auto nameOf = [&](int n) { return baseName_ + QString::asprintf("%03d", n) + extension; };
    // The pages are written as one set: all of them or, on a failure, none, with an
    // earlier set of the same name left whole.
    TSafeFileSet set(QFileInfo(baseName_).absolutePath());
    const int count = SourcePrinter->GetPageCount();
    QByteArray expanded, finer;  // one buffer of each step for every page
    for (int n = 1; n <= count; ++n) {
        const std::unique_ptr<TQRPageRecording> page = SourcePrinter->GetPage(n);
        if (!page) continue;
        const QString name = nameOf(n);
        // Other programs draw styled pens with patterns of their own: the
        // exported page carries the preview's as solid marks.
        const QByteArray& recording = ExpandStyledPens(page->Data(), expanded);
        if (emf) {
            set.Add(name, Exported(recording, true, finer));
        } else {
            QString error;
            const QByteArray wmf = ConvertEmfToWmf(Exported(recording, false, finer), &error);
            ReplacedCharacters += Replaced(page->Data());
            if (wmf.isEmpty()) {
                throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2").arg(name, error));
            }
            set.Add(name, wmf);
        }
    }
    // What follows the new last page of an earlier, longer set of this name would
    // otherwise pass for pages of this one.
    QStringList obsolete;
    for (int n = count + 1; QFileInfo::exists(nameOf(n)); ++n) obsolete << nameOf(n);
    return set.Commit(obsolete);
}

void TQRWMFExportFilter::Finish() {
    SavePages();
    TQRExportFilter::Finish();
}

}  // namespace quorin

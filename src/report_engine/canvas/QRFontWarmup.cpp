#include "report_engine/canvas/QRFontWarmup.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QRawFont>
#include <QSet>

#include "report_engine/canvas/QRTextRun.h"

namespace quorin {

void QRWarmFonts(const QList<TQRFont>& fonts) {
    if (QGuiApplication::instance() == nullptr) return;
    (void)QFontDatabase::families();
    QSet<QString> faces;
    for (const TQRFont& font : fonts) {
        // Faces matter, not sizes: a face once found and opened serves every size.
        textrun::FontDesc desc = textrun::DescOf(font, 96);
        const QString key = QStringLiteral("%1/%2/%3").arg(desc.Face).arg(desc.Weight).arg(desc.Italic);
        if (faces.contains(key)) continue;
        faces.insert(key);
        const QFont qfont = textrun::MakeFont(desc);
        (void)QFontInfo(qfont).family();
        (void)QRawFont::fromFont(qfont).isValid();
    }
    // And the font the windows themselves write in.
    (void)QFontInfo(QGuiApplication::font()).family();
    (void)QRawFont::fromFont(QGuiApplication::font()).isValid();
}

}  // namespace quorin

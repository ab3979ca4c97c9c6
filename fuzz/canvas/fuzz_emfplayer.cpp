// Plays arbitrary bytes as a page recording and lists its texts. A damaged
// recording must draw what precedes the damage and never crash, hang or
// allocate without bound.
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

#include "report_engine/canvas/TQREmfPlayer.h"

// Fonts are resolved through fontconfig, whose caches live as long as the
// process; they are not the player's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libglib\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorin;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage image(96, 72, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TQREmfPlayer::Play(bytes, painter, QRectF(0, 0, 96, 72));
    }
    for (const TQREmfPlayer::TextRecord& text : TQREmfPlayer::Texts(bytes)) {
        if (text.Text.size() > static_cast<qsizetype>(size)) {
            __builtin_trap();
        }
    }
    return 0;
}

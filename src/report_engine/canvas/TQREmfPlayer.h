#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include "report_engine/pages/QRPageRecording.h"

class QPainter;

namespace quorin {

/// Plays enhanced-metafile recordings: ours and the common records other
/// programs write. Every length and count is checked against the bytes that
/// remain; a damaged recording draws what precedes the damage; unknown
/// records are skipped.
class TQREmfPlayer {
  public:
    /// Draws the recording scaled from its bounds into target (painter units).
    static void Play(const QByteArray& emf, QPainter& painter, const QRectF& target);
    static void Play(const TQRPageRecording& page, QPainter& painter, const QRectF& target) {
        Play(page.Data(), painter, target);
    }

    /// One text record of a recording: its text and reference point (logical units).
    struct TextRecord {
        QString Text;
        QPointF Position;
    };
    /// The texts of the recording's text records (narrow and wide), in order.
    static QList<TextRecord> Texts(const QByteArray& emf);
};

}  // namespace quorin

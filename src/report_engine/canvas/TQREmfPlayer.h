#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTransform>

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

    /// One text record of a recording: its text and reference point (logical units), the
    /// rectangle it covers (device units; empty when the record does not give it) and the
    /// advance of each character (logical units; empty when not given).
    struct TextRecord {
        QString Text;
        QPointF Position;
        QRectF Bounds;
        QList<int> Advances;
    };
    /// The texts of the recording's text records (narrow and wide), in order.
    static QList<TextRecord> Texts(const QByteArray& emf);
    /// How Play maps the recording's device units into target (identity for a damaged recording).
    static QTransform DeviceToTarget(const QByteArray& emf, const QRectF& target);
};

}  // namespace quorin

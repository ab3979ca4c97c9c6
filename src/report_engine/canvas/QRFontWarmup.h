#pragma once

#include <QList>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin {

/// Does the slow first steps of using fonts now, on the calling thread: reads
/// the system's font configuration and list of families, and finds and opens
/// the face of each font given. The window calls it before a report starts to
/// generate, so that its first page does not wait for that work, nor for the
/// generation thread doing it at the same time.
void QRWarmFonts(const QList<TQRFont>& fonts);

}  // namespace quorin

#pragma once

#include <QFont>
#include <QString>

namespace quorin {

/// A font of the windows' layouts by face and pixel height. "MS Sans Serif" and
/// "Arial" fall back to the metric-compatible Liberation Sans where they are missing,
/// so the texts keep within the widths they were laid out for.
QFont Fonte(const QString& face, int pixels, bool negrito = false);

}  // namespace quorin

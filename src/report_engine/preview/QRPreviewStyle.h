#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

namespace quorin {

/// The windows' face: "MS Sans Serif" of 11 pixels, falling back to the
/// Arial-metric Liberation Sans where it is missing.
QFont PreviewFont();

/// The toolbar's icons, drawn in code so each says what its button does.
/// Names: fit, 100, width, first, prior, next, last, setup, range, print,
/// save, load, search, goto, zoomin, zoomout, exit, abort.
QIcon PreviewIcon(const QString& name);

}  // namespace quorin

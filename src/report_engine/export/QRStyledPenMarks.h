#pragma once

#include <QByteArray>
#include <QList>
#include <QPolygon>

namespace quorin {

/// The solid pieces that a dash pattern (lengths of marks and gaps,
/// alternately) leaves of a path: the pattern starts at the first point and
/// runs on across corners, so a mark that turns a corner keeps the corner.
/// Points are rounded to whole units; pieces that round to nothing are left out.
QList<QPolygon> DashMarks(const QPolygon& path, const QList<qreal>& pattern);

/// A page recording as other programs should draw it: every line and every
/// rectangle outline drawn with a styled pen (dash, dot, dash-dot,
/// dash-dot-dot) becomes solid marks of the pen's weight and colour at the
/// pattern the preview shows at 100 % (gdipaint::DashPattern), because
/// readers of metafiles draw styled pens with patterns of their own. A
/// rectangle keeps its fill. Ellipses and rounded rectangles keep the styled
/// pen. A recording without styled lines comes back unchanged (shared, not
/// copied); bytes after a damaged record are copied as they are.
QByteArray ExpandStyledPens(const QByteArray& emf);
/// The same into a buffer the caller keeps from page to page: returns emf
/// itself when nothing changes, else the buffer.
const QByteArray& ExpandStyledPens(const QByteArray& emf, QByteArray& buffer);

}  // namespace quorin

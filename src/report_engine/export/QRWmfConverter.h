#pragma once

#include <QByteArray>
#include <QString>

namespace quorin {

/// Turns a page recording (enhanced metafile records) into a placeable
/// Windows metafile: texts with their fonts, alignment and advances, lines,
/// rectangles, ellipses, polygons, pens, brushes and pictures. Every length in
/// the recording is checked against the bytes that remain; a damaged record
/// ends the conversion with what came before it, and records without a
/// counterpart (clipping, transforms) are left out. Returns an empty array,
/// with the reason in Portuguese, when the recording has no valid header.
QByteArray ConvertEmfToWmf(const QByteArray& emf, QString* error = nullptr);

}  // namespace quorin

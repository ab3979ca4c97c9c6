#pragma once

#include <vector>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin {

/// Where a text line stands on the page for the grid exports: the top of the
/// line and its height, in native units.
struct TQRRowExtent {
    double Top = 0;
    double Height = 0;
};

/// The height a text line of that font takes in the row rule: its size in
/// points, in native units.
double QRTextHeight(const TQRFont& font);

/// The rows of a page as the eye reads them, shared by the text, RTF and
/// spreadsheet exports. Texts whose vertical extents overlap by at least half
/// the smaller height are one row, so a label and a value printed a pixel or
/// two apart stay together while stacked lines of a memo stay apart. Returns
/// the row of every text (in the order given), rows numbered from 0 from the
/// top of the page; rowCount receives the number of rows.
std::vector<int> QRGroupRows(const std::vector<TQRRowExtent>& texts, int* rowCount = nullptr);

}  // namespace quorin

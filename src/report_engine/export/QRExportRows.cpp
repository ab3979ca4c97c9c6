#include "report_engine/export/QRExportRows.h"

#include <algorithm>
#include <numeric>

namespace quorin {

namespace {

constexpr double kNativePerPoint = 3.5277777777777777778;
// A text without a size still takes a sliver of height, so the rule stays defined.
constexpr double kLeastHeight = 1.0;

double HeightOf(const TQRRowExtent& t) { return std::max(t.Height, kLeastHeight); }

bool SameRow(const TQRRowExtent& a, const TQRRowExtent& b) {
    const double ha = HeightOf(a), hb = HeightOf(b);
    const double overlap = std::min(a.Top + ha, b.Top + hb) - std::max(a.Top, b.Top);
    return overlap >= std::min(ha, hb) / 2;
}

}  // namespace

double QRTextHeight(const TQRFont& font) { return font.Size * kNativePerPoint; }

std::vector<int> QRGroupRows(const std::vector<TQRRowExtent>& texts, int* rowCount) {
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return texts[a].Top < texts[b].Top; });
    std::vector<int> rows(texts.size(), 0);
    std::vector<size_t> current;  // the members of the row being filled
    int row = -1;
    for (const size_t i : order) {
        // A text joins the row when it shares it with every member, so a chain
        // of texts each a little lower than the last cannot pull rows together.
        const bool joins = !current.empty() && std::all_of(current.begin(), current.end(), [&](size_t m) {
            return SameRow(texts[m], texts[i]);
        });
        if (!joins) {
            current.clear();
            ++row;
        }
        current.push_back(i);
        rows[i] = row;
    }
    if (rowCount) *rowCount = row + 1;
    return rows;
}

}  // namespace quorin

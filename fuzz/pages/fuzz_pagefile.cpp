// Loads arbitrary bytes as a page file and reads its pages, forwards and
// backwards. A damaged file must end in EQRError, never in a crash, a hang or
// an unbounded allocation.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "report_engine/pages/EQRError.h"
#include "report_engine/pages/QRPageList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorin;
    auto stream = std::make_shared<TQRStream>(std::numeric_limits<qint64>::max());
    stream->Write(data, static_cast<qint64>(size));
    TQRPageList list;
    try {
        list.LoadFromStream(stream);
    } catch (const EQRError&) {
        return 0;
    }
    const int count = list.GetPageCount();
    const int last = std::min(count, 12);
    for (const int n : {last, 1, last / 2 + 1, 2, last - 1, count + 1, 0}) {
        try {
            const auto page = list.GetPage(n);
            if (page && page->Size() < TQRPageRecording::HeaderSize) {
                __builtin_trap();
            }
        } catch (const EQRError&) {
        }
    }
    return 0;
}

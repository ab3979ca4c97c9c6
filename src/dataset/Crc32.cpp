#include "dataset/Crc32.h"

#include <array>

namespace quorin {

namespace {

// Eight tables so that the loop consumes eight bytes per step.
struct Tables {
    std::array<std::array<uint32_t, 256>, 8> t{};
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (int k = 1; k < 8; ++k) {
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
            }
        }
    }
};

const Tables& tables() {
    static const Tables instance;
    return instance;
}

}  // namespace

uint32_t Crc32(const void* data, std::size_t size, uint32_t crc) {
    const auto& t = tables().t;
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    while (size >= 8) {
        const uint32_t a =
            crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        const uint32_t b = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
        crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
              t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
        p += 8;
        size -= 8;
    }
    while (size-- > 0) {
        crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

}  // namespace quorin

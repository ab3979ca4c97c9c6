#pragma once

#include <cstddef>
#include <cstdint>

namespace quorin {

/// CRC-32 (IEEE 802.3, the polynomial of zip and PNG) of a byte range; pass the
/// previous result as `crc` to continue over several ranges.
uint32_t Crc32(const void* data, std::size_t size, uint32_t crc = 0);

}  // namespace quorin

#include "report_engine/pages/QRCompress.h"

namespace quorin {

namespace {

constexpr int kRoot = 0;
constexpr int kFirstLeaf = 256;
constexpr int kLastNode = 512;

}  // namespace

TQRCompress::TQRCompress(TQRCodeStream& stream, bool compressing)
    : bitPosition_(compressing ? 0 : 7), compressing_(compressing), stream_(stream) {
    InitializeSplay();
}

TQRCompress::~TQRCompress() {
    if (compressing_ && bitPosition_ != 0) {
        stream_.PutByte(static_cast<uint8_t>(outputByte_ & 0xFF));
    }
}

void TQRCompress::InitializeSplay() {
    up_[0] = 0;
    for (int i = 1; i <= kLastNode; ++i) {
        up_[i] = static_cast<UpIndex>((i - 1) / 2);
    }
    for (int i = 0; i < 256; ++i) {
        left_[i] = static_cast<DownIndex>(2 * i + 1);
        right_[i] = static_cast<DownIndex>(2 * i + 2);
    }
}

void TQRCompress::Splay(CodeType value) {
    int a = value + kFirstLeaf;
    do {
        const int c = up_[a];
        if (c != kRoot) {
            const int d = up_[c];
            int e = left_[d];
            if (e == c) {
                e = right_[d];
                right_[d] = static_cast<DownIndex>(a);
            } else {
                left_[d] = static_cast<DownIndex>(a);
            }
            if (a == left_[c]) {
                left_[c] = static_cast<DownIndex>(e);
            } else {
                right_[c] = static_cast<DownIndex>(e);
            }
            up_[a] = static_cast<UpIndex>(d);
            up_[e] = static_cast<UpIndex>(c);
            a = d;
        } else {
            a = kRoot;
        }
    } while (a != kRoot);
}

void TQRCompress::Compress(CodeType value) {
    // The path is collected leaf first and sent root first. A path is at most
    // one node per inner node long.
    bool bits[kFirstLeaf + 1];
    int depth = 0;
    int a = value + kFirstLeaf;
    do {
        const int parent = up_[a];
        bits[depth++] = right_[parent] == a;
        a = parent;
    } while (a != kRoot);
    while (depth > 0) {
        if (bits[--depth]) {
            outputByte_ = static_cast<uint16_t>(outputByte_ | (1u << bitPosition_));
        }
        if (bitPosition_ == 7) {
            stream_.PutByte(static_cast<uint8_t>(outputByte_ & 0xFF));
            bitPosition_ = 0;
            outputByte_ = 0;
        } else {
            ++bitPosition_;
        }
    }
    Splay(value);
}

bool TQRCompress::GetByte() {
    uint8_t b = 0;
    if (!stream_.GetByte(b)) {
        return false;
    }
    inputByte_ = b;
    return true;
}

bool TQRCompress::Expand(CodeType& value) {
    int a = kRoot;
    while (a < kFirstLeaf) {
        if (bitPosition_ == 7) {
            if (!GetByte()) {
                return false;
            }
            bitPosition_ = 0;
        } else {
            ++bitPosition_;
        }
        a = (inputByte_ >> bitPosition_) & 1 ? right_[a] : left_[a];
    }
    if (a == kLastNode) {
        // No byte maps to this leaf, so a coder never sends its path.
        return false;
    }
    value = static_cast<CodeType>(a - kFirstLeaf);
    Splay(value);
    return true;
}

}  // namespace quorin

#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace quorin {

/// Bytes written one record after another into an array the caller keeps
/// (from page to page, so its room is allocated once): while writing, the
/// array spans its whole room and only the written part counts; Done() cuts
/// it to that part. Space() is valid until the next Space() or Append().
class TByteSink {
  public:
    TByteSink(QByteArray& out, qsizetype room) : out_(out) {
        out_.resize(std::max<qsizetype>({room, out_.capacity(), 64}));
        base_ = out_.data();
    }

    char* Space(qsizetype n) {
        if (n > out_.size() - used_)
            Grow(used_ + n);
        char* at = base_ + used_;
        used_ += n;
        return at;
    }
    void Append(const char* bytes, qsizetype n) { std::memcpy(Space(n), bytes, size_t(n)); }

    qsizetype Size() const { return used_; }
    /// The written bytes from offset, for filling in what is known only later.
    char* At(qsizetype offset) { return base_ + offset; }
    void Done() {
        out_.resize(used_);
        base_ = out_.data();
    }

  private:
    void Grow(qsizetype need) {
        out_.resize(std::max(need, 2 * out_.size()));
        base_ = out_.data();
    }

    QByteArray& out_;
    char* base_ = nullptr;
    qsizetype used_ = 0;
};

}  // namespace quorin

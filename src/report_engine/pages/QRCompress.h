#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace quorin {

/// Where a TQRCompress coder writes its bytes and a decoder reads them.
class TQRCodeStream {
  public:
    virtual ~TQRCodeStream() = default;
    virtual void PutByte(uint8_t value) = 0;
    /// The next byte, or false when there is none left.
    virtual bool GetByte(uint8_t& value) = 0;
};

/// A code stream over memory: appends to a byte array when coding, reads a
/// fixed block when decoding (never past its end).
class TQRCodeBuffer : public TQRCodeStream {
  public:
    /// For a coder: the coded bytes are appended to *output.
    explicit TQRCodeBuffer(QByteArray* output) : output_(output) {}
    /// For a decoder: reads the bytes of input, which must outlive the buffer.
    explicit TQRCodeBuffer(QByteArrayView input) : input_(input) {}

    void PutByte(uint8_t value) override { output_->append(static_cast<char>(value)); }
    bool GetByte(uint8_t& value) override {
        if (consumed_ >= input_.size()) {
            return false;
        }
        value = static_cast<uint8_t>(input_[consumed_++]);
        return true;
    }
    /// How many bytes a decoder has taken so far.
    qsizetype Consumed() const { return consumed_; }

  private:
    QByteArray* output_ = nullptr;
    QByteArrayView input_;
    qsizetype consumed_ = 0;
};

/// The page coder: an adaptive splay-tree prefix code. Every coded byte moves
/// its leaf closer to the root, so frequent bytes get short codes without a
/// table being stored. A coder and a decoder that start from the initial tree
/// and see the same bytes stay in step, which is why every page gets a fresh one.
class TQRCompress {
  public:
    /// Parent indices of the inner nodes, child indices (inner nodes and
    /// leaves), and the coded symbol.
    using UpIndex = uint8_t;
    using DownIndex = uint16_t;
    using CodeType = uint8_t;

    TQRCompress(TQRCodeStream& stream, bool compressing);
    /// A coder writes its last, partly filled byte here.
    ~TQRCompress();

    TQRCompress(const TQRCompress&) = delete;
    TQRCompress& operator=(const TQRCompress&) = delete;

    void Compress(CodeType value);
    /// Decodes one byte; false when the stream ran out before the code ended.
    bool Expand(CodeType& value);

  private:
    bool GetByte();
    void InitializeSplay();
    void Splay(CodeType value);

    uint8_t bitPosition_;
    bool compressing_;
    uint16_t inputByte_ = 0;
    DownIndex left_[256];
    DownIndex right_[256];
    uint16_t outputByte_ = 0;
    TQRCodeStream& stream_;
    UpIndex up_[513];
};

}  // namespace quorin

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
#include <mutex>

class QIODevice;

namespace quorin {

/// Creates a new, uniquely named empty file in the temporary directory whose
/// name begins with "QRP" and returns its full name. Raises EQRError.
QString TempFilename();

/// The byte stream under a page store. It starts in memory and moves itself to
/// a temporary file once it grows past its memory limit, so long reports do not
/// hold every page in memory. Every operation takes a recursive lock: the report
/// is generated on a worker thread while the preview reads pages on the GUI thread.
class TQRStream {
  public:
    enum TSeekOrigin { soBeginning, soCurrent, soEnd };

    /// A stream kept in memory until it holds more than memoryLimit bytes.
    explicit TQRStream(qint64 memoryLimit);
    /// A stream on an existing file, opened for reading; it never spills and
    /// the file is not deleted. Raises EQRError when the file cannot be opened.
    explicit TQRStream(const QString& fileName);
    ~TQRStream();

    TQRStream(const TQRStream&) = delete;
    TQRStream& operator=(const TQRStream&) = delete;

    /// Reads up to count bytes at the position; returns how many were read
    /// (fewer at the end of the stream).
    qint64 Read(void* buffer, qint64 count);
    /// Writes count bytes at the position, growing the stream as needed.
    /// Raises EQRError when the bytes cannot be written.
    qint64 Write(const void* buffer, qint64 count);
    /// Moves the position and returns it; a position before 0 becomes 0.
    qint64 Seek(qint64 offset, TSeekOrigin origin);
    qint64 Position();
    qint64 Size();

    /// For callers that need several operations in a row without another
    /// thread moving the position in between.
    void LockStream() { lock_.lock(); }
    void UnlockStream() { lock_.unlock(); }

    /// Copies the whole stream, from position 0, into destination in chunks of
    /// 10240 bytes. Raises EQRError when the destination refuses a chunk.
    void SaveToStream(QIODevice& destination);

    bool InMemory();
    /// The temporary file this stream spilled into; empty while in memory or
    /// for a stream opened on a file.
    QString TemporaryFileName();

  private:
    void Spill();
    /// Raises the failure of the last file operation with its reason in Portuguese.
    [[noreturn]] void Fail(const QString& verb);

    bool inMemory_;
    QByteArray memory_;
    qint64 memoryPosition_ = 0;
    std::unique_ptr<QFile> file_;
    qint64 memoryLimit_;
    QString tempFileName_;
    std::recursive_mutex lock_;
};

/// Holds the stream lock of a TQRStream for a scope.
class TQRStreamLock {
  public:
    explicit TQRStreamLock(TQRStream& stream) : stream_(stream) { stream_.LockStream(); }
    ~TQRStreamLock() { stream_.UnlockStream(); }
    TQRStreamLock(const TQRStreamLock&) = delete;
    TQRStreamLock& operator=(const TQRStreamLock&) = delete;

  private:
    TQRStream& stream_;
};

}  // namespace quorin

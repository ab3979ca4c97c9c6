#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace quorin {

/// A system error number (errno) as a short Portuguese phrase, without a final period.
QString SystemErrorText(int error);

/// What a file of this stat mode is when it is not a regular file ("é um pipe, não um
/// arquivo comum"), without a final period.
QString NotRegularFileText(unsigned mode);

/// Why a writer must not replace what stands at this local path (following links):
/// "o destino é uma pasta", "o destino existe e é um pipe, …"; empty when nothing is
/// there or it is a regular file. Without a final period.
QString NotReplaceableText(const QByteArray& localPath);

/// A regular file opened for reading in pieces. Opening refuses what
/// ReadRegularFile refuses (anything but a regular file, a file larger than
/// `maxBytes`), raising Exception with a Portuguese message naming the file.
class TRegularFile {
  public:
    TRegularFile(const QString& path, qint64 maxBytes);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    const QString& Path() const { return path_; }
    /// The size when it was opened; reads never go past it.
    qint64 Size() const { return size_; }
    /// Reads up to `n` bytes at `offset` into `into`; fewer only at the end of the
    /// file (or of Size()). Raises Exception on a read error.
    qint64 ReadAt(qint64 offset, char* into, qint64 n);

  private:
    QString path_;
    qint64 size_ = 0;
    int fd_ = -1;
};

/// Reads a whole file for a loader. Only a regular file is read: a folder, a
/// pipe, a device or a socket is refused at once, without waiting for data. A
/// file larger than `maxBytes` is refused before anything is read. When
/// `checkHeader` is given, the first `headerBytes` bytes (fewer for a shorter
/// file) are read and handed to it with the file's size before the body is
/// read, so a file of the wrong kind costs only its header. Raises Exception
/// with a Portuguese message naming the file; `checkHeader` raises its own.
QByteArray ReadRegularFile(const QString& path, qint64 maxBytes, qint64 headerBytes = 0,
                           const std::function<void(const QByteArray& header, qint64 fileSize)>& checkHeader = {});

}  // namespace quorin

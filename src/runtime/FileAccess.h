#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace quorin {

/// A system error number (errno) as a short Portuguese phrase, without a final period.
QString SystemErrorText(int error);

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

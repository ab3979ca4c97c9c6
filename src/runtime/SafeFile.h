#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>

class QIODevice;

namespace quorin {

/// The one way the program writes a file: into a temporary file beside the
/// target, every write checked, flushed and synced before the rename, so a
/// full disk, a size limit or a crash never leaves half a file under the
/// target's name and never touches an earlier file of that name. Any failure
/// removes the temporary file and raises Exception with a Portuguese message
/// naming the file. Not committing (an exception on the way) discards it.
class TSafeFile {
  public:
    /// Opens the temporary file; raises Exception when it cannot be created.
    explicit TSafeFile(const QString& fileName);
    ~TSafeFile();
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    /// Writes all the bytes or raises Exception.
    void Write(QByteArrayView bytes);
    /// Writes bytes over what was written at `offset` (a header known only at the
    /// end), without moving the write position; raises Exception.
    void WriteAt(qint64 offset, QByteArrayView bytes);
    /// The open temporary file, for writers that stream; check with Write or
    /// Commit (a failed device write is caught at Commit at the latest).
    QIODevice& Device();
    /// Flushes, syncs and renames over the target; raises Exception.
    void Commit();
    /// Whether a write has failed; Commit then raises the failure.
    bool Failed() const;
    /// Drops the temporary file (also done by the destructor when not committed).
    void Discard();

    const QString& FileName() const { return fileName_; }

    struct Impl;

  private:
    [[noreturn]] void Fail(const QString& reason);

    QString fileName_;
    std::unique_ptr<Impl> d;
};

/// Writes bytes to a file through TSafeFile.
void WriteFileSafely(const QString& fileName, QByteArrayView bytes);

}  // namespace quorin

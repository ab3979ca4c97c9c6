#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>

namespace quorin {

/// Several files in one folder written as one: each file goes into a hidden
/// temporary folder beside its target; only when every file has been written
/// is each synced, once, and are they all renamed into place, under a lock on the
/// folder, so another writer of the same names never mixes its files with
/// these, and the folder is synced once. Any failure before that removes the
/// temporary folder and leaves every earlier file of those names whole; a
/// signal that ends the process removes it too. Raises Exception with a
/// Portuguese message naming the file.
class TSafeFileSet {
  public:
    /// The folder of the targets; raises Exception when the temporary folder
    /// cannot be made there.
    explicit TSafeFileSet(const QString& folder);
    ~TSafeFileSet();
    TSafeFileSet(const TSafeFileSet&) = delete;
    TSafeFileSet& operator=(const TSafeFileSet&) = delete;

    /// Writes the bytes of the file named `fileName` (a target in the folder).
    void Add(const QString& fileName, QByteArrayView bytes);
    /// Renames every file into place, then removes those of `obsolete` that
    /// are regular files (what remains of an earlier, longer set); returns the
    /// files written, in the order added.
    QStringList Commit(const QStringList& obsolete = {});

    struct Impl;

  private:
    std::unique_ptr<Impl> d;
};

}  // namespace quorin

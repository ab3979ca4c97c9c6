#pragma once

#include <QByteArray>

namespace quorin {

/// Temporary files and folders that must not outlive the process. Each one is
/// registered while it exists; when the process is ended by SIGINT, SIGTERM,
/// SIGHUP or SIGQUIT, a handler removes every registered file, then the files
/// directly inside every registered folder of kind FolderAndFiles, then every
/// registered folder (by then empty), and lets the signal end the process as
/// it would have. The handler is installed with the first registration, and
/// only for a signal whose disposition is still the default one.
///
/// A registration is a token: Forget() when the file is gone or renamed into
/// place. At most 256 are live at a time; beyond that a file is simply not
/// cleaned on a signal (Register returns -1 and Forget ignores it).
class TTemporaryCleanup {
  public:
    enum TKind { File, Folder, FolderAndFiles };
    static int Register(const QByteArray& localPath, TKind kind = File);
    static void Forget(int token);
    /// How many registrations are live (for tests).
    static int LiveCount();
};

/// A registration held for a scope.
class TTemporaryGuard {
  public:
    TTemporaryGuard() = default;
    explicit TTemporaryGuard(const QByteArray& localPath,
                             TTemporaryCleanup::TKind kind = TTemporaryCleanup::File)
        : token_(TTemporaryCleanup::Register(localPath, kind)) {}
    ~TTemporaryGuard() { Release(); }
    TTemporaryGuard(const TTemporaryGuard&) = delete;
    TTemporaryGuard& operator=(const TTemporaryGuard&) = delete;
    void Reset(const QByteArray& localPath, TTemporaryCleanup::TKind kind = TTemporaryCleanup::File) {
        Release();
        token_ = TTemporaryCleanup::Register(localPath, kind);
    }
    void Release() {
        TTemporaryCleanup::Forget(token_);
        token_ = -1;
    }

  private:
    int token_ = -1;
};

}  // namespace quorin

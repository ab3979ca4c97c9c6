#include "runtime/TemporaryCleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>

namespace quorin {

namespace {

// Slot states: free, being written (the handler skips it), and the live kinds.
enum : int { kFree = 0, kWriting = 1, kFile = 2, kFolder = 3, kFolderAndFiles = 4 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 256;
Slot slots[kSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Removes the plain entries directly inside a folder, reading it with the raw
// getdents64 call: opendir allocates, which a signal handler must not.
void EmptyFolder(const char* path) {
    const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    alignas(8) char buffer[4096];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            const char* name = entry->d_name;
            if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))) {
                ::unlinkat(dir, name, 0);
            }
            at += entry->d_reclen;
        }
    }
    ::close(dir);
}

// Only async-signal-safe calls: open, getdents64, unlink, rmdir, sigaction, raise.
extern "C" void RemoveTemporaries(int sig) {
    for (Slot& slot : slots) {
        const int state = slot.state.load(std::memory_order_acquire);
        if (state == kFile)
            ::unlink(slot.path);
        else if (state == kFolderAndFiles)
            EmptyFolder(slot.path);
    }
    for (Slot& slot : slots) {
        const int state = slot.state.load(std::memory_order_acquire);
        if (state == kFolder || state == kFolderAndFiles)
            ::rmdir(slot.path);
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(sig, &standard, nullptr);
    ::raise(sig);
}

void InstallOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : kSignals) {
            struct sigaction current {};
            if (::sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
                (current.sa_flags & SA_SIGINFO)) {
                continue;  // somebody else handles (or ignores) this signal
            }
            struct sigaction mine {};
            mine.sa_handler = RemoveTemporaries;
            sigemptyset(&mine.sa_mask);
            for (const int other : kSignals)
                sigaddset(&mine.sa_mask, other);
            mine.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &mine, nullptr);
        }
    });
}

}  // namespace

int TTemporaryCleanup::Register(const QByteArray& localPath, TKind kind) {
    if (localPath.isEmpty() || localPath.size() >= PATH_MAX) {
        return -1;
    }
    InstallOnce();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kWriting, std::memory_order_acquire)) {
            std::memcpy(slots[i].path, localPath.constData(), size_t(localPath.size()));
            slots[i].path[localPath.size()] = '\0';
            slots[i].state.store(kind == File     ? kFile
                                 : kind == Folder ? kFolder
                                                  : kFolderAndFiles,
                                 std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void TTemporaryCleanup::Forget(int token) {
    if (token >= 0 && token < kSlots) {
        slots[token].state.store(kFree, std::memory_order_release);
    }
}

int TTemporaryCleanup::LiveCount() {
    int n = 0;
    for (const Slot& slot : slots) {
        const int s = slot.state.load(std::memory_order_acquire);
        n += s >= kFile ? 1 : 0;
    }
    return n;
}

}  // namespace quorin

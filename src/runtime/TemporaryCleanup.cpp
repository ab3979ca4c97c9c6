#include "runtime/TemporaryCleanup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace quorin {

namespace {

// Slot states: free, being written (the handler skips it), live file, live folder.
enum : int { kFree = 0, kWriting = 1, kFile = 2, kFolder = 3 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 256;
Slot slots[kSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Only async-signal-safe calls: unlink, rmdir, sigaction, raise.
extern "C" void RemoveTemporaries(int sig) {
    for (int kind : {kFile, kFolder}) {
        for (Slot& slot : slots) {
            if (slot.state.load(std::memory_order_acquire) == kind) {
                if (kind == kFile)
                    ::unlink(slot.path);
                else
                    ::rmdir(slot.path);
            }
        }
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
            for (const int other : kSignals) sigaddset(&mine.sa_mask, other);
            mine.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &mine, nullptr);
        }
    });
}

}  // namespace

int TTemporaryCleanup::Register(const QByteArray& localPath, bool folder) {
    if (localPath.isEmpty() || localPath.size() >= PATH_MAX) {
        return -1;
    }
    InstallOnce();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kWriting, std::memory_order_acquire)) {
            std::memcpy(slots[i].path, localPath.constData(), size_t(localPath.size()));
            slots[i].path[localPath.size()] = '\0';
            slots[i].state.store(folder ? kFolder : kFile, std::memory_order_release);
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
        n += (s == kFile || s == kFolder) ? 1 : 0;
    }
    return n;
}

}  // namespace quorin

#include "report_engine/model/TQRCreateReportThread.h"

#include <algorithm>
#include <cerrno>
#include <exception>

#include "report_engine/model/TQuickRep.h"
#include "runtime/Exceptions.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace quorin {

namespace {

// How much nicer than the window the generation thread runs on Linux, where
// QThread's priorities leave an ordinary thread as it is. The window then
// gets the processor as soon as it has work (a page to paint, a key), while
// generation still has every cycle the window does not use.
constexpr int kGenerationNiceness = 5;

void LowerThisThreadsPriority() {
#ifdef Q_OS_LINUX
    // On Linux the nice value belongs to each thread: this one is changed, not the program.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0) {
        // Raising the nice value needs no privilege; a failure leaves the thread as it was.
        (void)::setpriority(PRIO_PROCESS, thread, std::min(now + kGenerationNiceness, 19));
    }
#endif
}

}  // namespace

TQRCreateReportThread::TQRCreateReportThread(TCustomQuickRep* report) : report_(report) {}

TQRCreateReportThread::~TQRCreateReportThread() {
    wait();
}

void TQRCreateReportThread::Start() {
    start(QThread::LowPriority);
}

QString TQRCreateReportThread::Error() const {
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

void TQRCreateReportThread::run() {
    LowerThisThreadsPriority();
    QString error;
    try {
        report_->RunReport();
    } catch (const Exception& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    } catch (...) {
        error = QStringLiteral("Erro desconhecido ao gerar o relatório.");
    }
    std::lock_guard<std::mutex> guard(lock_);
    error_ = error;
}

}  // namespace quorin

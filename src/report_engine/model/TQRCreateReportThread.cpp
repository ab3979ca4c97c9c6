#include "report_engine/model/TQRCreateReportThread.h"

#include <exception>

#include "report_engine/model/TQuickRep.h"
#include "runtime/Exceptions.h"

namespace quorin {

TQRCreateReportThread::TQRCreateReportThread(TCustomQuickRep* report) : report_(report) {}

TQRCreateReportThread::~TQRCreateReportThread() {
    wait();
}

QString TQRCreateReportThread::Error() const {
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

void TQRCreateReportThread::run() {
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

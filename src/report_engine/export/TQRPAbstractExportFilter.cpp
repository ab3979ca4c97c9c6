#include "report_engine/export/TQRPAbstractExportFilter.h"

#include "runtime/SafeFile.h"

namespace quorin {

TQRPAbstractExportFilter::TQRPAbstractExportFilter(const QString& fileName) : TQRExportFilter(fileName) {}

TQRPAbstractExportFilter::~TQRPAbstractExportFilter() = default;

void TQRPAbstractExportFilter::CreateStream(const QString& fileName) {
    stream_ = std::make_unique<TSafeFile>(fileName);
}

void TQRPAbstractExportFilter::CloseStream() {
    if (stream_) {
        std::unique_ptr<TSafeFile> stream = std::move(stream_);
        stream->Commit();
    }
}

void TQRPAbstractExportFilter::WriteToStream(QByteArrayView bytes) {
    if (stream_) {
        stream_->Write(bytes);
    }
}

void TQRPAbstractExportFilter::WriteLnToStream(QByteArrayView bytes) {
    WriteToStream(bytes);
    WriteToStream("\r\n");
}

}  // namespace quorin

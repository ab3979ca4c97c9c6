#include "report_engine/printer/QRPaperSize.h"

namespace quorin {

QString QRPaperName(TQRPaperSize size) {
    return QString::fromUtf8(QRPaperSizeInfo(size).displayName);
}

}  // namespace quorin

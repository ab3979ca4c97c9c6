#include "report_engine/printables/TQRExprMemo.h"

#include "report_engine/model/TQuickRep.h"

namespace quorin {

TQRExprMemo::TQRExprMemo(TQRControl* parent) : TQRCustomLabel(parent) {
    captionBased_ = false;
}

void TQRExprMemo::Prepare() {
    TQRCustomLabel::Prepare();
    designed_ = Lines();
    TCustomQuickRep* report = ParentReport();
    merger_.Prepare(designed_, report != nullptr ? &report->DataSetList() : nullptr,
                    report != nullptr ? &report->Functions() : nullptr);
}

void TQRExprMemo::Print(int OfsX, int OfsY) {
    if (!IsEnabled()) {
        return;
    }
    if (merger_.Prepared()) {
        QStringList lines = merger_.Merge();
        if (RemoveBlankLines) {
            lines.removeIf([](const QString& line) { return line.isEmpty(); });
        }
        SetLines(lines);
    }
    TQRCustomLabel::Print(OfsX, OfsY);
}

void TQRExprMemo::UnPrepare() {
    const bool wasPrepared = merger_.Prepared();
    merger_.UnPrepare();
    TQRCustomLabel::UnPrepare();
    if (wasPrepared) {
        SetLines(designed_);
    }
}

}  // namespace quorin

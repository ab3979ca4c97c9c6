#pragma once

#include "report_engine/printables/TQRCustomLabel.h"
#include "report_engine/printables/TQRExprMemoMerger.h"

namespace quorin {

/// A memo whose lines may hold expressions in braces ("Lote {NRO_LOTE}"),
/// filled in with their values each time it prints.
class TQRExprMemo : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRExprMemo(TQRControl* parent = nullptr);

    bool RemoveBlankLines = false;

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void UnPrepare() override;

  private:
    TQRExprMemoMerger merger_;
    QStringList designed_;
};

}  // namespace quorin

#pragma once

#include "report_engine/printables/TQRCustomLabel.h"

namespace quorin {

/// What a system data control prints after its Text. Keep in sync with the
/// kind names of TQRSysData::KindName.
enum TQRSysDataType {
    qrsTime,
    qrsDate,
    qrsDateTime,
    qrsPageNumber,
    qrsReportTitle,
    qrsDetailCount,
    qrsDetailNo
};

/// Prints its Text followed by the time, the date, the page number, the
/// report's title or a record counter. The time is read from the clock the
/// expression functions read (QRNow, replaceable with SetQRNow).
class TQRSysData : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRSysData(TQRControl* parent = nullptr);

    TQRSysDataType Data() const { return data_; }
    void SetData(TQRSysDataType data);
    const QString& Text() const { return text_; }
    void SetText(const QString& text);

    /// "Time", "Date", "Date/Time", "Page#", "Report title", "Detail count", "Detail no".
    static QString KindName(TQRSysDataType data);

    void Print(int OfsX, int OfsY) override;
    void UnPrepare() override;

  private:
    void ShowDesignCaption();

    TQRSysDataType data_ = qrsTime;
    QString text_;
};

}  // namespace quorin

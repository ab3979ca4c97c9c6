#include "report_engine/printables/TQRSysData.h"

#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/model/TQuickRep.h"
#include "runtime/DateTime.h"

namespace quorin {

TQRSysData::TQRSysData(TQRControl* parent) : TQRCustomLabel(parent) {
    ShowDesignCaption();
}

QString TQRSysData::KindName(TQRSysDataType data) {
    switch (data) {
        case qrsTime:
            return QStringLiteral("Time");
        case qrsDate:
            return QStringLiteral("Date");
        case qrsDateTime:
            return QStringLiteral("Date/Time");
        case qrsPageNumber:
            return QStringLiteral("Page#");
        case qrsReportTitle:
            return QStringLiteral("Report title");
        case qrsDetailCount:
            return QStringLiteral("Detail count");
        case qrsDetailNo:
            return QStringLiteral("Detail no");
    }
    return {};
}

void TQRSysData::ShowDesignCaption() {
    SetCaption(text_ + u'(' + KindName(data_) + u')');
}

void TQRSysData::SetData(TQRSysDataType data) {
    data_ = data;
    ShowDesignCaption();
}

void TQRSysData::SetText(const QString& text) {
    text_ = text;
    ShowDesignCaption();
}

void TQRSysData::Print(int OfsX, int OfsY) {
    TCustomQuickRep* report = ParentReport();
    auto* quickRep = dynamic_cast<TQuickRep*>(report);
    QString text = text_;
    switch (data_) {
        case qrsTime:
            text += FormatDateTime(QStringLiteral("t"), QRNow());
            break;
        case qrsDate:
            text += FormatDateTime(QStringLiteral("c"), QDateTime(QRNow().date(), QTime(0, 0)));
            break;
        case qrsDateTime:
            text += FormatDateTime(QStringLiteral("c"), QRNow());
            break;
        case qrsPageNumber:
            text += QString::number(report != nullptr ? report->PageNo : 0);
            break;
        case qrsReportTitle:
            text += report != nullptr ? report->ReportTitle : QString();
            break;
        case qrsDetailCount:
            if (quickRep != nullptr) {
                text += QString::number(quickRep->GetRecordCount());
            }
            break;
        case qrsDetailNo:
            if (quickRep != nullptr) {
                text += QString::number(quickRep->GetRecordNumber());
            }
            break;
    }
    SetCaption(text);
    TQRCustomLabel::Print(OfsX, OfsY);
}

void TQRSysData::UnPrepare() {
    TQRCustomLabel::UnPrepare();
    ShowDesignCaption();
}

}  // namespace quorin

#include "report_engine/printables/TQRDBText.h"

#include <exception>

#include "dataset/Field.h"
#include "report_engine/printables/QRValueText.h"

namespace quorin {

TQRDBText::TQRDBText(TQRControl* parent) : TQRCustomLabel(parent) {}

void TQRDBText::SetDataField(const QString& name) {
    dataField_ = name;
    SetCaption(name);
}

void TQRDBText::Prepare() {
    TQRCustomLabel::Prepare();
    field_ = nullptr;
    fieldNo_ = -1;
    fieldOk_ = false;
    isMemo_ = false;
    if (dataSet_ == nullptr) {
        return;
    }
    field_ = dataSet_->FindField(dataField_);
    if (field_ == nullptr) {
        return;
    }
    fieldNo_ = field_->Index();
    fieldOk_ = true;
    isMemo_ = QRIsMemoField(*field_);
    if (isMemo_) {
        OutputCaption.clear();
    }
}

TField* TQRDBText::CurrentField() {
    if (!fieldOk_ || dataSet_ == nullptr) {
        return nullptr;
    }
    if (dataSet_->DefaultFields()) {
        field_ =
            fieldNo_ < dataSet_->FieldCount() ? dataSet_->Fields()[static_cast<size_t>(fieldNo_)] : nullptr;
    }
    return field_;
}

void TQRDBText::Print(int OfsX, int OfsY) {
    if (!IsEnabled()) {
        return;
    }
    if (TField* field = CurrentField()) {
        try {
            if (isMemo_) {
                QString text = field->AsString();
                text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                text.replace(u'\r', u'\n');
                SetLines(text.split(u'\n'));
            } else {
                if (field != kindField_ || Mask != kindMask_) {
                    kind_ = QRFieldTextKindOf(*field, Mask);
                    kindField_ = field;
                    kindMask_ = Mask;
                }
                if (std::optional<QString> text = QRFieldText(*field, Mask, kind_)) {
                    OutputCaption = *text;
                }
            }
        } catch (const std::exception&) {
            OutputCaption.clear();
            SetLines({});
        }
    } else {
        OutputCaption.clear();
    }
    LinesValid = false;
    TQRCustomLabel::Print(OfsX, OfsY);
}

void TQRDBText::UnPrepare() {
    field_ = nullptr;
    fieldOk_ = false;
    isMemo_ = false;
    TQRCustomLabel::UnPrepare();
    SetCaption(dataField_.isEmpty() ? Name() : dataField_);
}

void TQRDBText::GetFieldString(QString& text) {
    if (TField* field = CurrentField()) {
        try {
            text = field->DisplayText();
        } catch (const std::exception&) {
            text.clear();
        }
    }
}

}  // namespace quorin

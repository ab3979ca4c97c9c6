#include "report_engine/printables/QRValueText.h"

#include <exception>

#include "dataset/Field.h"
#include "runtime/DateTime.h"
#include "runtime/FormatFloat.h"

namespace quorin {

namespace {

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace

QString QRExprValueText(const TQREvResult& value, const QString& mask) {
    switch (value.ResultType) {
        case resInt:
            return FormatFloat(mask, value.IntegerValue);
        case resDouble:
            return FormatFloat(mask, value.DoubleValue);
        case resBool:
            return BoolText(value.BooleanValue);
        case resString:
        case resError:
            break;
    }
    return value.StringValue();
}

QString QRMergeValueText(const TQREvResult& value) {
    switch (value.ResultType) {
        case resInt:
            return QString::number(value.IntegerValue);
        case resDouble:
            return FormatGeneral(value.DoubleValue);
        case resBool:
            return BoolText(value.BooleanValue);
        case resString:
            return value.StringValue();
        case resError:
            break;
    }
    return {};
}

bool QRIsMemoField(const TField& field) {
    return dynamic_cast<const TBlobField*>(&field) != nullptr;
}

std::optional<QString> QRFieldText(const TField& field, const QString& mask) {
    try {
        if (mask.isEmpty() || dynamic_cast<const TStringField*>(&field) != nullptr) {
            return field.DisplayText();
        }
        if (dynamic_cast<const TIntegerField*>(&field) != nullptr) {
            return FormatFloat(mask, field.AsInteger());
        }
        if (dynamic_cast<const TFloatField*>(&field) != nullptr) {
            return FormatFloat(mask, field.AsFloat());
        }
        if (dynamic_cast<const TDateTimeField*>(&field) != nullptr) {
            return FormatDateTime(mask, field.AsDateTime());
        }
    } catch (const std::exception&) {
        return QString();
    }
    return std::nullopt;
}

}  // namespace quorin

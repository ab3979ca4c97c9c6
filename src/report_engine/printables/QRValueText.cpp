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

TQRFieldTextKind QRFieldTextKindOf(const TField& field, const QString& mask) {
    if (mask.isEmpty() || dynamic_cast<const TStringField*>(&field) != nullptr) {
        return TQRFieldTextKind::DisplayText;
    }
    if (dynamic_cast<const TIntegerField*>(&field) != nullptr) {
        return TQRFieldTextKind::Integer;
    }
    if (dynamic_cast<const TFloatField*>(&field) != nullptr) {
        return TQRFieldTextKind::Float;
    }
    if (dynamic_cast<const TDateTimeField*>(&field) != nullptr) {
        return TQRFieldTextKind::DateTime;
    }
    return TQRFieldTextKind::Unchanged;
}

std::optional<QString> QRFieldText(const TField& field, const QString& mask, TQRFieldTextKind kind) {
    try {
        switch (kind) {
            case TQRFieldTextKind::DisplayText:
                return field.DisplayText();
            case TQRFieldTextKind::Integer:
                return FormatFloat(mask, field.AsInteger());
            case TQRFieldTextKind::Float:
                return FormatFloat(mask, field.AsFloat());
            case TQRFieldTextKind::DateTime:
                return FormatDateTime(mask, field.AsDateTime());
            case TQRFieldTextKind::Unchanged:
                break;
        }
    } catch (const std::exception&) {
        return QString();
    }
    return std::nullopt;
}

std::optional<QString> QRFieldText(const TField& field, const QString& mask) {
    return QRFieldText(field, mask, QRFieldTextKindOf(field, mask));
}

}  // namespace quorin

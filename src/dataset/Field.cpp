#include "dataset/Field.h"

#include <cmath>
#include <limits>

#include "dataset/DataSetError.h"
#include "dataset/RowStore.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/FormatFloat.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

// Keep in sync with TFieldType.
constexpr const char16_t* FieldTypeNames[] = {
    u"desconhecido", u"inteiro curto", u"inteiro", u"número", u"texto", u"blob", u"memorando", u"data e hora",
};

QString TextOfValue(const TFieldValue& value) {
    if (const auto* s = std::get_if<QString>(&value)) {
        return *s;
    }
    if (const auto* b = std::get_if<QByteArray>(&value)) {
        return TextFromUtf8(*b);
    }
    return {};
}

}  // namespace

QString FieldTypeName(TFieldType type) {
    const int code = static_cast<int>(type);
    return QString::fromUtf16(FieldTypeNames[IsKnownFieldType(code) ? code : 0]);
}

bool IsKnownFieldType(int code) {
    return code >= 1 && code <= 7;
}

// ---- TField ------------------------------------------------------------------

TField::TField(TMemoryDataSet* dataSet, const QString& name, TFieldType type, int size)
    : dataSet_(dataSet), name_(name), type_(type), size_(size) {
    const bool numeric =
        type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftFloat;
    alignment_ = numeric ? Qt::AlignRight : Qt::AlignLeft;
}

TField::~TField() = default;

bool TField::IsNull() const {
    return IsNullValue(dataSet_->ActiveValue(column_));
}

void TField::Clear() {
    dataSet_->SetActiveValue(column_, TFieldValue{});
}

QString TField::AsString() const {
    return GetAsString(dataSet_->ActiveValue(column_));
}

void TField::SetAsString(const QString& text) {
    dataSet_->SetActiveValue(column_, FromString(text));
}

void TField::SetAsTextOf(const TField& source) {
    dataSet_->SetActiveTextOf(column_, *source.dataSet_, source.column_);
}

int32_t TField::AsInteger() const {
    const TFieldValue& v = dataSet_->ActiveValue(column_);
    return IsNullValue(v) ? 0 : GetAsInteger(v);
}

void TField::SetAsInteger(int32_t value) {
    dataSet_->SetActiveValue(column_, FromInteger(value));
}

double TField::AsFloat() const {
    const TFieldValue& v = dataSet_->ActiveValue(column_);
    return IsNullValue(v) ? 0.0 : GetAsFloat(v);
}

void TField::SetAsFloat(double value) {
    dataSet_->SetActiveValue(column_, FromFloat(value));
}

QDateTime TField::AsDateTime() const {
    const TFieldValue& v = dataSet_->ActiveValue(column_);
    return IsNullValue(v) ? QDateTime() : GetAsDateTime(v);
}

void TField::SetAsDateTime(const QDateTime& value) {
    dataSet_->SetActiveValue(column_, FromDateTime(value));
}

QVariant TField::AsVariant() const {
    const TFieldValue& v = dataSet_->ActiveValue(column_);
    if (IsNullValue(v)) {
        return {};
    }
    switch (type_) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
            return QVariant(GetAsInteger(v));
        case TFieldType::ftFloat:
            return QVariant(GetAsFloat(v));
        case TFieldType::ftDateTime:
            return QVariant(GetAsDateTime(v));
        case TFieldType::ftBlob:
            return QVariant(std::get<QByteArray>(v));
        case TFieldType::ftString:
        case TFieldType::ftMemo:
            break;
    }
    return QVariant(GetAsString(v));
}

TFieldValue TField::Value() const {
    return dataSet_->ActiveValue(column_);
}

void TField::SetValue(const TFieldValue& value) {
    dataSet_->SetActiveValue(column_, Normalize(value));
}

QString TField::DisplayText() const {
    return DisplayTextOf(dataSet_->ActiveValue(column_));
}

QString TField::DisplayTextAt(int recNo) const {
    return DisplayTextOf(dataSet_->ValueAt(recNo, column_));
}

TFieldValue TField::ValueAt(int recNo) const {
    return dataSet_->ValueAt(recNo, column_);
}

bool TField::IsNullAt(int recNo) const {
    return IsNullValue(dataSet_->ValueAt(recNo, column_));
}

QString TField::DisplayTextOf(const TFieldValue& value) const {
    return IsNullValue(value) ? QString() : GetDisplayText(value);
}

TFieldValue TField::Normalize(const TFieldValue& value) const {
    if (const auto* i = std::get_if<int32_t>(&value)) {
        return FromInteger(*i);
    }
    if (const auto* f = std::get_if<double>(&value)) {
        return FromFloat(*f);
    }
    if (const auto* s = std::get_if<QString>(&value)) {
        return FromString(*s);
    }
    if (const auto* b = std::get_if<QByteArray>(&value)) {
        if (type_ == TFieldType::ftBlob) {
            return *b;
        }
        return FromString(TextFromUtf8(*b));
    }
    return {};
}

int32_t TField::GetAsInteger(const TFieldValue&) const {
    RaiseConversion(QStringLiteral("inteiro"));
}

double TField::GetAsFloat(const TFieldValue&) const {
    RaiseConversion(QStringLiteral("número"));
}

QDateTime TField::GetAsDateTime(const TFieldValue&) const {
    RaiseConversion(QStringLiteral("data e hora"));
}

QString TField::GetDisplayText(const TFieldValue& value) const {
    return GetAsString(value);
}

TFieldValue TField::FromInteger(int32_t) const {
    RaiseConversion(QStringLiteral("inteiro"));
}

TFieldValue TField::FromFloat(double) const {
    RaiseConversion(QStringLiteral("número"));
}

TFieldValue TField::FromDateTime(const QDateTime&) const {
    RaiseConversion(QStringLiteral("data e hora"));
}

void TField::RaiseConversion(const QString& targetKind) const {
    throw EDataSetError(QStringLiteral("O campo '%1' (%2) não aceita conversão de ou para %3.")
                            .arg(name_, FieldTypeName(type_), targetKind));
}

// ---- TIntegerField -------------------------------------------------------------

TIntegerField::TIntegerField(TMemoryDataSet* dataSet, const QString& name, TFieldType type)
    : TField(dataSet, name, type, 0) {}

QString TIntegerField::GetAsString(const TFieldValue& value) const {
    const auto* i = std::get_if<int32_t>(&value);
    return i ? QString::number(*i) : QString();
}

int32_t TIntegerField::GetAsInteger(const TFieldValue& value) const {
    const auto* i = std::get_if<int32_t>(&value);
    return i ? *i : 0;
}

double TIntegerField::GetAsFloat(const TFieldValue& value) const {
    return GetAsInteger(value);
}

QString TIntegerField::GetDisplayText(const TFieldValue& value) const {
    if (DisplayFormat().isEmpty()) {
        return GetAsString(value);
    }
    return FormatFloat(DisplayFormat(), GetAsInteger(value));
}

TFieldValue TIntegerField::FromString(const QString& text) const {
    const QString t = Trim(text);
    if (t.isEmpty()) {
        return {};
    }
    int64_t v = 0;
    if (!TryStrToInt64(t, v)) {
        throw EConvertError(
            QStringLiteral("'%1' não é um valor inteiro válido para o campo '%2'.").arg(text, FieldName()));
    }
    return Checked(v);
}

TFieldValue TIntegerField::FromInteger(int32_t value) const {
    return Checked(value);
}

TFieldValue TIntegerField::FromFloat(double value) const {
    if (!std::isfinite(value) || !FitsInt64(static_cast<long double>(value))) {
        throw EDataSetError(QStringLiteral("O valor %1 está fora do intervalo do campo '%2'.")
                                .arg(FormatGeneral(value), FieldName()));
    }
    return Checked(RoundHalfEvenToInt64(static_cast<long double>(value)));
}

TFieldValue TIntegerField::Checked(int64_t value) const {
    if (value < MinValue() || value > MaxValue()) {
        throw EDataSetError(QStringLiteral("O valor %1 está fora do intervalo do campo '%2' (%3 a %4).")
                                .arg(value)
                                .arg(FieldName())
                                .arg(MinValue())
                                .arg(MaxValue()));
    }
    return static_cast<int32_t>(value);
}

// ---- TFloatField -----------------------------------------------------------------

TFloatField::TFloatField(TMemoryDataSet* dataSet, const QString& name, bool currency)
    : TField(dataSet, name, TFieldType::ftFloat, 0), currency_(currency) {}

QString TFloatField::GetAsString(const TFieldValue& value) const {
    const auto* f = std::get_if<double>(&value);
    return f ? FormatGeneral(*f) : QString();
}

int32_t TFloatField::GetAsInteger(const TFieldValue& value) const {
    const double f = GetAsFloat(value);
    if (!std::isfinite(f) || f < std::numeric_limits<int32_t>::min() - 0.5 ||
        f > std::numeric_limits<int32_t>::max() + 0.5) {
        throw EDataSetError(QStringLiteral("O valor %1 do campo '%2' não cabe num inteiro.")
                                .arg(FormatGeneral(f), FieldName()));
    }
    const int64_t r = RoundHalfEvenToInt64(static_cast<long double>(f));
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
        throw EDataSetError(QStringLiteral("O valor %1 do campo '%2' não cabe num inteiro.")
                                .arg(FormatGeneral(f), FieldName()));
    }
    return static_cast<int32_t>(r);
}

double TFloatField::GetAsFloat(const TFieldValue& value) const {
    const auto* f = std::get_if<double>(&value);
    return f ? *f : 0.0;
}

QString TFloatField::GetDisplayText(const TFieldValue& value) const {
    const double f = GetAsFloat(value);
    if (!DisplayFormat().isEmpty()) {
        return FormatFloat(DisplayFormat(), f);
    }
    if (currency_) {
        return QStringLiteral("R$ ") + FormatFloat(QStringLiteral("#,##0.00"), f);
    }
    return FormatGeneral(f);
}

TFieldValue TFloatField::FromString(const QString& text) const {
    const QString t = Trim(text);
    if (t.isEmpty()) {
        return {};
    }
    double v = 0;
    if (!TryStrToFloat(t, v)) {
        throw EConvertError(
            QStringLiteral("'%1' não é um número válido para o campo '%2'.").arg(text, FieldName()));
    }
    return FromFloat(v);
}

TFieldValue TFloatField::FromInteger(int32_t value) const {
    return static_cast<double>(value);
}

TFieldValue TFloatField::FromFloat(double value) const {
    if (!std::isfinite(value)) {
        throw EDataSetError(QStringLiteral("O campo '%1' não aceita um valor não finito.").arg(FieldName()));
    }
    return value;
}

// ---- TStringField ------------------------------------------------------------------

TStringField::TStringField(TMemoryDataSet* dataSet, const QString& name, int size)
    : TField(dataSet, name, TFieldType::ftString, size) {}

QString TStringField::GetAsString(const TFieldValue& value) const {
    return TextOfValue(value);
}

int32_t TStringField::GetAsInteger(const TFieldValue& value) const {
    const QString t = Trim(TextOfValue(value));
    return t.isEmpty() ? 0 : StrToInt(t);
}

double TStringField::GetAsFloat(const TFieldValue& value) const {
    const QString t = Trim(TextOfValue(value));
    return t.isEmpty() ? 0.0 : StrToFloat(t);
}

QDateTime TStringField::GetAsDateTime(const TFieldValue& value) const {
    const QString t = Trim(TextOfValue(value));
    return t.isEmpty() ? QDateTime() : StrToDateTime(t);
}

TFieldValue TStringField::FromString(const QString& text) const {
    if (text.isEmpty()) {
        return {};
    }
    return Size() > 0 && text.size() > Size() ? text.left(Size()) : text;
}

TFieldValue TStringField::FromInteger(int32_t value) const {
    return FromString(QString::number(value));
}

TFieldValue TStringField::FromFloat(double value) const {
    return FromString(FormatGeneral(value));
}

TFieldValue TStringField::FromDateTime(const QDateTime& value) const {
    return value.isValid() ? FromString(DateTimeToStr(value)) : TFieldValue{};
}

// ---- TBlobField / TMemoField -------------------------------------------------------

TBlobField::TBlobField(TMemoryDataSet* dataSet, const QString& name, TFieldType type)
    : TField(dataSet, name, type, 0) {}

QByteArray TBlobField::AsBytes() const {
    const TFieldValue v = Value();
    if (const auto* b = std::get_if<QByteArray>(&v)) {
        return *b;
    }
    return AsString().toUtf8();
}

void TBlobField::SetAsBytes(const QByteArray& bytes) {
    SetValue(bytes.isEmpty() ? TFieldValue{} : TFieldValue{bytes});
}

QString TBlobField::GetAsString(const TFieldValue& value) const {
    return TextOfValue(value);
}

int32_t TBlobField::GetAsInteger(const TFieldValue& value) const {
    const QString t = Trim(TextOfValue(value));
    return t.isEmpty() ? 0 : StrToInt(t);
}

double TBlobField::GetAsFloat(const TFieldValue& value) const {
    const QString t = Trim(TextOfValue(value));
    return t.isEmpty() ? 0.0 : StrToFloat(t);
}

TFieldValue TBlobField::FromString(const QString& text) const {
    if (text.isEmpty()) {
        return {};
    }
    return text.toUtf8();
}

TFieldValue TBlobField::FromInteger(int32_t value) const {
    return FromString(QString::number(value));
}

TFieldValue TBlobField::FromFloat(double value) const {
    return FromString(FormatGeneral(value));
}

TFieldValue TMemoField::FromString(const QString& text) const {
    if (text.isEmpty()) {
        return {};
    }
    return text;
}

// ---- TDateTimeField ------------------------------------------------------------------

TDateTimeField::TDateTimeField(TMemoryDataSet* dataSet, const QString& name)
    : TField(dataSet, name, TFieldType::ftDateTime, 0) {}

QString TDateTimeField::GetAsString(const TFieldValue& value) const {
    const auto* f = std::get_if<double>(&value);
    return f ? DateTimeToStr(DaysToDateTime(*f)) : QString();
}

double TDateTimeField::GetAsFloat(const TFieldValue& value) const {
    const auto* f = std::get_if<double>(&value);
    return f ? *f : 0.0;
}

QDateTime TDateTimeField::GetAsDateTime(const TFieldValue& value) const {
    const auto* f = std::get_if<double>(&value);
    return f ? DaysToDateTime(*f) : QDateTime();
}

QString TDateTimeField::GetDisplayText(const TFieldValue& value) const {
    return FormatDateTime(DisplayFormat(), GetAsDateTime(value));
}

TFieldValue TDateTimeField::FromString(const QString& text) const {
    const QString t = Trim(text);
    if (t.isEmpty()) {
        return {};
    }
    QDateTime dt;
    if (!TryStrToDateTime(t, dt)) {
        throw EConvertError(
            QStringLiteral("'%1' não é uma data válida para o campo '%2'.").arg(text, FieldName()));
    }
    return FromDateTime(dt);
}

TFieldValue TDateTimeField::FromFloat(double value) const {
    if (!std::isfinite(value) || std::fabs(value) > 2958466.0) {
        throw EDataSetError(QStringLiteral("O valor %1 não é uma data válida para o campo '%2'.")
                                .arg(FormatGeneral(value), FieldName()));
    }
    return value;
}

TFieldValue TDateTimeField::FromDateTime(const QDateTime& value) const {
    return value.isValid() ? TFieldValue{DateTimeToDays(value)} : TFieldValue{};
}

}  // namespace quorin

#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <Qt>
#include <cstdint>

#include "dataset/FieldValue.h"

namespace quorin {

class TMemoryDataSet;

/// The kinds of value a field holds. Keep in sync with FieldTypeNames and with
/// the kind codes of the data-packet format (docs/data-packet.md).
enum class TFieldType : uint8_t {
    ftSmallint = 1,  ///< 16-bit signed integer
    ftInteger = 2,   ///< 32-bit signed integer
    ftFloat = 3,     ///< 64-bit IEEE double (a currency field is a float with the currency flag)
    ftString = 4,    ///< text of at most Size() characters
    ftBlob = 5,      ///< variable-length bytes, read as UTF-8 text
    ftMemo = 6,      ///< variable-length text
    ftDateTime = 7,  ///< date and time of day
};

/// Portuguese name of a field kind, for messages ("inteiro curto", "texto", ...).
QString FieldTypeName(TFieldType type);
/// True for the kind codes this version knows.
bool IsKnownFieldType(int code);

/// The TField class is the base of the typed fields of a TMemoryDataSet. A field
/// reads and writes one column of the data set's active row (the cursor row, or
/// the row being edited or appended) and knows how to show its value.
///
/// Reading a null gives 0, an empty text or an invalid QDateTime. Writing an empty
/// text or an invalid QDateTime stores null. Writing outside edit or insert mode
/// raises EDataSetError.
class TField {
  public:
    TField(TMemoryDataSet* dataSet, const QString& name, TFieldType type, int size);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TMemoryDataSet* DataSet() const { return dataSet_; }
    const QString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    /// Position in the data set's field list (0-based).
    int Index() const { return index_; }
    /// Characters of a text field; 0 for the other kinds.
    int Size() const { return size_; }

    /// Picture ("#,##0.0000", "0000") for numbers, pattern for dates; empty means
    /// the kind's own default form.
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }
    /// Defaults: numbers right, everything else left.
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    /// Column title for grids; the field name unless set.
    QString DisplayLabel() const { return displayLabel_.isEmpty() ? name_ : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }

    bool IsNull() const;
    /// Stores null (edit or insert mode only).
    void Clear();

    /// Plain text of the value: decimal numbers without display format (the
    /// regional decimal separator for floats), "c" form for time stamps.
    QString AsString() const;
    void SetAsString(const QString& text);
    /// SetAsString(source.AsString()) for a text or blob field; a row being
    /// appended keeps the source row's bytes instead of a copy when it can.
    void SetAsTextOf(const TField& source);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);
    double AsFloat() const;
    void SetAsFloat(double value);
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value);
    /// The value as QVariant (null QVariant for null): int, double, QString, QByteArray, QDateTime.
    QVariant AsVariant() const;

    /// The stored value as it is; SetValue converts from any TFieldValue.
    TFieldValue Value() const;
    void SetValue(const TFieldValue& value);

    /// The value as a grid shows it: DisplayFormat applied; a float without one in
    /// its shortest general form; a null as an empty text.
    QString DisplayText() const;

    /// The same for the row at a 1-based visible position, without moving the
    /// cursor (what a grid needs to paint any row). Out of range reads as null.
    QString DisplayTextAt(int recNo) const;
    TFieldValue ValueAt(int recNo) const;
    bool IsNullAt(int recNo) const;

    /// Conversions of a stored value, used by the data set (filters, CSV, grids).
    QString TextOf(const TFieldValue& value) const { return GetAsString(value); }
    QString DisplayTextOf(const TFieldValue& value) const;
    /// Converts a text (plain form, regional separators) into a value of this
    /// field; an empty text is null. Raises EConvertError / EDataSetError.
    TFieldValue ValueFromString(const QString& text) const { return FromString(text); }
    /// Brings any stored value to this field's storage form (cuts long texts).
    TFieldValue Normalize(const TFieldValue& value) const;

  protected:
    virtual QString GetAsString(const TFieldValue& value) const = 0;
    virtual int32_t GetAsInteger(const TFieldValue& value) const;
    virtual double GetAsFloat(const TFieldValue& value) const;
    virtual QDateTime GetAsDateTime(const TFieldValue& value) const;
    virtual QString GetDisplayText(const TFieldValue& value) const;
    virtual TFieldValue FromString(const QString& text) const = 0;
    virtual TFieldValue FromInteger(int32_t value) const;
    virtual TFieldValue FromFloat(double value) const;
    virtual TFieldValue FromDateTime(const QDateTime& value) const;

    [[noreturn]] void RaiseConversion(const QString& targetKind) const;

  private:
    friend class TMemoryDataSet;
    TMemoryDataSet* dataSet_;
    QString name_;
    TFieldType type_;
    int size_;
    int index_ = -1;   // position in Fields()
    int column_ = -1;  // position in the stored row
    QString displayFormat_;
    QString displayLabel_;
    Qt::Alignment alignment_;
};

/// 32-bit signed integer field.
class TIntegerField : public TField {
  public:
    TIntegerField(TMemoryDataSet* dataSet, const QString& name)
        : TIntegerField(dataSet, name, TFieldType::ftInteger) {}

  protected:
    TIntegerField(TMemoryDataSet* dataSet, const QString& name, TFieldType type);
    QString GetAsString(const TFieldValue& value) const override;
    int32_t GetAsInteger(const TFieldValue& value) const override;
    double GetAsFloat(const TFieldValue& value) const override;
    QString GetDisplayText(const TFieldValue& value) const override;
    TFieldValue FromString(const QString& text) const override;
    TFieldValue FromInteger(int32_t value) const override;
    TFieldValue FromFloat(double value) const override;
    virtual int32_t MinValue() const { return INT32_MIN; }
    virtual int32_t MaxValue() const { return INT32_MAX; }
    TFieldValue Checked(int64_t value) const;
};

/// 16-bit signed integer field; a value outside -32768..32767 is refused.
class TSmallintField : public TIntegerField {
  public:
    TSmallintField(TMemoryDataSet* dataSet, const QString& name)
        : TIntegerField(dataSet, name, TFieldType::ftSmallint) {}

  protected:
    int32_t MinValue() const override { return INT16_MIN; }
    int32_t MaxValue() const override { return INT16_MAX; }
};

/// 64-bit floating-point field. With the currency flag and no display format it
/// shows as money ("R$ 1.234,50").
class TFloatField : public TField {
  public:
    TFloatField(TMemoryDataSet* dataSet, const QString& name, bool currency = false);
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency) { currency_ = currency; }

  protected:
    QString GetAsString(const TFieldValue& value) const override;
    int32_t GetAsInteger(const TFieldValue& value) const override;
    double GetAsFloat(const TFieldValue& value) const override;
    QString GetDisplayText(const TFieldValue& value) const override;
    TFieldValue FromString(const QString& text) const override;
    TFieldValue FromInteger(int32_t value) const override;
    TFieldValue FromFloat(double value) const override;

  private:
    bool currency_;
};

/// Text of at most Size() characters; a longer text is cut when written.
class TStringField : public TField {
  public:
    TStringField(TMemoryDataSet* dataSet, const QString& name, int size);

  protected:
    QString GetAsString(const TFieldValue& value) const override;
    int32_t GetAsInteger(const TFieldValue& value) const override;
    double GetAsFloat(const TFieldValue& value) const override;
    QDateTime GetAsDateTime(const TFieldValue& value) const override;
    TFieldValue FromString(const QString& text) const override;
    TFieldValue FromInteger(int32_t value) const override;
    TFieldValue FromFloat(double value) const override;
    TFieldValue FromDateTime(const QDateTime& value) const override;
};

/// Variable-length bytes; read and written as UTF-8 text.
class TBlobField : public TField {
  public:
    TBlobField(TMemoryDataSet* dataSet, const QString& name)
        : TBlobField(dataSet, name, TFieldType::ftBlob) {}
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& bytes);

  protected:
    TBlobField(TMemoryDataSet* dataSet, const QString& name, TFieldType type);
    QString GetAsString(const TFieldValue& value) const override;
    int32_t GetAsInteger(const TFieldValue& value) const override;
    double GetAsFloat(const TFieldValue& value) const override;
    TFieldValue FromString(const QString& text) const override;
    TFieldValue FromInteger(int32_t value) const override;
    TFieldValue FromFloat(double value) const override;
};

/// A blob that holds text.
class TMemoField : public TBlobField {
  public:
    TMemoField(TMemoryDataSet* dataSet, const QString& name)
        : TBlobField(dataSet, name, TFieldType::ftMemo) {}

  protected:
    TFieldValue FromString(const QString& text) const override;
};

/// Date and time of day, stored as days since 1899-12-30 in local time. Without
/// a display format it shows the short date, then the time unless it is midnight.
class TDateTimeField : public TField {
  public:
    TDateTimeField(TMemoryDataSet* dataSet, const QString& name);

  protected:
    QString GetAsString(const TFieldValue& value) const override;
    double GetAsFloat(const TFieldValue& value) const override;
    QDateTime GetAsDateTime(const TFieldValue& value) const override;
    QString GetDisplayText(const TFieldValue& value) const override;
    TFieldValue FromString(const QString& text) const override;
    TFieldValue FromFloat(double value) const override;
    TFieldValue FromDateTime(const QDateTime& value) const override;
};

}  // namespace quorin

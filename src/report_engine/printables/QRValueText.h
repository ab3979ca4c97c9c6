#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "report_engine/expr/TQREvResult.h"

namespace quorin {

class TField;

/// The text an expression control prints for a value: numbers through the
/// mask (an empty mask gives the general number form), a text or an error
/// message as it is, a Boolean as "True" or "False" whatever the mask.
QString QRExprValueText(const TQREvResult& value, const QString& mask);

/// The text an expression inside an expression memo becomes: an integer in
/// decimal, a double in the general number form, a text as it is, a Boolean as
/// "True" or "False", an error as nothing.
QString QRMergeValueText(const TQREvResult& value);

/// The text a data text control prints for a field that is not a memo or a
/// blob. Without a mask, and for a text field, the field's display text;
/// integers and floats through the mask as numbers, date-times through it as a
/// date pattern. A field of any other class leaves the text as it was
/// (nullopt). A value that cannot be read or formatted gives an empty text.
std::optional<QString> QRFieldText(const TField& field, const QString& mask);

/// How QRFieldText turns a field of that class with that mask into text,
/// found once so that printing a field per record does not ask its class again.
enum class TQRFieldTextKind : uint8_t { DisplayText, Integer, Float, DateTime, Unchanged };
TQRFieldTextKind QRFieldTextKindOf(const TField& field, const QString& mask);
/// QRFieldText for a kind found by QRFieldTextKindOf for this field and mask.
std::optional<QString> QRFieldText(const TField& field, const QString& mask, TQRFieldTextKind kind);

/// True for the fields that a data text control prints as lines.
bool QRIsMemoField(const TField& field);

}  // namespace quorin

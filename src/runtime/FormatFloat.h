#pragma once

#include <QString>

#include "runtime/FormatSettings.h"

namespace quorin {

/// Formats a number with a picture: "0" digit always shown, "#" digit shown when
/// significant, "." decimal point, "," grouping, "E+"/"E-"/"e+"/"e-" with exponent
/// digits, quoted text, ";" sections for positive, negative and zero; every other
/// character is copied where it stands. Rounds half away from zero on the shortest
/// decimal that reads back as the value. An empty picture gives FormatGeneral.
QString FormatFloat(const QString& picture, double value,
                    const FormatSettings& settings = FormatSettings::current());

/// The general floating-point form: the shortest text with at most 15 significant
/// digits, fixed notation for magnitudes from 0,0001 up to 15 integer digits,
/// scientific ("1,5E20", "1E-5") outside them.
QString FormatGeneral(double value, const FormatSettings& settings = FormatSettings::current());

}  // namespace quorin

#pragma once

#include <QString>
#include <QStringList>

namespace quorin {

/// Registers every printable of this folder with the definition tables under
/// its class name ("TQRLabel", "TQRMemo", "TQRDBText", "TQRExpr",
/// "TQRSysData", "TQRDBCalc", "TQRExprMemo", "TQRShape", "TQRImage",
/// "TQRDBImage"). Calling it again changes nothing.
///
/// Row properties each kind reads (besides the common ones the definition applies):
/// - text kinds: "Caption", "AutoSize", "AutoStretch", "WordWrap", "Lines" (list of texts)
/// - TQRDBText, TQRDBImage: "DataSet" (the data set, or its object name: the
///   report's data set or a data set owned by the report's owner), "DataField"; TQRDBText "Mask"
/// - TQRExpr: "Expression", "Mask", "Master" (a report or sub-detail, or its
///   name), "ResetAfterPrint"; TQRDBCalc: "DataField", "Operation" ("qrcSum"...), "PrintMask"
/// - TQRSysData: "Data" ("qrsPageNumber"...), "Text"
/// - TQRExprMemo: "Lines", "RemoveBlankLines"
/// - TQRShape: "Shape" ("qrsHorLine"...), "PenColor", "PenWidth", "BrushColor",
///   "BrushClear", "RoundFactor", "VertAdjust"
/// - TQRImage: "Picture" (a QImage), "AutoSize", "Center", "Stretch";
///   TQRDBImage: "Center", "Stretch"
void QRRegisterPrintableKinds();

/// The kinds QRRegisterPrintableKinds registers.
QStringList QRPrintableKindNames();

}  // namespace quorin

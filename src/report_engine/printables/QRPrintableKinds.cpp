#include "report_engine/printables/QRPrintableKinds.h"

#include <QColor>
#include <QImage>
#include <QVariant>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/TQRCustomLabel.h"
#include "report_engine/printables/TQRDBText.h"
#include "report_engine/printables/TQRExpr.h"
#include "report_engine/printables/TQRExprMemo.h"
#include "report_engine/printables/TQRImage.h"
#include "report_engine/printables/TQRShape.h"
#include "report_engine/printables/TQRSysData.h"
#include "runtime/Exceptions.h"

namespace quorin {

namespace {

// An enumeration value named in a row, by its name or its number. Keep the
// name lists in the order of their enumerations.
int EnumValue(const QVariant& value, const QStringList& names, const QString& property) {
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (isNumber && number >= 0 && number < names.size()) {
        return number;
    }
    const int index = names.indexOf(value.toString());
    if (index < 0) {
        throw Exception(
            QStringLiteral("Valor \"%1\" inválido para a propriedade %2.").arg(value.toString(), property));
    }
    return index;
}

const QStringList kSysDataNames{"qrsTime",        "qrsDate",        "qrsDateTime", "qrsPageNumber",
                                "qrsReportTitle", "qrsDetailCount", "qrsDetailNo"};
const QStringList kShapeNames{"qrsRectangle",    "qrsCircle",       "qrsVertLine", "qrsHorLine",
                              "qrsTopAndBottom", "qrsRightAndLeft", "qrsRoundRect"};
const QStringList kCalcNames{"qrcSum", "qrcCount", "qrcMax", "qrcMin", "qrcAverage"};

TCustomQuickRep* ReportOf(TQRControl* parent) {
    for (TQRControl* c = parent; c != nullptr; c = c->ParentControl()) {
        if (auto* report = dynamic_cast<TCustomQuickRep*>(c)) {
            return report;
        }
    }
    return nullptr;
}

TMemoryDataSet* DataSetOf(TQRControl* parent, const QVariant& value) {
    if (auto* dataSet = qobject_cast<TMemoryDataSet*>(value.value<QObject*>())) {
        return dataSet;
    }
    const QString name = value.toString();
    TCustomQuickRep* report = ReportOf(parent);
    if (name.isEmpty() || report == nullptr) {
        return nullptr;
    }
    if (report->DataSet() != nullptr && report->DataSet()->objectName() == name) {
        return report->DataSet();
    }
    if (QObject* owner = report->parent()) {
        if (auto* dataSet = owner->findChild<TMemoryDataSet*>(name)) {
            return dataSet;
        }
    }
    throw Exception(QStringLiteral("Conjunto de dados \"%1\" não encontrado para o relatório.").arg(name));
}

QObject* MasterOf(TQRControl* parent, const QVariant& value) {
    if (QObject* object = value.value<QObject*>()) {
        return object;
    }
    const QString name = value.toString();
    TCustomQuickRep* report = ReportOf(parent);
    if (name.isEmpty() || report == nullptr) {
        return nullptr;
    }
    if (report->Name() == name) {
        return report;
    }
    for (TQRCustomBand* band : report->BandList()) {
        if (band->Name() == name) {
            return band;
        }
    }
    if (auto* found = report->findChild<QObject*>(name)) {
        return found;
    }
    throw Exception(QStringLiteral("Mestre \"%1\" não encontrado no relatório.").arg(name));
}

template <typename T>
T* Make(TQRControl* parent, const TQRPrintableRow& row) {
    auto* printable = new T(parent);
    printable->SetName(row.Name);
    printable->SetBounds(row.Left, row.Top, row.Width, row.Height);
    return printable;
}

void ApplyText(TQRCustomLabel& label, const QVariantMap& p) {
    if (p.contains("AutoSize")) {
        label.SetAutoSize(p.value("AutoSize").toBool());
    }
    if (p.contains("WordWrap")) {
        label.SetWordWrap(p.value("WordWrap").toBool());
    }
    if (p.contains("AutoStretch")) {
        label.AutoStretch = p.value("AutoStretch").toBool();
    }
    if (p.contains("Lines")) {
        label.SetLines(p.value("Lines").toStringList());
    }
    if (p.contains("Caption")) {
        label.SetCaption(p.value("Caption").toString());
    }
}

template <typename T>
TQRPrintable* MakeText(TQRControl* parent, const TQRPrintableRow& row) {
    T* label = Make<T>(parent, row);
    ApplyText(*label, row.Properties);
    return label;
}

TQRPrintable* MakeDBText(TQRControl* parent, const TQRPrintableRow& row) {
    auto* text = Make<TQRDBText>(parent, row);
    const QVariantMap& p = row.Properties;
    text->SetDataSet(DataSetOf(parent, p.value("DataSet")));
    text->SetDataField(p.value("DataField").toString());
    text->Mask = p.value("Mask").toString();
    ApplyText(*text, p);
    return text;
}

void ApplyExpr(TQRExpr& expr, TQRControl* parent, const QVariantMap& p) {
    if (p.contains("Expression")) {
        expr.SetExpression(p.value("Expression").toString());
    }
    if (p.contains("Mask")) {
        expr.SetMask(p.value("Mask").toString());
    }
    expr.SetMaster(MasterOf(parent, p.value("Master")));
    expr.ResetAfterPrint = p.value("ResetAfterPrint").toBool();
    ApplyText(expr, p);
}

TQRPrintable* MakeExpr(TQRControl* parent, const TQRPrintableRow& row) {
    auto* expr = Make<TQRExpr>(parent, row);
    ApplyExpr(*expr, parent, row.Properties);
    return expr;
}

TQRPrintable* MakeDBCalc(TQRControl* parent, const TQRPrintableRow& row) {
    auto* calc = Make<TQRDBCalc>(parent, row);
    const QVariantMap& p = row.Properties;
    if (p.contains("Operation")) {
        calc->SetOperation(
            static_cast<TQRCalcOperation>(EnumValue(p.value("Operation"), kCalcNames, "Operation")));
    }
    calc->SetDataField(p.value("DataField").toString());
    calc->SetPrintMask(p.value("PrintMask").toString());
    ApplyExpr(*calc, parent, p);
    return calc;
}

TQRPrintable* MakeSysData(TQRControl* parent, const TQRPrintableRow& row) {
    auto* data = Make<TQRSysData>(parent, row);
    const QVariantMap& p = row.Properties;
    if (p.contains("Data")) {
        data->SetData(static_cast<TQRSysDataType>(EnumValue(p.value("Data"), kSysDataNames, "Data")));
    }
    data->SetText(p.value("Text").toString());
    if (p.contains("AutoSize")) {
        data->SetAutoSize(p.value("AutoSize").toBool());
    }
    return data;
}

TQRPrintable* MakeExprMemo(TQRControl* parent, const TQRPrintableRow& row) {
    auto* memo = Make<TQRExprMemo>(parent, row);
    memo->RemoveBlankLines = row.Properties.value("RemoveBlankLines").toBool();
    ApplyText(*memo, row.Properties);
    return memo;
}

TQRPrintable* MakeShape(TQRControl* parent, const TQRPrintableRow& row) {
    auto* shape = Make<TQRShape>(parent, row);
    const QVariantMap& p = row.Properties;
    if (p.contains("Shape")) {
        shape->Shape = static_cast<TQRShapeType>(EnumValue(p.value("Shape"), kShapeNames, "Shape"));
    }
    if (p.contains("PenColor")) {
        shape->Pen.Color = p.value("PenColor").value<QColor>();
    }
    if (p.contains("PenWidth")) {
        shape->Pen.Width = p.value("PenWidth").toInt();
    }
    if (p.contains("BrushColor")) {
        shape->Brush.Color = p.value("BrushColor").value<QColor>();
    }
    if (p.value("BrushClear").toBool()) {
        shape->Brush.Style = TQRBrushStyle::bsClear;
    }
    if (p.contains("RoundFactor")) {
        shape->RoundFactor = p.value("RoundFactor").toFloat();
    }
    shape->VertAdjust = p.value("VertAdjust").toInt();
    return shape;
}

TQRPrintable* MakeImage(TQRControl* parent, const TQRPrintableRow& row) {
    auto* image = Make<TQRImage>(parent, row);
    const QVariantMap& p = row.Properties;
    image->Center = p.value("Center").toBool();
    image->Stretch = p.value("Stretch").toBool();
    image->SetPicture(p.value("Picture").value<QImage>());
    image->SetAutoSize(p.value("AutoSize").toBool());
    return image;
}

TQRPrintable* MakeDBImage(TQRControl* parent, const TQRPrintableRow& row) {
    auto* image = Make<TQRDBImage>(parent, row);
    const QVariantMap& p = row.Properties;
    image->SetDataSet(DataSetOf(parent, p.value("DataSet")));
    image->DataField = p.value("DataField").toString();
    image->Center = p.value("Center", true).toBool();
    image->Stretch = p.value("Stretch").toBool();
    return image;
}

}  // namespace

QStringList QRPrintableKindNames() {
    return {"TQRLabel",  "TQRMemo",     "TQRDBText", "TQRExpr",  "TQRSysData",
            "TQRDBCalc", "TQRExprMemo", "TQRShape",  "TQRImage", "TQRDBImage"};
}

void QRRegisterPrintableKinds() {
    TQRPrintableRegistry::Register("TQRLabel", MakeText<TQRLabel>);
    TQRPrintableRegistry::Register("TQRMemo", MakeText<TQRMemo>);
    TQRPrintableRegistry::Register("TQRDBText", MakeDBText);
    TQRPrintableRegistry::Register("TQRExpr", MakeExpr);
    TQRPrintableRegistry::Register("TQRSysData", MakeSysData);
    TQRPrintableRegistry::Register("TQRDBCalc", MakeDBCalc);
    TQRPrintableRegistry::Register("TQRExprMemo", MakeExprMemo);
    TQRPrintableRegistry::Register("TQRShape", MakeShape);
    TQRPrintableRegistry::Register("TQRImage", MakeImage);
    TQRPrintableRegistry::Register("TQRDBImage", MakeDBImage);
}

}  // namespace quorin

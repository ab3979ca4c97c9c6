#pragma once

// What the model tests share: a page sink whose fake driver offers every
// paper, two small printables (a fixed or computed text, and a text of many
// lines that stretches its band), a data set of lots and items, and readers
// for the recorded pages.

#include <QList>
#include <QPoint>
#include <QString>
#include <memory>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printer/QRFakePrinterDriver.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin::test {

/// A driver that offers every paper of the table and the custom size.
inline TQRFakePrinterDriver& EveryPaperDriver() {
    static TQRFakePrinterDriver* driver = [] {
        auto* d = new TQRFakePrinterDriver;
        d->Codes.clear();
        for (const TQRPaperSizeInfo& info : kQRPaperSizes) {
            if (info.size != TQRPaperSize::Default) {
                d->Codes.append(info.deviceCode);
            }
        }
        return d;
    }();
    return *driver;
}

/// Page sinks of the report read the fake driver, so they take the report's paper.
inline void UseFakePrinter(TCustomQuickRep& report) {
    report.PrinterFactory = [](TCustomQuickRep& r) {
        auto printer = std::make_unique<TQRPrinter>(&r);
        printer->SetPrinterDriver(&EveryPaperDriver());
        return printer;
    };
}

/// A text printable: a fixed caption, or the value of an expression over the
/// report's data sets. Draws one line at the top left of its box and hands
/// it to the export filter.
class TTestText : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TTestText(TQRControl* parent) : TQRPrintable(parent) {}
    QString Caption;
    QString Expression;
    /// Every text printed, in order (for reports that run without a canvas).
    QStringList Printed;

    void Prepare() override {
        TQRPrintable::Prepare();
        Printed.clear();
        if (!Expression.isEmpty()) {
            TCustomQuickRep* report = ParentReport();
            evaluator_.SetDatasets(&report->DataSetList());
            evaluator_.Environment = &report->Functions();
            evaluator_.Prepare(Expression);
        }
    }
    void UnPrepare() override {
        if (evaluator_.Prepared()) {
            evaluator_.UnPrepare();
        }
        TQRPrintable::UnPrepare();
    }
    QString Text() {
        if (!evaluator_.Prepared()) {
            return Caption;
        }
        const TQREvResult value = evaluator_.Value();
        switch (value.ResultType) {
            case resInt:
                return Caption + QString::number(value.IntegerValue);
            case resDouble:
                return Caption + QString::number(value.DoubleValue);
            case resBool:
                return Caption + (value.BooleanValue ? QStringLiteral("True") : QStringLiteral("False"));
            default:
                return Caption + value.StringValue();
        }
    }
    void Print(int OfsX, int OfsY) override {
        if (!IsEnabled()) {
            return;
        }
        TCustomQuickRep* report = ParentReport();
        const QString text = Text();
        Printed.append(text);
        const long double left = OfsX + Size().Left();
        const long double top = OfsY + Size().Top();
        if (report->RenderToCanvas && QRPrinter->GetCanvas() != nullptr) {
            TQRCanvas* canvas = QRPrinter->GetCanvas();
            canvas->Font = Font();
            canvas->TextAlign = TAlignment::taLeftJustify;
            canvas->TransparentBackground = true;
            canvas->TextOut(QRPrinter->XPos(static_cast<double>(left)), QRPrinter->YPos(static_cast<double>(top)), text);
        }
        if (report->ExportFilter != nullptr) {
            report->ExportFilter->TextOut(static_cast<double>(left), static_cast<double>(top), Font(), Font().Color,
                                          Alignment(), text);
        }
        TQRPrintable::Print(OfsX, OfsY);
    }

  private:
    TQREvaluator evaluator_;
};

/// Count lines "<prefix>1".."<prefix>Count", each as high as the box; the
/// box shows one and stretches its band for the rest, continuing in the next
/// column or page when the band cannot grow.
class TTestLines : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TTestLines(TQRControl* parent) : TQRPrintable(parent) {}
    int Count = 1;
    QString Prefix = QStringLiteral("L");

    void Print(int OfsX, int OfsY) override {
        TCustomQuickRep* report = ParentReport();
        TQRCustomBand* band = ParentBand();
        if (PrintDone) {
            next_ = 0;
        }
        const long double lineHeight = Size().Height();
        const long double top = OfsY + Size().Top();
        long double cursor = top;
        long double limit = top + Size().Height() + 1;
        long double expansion = 0;
        bool expanded = false;
        while (next_ < Count) {
            if (cursor + lineHeight > limit) {
                if (!band->CanExpand(lineHeight)) {
                    break;
                }
                band->ExpandBand(lineHeight, expansion, expanded);
                limit = top + Size().Height() + 1 + expansion;
            }
            if (report->RenderToCanvas && QRPrinter->GetCanvas() != nullptr) {
                TQRCanvas* canvas = QRPrinter->GetCanvas();
                canvas->Font = Font();
                canvas->TextAlign = TAlignment::taLeftJustify;
                canvas->TextOut(QRPrinter->XPos(static_cast<double>(OfsX + Size().Left())),
                                QRPrinter->YPos(static_cast<double>(cursor)), Prefix + QString::number(next_ + 1));
            }
            cursor += lineHeight;
            ++next_;
        }
        PrintDone = next_ >= Count;
    }

  private:
    int next_ = 0;
};

/// Registers the kinds "Text" (Caption, Expression) and "Lines" (Count, Prefix).
inline void RegisterTestPrintables() {
    TQRPrintableRegistry::Register(QStringLiteral("Text"), [](TQRControl* parent, const TQRPrintableRow& row) {
        auto* text = new TTestText(parent);
        text->Caption = row.Properties.value(QStringLiteral("Caption")).toString();
        text->Expression = row.Properties.value(QStringLiteral("Expression")).toString();
        return text;
    });
    TQRPrintableRegistry::Register(QStringLiteral("Lines"), [](TQRControl* parent, const TQRPrintableRow& row) {
        auto* lines = new TTestLines(parent);
        lines->Count = row.Properties.value(QStringLiteral("Count"), 1).toInt();
        lines->Prefix = row.Properties.value(QStringLiteral("Prefix"), QStringLiteral("L")).toString();
        return lines;
    });
}

/// A data set "CDS_Relatorio" with NRO_LOTE and NRO_ITEM, one row per lot given.
inline std::unique_ptr<TMemoryDataSet> LotsDataSet(const QList<int>& lots, QObject* owner = nullptr) {
    auto dataSet = std::make_unique<TMemoryDataSet>(owner);
    dataSet->setObjectName(QStringLiteral("CDS_Relatorio"));
    dataSet->AddIntegerField(QStringLiteral("NRO_LOTE"));
    dataSet->AddIntegerField(QStringLiteral("NRO_ITEM"));
    dataSet->CreateDataSet();
    int item = 0;
    for (int lot : lots) {
        dataSet->Append();
        dataSet->Fields()[0]->SetAsInteger(lot);
        dataSet->Fields()[1]->SetAsInteger(++item);
        dataSet->Post();
    }
    dataSet->First();
    return dataSet;
}

struct PageLine {
    QString Text;
    QPoint Position;  // recording pixels
};

/// The texts of page n of the printer, in drawing order, with their positions.
inline QList<PageLine> PageLines(TQRPrinter& printer, int n) {
    QList<PageLine> lines;
    std::unique_ptr<TQRPageRecording> page = printer.GetPage(n);
    if (!page) {
        return lines;
    }
    for (const TQREmfPlayer::TextRecord& record : TQREmfPlayer::Texts(page->Data())) {
        lines.append({record.Text, record.Position.toPoint()});
    }
    return lines;
}

inline QStringList PageTexts(TQRPrinter& printer, int n) {
    QStringList texts;
    for (const PageLine& line : PageLines(printer, n)) {
        texts.append(line.Text);
    }
    return texts;
}

/// Every page's texts joined with "|", pages separated by " / ".
inline QString AllPages(TQRPrinter& printer) {
    QStringList pages;
    for (int n = 1; n <= printer.GetPageCount(); ++n) {
        pages.append(PageTexts(printer, n).join(QLatin1Char('|')));
    }
    return pages.join(QStringLiteral(" / "));
}

/// Native units to recording pixels, as the page sink places them.
inline int Px(TQRPrinter& printer, long double native) {
    return printer.YPos(static_cast<double>(native));
}

/// A "Text" row with a caption.
inline TQRPrintableRow Caption(const QString& band, const QString& caption, int left = 0, int top = 0) {
    TQRPrintableRow row;
    row.Kind = QStringLiteral("Text");
    row.Band = band;
    row.Left = left;
    row.Top = top;
    row.Width = 100;
    row.Height = 15;
    row.Properties.insert(QStringLiteral("Caption"), caption);
    return row;
}

/// A "Text" row with an expression (printed after the caption).
inline TQRPrintableRow Expr(const QString& band, const QString& caption, const QString& expression, int left = 0,
                            int top = 0) {
    TQRPrintableRow row = Caption(band, caption, left, top);
    row.Properties.insert(QStringLiteral("Expression"), expression);
    return row;
}

inline TQRBandRow Band(const QString& name, TQRBandType type, int height, QVariantMap properties = {}) {
    TQRBandRow row;
    row.Name = name;
    row.Type = type;
    row.Height = height;
    row.Properties = std::move(properties);
    return row;
}

inline TQRBandRow Group(const QString& name, int height, const QString& expression, QVariantMap properties = {}) {
    TQRBandRow row = Band(name, rbGroupHeader, height, std::move(properties));
    row.Kind = QStringLiteral("Group");
    row.Properties.insert(QStringLiteral("Expression"), expression);
    return row;
}

inline TQRBandRow Child(const QString& name, const QString& parent, int height) {
    TQRBandRow row = Band(name, rbChild, height, {{QStringLiteral("Parent"), parent}});
    row.Kind = QStringLiteral("Child");
    return row;
}

/// A report on A4 portrait, millimetre margins of 10, the fake printer.
inline std::unique_ptr<TQuickRep> NewReport(QObject* owner = nullptr) {
    auto report = std::make_unique<TQuickRep>(owner);
    UseFakePrinter(*report);
    report->Page().SetOrientation(poPortrait);
    report->Page().SetPaperSize(TQRPaperSize::A4);
    report->SetUnits(TQRUnit::MM);
    report->Page().SetTopMargin(10);
    report->Page().SetBottomMargin(10);
    report->Page().SetLeftMargin(10);
    report->Page().SetRightMargin(10);
    return report;
}

}  // namespace quorin::test

#include "report_engine/printables/TQRExprMemoMerger.h"

#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/printables/QRValueText.h"

namespace quorin {

TQRExprMemoMerger::TQRExprMemoMerger() = default;
TQRExprMemoMerger::~TQRExprMemoMerger() = default;

QStringList TQRExprMemoMerger::Split(const QStringList& lines, std::vector<Item>& items) {
    QStringList result;
    result.reserve(lines.size());
    for (int lineNo = 0; lineNo < lines.size(); ++lineNo) {
        const QString& line = lines[lineNo];
        QString text;
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = line.indexOf(u'{', from);
            if (open < 0) {
                break;
            }
            if (open + 1 < line.size() && line[open + 1] == u'}') {
                text += QStringView(line).mid(from, open + 2 - from);
                from = open + 2;
                continue;
            }
            const qsizetype close = line.indexOf(u'}', open + 1);
            if (close < 0) {
                break;
            }
            text += QStringView(line).mid(from, open - from);
            items.push_back(
                Item{lineNo, static_cast<int>(text.size()), line.mid(open + 1, close - open - 1)});
            from = close + 1;
        }
        text += QStringView(line).mid(from);
        result.append(text);
    }
    return result;
}

void TQRExprMemoMerger::Prepare(const QStringList& lines, TQRDataSetList* dataSets,
                                TQREvEnvironment* functions) {
    UnPrepare();
    template_ = Split(lines, items_);
    for (const Item& item : items_) {
        auto evaluator = std::make_unique<TQREvaluator>();
        evaluator->SetDatasets(dataSets);
        evaluator->Environment = functions;
        evaluator->Prepare(item.Expression);
        evaluators_.push_back(std::move(evaluator));
    }
    prepared_ = true;
}

QStringList TQRExprMemoMerger::Merge() {
    QStringList lines = template_;
    for (size_t i = items_.size(); i-- > 0;) {
        const Item& item = items_[i];
        lines[item.Line].insert(item.Position, QRMergeValueText(evaluators_[i]->Value()));
    }
    return lines;
}

void TQRExprMemoMerger::UnPrepare() {
    for (auto& evaluator : evaluators_) {
        evaluator->UnPrepare();
    }
    evaluators_.clear();
    items_.clear();
    template_.clear();
    prepared_ = false;
}

}  // namespace quorin

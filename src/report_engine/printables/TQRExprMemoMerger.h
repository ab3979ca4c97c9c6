#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElementDataField.h"

namespace quorin {

class TQREvaluator;
class TQREvEnvironment;

/// The TQRExprMemoMerger class fills expressions written in braces into the
/// lines of an expression memo. Prepare takes every pair of braces with at
/// least one character between them out of a copy of the lines and prepares
/// an evaluator for the text inside; Merge puts each value back where its
/// braces were. An opening brace without a closing one after it leaves the
/// rest of its line as it is; "{}" stays as written.
class TQRExprMemoMerger {
  public:
    struct Item {
        int Line = 0;
        int Position = 0;
        QString Expression;
    };

    TQRExprMemoMerger();
    ~TQRExprMemoMerger();
    TQRExprMemoMerger(const TQRExprMemoMerger&) = delete;
    TQRExprMemoMerger& operator=(const TQRExprMemoMerger&) = delete;

    /// Splits the lines into the text without braces and the expressions.
    static QStringList Split(const QStringList& lines, std::vector<Item>& items);

    void Prepare(const QStringList& lines, TQRDataSetList* dataSets, TQREvEnvironment* functions);
    /// The lines with every expression's current value; expressions are
    /// evaluated last first, so earlier positions stay valid.
    QStringList Merge();
    void UnPrepare();
    bool Prepared() const { return prepared_; }
    const std::vector<Item>& Items() const { return items_; }

  private:
    QStringList template_;
    std::vector<Item> items_;
    std::vector<std::unique_ptr<TQREvaluator>> evaluators_;
    bool prepared_ = false;
};

}  // namespace quorin

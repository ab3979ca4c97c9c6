#include "report_engine/expr/TQREvaluator.h"

#include "dataset/Field.h"
#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQREvElementArgumentEnd.h"
#include "report_engine/expr/TQREvElementConstant.h"
#include "report_engine/expr/TQREvElementError.h"
#include "report_engine/expr/TQREvElementNot.h"
#include "report_engine/expr/TQREvElementOperator.h"
#include "report_engine/expr/TQREvElementString.h"
#include "report_engine/expr/TQREvEnvironment.h"
#include "report_engine/expr/TQRFunctionLibrary.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

namespace quorin {

namespace {

constexpr QChar kArgumentSeparator = u',';

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool IsAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Scans positions 1 to length - 1 (the last character is never an operator) and
// returns the 0-based index of the leftmost operator candidate that `match`
// accepts, or -1. A candidate is outside quotes, brackets and parentheses and
// not the first character.
template <typename Match>
qsizetype FindOperator(const QString& text, Match match) {
    bool inQuotes = false;
    bool inBrackets = false;
    int depth = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' && !inBrackets) {
            inQuotes = !inQuotes;
        } else if (c == u'[' && !inQuotes && !inBrackets) {
            inBrackets = true;
        } else if (c == u']' && inBrackets && !inQuotes) {
            inBrackets = false;
        } else if (!inQuotes && !inBrackets) {
            if (c == u'(') {
                ++depth;
            } else if (c == u')') {
                --depth;
            }
        }
        if (i >= 1 && depth == 0 && !inQuotes && !inBrackets && match(i)) {
            return i;
        }
    }
    return -1;
}

// A blank followed by the word and another blank ("or ", "and ").
bool WordAt(const QString& text, qsizetype i, QStringView word) {
    return text[i] == u' ' && i + 1 + word.size() <= text.size() &&
           QStringView(text).mid(i + 1, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// Swaps the two characters at depth 0 outside quotes. The right part of a
// subtraction or division is parsed as a whole, so its own operators must be
// turned round to keep the left-to-right meaning.
QString SignExchange(QString text, QChar a, QChar b) {
    bool inQuotes = false;
    bool inBrackets = false;
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' && !inBrackets) {
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            continue;
        } else if (c == u'[' && !inBrackets) {
            inBrackets = true;
        } else if (c == u']' && inBrackets) {
            inBrackets = false;
        } else if (inBrackets) {
            continue;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (depth == 0) {
            if (c == a) {
                text[i] = b;
            } else if (c == b) {
                text[i] = a;
            }
        }
    }
    return text;
}

QString Cut(const QString& text) {
    return text.left(TQREvResult::MaxStringLength);
}

}  // namespace

class TQREvaluator::NestingGuard {
  public:
    explicit NestingGuard(int& nesting) : nesting_(nesting) {}
    ~NestingGuard() { --nesting_; }

  private:
    int& nesting_;
};

TQREvaluator::TQREvaluator() = default;

TQREvaluator::~TQREvaluator() {
    if (prepared_) {
        UnPrepare();
    }
}

void TQREvaluator::SetDatasets(TQRDataSetList* dataSets) {
    if (ownDataSets_ && ownDataSets_.get() != dataSets) {
        ownDataSets_.reset();
    }
    dataSets_ = dataSets;
}

TQRDataSetList* TQREvaluator::GetDatasets() {
    if (dataSets_ == nullptr) {
        ownDataSets_ = std::make_unique<TQRDataSetList>();
        dataSets_ = ownDataSets_.get();
    }
    return dataSets_;
}

void TQREvaluator::Prepare(const QString& expression) {
    if (prepared_) {
        UnPrepare();
    }
    if (TQREvEnvironment* global = QRGlobalEnvironment()) {
        global->Prepare();
    }
    fifo_ = std::make_unique<TQRFiFo>();
    nesting_ = 0;
    Evaluate(expression.isEmpty() ? QStringLiteral("' '") : expression);
    prepared_ = true;
}

void TQREvaluator::UnPrepare() {
    fifo_.reset();
    prepared_ = false;
    if (TQREvEnvironment* global = QRGlobalEnvironment()) {
        global->Unprepare();
    }
}

TQREvResult TQREvaluator::Value() {
    if (!prepared_) {
        throw Exception(QRExprMessages::Text(QRExprMessages::NotPrepared));
    }
    fifo_->Start();
    TQREvElement* first = fifo_->Get();
    if (first == nullptr) {
        return TQREvResult::Error(QRExprMessages::Format(QRExprMessages::ErrorInExpression, QString()));
    }
    return first->Value(*fifo_);
}

void TQREvaluator::Reset() {
    if (!fifo_) {
        return;
    }
    for (int i = 0; i < fifo_->Count(); ++i) {
        fifo_->Item(i)->Reset();
    }
}

void TQREvaluator::DoAggregate() {
    SetAggregate(true);
    Value();
    SetAggregate(false);
}

void TQREvaluator::SetAggregate(bool aggregate) {
    if (fifo_) {
        fifo_->Aggregate = aggregate;
    }
}

bool TQREvaluator::GetIsAggreg() const {
    if (!fifo_) {
        return false;
    }
    for (int i = 0; i < fifo_->Count(); ++i) {
        if (fifo_->Item(i)->IsAggregate) {
            return true;
        }
    }
    return false;
}

TQREvResult TQREvaluator::Calculate(const QString& expression) {
    Prepare(expression);
    TQREvResult result = Value();
    UnPrepare();
    return result;
}

void TQREvaluator::PutError(const QString& message) {
    Put(std::make_unique<TQREvElementError>(message));
}

bool TQREvaluator::Enter(const QString& text) {
    if (nesting_ >= MaxNesting) {
        PutError(QRExprMessages::Format(QRExprMessages::ErrorInExpression, Cut(text)));
        return false;
    }
    ++nesting_;
    return true;
}

void TQREvaluator::Evaluate(const QString& text) {
    if (!Enter(text)) {
        return;
    }
    NestingGuard guard(nesting_);
    TQREvOperator op = opEqual;
    int length = 1;
    const qsizetype at = FindOperator(text, [&](qsizetype i) {
        const QChar c = text[i];
        const QChar next = text[i + 1];
        if (c == u'<') {
            op = next == u'>' ? opUnequal : (next == u'=' ? opLessOrEqual : opLess);
        } else if (c == u'=') {
            op = opEqual;
        } else if (c == u'>') {
            op = next == u'=' ? opGreaterOrEqual : opGreater;
        } else {
            return false;
        }
        length = op == opUnequal || op == opLessOrEqual || op == opGreaterOrEqual ? 2 : 1;
        return true;
    });
    if (at < 0) {
        EvalSimpleExpr(text);
        return;
    }
    Put(std::make_unique<TQREvElementOperator>(op));
    EvalSimpleExpr(text.left(at));
    EvalSimpleExpr(text.mid(at + length));
}

void TQREvaluator::EvalSimpleExpr(const QString& text) {
    if (!Enter(text)) {
        return;
    }
    NestingGuard guard(nesting_);
    TQREvOperator op = opPlus;
    const qsizetype at = FindOperator(text, [&](qsizetype i) {
        const QChar c = text[i];
        if (c == u'+') {
            op = opPlus;
        } else if (c == u'-') {
            op = opMinus;
        } else if (WordAt(text, i, u"or ")) {
            op = opOr;
        } else {
            return false;
        }
        return true;
    });
    if (at < 0) {
        EvalTerm(text);
        return;
    }
    Put(std::make_unique<TQREvElementOperator>(op));
    if (op == opOr) {
        // The left part keeps the blank before "or", the right part the one after it.
        EvalTerm(text.left(at + 1));
        EvalSimpleExpr(text.mid(at + 3));
    } else {
        EvalTerm(text.left(at));
        const QString right = text.mid(at + 1);
        EvalSimpleExpr(op == opMinus ? SignExchange(right, u'+', u'-') : right);
    }
}

void TQREvaluator::EvalTerm(const QString& text) {
    if (!Enter(text)) {
        return;
    }
    NestingGuard guard(nesting_);
    TQREvOperator op = opMul;
    const qsizetype at = FindOperator(text, [&](qsizetype i) {
        const QChar c = text[i];
        if (c == u'*') {
            op = opMul;
        } else if (c == u'/') {
            op = opDiv;
        } else if (WordAt(text, i, u"and ")) {
            op = opAnd;
        } else {
            return false;
        }
        return true;
    });
    if (at < 0) {
        EvalFactor(text);
        return;
    }
    Put(std::make_unique<TQREvElementOperator>(op));
    if (op == opAnd) {
        EvalFactor(text.left(at + 1));
        EvalTerm(text.mid(at + 4));
    } else {
        EvalFactor(text.left(at));
        const QString right = text.mid(at + 1);
        EvalTerm(op == opDiv ? SignExchange(right, u'*', u'/') : right);
    }
}

void TQREvaluator::EvalFactor(const QString& raw) {
    if (!Enter(raw)) {
        return;
    }
    NestingGuard guard(nesting_);
    const QString text = TrimString(raw);
    if (text.isEmpty()) {
        // "()", "+", "not", an empty argument or a comparison at the very end.
        PutError(QRExprMessages::Format(QRExprMessages::Missing, QStringLiteral("operand")));
        return;
    }
    if (text.size() >= 3 && QStringView(text).left(3).compare(u"not", Qt::CaseInsensitive) == 0) {
        Put(std::make_unique<TQREvElementNot>());
        EvalSimpleExpr(text.mid(3));
        return;
    }
    const QChar first = text[0];
    const QChar last = text[text.size() - 1];
    const bool enclosed = text.size() >= 2;
    if (first == u'\'') {
        if (enclosed && last == u'\'') {
            EvalString(text.mid(1, text.size() - 2));
        } else {
            PutError(QRExprMessages::Format(QRExprMessages::Missing, QStringLiteral("'")));
        }
    } else if (first == u'(') {
        if (enclosed && last == u')') {
            Evaluate(text.mid(1, text.size() - 2));
        } else {
            PutError(QRExprMessages::Format(QRExprMessages::Missing, QStringLiteral(")")));
        }
    } else if (first == u'+') {
        EvalFactor(text.mid(1));
    } else if (first == u'-') {
        EvalSimpleExpr(QStringLiteral("0-") + text.mid(1));
    } else if (IsAsciiDigit(first)) {
        EvalConstant(text);
    } else if (IsAsciiLetter(first)) {
        EvalFunctionExpr(text);
    } else if (first == u'[') {
        if (enclosed && last == u']') {
            EvalVariable(text.mid(1, text.size() - 2));
        } else {
            PutError(QRExprMessages::Format(QRExprMessages::Missing, QStringLiteral("]")));
        }
    } else {
        PutError(QRExprMessages::Format(QRExprMessages::ErrorInExpression, Cut(text)));
    }
}

void TQREvaluator::EvalConstant(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsAsciiDigit(text[i])) {
        ++i;
    }
    bool isDouble = false;
    while (i < text.size()) {
        const QChar c = text[i];
        if (!(IsAsciiDigit(c) || c == u'+' || c == u'-' || c == u'.' || c == u'E' || c == u'e')) {
            break;
        }
        isDouble = true;
        ++i;
    }
    const QString illegal = QRExprMessages::Format(QRExprMessages::IllegalNumeric, Cut(text));
    if (i < text.size()) {
        PutError(illegal);
        return;
    }
    if (!isDouble) {
        int32_t value = 0;
        if (TryStrToInt(text, value)) {
            Put(std::make_unique<TQREvElementConstant>(TQREvResult::Int(value)));
            return;
        }
    }
    const FormatSettings& settings = FormatSettings::current();
    QString number = text;
    if (settings.decimalSeparator != u'.') {
        number.replace(u'.', settings.decimalSeparator);
    }
    double value = 0.0;
    if (!TryStrToFloat(number, value, settings)) {
        PutError(illegal);
        return;
    }
    Put(std::make_unique<TQREvElementConstant>(TQREvResult::Double(value)));
}

void TQREvaluator::EvalString(const QString& text) {
    Put(std::make_unique<TQREvElementString>(Cut(text)));
}

void TQREvaluator::EvalFunctionExpr(const QString& text) {
    const qsizetype open = text.indexOf(u'(');
    if (open < 0) {
        EvalFunction(text, QString());
    } else if (text.endsWith(u')')) {
        EvalFunction(text.left(open), text.mid(open + 1, text.size() - open - 2));
    } else {
        EvalFunction(QString(), QString());
    }
}

void TQREvaluator::EvalFunction(const QString& name, const QString& arguments) {
    const QString upper = name.toUpper();
    std::unique_ptr<TQREvElement> element = QRFunctionLibrary().GetFunction(upper);
    if (dynamic_cast<TQREvElementError*>(element.get()) != nullptr) {
        if (arguments.isEmpty()) {
            EvalVariable(upper);
        } else {
            Put(std::move(element));
        }
        return;
    }
    Put(std::move(element));
    QString rest = arguments;
    for (;;) {
        const int at = FindDelimiter(rest);
        if (at == 0) {
            break;
        }
        Evaluate(rest.left(at - 1));
        rest = rest.mid(at);
    }
    if (!rest.isEmpty()) {
        Evaluate(rest);
    }
    Put(std::make_unique<TQREvElementArgumentEnd>());
}

void TQREvaluator::EvalVariable(const QString& name) {
    if (dataSets_ == nullptr) {
        EvalEnvironment(name);
        return;
    }
    const qsizetype dot = name.indexOf(u'.');
    const QString dataSetPart = dot < 0 ? QString() : name.left(dot).toUpper();
    const QString fieldPart = (dot < 0 ? name : name.mid(dot + 1)).toUpper();
    TMemoryDataSet* owner = nullptr;
    TField* field = TQREvElementDataField::FindField(*dataSets_, dataSetPart, fieldPart, &owner);
    if (field == nullptr) {
        EvalEnvironment(name);
        return;
    }
    Put(std::make_unique<TQREvElementDataField>(owner, field->Index(), field));
}

void TQREvaluator::EvalEnvironment(const QString& name) {
    std::unique_ptr<TQREvElement> element;
    if (Environment != nullptr) {
        element = Environment->Element(name);
        if (dynamic_cast<TQREvElementError*>(element.get()) != nullptr) {
            element.reset();
        }
    }
    if (!element) {
        TQREvEnvironment* global = QRGlobalEnvironment();
        element = global != nullptr ? global->Element(name)
                                    : std::make_unique<TQREvElementError>(
                                          QRExprMessages::Format(QRExprMessages::UnknownFunction, name));
    }
    Put(std::move(element));
}

int TQREvaluator::FindDelimiter(const QString& text) {
    bool inQuotes = false;
    bool inBrackets = false;
    int depth = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'' && !inBrackets) {
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            continue;
        } else if (c == u'[' && !inBrackets) {
            inBrackets = true;
        } else if (c == u']' && inBrackets) {
            inBrackets = false;
        } else if (inBrackets) {
            continue;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == kArgumentSeparator && depth == 0) {
            return static_cast<int>(i + 1);
        }
    }
    return 0;
}

QString TQREvaluator::TrimString(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    if (begin == end) {
        return text.isEmpty() ? QString() : QStringLiteral(" ");
    }
    return text.mid(begin, end - begin);
}

}  // namespace quorin

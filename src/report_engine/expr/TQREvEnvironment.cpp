#include "report_engine/expr/TQREvEnvironment.h"

#include <QCoreApplication>
#include <mutex>

#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/expr/QRExprMessages.h"
#include "report_engine/expr/TQREvElementConstant.h"
#include "report_engine/expr/TQREvElementError.h"
#include "report_engine/expr/TQREvElementString.h"
#include "report_engine/expr/TQREvElementWrapper.h"
#include "report_engine/expr/TQREvEmbeddedFunction.h"
#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/expr/TQRFiler.h"
#include "runtime/DateTime.h"
#include "runtime/FormatSettings.h"

namespace quorin {

namespace {

TQREvEnvironment* g_global = nullptr;

// Set while an environment unprepares its entries: their evaluators unprepare
// the global environment, which must then not unprepare its own entries again.
bool g_unprepareGuard = false;

// Destroys the global environment when the program ends. The pointer is cleared
// first, so the entries' evaluators find no global environment to unprepare.
struct GlobalShutdown {
    ~GlobalShutdown() {
        TQREvEnvironment* global = g_global;
        g_global = nullptr;
        delete global;
    }
} g_shutdown;

QString Quoted(const QString& text) {
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

}  // namespace

TQREvEnvironment* QRGlobalEnvironment() {
    static std::once_flag once;
    std::call_once(once, [] {
        auto* global = new TQREvEnvironment;
        const FormatSettings& settings = FormatSettings::current();
        const QDateTime now = QRNow();
        global->AddFunction(QStringLiteral("APPSTARTTIME"),
                            Quoted(FormatDateTime(settings.longTimeFormat, now)));
        global->AddFunction(QStringLiteral("APPSTARTDATE"),
                            Quoted(FormatDateTime(settings.shortDateFormat, now)));
        global->AddFunction(QStringLiteral("APPNAME"), Quoted(QCoreApplication::applicationName()));
        g_global = global;
    });
    return g_global;
}

TQREvEnvironment::TQREvEnvironment() = default;

TQREvEnvironment::~TQREvEnvironment() = default;

int TQREvEnvironment::IndexOf(const QString& name) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TQREvEnvironment::PrepareEntry(Entry& entry) {
    if (!entry.function) {
        return;
    }
    TQREvaluator& evaluator = entry.function->Evaluator();
    evaluator.SetDatasets(dataSets_);
    evaluator.Environment = this;
    evaluator.Prepare(entry.function->Expression());
}

void TQREvEnvironment::AddFunction(const QString& name, const QString& expression) {
    const QString upper = name.toUpper();
    if (IndexOf(upper) >= 0) {
        return;
    }
    entries_.push_back(Entry{upper, std::make_unique<TQREvEmbeddedFunction>(expression)});
    if (Prepared()) {
        PrepareEntry(entries_.back());
    }
}

void TQREvEnvironment::DeleteFunction(const QString& name) {
    const int index = IndexOf(name);
    if (index >= 0) {
        entries_.erase(entries_.begin() + index);
    }
}

void TQREvEnvironment::Clear() {
    entries_.clear();
}

void TQREvEnvironment::Prepare() {
    if (++prepareCount_ == 1) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            PrepareEntry(entries_[i]);
        }
    }
}

void TQREvEnvironment::Unprepare() {
    if (this == g_global && g_unprepareGuard) {
        return;
    }
    if (prepareCount_ == 0) {
        return;
    }
    const bool guard = g_unprepareGuard;
    g_unprepareGuard = true;
    if (--prepareCount_ == 0) {
        for (Entry& entry : entries_) {
            if (entry.function && entry.function->Evaluator().Prepared()) {
                entry.function->Evaluator().UnPrepare();
            }
        }
    }
    g_unprepareGuard = guard;
}

void TQREvEnvironment::SetDatasets(TQRDataSetList* dataSets) {
    if (ownDataSets_ && ownDataSets_.get() != dataSets) {
        ownDataSets_.reset();
    }
    dataSets_ = dataSets;
}

TQRDataSetList* TQREvEnvironment::GetDatasets() {
    if (dataSets_ == nullptr) {
        ownDataSets_ = std::make_unique<TQRDataSetList>();
        dataSets_ = ownDataSets_.get();
    }
    return dataSets_;
}

TQREvResult TQREvEnvironment::Value(const QString& name) {
    const int index = IndexOf(name);
    if (index < 0 || !entries_[static_cast<size_t>(index)].function) {
        return TQREvResult::Error(QRExprMessages::Format(QRExprMessages::UnknownFunction, name));
    }
    TQRFiFo none;
    return entries_[static_cast<size_t>(index)].function->Value(none);
}

std::unique_ptr<TQREvElement> TQREvEnvironment::Element(const QString& name) {
    const int index = IndexOf(name);
    if (index < 0 || !entries_[static_cast<size_t>(index)].function) {
        return std::make_unique<TQREvElementError>(
            QRExprMessages::Format(QRExprMessages::UnknownFunction, name));
    }
    return std::make_unique<TQREvElementWrapper>(entries_[static_cast<size_t>(index)].function.get());
}

TQREvElement* TQREvEnvironment::GetConstant(const QString& name) const {
    const int index = IndexOf(name);
    if (index < 0 || !entries_[static_cast<size_t>(index)].function) {
        return nullptr;
    }
    const TQREvaluator& evaluator = entries_[static_cast<size_t>(index)].function->Evaluator();
    if (!evaluator.Prepared() || evaluator.FiFo()->Count() == 0) {
        return nullptr;
    }
    return evaluator.FiFo()->Item(0);
}

void TQREvEnvironment::SetConstant(TQREvElement* element, const TQREvResult& value) {
    if (auto* constant = dynamic_cast<TQREvElementConstant*>(element)) {
        constant->Constant = value;
    } else if (auto* text = dynamic_cast<TQREvElementString*>(element)) {
        if (value.ResultType == resString) {
            text->Text = value.StringValue();
        }
    }
}

void TQREvEnvironment::SetStringConstant(TQREvElement* element, const QString& value) {
    if (auto* text = dynamic_cast<TQREvElementString*>(element)) {
        text->Text = value;
    }
}

void TQREvEnvironment::SetIntegerConstant(TQREvElement* element, int32_t value) {
    if (auto* constant = dynamic_cast<TQREvElementConstant*>(element)) {
        constant->Constant = TQREvResult::Int(value);
    }
}

void TQREvEnvironment::SetFloatConstant(TQREvElement* element, double value) {
    if (auto* constant = dynamic_cast<TQREvElementConstant*>(element)) {
        constant->Constant = TQREvResult::Double(value);
    }
}

void TQREvEnvironment::SetBooleanConstant(TQREvElement* element, bool value) {
    if (auto* constant = dynamic_cast<TQREvElementConstant*>(element)) {
        constant->Constant = TQREvResult::Bool(value);
    }
}

void TQREvEnvironment::UpdateConstant(const QString& name, const TQREvResult& value) {
    SetConstant(GetConstant(name), value);
}

void UpdateConstant(TQREvElement* element, const TQREvResult& value) {
    TQREvEnvironment::SetConstant(element, value);
}

QStringList TQREvEnvironment::Strings() const {
    QStringList names;
    for (const Entry& entry : entries_) {
        names.append(entry.name);
    }
    return names;
}

void TQREvEnvironment::SetStrings(const QStringList& names) {
    entries_.clear();
    for (const QString& name : names) {
        entries_.push_back(Entry{name.toUpper(), nullptr});
    }
}

void TQREvEnvironment::DefineProperties(TQRFiler& filer) {
    filer.DefineProperty(
        QStringLiteral("DATA"), [this](const QStringList& texts) { ReadProperties(texts); },
        [this] { return WriteProperties(); }, !entries_.empty());
}

QStringList TQREvEnvironment::WriteProperties() const {
    QStringList texts;
    for (const Entry& entry : entries_) {
        texts.append(entry.function ? entry.function->Expression() : QString());
    }
    return texts;
}

void TQREvEnvironment::ReadProperties(const QStringList& expressions) {
    const qsizetype n = std::min<qsizetype>(expressions.size(), static_cast<qsizetype>(entries_.size()));
    for (qsizetype i = 0; i < n; ++i) {
        Entry& entry = entries_[static_cast<size_t>(i)];
        entry.function = std::make_unique<TQREvEmbeddedFunction>(expressions[i]);
        if (Prepared()) {
            PrepareEntry(entry);
        }
    }
}

}  // namespace quorin

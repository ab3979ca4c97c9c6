#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElementDataField.h"
#include "report_engine/expr/TQREvResult.h"

namespace quorin {

class TQREvElement;
class TQREvEmbeddedFunction;
class TQRFiler;

/// A list of named expressions (a report's Functions, or the process-wide global
/// environment). Names are kept upper-cased and compared without regard to case.
/// While the environment is prepared every entry's expression is prepared too,
/// and an entry whose expression is one literal is a constant that the report
/// overwrites in place (page and column numbers, the title).
class TQREvEnvironment {
  public:
    TQREvEnvironment();
    ~TQREvEnvironment();
    TQREvEnvironment(const TQREvEnvironment&) = delete;
    TQREvEnvironment& operator=(const TQREvEnvironment&) = delete;

    /// Adds the name with its expression; a name already present keeps its own.
    void AddFunction(const QString& name, const QString& expression);
    void DeleteFunction(const QString& name);
    void Clear();

    void Prepare();
    void Unprepare();
    bool Prepared() const { return prepareCount_ > 0; }

    void SetDatasets(TQRDataSetList* dataSets);
    TQRDataSetList* GetDatasets();

    /// The named expression's value; resError for an unknown name.
    TQREvResult Value(const QString& name);
    /// A new element standing for the named expression, or an error element.
    std::unique_ptr<TQREvElement> Element(const QString& name);
    /// The literal at the head of the named entry's prepared expression; null for an
    /// unknown name or an unprepared entry.
    TQREvElement* GetConstant(const QString& name) const;
    static void SetConstant(TQREvElement* element, const TQREvResult& value);
    static void SetStringConstant(TQREvElement* element, const QString& value);
    static void SetIntegerConstant(TQREvElement* element, int32_t value);
    static void SetFloatConstant(TQREvElement* element, double value);
    static void SetBooleanConstant(TQREvElement* element, bool value);
    void UpdateConstant(const QString& name, const TQREvResult& value);
    void Update() {}

    // The string list of names.
    int Count() const { return static_cast<int>(entries_.size()); }
    int IndexOf(const QString& name) const;
    QString Name(int index) const { return entries_[static_cast<size_t>(index)].name; }
    /// The entry's expression; null for a name read from a stream without its expression.
    TQREvEmbeddedFunction* Function(int index) const {
        return entries_[static_cast<size_t>(index)].function.get();
    }

    // Streaming as a stored property of its owner: the names are the list's
    // "Strings", the expressions the extra property "DATA" in entry order, so
    // "Strings" is read first.
    QStringList Strings() const;
    /// Replaces the entries by names without expressions.
    void SetStrings(const QStringList& names);
    void DefineProperties(TQRFiler& filer);
    QStringList WriteProperties() const;
    void ReadProperties(const QStringList& expressions);

  private:
    struct Entry {
        QString name;
        std::unique_ptr<TQREvEmbeddedFunction> function;
    };
    void PrepareEntry(Entry& entry);

    std::vector<Entry> entries_;
    int prepareCount_ = 0;
    std::unique_ptr<TQRDataSetList> ownDataSets_;
    TQRDataSetList* dataSets_ = nullptr;
};

/// The process-wide environment with APPSTARTTIME, APPSTARTDATE and APPNAME,
/// made on first use; null once the program is shutting down.
TQREvEnvironment* QRGlobalEnvironment();

/// SetConstant on a given element.
void UpdateConstant(TQREvElement* element, const TQREvResult& value);

}  // namespace quorin

#include "dataset/TMemoryDataSet.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "dataset/DataPacket.h"
#include "dataset/RowStore.h"
#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/FileAccess.h"
#include "runtime/SafeFile.h"

namespace quorin {

class TMemoryDataSet::Private {
  public:
    QHash<QString, TField*> byName;  // declared fields by case-folded name
    TRowStore store;
    std::vector<uint32_t> order;  // row numbers of the store, sorted by the index, then by number
    quint64 serialBase = 1;       // a row's bookmark serial is serialBase + its number
    std::vector<int> indexColumns;

    // Visible rows: a contiguous storage range, or a list of storage positions.
    bool rangeMode = true;
    int lo = 0;
    int hi = 0;
    std::vector<int> list;

    int cur = -1;  // visible position of the cursor

    bool filterActive = false;
    int filterColumn = -1;
    TCellProbe filterProbe;

    bool buffered = false;             // a row is being appended or edited
    std::vector<TFieldValue> buffer;   // its values
    std::vector<TSharedBytes> shared;  // appending: texts kept as another store's bytes
    uint32_t editing = 0;              // the row being edited (state dsEdit)

    void Replace(TRowStore&& rows) {
        serialBase += quint64(store.RowCount()) + 1;
        store = std::move(rows);
        std::vector<uint32_t>().swap(order);  // the old rows' order goes with them
    }

    quint64 SerialOf(uint32_t row) const { return serialBase + row; }
    uint32_t RowAt(int storage) const { return order[size_t(storage)]; }

    int VisibleCount() const { return rangeMode ? hi - lo : static_cast<int>(list.size()); }
    int StorageAt(int visible) const { return rangeMode ? lo + visible : list[visible]; }

    int VisibleOf(int storage) const {
        if (rangeMode) {
            return storage >= lo && storage < hi ? storage - lo : -1;
        }
        auto it = std::lower_bound(list.begin(), list.end(), storage);
        return it != list.end() && *it == storage ? static_cast<int>(it - list.begin()) : -1;
    }

    bool Less(uint32_t a, uint32_t b) const {
        for (int c : indexColumns) {
            const int r = store.Compare(a, b, c);
            if (r != 0) {
                return r < 0;
            }
        }
        return a < b;
    }

    void Sort() {
        auto less = [this](uint32_t a, uint32_t b) { return Less(a, b); };
        if (!std::is_sorted(order.begin(), order.end(), less)) {
            std::sort(order.begin(), order.end(), less);
        }
    }

    int InsertSorted(uint32_t row) {
        auto it = std::lower_bound(order.begin(), order.end(), row,
                                   [this](uint32_t a, uint32_t b) { return Less(a, b); });
        it = order.insert(it, row);
        return static_cast<int>(it - order.begin());
    }

    // Storage position of the row with this serial, or -1 when it is gone.
    int FindSerial(quint64 serial, int hint) const {
        if (serial < serialBase || serial - serialBase >= store.RowCount()) {
            return -1;
        }
        const auto row = uint32_t(serial - serialBase);
        if (hint >= 0 && hint < static_cast<int>(order.size()) && order[size_t(hint)] == row) {
            return hint;
        }
        auto it = std::find(order.begin(), order.end(), row);
        return it == order.end() ? -1 : static_cast<int>(it - order.begin());
    }

    bool Matches(uint32_t row) const {
        return !store.IsNull(row, filterColumn) && store.Compare(row, filterColumn, filterProbe) == 0;
    }

    void RebuildVisible() {
        const int n = static_cast<int>(order.size());
        list.clear();
        if (!filterActive) {
            rangeMode = true;
            lo = 0;
            hi = n;
            return;
        }
        if (!indexColumns.empty() && indexColumns.front() == filterColumn) {
            // Rows are sorted by the filter field: the matches are one range.
            const int c = filterColumn;
            auto first = std::lower_bound(order.begin(), order.end(), 0, [&](uint32_t r, int) {
                return store.Compare(r, c, filterProbe) < 0;
            });
            auto last = std::upper_bound(first, order.end(), 0, [&](int, uint32_t r) {
                return store.Compare(r, c, filterProbe) > 0;
            });
            rangeMode = true;
            lo = static_cast<int>(first - order.begin());
            hi = static_cast<int>(last - order.begin());
            return;
        }
        rangeMode = false;
        for (int i = 0; i < n; ++i) {
            if (Matches(order[size_t(i)])) {
                list.push_back(i);
            }
        }
    }
};

// ---- fields ------------------------------------------------------------------

TMemoryDataSet::TMemoryDataSet(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {}

TMemoryDataSet::~TMemoryDataSet() = default;

TField* TMemoryDataSet::AddOwnedField(std::unique_ptr<TField> field, bool declared) {
    if (Active()) {
        throw EDataSetError(
            QStringLiteral("Não é possível declarar o campo '%1' com o conjunto de dados aberto.")
                .arg(field->FieldName()));
    }
    if (field->FieldName().trimmed().isEmpty()) {
        throw EDataSetError(QStringLiteral("Um campo precisa de nome."));
    }
    for (TField* f : columns_) {
        if (f->FieldName().compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
            throw EDataSetError(QStringLiteral("O campo '%1' já existe.").arg(field->FieldName()));
        }
    }
    TField* f = field.get();
    if (declared) {
        // Declared fields come before the carried columns in the stored row.
        f->index_ = static_cast<int>(fieldList_.size());
        fieldList_.push_back(f);
        d->byName.insert(f->FieldName().trimmed().toCaseFolded(), f);
        columns_.insert(columns_.begin() + f->index_, f);
    } else {
        f->index_ = -1;
        columns_.push_back(f);
    }
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
        columns_[i]->column_ = i;
    }
    owned_.push_back(std::move(field));
    return f;
}

TSmallintField* TMemoryDataSet::AddSmallintField(const QString& name) {
    return static_cast<TSmallintField*>(AddField(name, TFieldType::ftSmallint));
}
TIntegerField* TMemoryDataSet::AddIntegerField(const QString& name) {
    return static_cast<TIntegerField*>(AddField(name, TFieldType::ftInteger));
}
TFloatField* TMemoryDataSet::AddFloatField(const QString& name, bool currency) {
    return static_cast<TFloatField*>(AddField(name, TFieldType::ftFloat, 0, currency));
}
TStringField* TMemoryDataSet::AddStringField(const QString& name, int size) {
    return static_cast<TStringField*>(AddField(name, TFieldType::ftString, size));
}
TBlobField* TMemoryDataSet::AddBlobField(const QString& name) {
    return static_cast<TBlobField*>(AddField(name, TFieldType::ftBlob));
}
TMemoField* TMemoryDataSet::AddMemoField(const QString& name) {
    return static_cast<TMemoField*>(AddField(name, TFieldType::ftMemo));
}
TDateTimeField* TMemoryDataSet::AddDateTimeField(const QString& name) {
    return static_cast<TDateTimeField*>(AddField(name, TFieldType::ftDateTime));
}

static std::unique_ptr<TField> MakeField(TMemoryDataSet* ds, const QString& name, TFieldType type, int size,
                                         bool currency) {
    switch (type) {
        case TFieldType::ftSmallint:
            return std::make_unique<TSmallintField>(ds, name);
        case TFieldType::ftInteger:
            return std::make_unique<TIntegerField>(ds, name);
        case TFieldType::ftFloat:
            return std::make_unique<TFloatField>(ds, name, currency);
        case TFieldType::ftString:
            if (size < 1) {
                throw EDataSetError(
                    QStringLiteral("O campo texto '%1' precisa de um tamanho maior que zero.").arg(name));
            }
            return std::make_unique<TStringField>(ds, name, size);
        case TFieldType::ftBlob:
            return std::make_unique<TBlobField>(ds, name);
        case TFieldType::ftMemo:
            return std::make_unique<TMemoField>(ds, name);
        case TFieldType::ftDateTime:
            return std::make_unique<TDateTimeField>(ds, name);
    }
    throw EDataSetError(QStringLiteral("Tipo de campo desconhecido para '%1'.").arg(name));
}

TField* TMemoryDataSet::AddField(const QString& name, TFieldType type, int size, bool currency) {
    if (defaultFields_) {
        ClearFields();
    }
    return AddOwnedField(MakeField(this, name, type, size, currency), true);
}

TField* TMemoryDataSet::AddCarriedColumn(const QString& name, TFieldType type, int size) {
    return AddOwnedField(MakeField(this, name, type, size, false), false);
}

void TMemoryDataSet::ClearFields() {
    if (Active()) {
        throw EDataSetError(QStringLiteral("Não é possível remover campos com o conjunto de dados aberto."));
    }
    fieldList_.clear();
    columns_.clear();
    owned_.clear();
    d->byName.clear();
    defaultFields_ = false;
}

void TMemoryDataSet::ClearCarriedColumns() {
    if (Active()) {
        throw EDataSetError(QStringLiteral("Não é possível remover campos com o conjunto de dados aberto."));
    }
    columns_.resize(fieldList_.size());
    owned_.erase(std::remove_if(owned_.begin(), owned_.end(),
                                [](const std::unique_ptr<TField>& f) { return f->index_ < 0; }),
                 owned_.end());
}

TField* TMemoryDataSet::FindField(const QString& name) const {
    const bool blanks = !name.isEmpty() && (name.front().isSpace() || name.back().isSpace());
    return d->byName.value((blanks ? name.trimmed() : name).toCaseFolded(), nullptr);
}

TField* TMemoryDataSet::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) {
        throw EDataSetError(QStringLiteral("Campo '%1' não encontrado.").arg(name));
    }
    return f;
}

// ---- open, close ---------------------------------------------------------------

void TMemoryDataSet::CheckActive() const {
    if (!Active()) {
        throw EDataSetError(QStringLiteral("Operação não permitida: o conjunto de dados está fechado."));
    }
}

void TMemoryDataSet::CheckBrowseMode() {
    CheckActive();
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        Post();
    }
}

void TMemoryDataSet::CreateDataSet() {
    if (fieldList_.empty()) {
        throw EDataSetError(QStringLiteral("O conjunto de dados não tem campos declarados."));
    }
    if (Active()) {
        Close();
    }
    ClearCarriedColumns();
    OpenWithStore(NewStore());
}

TRowStore TMemoryDataSet::NewStore() const {
    std::vector<TFieldType> kinds;
    kinds.reserve(columns_.size());
    for (const TField* f : columns_) {
        kinds.push_back(f->DataType());
    }
    return TRowStore(std::move(kinds));
}

void TMemoryDataSet::OpenWithStore(TRowStore&& rows) {
    if (Active()) {
        Close();
    }
    if (rows.ColumnCount() != static_cast<int>(columns_.size())) {
        throw EDataSetError(QStringLiteral("Os registros não têm os campos do conjunto de dados."));
    }
    // Index and filter refer to fields by name: resolve them before any row moves.
    std::vector<int> indexColumns;
    for (const QString& part : indexText_.split(u';', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (name.isEmpty()) {
            continue;
        }
        TField* f = FindField(name);
        if (!f) {
            throw EDataSetError(QStringLiteral("O campo '%1' do índice não existe.").arg(name));
        }
        indexColumns.push_back(f->column_);
    }
    d->indexColumns = std::move(indexColumns);
    d->Replace(std::move(rows));
    d->order.resize(d->store.RowCount());
    for (uint32_t r = 0; r < d->store.RowCount(); ++r) {
        d->order[r] = r;
    }
    d->Sort();
    d->filterActive = false;
    state_ = TDataSetState::dsBrowse;
    if (filtered_ && !filterText_.trimmed().isEmpty()) {
        try {
            SetFilterSpec(filterText_);
        } catch (...) {
            Close();
            throw;
        }
    }
    d->RebuildVisible();
    d->cur = d->VisibleCount() > 0 ? 0 : -1;
    eof_ = d->cur < 0;
    bof_ = true;
    Q_EMIT opened();
    NotifyRefiltered();
    NotifyCursor();
}

void TMemoryDataSet::Close() {
    const bool wasActive = Active();
    d->Replace(TRowStore());
    d->buffered = false;
    d->buffer.clear();
    d->shared.clear();
    std::vector<int>().swap(d->list);
    d->lo = d->hi = 0;
    d->rangeMode = true;
    d->cur = -1;
    d->filterActive = false;
    state_ = TDataSetState::dsInactive;
    eof_ = bof_ = true;
    if (wasActive) {
        Q_EMIT closed();
    }
}

void TMemoryDataSet::EmptyDataSet() {
    CheckActive();
    d->buffered = false;
    d->buffer.clear();
    d->shared.clear();
    state_ = TDataSetState::dsBrowse;
    d->Replace(NewStore());
    d->RebuildVisible();
    d->cur = -1;
    eof_ = bof_ = true;
    NotifyRefiltered();
    NotifyCursor();
}

// ---- files ------------------------------------------------------------------------

void TMemoryDataSet::LoadFromFile(const QString& path) {
    Close();
    try {
        // Read a piece at a time: the file's bytes are never all in memory beside its rows.
        TDataPacket packet = TDataPacket::FromFile(path);
        LoadFrom(packet);
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

void TMemoryDataSet::LoadFromBytes(const QByteArray& bytes) {
    Close();
    TDataPacket packet(bytes);  // validates header, checksum and schema
    LoadFrom(packet);
}

void TMemoryDataSet::LoadFrom(TDataPacket& packet) {
    ClearCarriedColumns();
    const bool fromFile = defaultFields_ || fieldList_.empty();
    if (fromFile) {
        ClearFields();
    }
    try {
        LoadPacket(packet, fromFile);
    } catch (...) {
        // A failed load leaves the declared fields as they were, and no field of the file.
        if (fromFile) {
            ClearFields();
        } else {
            ClearCarriedColumns();
        }
        throw;
    }
}

void TMemoryDataSet::LoadPacket(TDataPacket& packet, bool fieldsFromFile) {
    const auto& columns = packet.Columns();
    if (fieldsFromFile) {
        for (const TPacketColumn& c : columns) {
            AddOwnedField(MakeField(this, c.name, c.type, c.size, c.currency), true);
        }
        defaultFields_ = true;
    }

    // Source column -> stored column; undeclared columns are carried after the declared ones.
    std::vector<int> target(columns.size(), -1);
    std::vector<bool> seen(fieldList_.size(), false);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TPacketColumn& c = columns[i];
        TField* f = FindField(c.name);
        if (!f) {
            TField* carried = AddCarriedColumn(c.name, c.type, c.size);
            if (auto* ff = dynamic_cast<TFloatField*>(carried)) {
                ff->SetCurrency(c.currency);
            }
            target[i] = carried->column_;
            continue;
        }
        auto isBlob = [](TFieldType t) { return t == TFieldType::ftBlob || t == TFieldType::ftMemo; };
        if (f->DataType() != c.type && !(isBlob(f->DataType()) && isBlob(c.type))) {
            throw EDataSetError(
                QStringLiteral("O campo '%1' está gravado no arquivo como %2, mas deveria ser %3.")
                    .arg(f->FieldName(), FieldTypeName(c.type), FieldTypeName(f->DataType())));
        }
        seen[f->index_] = true;
        target[i] = f->column_;
    }
    for (std::size_t i = 0; i < fieldList_.size(); ++i) {
        if (!seen[i]) {
            throw EDataSetError(
                QStringLiteral("O campo '%1' não existe no arquivo.").arg(fieldList_[i]->FieldName()));
        }
    }

    // Values stored under another kind or a larger size are brought to the field's form.
    std::vector<TDataPacket::Normalizer> normalize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TField* f = columns_[target[i]];
        const bool cut = f->DataType() == TFieldType::ftString && columns[i].size > f->Size();
        if (cut || f->DataType() != columns[i].type) {
            normalize[i] = [f](const TFieldValue& v) { return f->Normalize(v); };
        }
    }
    TRowStore rows = NewStore();
    packet.ReadRows(target, normalize, rows);
    OpenWithStore(std::move(rows));
}

QByteArray TMemoryDataSet::SaveToBytes() {
    CheckBrowseMode();
    return TDataPacket::Write(columns_, d->store, d->order);
}

void TMemoryDataSet::SaveToFile(const QString& path) {
    CheckBrowseMode();
    try {
        // Written a piece at a time: the file's bytes are never all in memory beside the rows.
        TSafeFile file(path);
        const QByteArray header = TDataPacket::Write(columns_, d->store, d->order,
                                                     [&file](QByteArrayView piece) { file.Write(piece); });
        file.WriteAt(0, header);
        file.Commit();
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

// ---- cursor -------------------------------------------------------------------------

bool TMemoryDataSet::IsEmpty() const {
    return !Active() || d->VisibleCount() == 0;
}

int TMemoryDataSet::RecordCount() const {
    return Active() ? d->VisibleCount() : 0;
}

void TMemoryDataSet::ReserveRows(int rows) {
    CheckActive();
    if (rows <= 0) {
        return;
    }
    const uint64_t total = uint64_t(d->store.RowCount()) + uint64_t(rows);
    if (total < std::numeric_limits<uint32_t>::max()) {
        d->store.Reserve(uint32_t(total));
        d->order.reserve(d->order.size() + size_t(rows));
    }
}

int TMemoryDataSet::StoredRowCount() const {
    return static_cast<int>(d->order.size());
}

const TRowStore& TMemoryDataSet::Rows() const {
    return d->store;
}

TFieldValue TMemoryDataSet::StoredValue(int position, int column) const {
    if (position < 0 || position >= static_cast<int>(d->order.size()) || column < 0 ||
        column >= d->store.ColumnCount()) {
        return {};
    }
    return d->store.Value(d->order[size_t(position)], column);
}

int TMemoryDataSet::RecNo() const {
    if (state_ == TDataSetState::dsInsert || !Active()) {
        return 0;
    }
    return d->cur + 1;
}

void TMemoryDataSet::SetCursor(int visible) {
    d->cur = visible;
    NotifyCursor();
}

void TMemoryDataSet::First() {
    CheckBrowseMode();
    const int n = d->VisibleCount();
    eof_ = n == 0;
    bof_ = true;
    SetCursor(n > 0 ? 0 : -1);
    RaiseAfterScroll();
}

void TMemoryDataSet::Last() {
    CheckBrowseMode();
    const int n = d->VisibleCount();
    eof_ = true;
    bof_ = n == 0;
    SetCursor(n - 1);
    RaiseAfterScroll();
}

void TMemoryDataSet::Next() {
    CheckBrowseMode();
    if (eof_) {
        return;
    }
    if (d->cur + 1 < d->VisibleCount()) {
        bof_ = false;
        SetCursor(d->cur + 1);
    } else {
        eof_ = true;
    }
    RaiseAfterScroll();
}

void TMemoryDataSet::Prior() {
    CheckBrowseMode();
    if (bof_) {
        return;
    }
    if (d->cur > 0) {
        eof_ = false;
        SetCursor(d->cur - 1);
    } else {
        bof_ = true;
    }
    RaiseAfterScroll();
}

int TMemoryDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    const int n = d->VisibleCount();
    if (n == 0 || distance == 0) {
        return 0;
    }
    const int from = d->cur;
    const long long wanted = static_cast<long long>(from) + distance;
    const int to = static_cast<int>(std::clamp<long long>(wanted, 0, n - 1));
    const bool hitEnd = distance > 0 && wanted >= n;
    const bool hitStart = distance < 0 && wanted < 0;
    if (to == from && !(hitEnd && !eof_) && !(hitStart && !bof_)) {
        return 0;
    }
    eof_ = hitEnd;
    bof_ = hitStart;
    if (to != from) {
        SetCursor(to);
    }
    RaiseAfterScroll();
    return to - from;
}

void TMemoryDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || recNo > d->VisibleCount() || recNo - 1 == d->cur) {
        return;
    }
    eof_ = bof_ = false;
    SetCursor(recNo - 1);
    RaiseAfterScroll();
}

// ---- editing ----------------------------------------------------------------------------

TFieldValue TMemoryDataSet::ActiveValue(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return {};
    }
    if (d->buffered) {
        if (size_t(column) < d->shared.size() && !d->shared[size_t(column)].IsNull()) {
            return TRowStore::Canonical(columns_[size_t(column)]->DataType(),
                                        d->shared[size_t(column)].View().toByteArray());
        }
        return d->buffer[size_t(column)];
    }
    if (!Active() || d->cur < 0) {
        return {};
    }
    return d->store.Value(d->RowAt(d->StorageAt(d->cur)), column);
}

void TMemoryDataSet::SetActiveValue(int column, const TFieldValue& value) {
    CheckActive();
    if (!d->buffered) {
        throw EDataSetError(QStringLiteral("O conjunto de dados não está em modo de edição ou inclusão."));
    }
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        throw EDataSetError(QStringLiteral("Campo inexistente."));
    }
    // Brought to the stored form now, so that Post cannot fail half way through a row.
    d->buffer[size_t(column)] = TRowStore::Canonical(columns_[size_t(column)]->DataType(), value);
    if (size_t(column) < d->shared.size()) {
        d->shared[size_t(column)] = {};
    }
}

namespace {

// A kind whose values are kept as bytes: texts and blobs.
bool IsBytesKind(TFieldType k) {
    return k == TFieldType::ftString || k == TFieldType::ftMemo || k == TFieldType::ftBlob;
}

// How many of the stored bytes of a text or blob value of `from` make the text
// `target` keeps of it (cut at a character by the target's size); -1 when the
// bytes are not that text (a blob that is not UTF-8, a cut inside a character).
qsizetype KeptOfText(const TField& target, const TField& from, QByteArrayView bytes) {
    const bool text = from.DataType() != TFieldType::ftBlob || bytes.isValidUtf8();
    if (!text) {
        return -1;
    }
    return target.Size() > 0 ? Utf8BytesOfUnits(bytes, target.Size()) : bytes.size();
}

}  // namespace

void TMemoryDataSet::SetActiveTextOf(int column, const TMemoryDataSet& source, int sourceColumn) {
    CheckActive();
    if (column < 0 || column >= static_cast<int>(columns_.size()) || sourceColumn < 0 ||
        sourceColumn >= static_cast<int>(source.columns_.size())) {
        throw EDataSetError(QStringLiteral("Campo inexistente."));
    }
    const TField* target = columns_[size_t(column)];
    const TField* from = source.columns_[size_t(sourceColumn)];
    // The bytes are kept as they are when they are the text the value would
    // have: a stored row of the source (not one it is editing), UTF-8 text, cut
    // by the target's size at a character.
    if (state_ == TDataSetState::dsInsert && source.Active() && !source.d->buffered && source.d->cur >= 0 &&
        IsBytesKind(target->DataType()) && IsBytesKind(from->DataType())) {
        const uint32_t row = source.d->RowAt(source.d->StorageAt(source.d->cur));
        TSharedBytes bytes = source.d->store.SharedBytes(row, sourceColumn);
        const qsizetype kept = KeptOfText(*target, *from, bytes.View());
        if (kept >= 0) {
            // An empty text is stored as null, as SetAsString stores it.
            SetActiveValue(column, TFieldValue{});
            if (kept > 0) {
                bytes.size = uint32_t(kept);
                d->shared.resize(columns_.size());
                d->shared[size_t(column)] = std::move(bytes);
            }
            return;
        }
    }
    SetActiveValue(column, target->ValueFromString(from->AsString()));
}

TFieldValue TMemoryDataSet::ValueAt(int recNo, int column) const {
    if (!Active() || recNo < 1 || recNo > d->VisibleCount() || column < 0 ||
        column >= static_cast<int>(columns_.size())) {
        return {};
    }
    return d->store.Value(d->RowAt(d->StorageAt(recNo - 1)), column);
}

// ---- copies from another data set ----------------------------------------------------

namespace {

void CopyOne(const TColumnCopy& copy) {
    if (!copy.source) {
        copy.target->SetAsString(copy.text);
        return;
    }
    switch (copy.as) {
        case TCopyAs::Text:
            copy.target->SetAsTextOf(*copy.source);
            break;
        case TCopyAs::Integer:
            copy.target->SetAsInteger(copy.source->AsInteger());
            break;
        case TCopyAs::Float:
            copy.target->SetAsFloat(copy.source->AsFloat());
            break;
        case TCopyAs::DateTime:
            copy.target->SetAsDateTime(copy.source->AsDateTime());
            break;
    }
}

}  // namespace

void TMemoryDataSet::AppendCopiesOf(TMemoryDataSet& source, const std::vector<TColumnCopy>& copies) {
    for (const TColumnCopy& copy : copies) {
        if (!copy.target || copy.target->dataSet_ != this || (copy.source && copy.source->dataSet_ != &source)) {
            throw EDataSetError(QStringLiteral("Campo inexistente."));
        }
    }
    if (AppendColumnsOf(source, copies)) {
        return;
    }
    if (!source.Eof()) {
        ReserveRows(source.RecordCount() - source.RecNo() + 1);
    }
    while (!source.Eof()) {
        Append();
        for (const TColumnCopy& copy : copies) {
            CopyOne(copy);
        }
        Post();
        source.Next();
    }
}

namespace {

// Equal values of the same kind, numbers bit for bit.
bool SameValue(const TFieldValue& a, const TFieldValue& b) {
    const auto* x = std::get_if<double>(&a);
    const auto* y = std::get_if<double>(&b);
    if (x && y) {
        return std::memcmp(x, y, sizeof *x) == 0;
    }
    return a == b;
}

}  // namespace

// What the copy would store in the rows of this data set, from the source's
// rows, without storing it: the source's own values (Kept), one value in every
// row (Constant, given in `value`), or anything else (Copied). The conversions
// are the fields' own, as the copy row by row makes them.
TMemoryDataSet::TArrival TMemoryDataSet::Arrival(const TColumnCopy& copy, const TMemoryDataSet& source,
                                                 TFieldValue& value) const {
    const TField& target = *copy.target;
    const TFieldType kind = target.DataType();
    if (!copy.source) {
        try {
            value = TRowStore::Canonical(kind, target.FromString(copy.text));
        } catch (const Exception&) {
            return TArrival::Copied;  // the copy row by row raises it
        }
        return TArrival::Constant;
    }
    const TField& from = *copy.source;
    if (!TRowStore::SameForm(kind, from.DataType()) || (copy.as == TCopyAs::Text) != IsBytesKind(kind)) {
        return TArrival::Copied;
    }
    const TRowStore& rows = source.d->store;
    const int c = from.column_;
    bool unchanged = true;
    bool constant = true;
    TFieldValue first;
    for (uint32_t r = 0; r < rows.RowCount(); ++r) {
        if (r > 0 && rows.Same(r - 1, r, c)) {
            continue;  // a repeat arrives as the row before it did
        }
        if (copy.as == TCopyAs::Text) {
            // SetAsTextOf keeps the bytes, cut; an empty text is stored as null.
            const QByteArrayView bytes = rows.Bytes(r, c);
            if (!rows.IsNull(r, c) && (bytes.isEmpty() || KeptOfText(target, from, bytes) != bytes.size())) {
                return TArrival::Copied;
            }
            constant = r == 0;
            continue;
        }
        const TFieldValue stored = rows.Value(r, c);
        const bool null = IsNullValue(stored);
        TFieldValue arrives;
        try {
            switch (copy.as) {
                case TCopyAs::Integer:
                    arrives = target.FromInteger(null ? 0 : from.GetAsInteger(stored));
                    break;
                case TCopyAs::Float:
                    arrives = target.FromFloat(null ? 0.0 : from.GetAsFloat(stored));
                    break;
                case TCopyAs::DateTime:
                    arrives = target.FromDateTime(null ? QDateTime() : from.GetAsDateTime(stored));
                    break;
                case TCopyAs::Text:
                    break;
            }
            arrives = TRowStore::Canonical(kind, arrives);
        } catch (const Exception&) {
            return TArrival::Copied;
        }
        unchanged = unchanged && rows.Same(r, c, arrives);
        if (r == 0) {
            first = arrives;
        } else {
            constant = constant && SameValue(first, arrives);
        }
        if (!unchanged && !constant) {
            return TArrival::Copied;
        }
    }
    if (constant && rows.RowCount() > 0) {
        // Kept once, it does not keep the source's column alive.
        if (copy.as == TCopyAs::Text) {
            value = rows.IsNull(0, c) ? TFieldValue{} : TFieldValue{rows.Bytes(0, c).toByteArray()};
        } else {
            value = first;
        }
        return TArrival::Constant;
    }
    return unchanged ? TArrival::Kept : TArrival::Copied;
}

// The copy of AppendCopiesOf keeping whole columns of the source; false when it
// does not apply (nothing done then).
bool TMemoryDataSet::AppendColumnsOf(TMemoryDataSet& source, const std::vector<TColumnCopy>& copies) {
    if (&source == this || state_ != TDataSetState::dsBrowse || d->buffered || d->store.RowCount() != 0 ||
        d->filterActive) {
        return false;
    }
    const Private& s = *source.d;
    const uint32_t n = s.store.RowCount();
    if (source.state_ != TDataSetState::dsBrowse || s.buffered || source.eof_ || s.cur != 0 || !s.rangeMode ||
        s.lo != 0 || s.hi != static_cast<int>(n) || s.order.size() != n) {
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        if (s.order[i] != i) {
            return false;
        }
    }
    // Which copy fills which column; a column assigned twice is copied row by row.
    std::vector<const TColumnCopy*> copyOf(columns_.size(), nullptr);
    for (const TColumnCopy& copy : copies) {
        const TColumnCopy*& slot = copyOf[size_t(copy.target->column_)];
        if (slot) {
            return false;
        }
        slot = &copy;
    }
    // Every column is kept from the source, one value, or copied row by row.
    std::vector<TColumnOf> from(columns_.size());
    std::vector<TArrival> arrival(columns_.size(), TArrival::Constant);  // a column no copy names stays null
    std::vector<TFieldType> keptKinds;
    std::vector<TColumnOf> keptFrom;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (const TColumnCopy* copy = copyOf[c]) {
            arrival[c] = Arrival(*copy, source, from[c].value);
        }
        if (arrival[c] == TArrival::Kept) {
            from[c].column = static_cast<int>(keptFrom.size());
            keptKinds.push_back(copyOf[c]->source->DataType());
            keptFrom.push_back({&s.store, copyOf[c]->source->column_, {}});
        }
    }
    // Taken before the source moves: the kept columns are the values the rows
    // have now, whatever a handler of its moves does.
    const TRowStore kept = TRowStore::FromColumns(n, std::move(keptKinds), keptFrom);

    // The other columns are copied row by row into rows of their own.
    TMemoryDataSet rest;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (arrival[c] == TArrival::Copied) {
            const TField* f = columns_[c];
            const auto* real = dynamic_cast<const TFloatField*>(f);
            from[c].column = rest.AddField(f->FieldName(), f->DataType(), f->Size(), real && real->Currency())->column_;
        }
    }
    // In the order of the assignments, as the copy row by row makes them.
    std::vector<TColumnCopy> restCopies;
    for (const TColumnCopy& copy : copies) {
        const std::size_t c = size_t(copy.target->column_);
        if (arrival[c] == TArrival::Copied) {
            restCopies.push_back({rest.columns_[size_t(from[c].column)], copy.source, copy.as, copy.text});
        }
    }
    const bool someRest = !restCopies.empty();
    if (someRest) {
        rest.CreateDataSet();
        rest.ReserveRows(static_cast<int>(n));
    }
    uint32_t moved = 0;
    while (!source.Eof()) {
        if (someRest) {
            rest.Append();
            for (const TColumnCopy& copy : restCopies) {
                CopyOne(copy);
            }
            rest.Post();
        }
        source.Next();
        ++moved;
    }
    if (moved != n) {
        throw EDataSetError(QStringLiteral("Os registros de origem mudaram durante a cópia."));
    }

    std::vector<TFieldType> kinds;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        kinds.push_back(columns_[c]->DataType());
        if (arrival[c] == TArrival::Kept) {
            from[c].store = &kept;
        } else if (arrival[c] == TArrival::Copied) {
            from[c].store = &rest.d->store;
        }
    }
    // No rows before: the new rows take the numbers 0 to n - 1, as appending them would give.
    d->store = TRowStore::FromColumns(n, std::move(kinds), from);
    d->order.resize(n);
    for (uint32_t r = 0; r < n; ++r) {
        d->order[r] = r;
    }
    d->Sort();
    d->RebuildVisible();
    const int at = static_cast<int>(std::find(d->order.begin(), d->order.end(), n - 1) - d->order.begin());
    d->cur = d->VisibleOf(at);
    eof_ = bof_ = n == 0;
    NotifyRefiltered();
    NotifyCursor();
    return true;
}

void TMemoryDataSet::Append() {
    CheckBrowseMode();
    d->buffer.assign(columns_.size(), TFieldValue{});
    d->shared.clear();
    d->buffered = true;
    state_ = TDataSetState::dsInsert;
}

void TMemoryDataSet::Edit() {
    CheckActive();
    if (state_ != TDataSetState::dsBrowse) {
        return;
    }
    if (d->cur < 0) {
        throw EDataSetError(QStringLiteral("Não há registro atual para editar."));
    }
    const uint32_t row = d->RowAt(d->StorageAt(d->cur));
    d->buffer.resize(columns_.size());
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        d->buffer[size_t(c)] = d->store.Value(row, c);
    }
    d->buffered = true;
    d->editing = row;
    state_ = TDataSetState::dsEdit;
}

void TMemoryDataSet::Post() {
    CheckActive();
    if (!d->buffered) {
        return;
    }
    std::vector<TFieldValue> buffer = std::move(d->buffer);
    const std::vector<TSharedBytes> shared = std::move(d->shared);
    d->buffer.clear();
    d->shared.clear();
    d->buffered = false;
    if (state_ == TDataSetState::dsInsert) {
        state_ = TDataSetState::dsBrowse;
        const uint32_t row = d->store.AddRow();
        for (int c = 0; c < static_cast<int>(buffer.size()); ++c) {
            if (size_t(c) < shared.size() && !shared[size_t(c)].IsNull()) {
                d->store.SetShared(row, c, shared[size_t(c)]);
            } else {
                d->store.SetValue(row, c, buffer[size_t(c)]);
            }
        }
        const int at = d->InsertSorted(row);
        d->RebuildVisible();
        const int visible = d->VisibleOf(at);
        const int n = d->VisibleCount();
        d->cur = visible >= 0 ? visible : std::min(std::max(d->cur, 0), n - 1);
        eof_ = bof_ = n == 0;
        NotifyRefiltered();
        NotifyCursor();
        return;
    }
    // Edit: a change of an index or filter field moves the row.
    const uint32_t row = d->editing;
    state_ = TDataSetState::dsBrowse;
    bool moves = false;
    for (int c : d->indexColumns) {
        moves = moves || !d->store.Same(row, c, buffer[size_t(c)]);
    }
    const bool refilter = d->filterActive && CompareFieldValues(d->store.Value(row, d->filterColumn),
                                                                buffer[size_t(d->filterColumn)]) != 0;
    const int storage = d->FindSerial(d->SerialOf(row), d->cur >= 0 ? d->StorageAt(d->cur) : -1);
    for (int c = 0; c < static_cast<int>(buffer.size()); ++c) {
        if (!d->store.Same(row, c, buffer[size_t(c)])) {
            d->store.SetValue(row, c, buffer[size_t(c)]);
        }
    }
    if (!moves && !refilter) {
        NotifyRowChanged(d->VisibleOf(storage) + 1);
        return;
    }
    int at = storage;
    if (moves) {
        d->order.erase(d->order.begin() + storage);
        at = d->InsertSorted(row);
    }
    d->RebuildVisible();
    const int visible = d->VisibleOf(at);
    const int n = d->VisibleCount();
    d->cur = visible >= 0 ? visible : std::min(std::max(d->cur, 0), n - 1);
    eof_ = bof_ = n == 0;
    NotifyRefiltered();
    NotifyCursor();
}

void TMemoryDataSet::Cancel() {
    if (!Active() || !d->buffered) {
        return;
    }
    d->buffer.clear();
    d->shared.clear();
    d->buffered = false;
    state_ = TDataSetState::dsBrowse;
}

void TMemoryDataSet::Delete() {
    CheckBrowseMode();
    if (d->cur < 0) {
        throw EDataSetError(QStringLiteral("Não há registro atual para excluir."));
    }
    const int storage = d->StorageAt(d->cur);
    d->store.ClearRow(d->RowAt(storage));
    d->order.erase(d->order.begin() + storage);
    d->RebuildVisible();
    const int n = d->VisibleCount();
    d->cur = std::min(d->cur, n - 1);
    eof_ = bof_ = n == 0;
    NotifyRefiltered();
    NotifyCursor();
}

// ---- find, filter, index ---------------------------------------------------------------

namespace {

// The value a Locate looks for, in the storage form of the field; false when the
// value cannot be a value of that field (it then matches nothing).
bool LocateTarget(const TField& field, const QVariant& value, TFieldValue& out) {
    if (!value.isValid() || value.isNull()) {
        out = TFieldValue{};
        return true;
    }
    const int typeId = value.metaType().id();
    const bool numeric = typeId == QMetaType::Int || typeId == QMetaType::UInt ||
                         typeId == QMetaType::LongLong || typeId == QMetaType::ULongLong ||
                         typeId == QMetaType::Double || typeId == QMetaType::Float ||
                         typeId == QMetaType::Short || typeId == QMetaType::UShort;
    switch (field.DataType()) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftFloat: {
            double x = 0;
            if (numeric) {
                x = value.toDouble();
            } else if (!TryStrToFloat(Trim(value.toString()), x)) {
                return false;
            }
            out = x;
            return true;
        }
        case TFieldType::ftDateTime: {
            if (typeId == QMetaType::QDateTime) {
                out = DateTimeToDays(value.toDateTime());
                return true;
            }
            if (numeric) {
                out = value.toDouble();
                return true;
            }
            QDateTime dt;
            if (!TryStrToDateTime(Trim(value.toString()), dt)) {
                return false;
            }
            out = DateTimeToDays(dt);
            return true;
        }
        case TFieldType::ftBlob:
            out = typeId == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
            return true;
        case TFieldType::ftString:
        case TFieldType::ftMemo:
            out = value.toString();
            return true;
    }
    return false;
}

}  // namespace

bool TMemoryDataSet::Locate(const QString& fieldName, const QVariant& value) {
    CheckBrowseMode();
    const TField* field = FieldByName(fieldName);
    TFieldValue wanted;
    if (!LocateTarget(*field, value, wanted)) {
        return false;
    }
    const int c = field->column_;
    const int n = d->VisibleCount();
    int found = -1;
    const TCellProbe probe(wanted, field->DataType());
    if (d->rangeMode && !d->indexColumns.empty() && d->indexColumns.front() == c && !IsNullValue(wanted)) {
        auto begin = d->order.begin() + d->lo;
        auto end = d->order.begin() + d->hi;
        auto it = std::lower_bound(begin, end, 0, [&](uint32_t r, int) {
            return d->store.Compare(r, c, probe) < 0;
        });
        if (it != end && d->store.Compare(*it, c, probe) == 0) {
            found = static_cast<int>(it - begin);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            if (d->store.Compare(d->RowAt(d->StorageAt(i)), c, probe) == 0) {
                found = i;
                break;
            }
        }
    }
    if (found < 0) {
        return false;
    }
    eof_ = bof_ = false;
    SetCursor(found);
    RaiseAfterScroll();
    return true;
}

void TMemoryDataSet::SetFilterSpec(const QString& text) {
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*=\s*('(?:[^']|'')*'|[-+]?[0-9]+(?:[.,][0-9]+)?)\s*$)"));
    if (text.trimmed().isEmpty()) {
        d->filterActive = false;
        return;
    }
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        throw EDataSetError(
            QStringLiteral("Filtro inválido: \"%1\". Use campo = número ou campo = 'texto'.").arg(text));
    }
    const TField* field = FindField(m.captured(1));
    if (!field) {
        throw EDataSetError(QStringLiteral("Filtro inválido: o campo '%1' não existe.").arg(m.captured(1)));
    }
    const QString literal = m.captured(2);
    const bool quoted = literal.startsWith(u'\'');
    TFieldValue value;
    const TFieldType type = field->DataType();
    const bool numericField =
        type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftFloat;
    if (quoted) {
        const QString inner =
            literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        if (type == TFieldType::ftString || type == TFieldType::ftMemo) {
            value = inner;
        } else if (type == TFieldType::ftBlob) {
            value = inner.toUtf8();
        } else {
            try {
                value = field->ValueFromString(inner);
            } catch (const Exception&) {
                throw EDataSetError(QStringLiteral("Filtro inválido: '%1' não é um valor do campo '%2'.")
                                        .arg(inner, field->FieldName()));
            }
            if (IsNullValue(value)) {
                throw EDataSetError(QStringLiteral("Filtro inválido: valor vazio para o campo '%1'.")
                                        .arg(field->FieldName()));
            }
        }
    } else {
        if (!numericField) {
            throw EDataSetError(
                QStringLiteral(
                    "Filtro inválido: o campo '%1' não é numérico; escreva o valor entre aspas simples.")
                    .arg(field->FieldName()));
        }
        QString number = literal;
        number.replace(u',', u'.');
        bool ok = false;
        const double x = number.toDouble(&ok);
        if (!ok || !std::isfinite(x)) {
            throw EDataSetError(QStringLiteral("Filtro inválido: \"%1\" não é um número.").arg(literal));
        }
        value = x;
        if (x == std::floor(x) && std::fabs(x) <= 2147483647.0) {
            value = static_cast<int32_t>(x);
        }
    }
    d->filterColumn = field->column_;
    d->filterProbe = TCellProbe(value, type);
    d->filterActive = true;
}

void TMemoryDataSet::MoveToFirstAfterChange() {
    d->RebuildVisible();
    const int n = d->VisibleCount();
    d->cur = n > 0 ? 0 : -1;
    eof_ = n == 0;
    bof_ = true;
    NotifyRefiltered();
    NotifyCursor();
    RaiseAfterScroll();
}

void TMemoryDataSet::SetFilter(const QString& filter) {
    if (filter == filterText_) {
        return;
    }
    if (!Active()) {
        filterText_ = filter;
        return;
    }
    CheckBrowseMode();
    if (filtered_) {
        SetFilterSpec(filter);  // raises on a bad filter, keeping the old one
    }
    filterText_ = filter;
    MoveToFirstAfterChange();
}

void TMemoryDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_) {
        return;
    }
    if (!Active()) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();
    if (filtered) {
        SetFilterSpec(filterText_);
    } else {
        d->filterActive = false;
    }
    filtered_ = filtered;
    MoveToFirstAfterChange();
}

void TMemoryDataSet::SetIndexFieldNames(const QString& names) {
    if (names == indexText_) {
        return;
    }
    std::vector<int> columns;
    for (const QString& part : names.split(u';', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (name.isEmpty()) {
            continue;
        }
        const TField* f = FindField(name);
        if (!f) {
            if (!Active() && fieldList_.empty()) {
                continue;  // fields come from the file at load time
            }
            throw EDataSetError(QStringLiteral("O campo '%1' do índice não existe.").arg(name));
        }
        columns.push_back(f->column_);
    }
    if (!Active()) {
        indexText_ = names;
        return;
    }
    CheckBrowseMode();
    indexText_ = names;
    d->indexColumns = std::move(columns);
    // Without an index the rows go back to insertion order.
    std::sort(d->order.begin(), d->order.end(), [this](uint32_t a, uint32_t b) { return d->Less(a, b); });
    MoveToFirstAfterChange();
}

// ---- display suspension, notifications ----------------------------------------------------

void TMemoryDataSet::DisableControls() {
    ++disableCount_;
}

void TMemoryDataSet::EnableControls() {
    if (disableCount_ == 0) {
        return;
    }
    if (--disableCount_ == 0) {
        NotifyRefiltered();
        NotifyCursor();
    }
}

void TMemoryDataSet::NotifyRefiltered() {
    if (disableCount_ == 0) {
        Q_EMIT refiltered();
    }
}

void TMemoryDataSet::NotifyCursor() {
    if (disableCount_ == 0) {
        Q_EMIT cursorMoved(RecNo());
    }
}

void TMemoryDataSet::NotifyRowChanged(int recNo) {
    if (disableCount_ == 0 && recNo > 0) {
        Q_EMIT rowChanged(recNo);
    }
}

void TMemoryDataSet::RaiseAfterScroll() {
    Q_EMIT AfterScroll(this);
}

// ---- bookmarks ------------------------------------------------------------------------------

TBookmark TMemoryDataSet::GetBookmark() const {
    if (!Active() || d->cur < 0 || state_ == TDataSetState::dsInsert) {
        return {};
    }
    const int storage = d->StorageAt(d->cur);
    return {d->SerialOf(d->RowAt(storage)), storage};
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!Active() || bookmark.IsNull()) {
        return false;
    }
    const int storage = d->FindSerial(bookmark.serial, bookmark.hint);
    return storage >= 0 && d->VisibleOf(storage) >= 0;
}

void TMemoryDataSet::GotoBookmark(const TBookmark& bookmark) {
    CheckBrowseMode();
    if (bookmark.IsNull()) {
        return;
    }
    const int storage = d->FindSerial(bookmark.serial, bookmark.hint);
    if (storage < 0) {
        throw EDataSetError(QStringLiteral("O registro marcado não existe mais."));
    }
    const int visible = d->VisibleOf(storage);
    if (visible < 0) {
        throw EDataSetError(QStringLiteral("O registro marcado não está visível com o filtro atual."));
    }
    eof_ = bof_ = false;
    SetCursor(visible);
    RaiseAfterScroll();
}

}  // namespace quorin

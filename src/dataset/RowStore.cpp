#include "dataset/RowStore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "dataset/DataSetError.h"

namespace quorin {

namespace {

enum class Form : uint8_t { Int, Real, Bytes };

Form FormOf(TFieldType kind) {
    switch (kind) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
            return Form::Int;
        case TFieldType::ftFloat:
        case TFieldType::ftDateTime:
            return Form::Real;
        case TFieldType::ftString:
        case TFieldType::ftMemo:
        case TFieldType::ftBlob:
            break;
    }
    return Form::Bytes;
}

bool IsText(TFieldType kind) {
    return kind == TFieldType::ftString || kind == TFieldType::ftMemo;
}

// The first UTF-16 code unit of the character that starts at s.
uint32_t FirstUnitAt(QByteArrayView v, qsizetype s) {
    const auto b = [&](qsizetype i) { return i < v.size() ? uint32_t(uchar(v[i])) : 0u; };
    const uint32_t c = b(s);
    uint32_t cp = c;
    if (c >= 0xF0) {
        cp = (c & 0x07) << 18 | (b(s + 1) & 0x3F) << 12 | (b(s + 2) & 0x3F) << 6 | (b(s + 3) & 0x3F);
    } else if (c >= 0xE0) {
        cp = (c & 0x0F) << 12 | (b(s + 1) & 0x3F) << 6 | (b(s + 2) & 0x3F);
    } else if (c >= 0xC0) {
        cp = (c & 0x1F) << 6 | (b(s + 1) & 0x3F);
    }
    return cp >= 0x10000 ? 0xD800 + ((cp - 0x10000) >> 10) : cp;
}

// Orders two UTF-8 texts as their UTF-16 forms order by code unit. UTF-8 bytes
// order by code point, which differs only where a character beyond U+FFFF (a
// surrogate pair in UTF-16) meets one between U+E000 and U+FFFF.
int CompareUtf8AsUtf16(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    if (i == n) {
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    }
    qsizetype s = i;
    while (s > 0 && (uchar(a[s]) & 0xC0) == 0x80) {
        --s;
    }
    const uint32_t ua = FirstUnitAt(a, s);
    const uint32_t ub = FirstUnitAt(b, s);
    if (ua != ub) {
        return ua < ub ? -1 : 1;
    }
    return uchar(a[i]) < uchar(b[i]) ? -1 : 1;
}

int CompareBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n > 0 ? std::memcmp(a.data(), b.data(), size_t(n)) : 0;
    if (c != 0) {
        return c < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

template <typename T>
int Order(T x, T y) {
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool SameBits(double x, double y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

constexpr uint32_t kChunkSize = 1u << 20;
constexpr uint32_t kFirstChunk = 1u << 10;
constexpr uint32_t kOwnChunk = kChunkSize / 8;  // larger texts get a chunk of their own

}  // namespace

QString TextFromUtf8(QByteArrayView bytes) {
    // QString::fromUtf8 drops one byte order mark at the start: keep every one.
    qsizetype marks = 0;
    while (bytes.sliced(3 * marks).startsWith("\xEF\xBB\xBF")) {
        ++marks;
    }
    if (marks == 0) {
        return QString::fromUtf8(bytes);
    }
    return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(bytes.sliced(3 * marks));
}

qsizetype Utf8BytesOfUnits(QByteArrayView utf8, qsizetype units) {
    qsizetype i = 0;
    qsizetype taken = 0;
    while (i < utf8.size() && taken < units) {
        const uint32_t lead = uchar(utf8[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + length > utf8.size()) {
            return -1;
        }
        for (int k = 1; k < length; ++k) {
            if ((uchar(utf8[i + k]) & 0xC0) != 0x80) {
                return -1;
            }
        }
        const int width = length == 4 ? 2 : 1;  // a surrogate pair in UTF-16
        if (taken + width > units) {
            return -1;
        }
        taken += width;
        i += length;
    }
    return i;
}

int CompareFieldValues(const TFieldValue& a, const TFieldValue& b) {
    const std::size_t ia = a.index();
    const std::size_t ib = b.index();
    if (ia == 0 || ib == 0) {
        return ia == ib ? 0 : (ia == 0 ? -1 : 1);
    }
    if (ia == 1 && ib == 1) {
        return Order(std::get<int32_t>(a), std::get<int32_t>(b));
    }
    if ((ia == 1 || ia == 2) && (ib == 1 || ib == 2)) {
        const double x = ia == 1 ? std::get<int32_t>(a) : std::get<double>(a);
        const double y = ib == 1 ? std::get<int32_t>(b) : std::get<double>(b);
        return Order(x, y);
    }
    if (ia == 3 && ib == 3) {
        const int c = QString::compare(std::get<QString>(a), std::get<QString>(b), Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ia == 4 && ib == 4) {
        return CompareBytes(std::get<QByteArray>(a), std::get<QByteArray>(b));
    }
    // Numbers before texts before bytes: only reached for values of different kinds.
    auto rank = [](std::size_t i) { return i <= 2 ? 1 : static_cast<int>(i); };
    return rank(ia) < rank(ib) ? -1 : 1;
}

TCellProbe::TCellProbe(const TFieldValue& value, TFieldType kind) : value_(value) {
    if (const auto* s = std::get_if<QString>(&value); s && IsText(kind)) {
        bytes_ = s->toUtf8();
        bytesKind_ = true;
    } else if (const auto* b = std::get_if<QByteArray>(&value); b && kind == TFieldType::ftBlob) {
        bytes_ = *b;
        bytesKind_ = true;
    }
}

struct TRowStore::Column {
    struct Slot {
        uint32_t chunk;
        uint32_t offset;
        uint32_t size;
    };

    Form form;
    // Kept by more than one store (TRowStore::FromColumns): never written
    // again; a store that writes to it first takes a copy of its own.
    bool shared = false;
    // One value for every row, kept once (at position 0); written to, the
    // column first gets a value per row.
    bool constant = false;
    std::vector<int32_t> ints;
    std::vector<double> reals;
    std::vector<uint64_t> nulls;  // numbers: a set bit marks a null
    std::vector<uint32_t> refs;   // texts and blobs: 0 is null, otherwise slot + 1
    std::vector<Slot> slots;
    // Chunks may be held by other stores too (SharedBytes); only chunks this
    // column made and no other store holds are written. A chunk shared in
    // from another store is listed with size 0 and never written.
    std::vector<std::shared_ptr<char[]>> chunks;
    std::vector<uint32_t> chunkSizes;
    std::unordered_map<const char*, uint32_t> sharedIn;       // chunk of another store -> its index here
    uint32_t current = std::numeric_limits<uint32_t>::max();  // chunk small texts go into
    uint32_t used = 0;
    uint32_t nextChunk = kFirstChunk;
    std::size_t textBytes = 0;

    explicit Column(TFieldType k) : form(FormOf(k)) {}

    // Where the value of a row is kept.
    uint32_t Pos(uint32_t row) const { return constant ? 0 : row; }
    bool NullAt(uint32_t row) const {
        if (form == Form::Bytes) {
            return refs[row] == 0;
        }
        return (nulls[row >> 6] >> (row & 63)) & 1u;
    }
    void MarkNull(uint32_t row, bool null) {
        const uint64_t bit = uint64_t(1) << (row & 63);
        nulls[row >> 6] = null ? (nulls[row >> 6] | bit) : (nulls[row >> 6] & ~bit);
    }
    QByteArrayView SlotBytes(uint32_t ref) const {
        const Slot& s = slots[ref - 1];
        return QByteArrayView(chunks[s.chunk].get() + s.offset, qsizetype(s.size));
    }
    uint32_t NewChunk(uint32_t size) {
        chunks.push_back(std::shared_ptr<char[]>(new char[size]));
        chunkSizes.push_back(size);
        return uint32_t(chunks.size() - 1);
    }

    // The slot holding these bytes: the last one when it holds the same, else a new one.
    uint32_t Intern(const char* data, qsizetype size) {
        if (size < 0 || quint64(size) > std::numeric_limits<uint32_t>::max()) {
            throw EDataSetError(QStringLiteral("Valor grande demais para ser guardado."));
        }
        const auto n = uint32_t(size);
        if (!slots.empty() && SlotBytes(uint32_t(slots.size())) == QByteArrayView(data, size)) {
            return uint32_t(slots.size());
        }
        Slot slot{0, 0, n};
        if (n > kOwnChunk) {
            slot.chunk = NewChunk(n);
        } else {
            if (current >= chunks.size() || chunkSizes[current] - used < n ||
                chunks[current].use_count() > 1) {
                // Chunks double from small to kChunkSize: a data set of a few rows stays small.
                current = NewChunk(std::max(n, nextChunk));
                nextChunk = std::min(kChunkSize, nextChunk * 2);
                used = 0;
            }
            slot.chunk = current;
            slot.offset = used;
            used += n;
        }
        if (n > 0) {
            std::memcpy(chunks[slot.chunk].get() + slot.offset, data, n);
        }
        textBytes += n;
        slots.push_back(slot);
        return uint32_t(slots.size());
    }
};

TRowStore::TRowStore(std::vector<TFieldType> kinds) : kinds_(std::move(kinds)) {
    columns_.reserve(kinds_.size());
    for (TFieldType k : kinds_) {
        columns_.push_back(std::make_shared<Column>(k));
    }
}

bool TRowStore::SameForm(TFieldType a, TFieldType b) {
    return FormOf(a) == FormOf(b);
}

TRowStore TRowStore::FromColumns(uint32_t rows, std::vector<TFieldType> kinds,
                                 const std::vector<TColumnOf>& columns) {
    if (columns.size() != kinds.size()) {
        throw EDataSetError(QStringLiteral("Os registros não têm os campos do conjunto de dados."));
    }
    TRowStore store;
    store.kinds_ = std::move(kinds);
    store.rows_ = rows;
    store.columns_.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TColumnOf& from = columns[i];
        const TFieldType kind = store.kinds_[i];
        if (!from.store) {
            // The value stored in a row of its own as any value is, then kept for every row.
            TRowStore one({kind});
            one.AddRow();
            const auto* bytes = std::get_if<QByteArray>(&from.value);
            if (bytes && FormOf(kind) == Form::Bytes) {
                one.SetBytes(0, 0, bytes->constData(), bytes->size());
            } else {
                one.SetValue(0, 0, from.value);
            }
            one.columns_[0]->constant = true;
            store.columns_.push_back(std::move(one.columns_[0]));
            continue;
        }
        if (from.column < 0 || from.column >= from.store->ColumnCount() ||
            !SameForm(kind, from.store->Kind(from.column)) || from.store->RowCount() != rows) {
            throw EDataSetError(QStringLiteral("Os registros não têm os campos do conjunto de dados."));
        }
        const std::shared_ptr<Column>& column = from.store->columns_[size_t(from.column)];
        // A column kept by one store is used by that store's owner alone; once
        // shared its flag is never written again.
        if (!column->shared) {
            column->shared = true;
        }
        store.columns_.push_back(column);
    }
    return store;
}

TRowStore::TRowStore(TRowStore&&) noexcept = default;
TRowStore& TRowStore::operator=(TRowStore&&) noexcept = default;
TRowStore::~TRowStore() = default;

TRowStore::Column& TRowStore::Writable(int column) {
    std::shared_ptr<Column>& c = columns_[size_t(column)];
    if (c->shared) {
        // Other stores keep this column as it is, and may be reading it: write to a copy.
        auto own = std::make_shared<Column>(*c);
        own->shared = false;
        c = std::move(own);
    }
    if (c->constant) {
        Column& k = *c;
        const bool null = k.NullAt(0);
        switch (k.form) {
            case Form::Int:
                k.ints.assign(rows_, k.ints[0]);
                break;
            case Form::Real:
                k.reals.assign(rows_, k.reals[0]);
                break;
            case Form::Bytes:
                k.refs.assign(rows_, k.refs[0]);
                break;
        }
        if (k.form != Form::Bytes) {
            k.nulls.assign((rows_ + 63) / 64, null ? ~uint64_t(0) : 0);
        }
        k.constant = false;
    }
    return *c;
}

const TRowStore::Column& TRowStore::At(int column) const {
    return *columns_[size_t(column)];
}

TFieldType TRowStore::Kind(int column) const {
    return kinds_[size_t(column)];
}

void TRowStore::Reserve(uint32_t rows) {
    for (int i = 0; i < ColumnCount(); ++i) {
        Column* c = &Writable(i);
        switch (c->form) {
            case Form::Int:
                c->ints.reserve(rows);
                c->nulls.reserve((rows + 63) / 64);
                break;
            case Form::Real:
                c->reals.reserve(rows);
                c->nulls.reserve((rows + 63) / 64);
                break;
            case Form::Bytes:
                c->refs.reserve(rows);
                break;
        }
    }
}

uint32_t TRowStore::AddRow() {
    if (rows_ == std::numeric_limits<uint32_t>::max()) {
        throw EDataSetError(QStringLiteral("Registros demais no conjunto de dados."));
    }
    const uint32_t row = rows_;
    for (int i = 0; i < ColumnCount(); ++i) {
        Column* c = &Writable(i);
        switch (c->form) {
            case Form::Int:
                c->ints.push_back(0);
                break;
            case Form::Real:
                c->reals.push_back(0);
                break;
            case Form::Bytes:
                c->refs.push_back(0);
                continue;
        }
        if ((row & 63) == 0) {
            c->nulls.push_back(0);
        }
        c->MarkNull(row, true);
    }
    ++rows_;
    return row;
}

void TRowStore::ClearRow(uint32_t row) {
    for (int c = 0; c < ColumnCount(); ++c) {
        SetValue(row, c, TFieldValue{});
    }
}

bool TRowStore::IsNull(uint32_t row, int column) const {
    const Column& c = At(column);
    return c.NullAt(c.Pos(row));
}

TFieldValue TRowStore::Value(uint32_t row, int column) const {
    const Column& c = At(column);
    row = c.Pos(row);
    if (c.NullAt(row)) {
        return {};
    }
    switch (c.form) {
        case Form::Int:
            return c.ints[row];
        case Form::Real:
            return c.reals[row];
        case Form::Bytes:
            break;
    }
    const QByteArrayView bytes = c.SlotBytes(c.refs[row]);
    if (IsText(Kind(column))) {
        return TextFromUtf8(bytes);
    }
    return bytes.toByteArray();
}

TFieldValue TRowStore::Canonical(TFieldType kind, const TFieldValue& value) {
    if (IsNullValue(value)) {
        return {};
    }
    const auto* i = std::get_if<int32_t>(&value);
    const auto* f = std::get_if<double>(&value);
    const auto* s = std::get_if<QString>(&value);
    const auto* b = std::get_if<QByteArray>(&value);
    switch (FormOf(kind)) {
        case Form::Int:
            if (i) {
                return *i;
            }
            if (f && *f >= INT32_MIN && *f <= INT32_MAX) {
                return int32_t(*f);
            }
            break;
        case Form::Real:
            if (i) {
                return double(*i);
            }
            if (f) {
                return *f;
            }
            break;
        case Form::Bytes:
            if (IsText(kind)) {
                if (s) {
                    return *s;
                }
                if (b) {
                    return TextFromUtf8(*b);
                }
            } else {
                if (b) {
                    return *b;
                }
                if (s) {
                    return s->toUtf8();
                }
            }
            break;
    }
    throw EDataSetError(QStringLiteral("Valor %1 não pode ser guardado num campo %2.")
                            .arg(i || f ? QStringLiteral("numérico") : QStringLiteral("de texto"),
                                 FieldTypeName(kind)));
}

void TRowStore::SetValue(uint32_t row, int column, const TFieldValue& value) {
    const TFieldValue v = Canonical(Kind(column), value);
    Column& c = Writable(column);
    switch (c.form) {
        case Form::Int:
        case Form::Real:
            if (IsNullValue(v)) {
                c.MarkNull(row, true);
                return;
            }
            if (c.form == Form::Int) {
                c.ints[row] = std::get<int32_t>(v);
            } else {
                c.reals[row] = std::get<double>(v);
            }
            c.MarkNull(row, false);
            return;
        case Form::Bytes:
            break;
    }
    if (const auto* s = std::get_if<QString>(&v)) {
        const QByteArray utf8 = s->toUtf8();
        c.refs[row] = c.Intern(utf8.constData(), utf8.size());
    } else if (const auto* b = std::get_if<QByteArray>(&v)) {
        c.refs[row] = c.Intern(b->constData(), b->size());
    } else {
        c.refs[row] = 0;
    }
}

void TRowStore::SetBytes(uint32_t row, int column, const char* data, qsizetype size) {
    if (FormOf(Kind(column)) != Form::Bytes) {
        throw EDataSetError(
            QStringLiteral("Bytes não podem ser guardados num campo %1.").arg(FieldTypeName(Kind(column))));
    }
    Column& c = Writable(column);
    c.refs[row] = c.Intern(data, size);
}

QByteArrayView TRowStore::Bytes(uint32_t row, int column) const {
    const Column& c = At(column);
    row = c.Pos(row);
    if (c.form != Form::Bytes || c.refs[row] == 0) {
        return {};
    }
    return c.SlotBytes(c.refs[row]);
}

void TRowStore::CopyValue(uint32_t from, uint32_t to, int column) {
    Column& c = Writable(column);
    switch (c.form) {
        case Form::Int:
            c.ints[to] = c.ints[from];
            break;
        case Form::Real:
            c.reals[to] = c.reals[from];
            break;
        case Form::Bytes:
            c.refs[to] = c.refs[from];
            return;
    }
    c.MarkNull(to, c.NullAt(from));
}

TSharedBytes TRowStore::SharedBytes(uint32_t row, int column) const {
    const Column& c = At(column);
    row = c.Pos(row);
    if (c.form != Form::Bytes || c.refs[row] == 0) {
        return {};
    }
    const Column::Slot& s = c.slots[c.refs[row] - 1];
    return TSharedBytes{c.chunks[s.chunk], s.offset, s.size};
}

void TRowStore::SetShared(uint32_t row, int column, const TSharedBytes& bytes) {
    if (FormOf(Kind(column)) != Form::Bytes) {
        throw EDataSetError(
            QStringLiteral("Bytes não podem ser guardados num campo %1.").arg(FieldTypeName(Kind(column))));
    }
    Column& c = Writable(column);
    if (bytes.IsNull()) {
        c.refs[row] = 0;
        return;
    }
    if (!c.slots.empty() && c.SlotBytes(uint32_t(c.slots.size())) == bytes.View()) {
        c.refs[row] = uint32_t(c.slots.size());
        return;
    }
    auto it = c.sharedIn.find(bytes.chunk.get());
    if (it == c.sharedIn.end()) {
        c.chunks.push_back(std::const_pointer_cast<char[]>(bytes.chunk));
        c.chunkSizes.push_back(0);
        it = c.sharedIn.emplace(bytes.chunk.get(), uint32_t(c.chunks.size() - 1)).first;
    }
    c.slots.push_back(Column::Slot{it->second, bytes.offset, bytes.size});
    c.refs[row] = uint32_t(c.slots.size());
}

int TRowStore::Compare(uint32_t a, uint32_t b, int column) const {
    const Column& c = At(column);
    a = c.Pos(a);
    b = c.Pos(b);
    const bool na = c.NullAt(a);
    const bool nb = c.NullAt(b);
    if (na || nb) {
        return na == nb ? 0 : (na ? -1 : 1);
    }
    switch (c.form) {
        case Form::Int:
            return Order(c.ints[a], c.ints[b]);
        case Form::Real:
            return Order(c.reals[a], c.reals[b]);
        case Form::Bytes:
            break;
    }
    if (c.refs[a] == c.refs[b]) {
        return 0;
    }
    const QByteArrayView x = c.SlotBytes(c.refs[a]);
    const QByteArrayView y = c.SlotBytes(c.refs[b]);
    return IsText(Kind(column)) ? CompareUtf8AsUtf16(x, y) : CompareBytes(x, y);
}

int TRowStore::Compare(uint32_t row, int column, const TCellProbe& probe) const {
    const Column& c = At(column);
    row = c.Pos(row);
    const bool null = c.NullAt(row);
    if (null || probe.IsNull()) {
        return null == probe.IsNull() ? 0 : (null ? -1 : 1);
    }
    const TFieldValue& v = probe.value_;
    switch (c.form) {
        case Form::Int:
            if (const auto* i = std::get_if<int32_t>(&v)) {
                return Order(c.ints[row], *i);
            }
            if (const auto* f = std::get_if<double>(&v)) {
                return Order(double(c.ints[row]), *f);
            }
            break;
        case Form::Real:
            if (const auto* i = std::get_if<int32_t>(&v)) {
                return Order(c.reals[row], double(*i));
            }
            if (const auto* f = std::get_if<double>(&v)) {
                return Order(c.reals[row], *f);
            }
            break;
        case Form::Bytes:
            if (probe.bytesKind_) {
                const QByteArrayView x = c.SlotBytes(c.refs[row]);
                return IsText(Kind(column)) ? CompareUtf8AsUtf16(x, probe.bytes_) : CompareBytes(x, probe.bytes_);
            }
            break;
    }
    return CompareFieldValues(Value(row, column), v);
}

bool TRowStore::Same(uint32_t a, uint32_t b, int column) const {
    const Column& c = At(column);
    a = c.Pos(a);
    b = c.Pos(b);
    const bool na = c.NullAt(a);
    if (na || c.NullAt(b)) {
        return na == c.NullAt(b);
    }
    switch (c.form) {
        case Form::Int:
            return c.ints[a] == c.ints[b];
        case Form::Real:
            return SameBits(c.reals[a], c.reals[b]);
        case Form::Bytes:
            break;
    }
    return c.refs[a] == c.refs[b] || c.SlotBytes(c.refs[a]) == c.SlotBytes(c.refs[b]);
}

bool TRowStore::Same(uint32_t row, int column, const TFieldValue& value) const {
    const Column& c = At(column);
    row = c.Pos(row);
    if (c.NullAt(row) || IsNullValue(value)) {
        return c.NullAt(row) && IsNullValue(value);
    }
    switch (c.form) {
        case Form::Int: {
            const auto* i = std::get_if<int32_t>(&value);
            return i && *i == c.ints[row];
        }
        case Form::Real: {
            const auto* f = std::get_if<double>(&value);
            return f && SameBits(*f, c.reals[row]);
        }
        case Form::Bytes:
            break;
    }
    if (const auto* s = std::get_if<QString>(&value)) {
        return IsText(Kind(column)) && c.SlotBytes(c.refs[row]) == QByteArrayView(s->toUtf8());
    }
    const auto* b = std::get_if<QByteArray>(&value);
    return b && !IsText(Kind(column)) && c.SlotBytes(c.refs[row]) == QByteArrayView(*b);
}

bool TRowStore::SameColumn(int column, const TRowStore& other, int otherColumn) const {
    return columns_[size_t(column)] == other.columns_[size_t(otherColumn)];
}

std::size_t TRowStore::MemoryBytes() const {
    std::size_t total = 0;
    for (const auto& c : columns_) {
        total += c->ints.capacity() * sizeof(int32_t) + c->reals.capacity() * sizeof(double) +
                 c->nulls.capacity() * sizeof(uint64_t) + c->refs.capacity() * sizeof(uint32_t) +
                 c->slots.capacity() * sizeof(Column::Slot);
        for (uint32_t size : c->chunkSizes) {
            total += size;
        }
    }
    return total;
}

std::size_t TRowStore::TextBytes() const {
    std::size_t total = 0;
    for (const auto& c : columns_) {
        total += c->textBytes;
    }
    return total;
}

}  // namespace quorin

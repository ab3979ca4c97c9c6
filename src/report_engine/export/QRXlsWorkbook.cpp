#include "report_engine/export/QRXlsWorkbook.h"

#include <algorithm>
#include <cstring>

#include "runtime/Conversions.h"

namespace quorin::xls {

namespace {

void Put8(QByteArray& out, int value) { out.push_back(static_cast<char>(value & 0xFF)); }
void Put16(QByteArray& out, int value) {
    Put8(out, value);
    Put8(out, value >> 8);
}
void Put32(QByteArray& out, quint32 value) {
    Put16(out, static_cast<int>(value & 0xFFFF));
    Put16(out, static_cast<int>(value >> 16));
}
void PutDouble(QByteArray& out, double value) {
    char bytes[8];
    std::memcpy(bytes, &value, 8);  // little-endian IEEE double
    out.append(bytes, 8);
}
void Header(QByteArray& out, int code, int length) {
    Put16(out, code);
    Put16(out, length);
}

// ---- the workbook's records ----

constexpr int kCellFormat = 15;  // the first format after the 15 style formats
constexpr int kSheetFixedBytes = 20 + 18 + 22 + 4;  // beginning, dimensions, window, end
constexpr int kCodePageUtf16 = 1200;

void Biff8Bof(QByteArray& out, int kind) {
    Header(out, 0x0809, 16);
    Put16(out, 0x0600);  // the version of the stream
    Put16(out, kind);    // 0x0005 globals, 0x0010 sheet
    Put16(out, 3515);    // build
    Put16(out, 1996);    // year
    Put32(out, 0);       // file history
    Put32(out, 6);       // the lowest version that reads it
}

/// The sheet's name as a short string of 8-bit characters.
QByteArray ShortName(int index) { return SheetName(index).toLatin1(); }

int BoundSheetBytes(int index) { return 4 + 8 + static_cast<int>(ShortName(index).size()); }

QByteArray Globals(const std::vector<TSheet>& sheets) {
    QByteArray out;
    Biff8Bof(out, 0x0005);
    Header(out, 0x0042, 2);  // code page of the stream's 8-bit texts
    Put16(out, kCodePageUtf16);
    Header(out, 0x003D, 18);  // window
    for (const int v : {0, 0, 0x3000, 0x1E00, 0x0038, 0, 0, 1, 600}) Put16(out, v);
    Header(out, 0x0022, 2);  // dates count from 1900
    Put16(out, 0);
    // Five fonts: readers skip the fifth number, so the table has four and one more.
    for (int i = 0; i < 5; ++i) {
        Header(out, 0x0031, 21);
        Put16(out, 200);     // 10 points, in twentieths
        Put16(out, 0);       // no style flags
        Put16(out, 0x7FFF);  // the window's text colour
        Put16(out, 400);     // normal weight
        Put16(out, 0);       // no super- or subscript
        Put8(out, 0);        // no underline
        Put8(out, 0);        // family
        Put8(out, 0);        // character set
        Put8(out, 0);
        Put8(out, 5);  // "Arial", 8-bit characters
        Put8(out, 0);
        out.append("Arial", 5);
    }
    // Fifteen style formats and the one every cell uses.
    for (int i = 0; i <= kCellFormat; ++i) {
        const bool style = i < kCellFormat;
        Header(out, 0x00E0, 20);
        Put16(out, 0);                         // font
        Put16(out, 0);                         // number format: general
        Put16(out, style ? 0xFFF5 : 0x0001);   // locked; a style, or a cell of the normal style
        Put8(out, 0x20);                       // aligned at the bottom
        Put8(out, 0);                          // no rotation
        Put8(out, 0);                          // no indent
        Put8(out, style ? 0xF4 : 0);           // which attributes the format sets
        Put32(out, 0);                         // no borders
        Put32(out, 0);
        Put16(out, 0x20C0);                    // pattern colours: the window's
    }
    Header(out, 0x0293, 4);  // the built-in normal style, on the first format
    Put16(out, 0x8000);
    Put8(out, 0);
    Put8(out, 0xFF);
    // The sheets, each with the position of its beginning record in the stream.
    qint64 position = out.size() + 4;  // the end record below
    for (size_t i = 0; i < sheets.size(); ++i) position += BoundSheetBytes(static_cast<int>(i));
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QByteArray name = ShortName(static_cast<int>(i));
        Header(out, 0x0085, 8 + static_cast<int>(name.size()));
        Put32(out, static_cast<quint32>(position));
        Put8(out, 0);  // visible
        Put8(out, 0);  // a worksheet
        Put8(out, static_cast<int>(name.size()));
        Put8(out, 0);  // 8-bit characters
        out.append(name);
        position += kSheetFixedBytes + sheets[i].CellBytes;
    }
    Header(out, 0x000A, 0);
    return out;
}

qint64 RecordBytes(const std::vector<TSheet>& sheets) {
    qint64 bytes = Globals({}).size();
    for (size_t i = 0; i < sheets.size(); ++i) {
        bytes += BoundSheetBytes(static_cast<int>(i)) + kSheetFixedBytes + sheets[i].CellBytes;
    }
    return bytes;
}

// ---- the compound document ----

constexpr int kSector = 512;
constexpr int kIdsPerSector = kSector / 4;
constexpr int kHeaderFatIds = 109;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
// A smaller stream would belong in the document's small-stream area; the
// workbook's is padded to this size instead.
constexpr qint64 kLeastStreamBytes = 4096;

/// Where everything lies: the stream's sectors first, then the directory,
/// the sector table and the table of its sectors beyond the header's.
struct TLayout {
    qint64 StreamBytes = 0;
    quint32 StreamSectors = 0;
    quint32 Directory = 0;
    quint32 FatSectors = 0;
    quint32 DifatSectors = 0;
    quint32 FirstFat() const { return Directory + 1; }
    quint32 FirstDifat() const { return FirstFat() + FatSectors; }
    quint32 Total() const { return FirstDifat() + DifatSectors; }
};

TLayout Layout(const std::vector<TSheet>& sheets) {
    TLayout l;
    l.StreamBytes = std::max(RecordBytes(sheets), kLeastStreamBytes);
    l.StreamSectors = static_cast<quint32>((l.StreamBytes + kSector - 1) / kSector);
    l.Directory = l.StreamSectors;
    l.FatSectors = 1;
    for (;;) {
        const quint32 fat = (l.Total() + kIdsPerSector - 1) / kIdsPerSector;
        const quint32 difat =
            fat > kHeaderFatIds ? (fat - kHeaderFatIds + kIdsPerSector - 2) / (kIdsPerSector - 1) : 0;
        if (fat == l.FatSectors && difat == l.DifatSectors) return l;
        l.FatSectors = std::max(fat, l.FatSectors);
        l.DifatSectors = std::max(difat, l.DifatSectors);
    }
}

QByteArray CompoundHeader(const TLayout& l) {
    QByteArray out;
    out.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out.append(16, '\0');  // class
    Put16(out, 0x003E);    // minor version
    Put16(out, 0x0003);    // major version: 512-byte sectors
    Put16(out, 0xFFFE);    // little-endian
    Put16(out, 9);         // sector size 2^9
    Put16(out, 6);         // small sector size 2^6
    out.append(6, '\0');
    Put32(out, 0);  // directory sectors (always 0 in this version)
    Put32(out, l.FatSectors);
    Put32(out, l.Directory);
    Put32(out, 0);  // transactions
    Put32(out, static_cast<quint32>(kLeastStreamBytes));
    Put32(out, kEndOfChain);  // no small-sector table
    Put32(out, 0);
    Put32(out, l.DifatSectors ? l.FirstDifat() : kEndOfChain);
    Put32(out, l.DifatSectors);
    for (quint32 i = 0; i < static_cast<quint32>(kHeaderFatIds); ++i) {
        Put32(out, i < l.FatSectors ? l.FirstFat() + i : kFree);
    }
    return out;
}

void DirectoryEntry(QByteArray& out, const QString& name, int type, quint32 child, quint32 start, qint64 size) {
    QByteArray entry;
    for (const QChar c : name) Put16(entry, c.unicode());
    entry.append(64 - entry.size(), '\0');
    Put16(entry, name.isEmpty() ? 0 : static_cast<int>(2 * (name.size() + 1)));  // with the terminating zero
    Put8(entry, type);
    Put8(entry, type != 0 ? 1 : 0);  // black
    Put32(entry, kFree);  // no left sibling
    Put32(entry, kFree);  // no right sibling
    Put32(entry, child);
    entry.append(16 + 4 + 8 + 8, '\0');  // class, state, creation and modification times
    Put32(entry, start);
    Put32(entry, static_cast<quint32>(size));
    Put32(entry, 0);
    out.append(entry);
}

quint32 FatEntry(const TLayout& l, quint32 sector) {
    if (sector < l.StreamSectors) return sector + 1 == l.StreamSectors ? kEndOfChain : sector + 1;
    if (sector == l.Directory) return kEndOfChain;
    if (sector < l.FirstDifat()) return kFatSector;
    if (sector < l.Total()) return kDifatSector;
    return kFree;
}

}  // namespace

QByteArray WorksheetStart() {
    QByteArray out;
    Header(out, 0x0809, 6);  // beginning of file
    Put16(out, 0);
    Put16(out, 0x0010);
    Put16(out, 0);
    Header(out, 0x0200, 10);  // dimensions, not known when written
    out.append(10, '\0');
    return out;
}

void AppendWorksheetNumber(QByteArray& out, int row, int column, double value) {
    Header(out, 0x0003, 15);
    Put16(out, row);
    Put16(out, column);
    out.append(3, '\0');
    PutDouble(out, value);
}

void AppendWorksheetText(QByteArray& out, int row, int column, const QByteArray& windows1252) {
    Header(out, 0x0004, 8 + static_cast<int>(windows1252.size()));
    Put16(out, row);
    Put16(out, column);
    out.append(3, '\0');
    Put8(out, static_cast<int>(windows1252.size()));
    out.append(windows1252);
}

QByteArray WorksheetEnd() {
    QByteArray out;
    Header(out, 0x000A, 0);
    return out;
}

QString SheetName(int index) { return QStringLiteral("Planilha%1").arg(index + 1); }

namespace {

/// The text as 8-bit characters when every one is below 256, else empty.
bool EightBit(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

}  // namespace

int WorkbookNumberBytes() { return 4 + 14; }

int WorkbookTextBytes(const QByteArray& windows1252) {
    const QString text = FromWindows1252(windows1252);
    return 4 + 9 + static_cast<int>(text.size()) * (EightBit(text) ? 1 : 2);
}

void AppendWorkbookNumber(QByteArray& out, int row, int column, double value) {
    Header(out, 0x0203, 14);
    Put16(out, row);
    Put16(out, column);
    Put16(out, kCellFormat);
    PutDouble(out, value);
}

void AppendWorkbookText(QByteArray& out, int row, int column, const QByteArray& windows1252) {
    const QString text = FromWindows1252(windows1252);
    const bool eightBit = EightBit(text);
    Header(out, 0x0204, 9 + static_cast<int>(text.size()) * (eightBit ? 1 : 2));
    Put16(out, row);
    Put16(out, column);
    Put16(out, kCellFormat);
    Put16(out, static_cast<int>(text.size()));
    Put8(out, eightBit ? 0 : 1);
    for (const QChar c : text) {
        if (eightBit) {
            Put8(out, c.unicode());
        } else {
            Put16(out, c.unicode());
        }
    }
}

qint64 WorkbookStreamBytes(const std::vector<TSheet>& sheets) { return Layout(sheets).StreamBytes; }

QByteArray WorkbookStart(const std::vector<TSheet>& sheets) {
    return CompoundHeader(Layout(sheets)) + Globals(sheets);
}

QByteArray SheetStart(const TSheet& sheet, int index) {
    QByteArray out;
    Biff8Bof(out, 0x0010);
    Header(out, 0x0200, 14);  // dimensions: first row, last row + 1, first column, last column + 1
    Put32(out, 0);
    Put32(out, static_cast<quint32>(sheet.Rows));
    Put16(out, 0);
    Put16(out, sheet.Columns);
    Put16(out, 0);
    Header(out, 0x023E, 18);  // window: grid, headers, zeros; the first sheet selected
    Put16(out, index == 0 ? 0x06B6 : 0x00B6);
    Put16(out, 0);  // top row
    Put16(out, 0);  // left column
    Put16(out, 0x40);  // header colour: the window's
    Put16(out, 0);
    Put16(out, 0);  // zoom in page-break preview: default
    Put16(out, 0);  // zoom: default
    Put32(out, 0);
    return out;
}

QByteArray SheetEnd() { return WorksheetEnd(); }

void WriteWorkbookEnd(const std::vector<TSheet>& sheets, const TWrite& write) {
    const TLayout l = Layout(sheets);
    // The stream's padding, up to its recorded size and the end of its last sector.
    qint64 padding = qint64(l.StreamSectors) * kSector - RecordBytes(sheets);
    const QByteArray zeros(kSector, '\0');
    for (; padding > 0; padding -= kSector) write(QByteArrayView(zeros).first(std::min<qint64>(padding, kSector)));

    QByteArray sector;
    DirectoryEntry(sector, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    DirectoryEntry(sector, QStringLiteral("Workbook"), 2, kFree, 0, l.StreamBytes);
    DirectoryEntry(sector, {}, 0, kFree, 0, 0);
    DirectoryEntry(sector, {}, 0, kFree, 0, 0);
    write(sector);

    for (quint32 s = 0; s < l.FatSectors; ++s) {
        sector.clear();
        for (int i = 0; i < kIdsPerSector; ++i) Put32(sector, FatEntry(l, s * kIdsPerSector + i));
        write(sector);
    }
    // The sector table's sectors beyond the 109 the header lists, 127 to a sector and the next one's number last.
    quint32 listed = kHeaderFatIds;
    for (quint32 d = 0; d < l.DifatSectors; ++d) {
        sector.clear();
        for (int i = 0; i < kIdsPerSector - 1; ++i, ++listed) {
            Put32(sector, listed < l.FatSectors ? l.FirstFat() + listed : kFree);
        }
        Put32(sector, d + 1 < l.DifatSectors ? l.FirstDifat() + d + 1 : kEndOfChain);
        write(sector);
    }
}

}  // namespace quorin::xls

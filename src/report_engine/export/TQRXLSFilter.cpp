#include "report_engine/export/TQRXLSFilter.h"

#include <QTemporaryFile>
#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

#include "report_engine/export/QRExportRows.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

constexpr double kNowhere = std::numeric_limits<double>::infinity();
// The spool is kept in memory up to this size, and then read and written in pieces of it;
// so is the file being written. A quarter of a megabyte is few system calls and little
// memory beside the report's rows.
constexpr qsizetype kSpoolPiece = 1 << 18;
// Room for a piece and the largest cell record after it, so a piece never grows its buffer.
constexpr qsizetype kPieceRoom = kSpoolPiece + 1024;

double Key(double position) { return RoundHalfEven(position); }

void Put(QByteArray& out, const void* data, size_t size) { out.append(static_cast<const char*>(data), qsizetype(size)); }
template <class T>
T Take(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

struct TQRXLSFilter::TPage {
    int FirstRow = 0;
    int Rows = 0;
    TQRPositions Columns;
    std::map<int, double> LastKeyOfSheet;  // the rightmost position holding a cell, per sheet
};

/// The cells in the order they go into the target: per cell its row, the
/// position of its column, its kind and its number or text bytes.
struct TQRXLSFilter::TSpool {
    QString target;
    QByteArray buffer;
    std::unique_ptr<QTemporaryFile> file;

    [[noreturn]] void Fail(const QString& reason) const {
        throw Exception(QStringLiteral("A planilha %1 não foi gravada: o arquivo temporário das células falhou (%2).")
                            .arg(target, reason));
    }
    void Spill() {
        if (!file) {
            file = std::make_unique<QTemporaryFile>();
            if (!file->open()) Fail(file->errorString());
        }
        if (file->write(buffer) != buffer.size()) Fail(file->errorString());
        buffer.resize(0);  // keeps the room for the next piece
    }
    void Append(int row, double key, TCellKind kind, double number, const QByteArray& text) {
        if (buffer.capacity() < kPieceRoom) buffer.reserve(kPieceRoom);
        const quint32 r = static_cast<quint32>(row);
        Put(buffer, &r, sizeof r);
        Put(buffer, &key, sizeof key);
        buffer.push_back(kind);
        if (kind == ckNumber) {
            Put(buffer, &number, sizeof number);
        } else {
            buffer.push_back(static_cast<char>(text.size()));
            buffer.append(text);
        }
        if (buffer.size() >= kSpoolPiece) Spill();
    }
    /// Hands every cell, in order, to each(row, key, kind, number, text).
    template <class F>
    void Read(F&& each) {
        constexpr qsizetype kHead = 4 + 8 + 1;
        const auto parse = [&](const QByteArray& bytes) {
            qsizetype at = 0;
            QByteArray text;
            for (;;) {
                if (bytes.size() - at < kHead + 1) break;
                const char* p = bytes.constData() + at;
                const TCellKind kind = static_cast<TCellKind>(p[12]);
                const qsizetype size =
                    kHead + (kind == ckNumber ? 8 : 1 + static_cast<unsigned char>(p[kHead]));
                if (bytes.size() - at < size) break;
                if (kind == ckNumber) {
                    each(int(Take<quint32>(p)), Take<double>(p + 4), kind, Take<double>(p + kHead), text);
                } else {
                    text = QByteArray(p + kHead + 1, size - kHead - 1);
                    each(int(Take<quint32>(p)), Take<double>(p + 4), kind, 0.0, text);
                }
                at += size;
            }
            return at;
        };
        if (!file) {
            parse(buffer);
            return;
        }
        Spill();
        if (!file->seek(0)) Fail(file->errorString());
        QByteArray pending;
        for (;;) {
            const QByteArray piece = file->read(kSpoolPiece);
            if (piece.isEmpty()) break;
            pending += piece;
            pending.remove(0, parse(pending));
        }
        if (!pending.isEmpty() || file->error() != QFileDevice::NoError) Fail(QStringLiteral("leitura incompleta"));
    }
};

TQRXLSFilter::TQRXLSFilter(const QString& fileName) : TQRAbstractExportFilter(fileName) {}
TQRXLSFilter::~TQRXLSFilter() = default;

void TQRXLSFilter::OpenStream() {
    CreateStream(FileName);
    spool_ = std::make_unique<TSpool>();
    spool_->target = FileName;
    sheets_.clear();
    pages_.clear();
    page_.reset();
    nextRow_ = 0;
    bandTop_ = kNowhere;
}

void TQRXLSFilter::NewPage() {
    CloseOpenPage();  // a page that was not ended keeps the rows already spooled
    TQRAbstractExportFilter::NewPage();
    page_ = std::make_unique<TPage>();
    page_->FirstRow = nextRow_;
    bandTop_ = kNowhere;
}

void TQRXLSFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                           const QString& text) {
    if (!page_) {
        page_ = std::make_unique<TPage>();
        page_->FirstRow = nextRow_;
    }
    TQRAbstractExportFilter::TextOut(x, y, font, color, alignment, text);
    ReplacedCharacters += CountOutsideWindows1252(text);
    page_->Columns.Add(x);
    bandTop_ = std::min(bandTop_, y);
}

void TQRXLSFilter::AcceptBand(TQRCustomBand* band, int x, int y, int height) {
    (void)band, (void)x, (void)height;
    // The later bands print below this one, whose texts lie at or below the
    // lower of where it was meant to start and its highest text.
    StoreRowsAbove(std::min(double(y), bandTop_));
    bandTop_ = kNowhere;
}

void TQRXLSFilter::StoreRowsAbove(double top) {
    if (entries_.empty()) return;
    std::vector<TQRRowExtent> extents;
    extents.reserve(entries_.size());
    for (const TTextEntry& entry : entries_) extents.push_back({entry.Y, QRTextHeight(entry.Font)});
    int rowCount = 0;
    const std::vector<int> rowOf = QRGroupRows(extents, &rowCount);
    // The rows are numbered from the top. A later text, lying at or below `top`,
    // may still join the lowest row that has a text above `top`; the rows before it are complete.
    int complete = rowCount;
    if (top != kNowhere) {
        complete = 0;
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].Y < top) complete = std::max(complete, rowOf[i]);
        }
    }
    if (complete == 0) return;
    std::vector<std::vector<size_t>> members(static_cast<size_t>(complete));
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (rowOf[i] < complete) members[static_cast<size_t>(rowOf[i])].push_back(i);  // in the order printed
    }
    for (const std::vector<size_t>& row : members) StoreRow(row);
    std::vector<TTextEntry> rest;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (rowOf[i] >= complete) rest.push_back(std::move(entries_[i]));
    }
    entries_.swap(rest);
}

void TQRXLSFilter::StoreRow(const std::vector<size_t>& members) {
    // A row is a line of the sheet when one of its texts lies below the page's
    // top edge; its cells are the texts right of the left edge, those at one
    // position joined by a blank.
    const bool line = std::any_of(members.begin(), members.end(), [&](size_t i) { return Key(entries_[i].Y) > 0; });
    if (!line) return;
    const int row = nextRow_++;
    ++page_->Rows;
    std::vector<std::pair<double, QString>> cells;  // by position
    for (const size_t i : members) {
        const TTextEntry& entry = entries_[i];
        if (!(Key(entry.X) > 0 && Key(entry.Y) > 0)) continue;
        const double key = Key(entry.X);
        auto it = std::find_if(cells.begin(), cells.end(), [&](const auto& c) { return c.first == key; });
        if (it == cells.end()) {
            cells.emplace_back(key, entry.Text);
        } else if (!entry.Text.isEmpty()) {
            it->second += it->second.isEmpty() ? entry.Text : u' ' + entry.Text;
        }
    }
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const FormatSettings& settings = FormatSettings::current();
    const int sheet = row / xls::SheetRows;
    for (const auto& [key, text] : cells) {
        if (text.isEmpty()) continue;
        double number = 0;
        qint64 bytes = 0;
        if (NumberCell(text, number, settings)) {
            spool_->Append(row, key, ckNumber, number, {});
            bytes = xls::WorkbookNumberBytes();
        } else {
            // The text as printed: a CNPJ keeps its dots, a code its zeros.
            const QByteArray chars = CellText(text);
            spool_->Append(row, key, ckText, 0, chars);
            bytes = xls::WorkbookTextBytes(chars);
        }
        if (sheets_.size() <= static_cast<size_t>(sheet)) sheets_.resize(static_cast<size_t>(sheet) + 1);
        xls::TSheet& s = sheets_[static_cast<size_t>(sheet)];
        s.CellBytes += bytes;
        s.Rows = row - sheet * xls::SheetRows + 1;
        double& last = page_->LastKeyOfSheet[sheet];
        last = std::max(last, key);
    }
}

QByteArray TQRXLSFilter::CellText(const QString& text) { return ToWindows1252(text).left(255); }

void TQRXLSFilter::CloseOpenPage() {
    if (!page_) return;
    StoreRowsAbove(kNowhere);
    entries_.clear();
    columnCount_ = page_->Columns.Number();
    lineCount_ = page_->Rows;
    for (const auto& [sheet, key] : page_->LastKeyOfSheet) {
        int& columns = sheets_[static_cast<size_t>(sheet)].Columns;
        columns = std::max(columns, page_->Columns.NumberOf(key));
    }
    if (page_->FirstRow == 0 && page_->Rows > 0 && Printer && Printer->PreviewWindow) {
        // The progress window lives on the user-interface thread; the caption goes there.
        QObject* window = Printer->PreviewWindow;
        QMetaObject::invokeMethod(window, [window] {
            window->setProperty("windowTitle", QStringLiteral("Writing XLS file..."));
        });
    }
    pages_.push_back(std::move(*page_));
    page_.reset();
    PageProcessed = true;
}

void TQRXLSFilter::EndPage() { CloseOpenPage(); }

void TQRXLSFilter::Finish() {
    CloseOpenPage();
    TQRAbstractExportFilter::Finish();
}

bool TQRXLSFilter::NumberCell(const QString& text, double& value, const FormatSettings& settings) {
    // The text must be a number as the regional format writes it: an optional
    // minus, an integer part without leading zeros (grouped by threes or not
    // grouped at all), an optional decimal part. Anything else - a code with
    // leading zeros, a CNPJ, a plus sign, a blank - would read differently in
    // a number cell and stays text.
    const QChar thousands = settings.thousandSeparator;
    const QChar decimal = settings.decimalSeparator;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && text[i] == u'-') ++i;
    const qsizetype integerStart = i;
    int integerDigits = 0;
    int group = -1;  // digits since the last thousands separator; -1 before the first
    bool grouped = false;
    while (i < n && (text[i].isDigit() || text[i] == thousands)) {
        if (text[i] == thousands) {
            if (integerDigits == 0 || (grouped && group != 3) || (!grouped && integerDigits > 3)) return false;
            grouped = true;
            group = 0;
        } else {
            if (text[i].unicode() > u'9') return false;  // a digit of another script
            ++integerDigits;
            if (grouped) ++group;
        }
        ++i;
    }
    if (integerDigits == 0 || (grouped && group != 3)) return false;
    if (text[integerStart] == u'0' && integerDigits > 1) return false;  // leading zeros
    int decimals = 0;
    if (i < n && text[i] == decimal) {
        ++i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            ++decimals;
            ++i;
        }
        if (decimals == 0) return false;
    }
    if (i != n) return false;
    // A double holds 15 significant digits; a plain integer of more than 11
    // digits is a document or a code (a CNPJ has 14), which a number cell shows
    // in scientific notation.
    if (integerDigits + decimals > 15) return false;
    if (decimals == 0 && !grouped && integerDigits > 11) return false;
    QString digits = text;
    digits.remove(thousands);
    return TryStrToFloat(digits, value, settings);
}

void TQRXLSFilter::CloseTarget() {
    WriteTarget();
    spool_.reset();
    CloseStream();
}

void TQRXLSFilter::WriteTarget() {
    int columns = 0;
    for (const xls::TSheet& sheet : sheets_) columns = std::max(columns, sheet.Columns);
    if (columns > xls::MaxColumns) {
        throw Exception(QStringLiteral("A planilha %1 não foi gravada: o relatório tem %2 colunas, mais que as %3 que "
                                       "uma planilha do formato .xls comporta. Exporte-o em PDF, RTF ou texto.")
                            .arg(FileName)
                            .arg(columns)
                            .arg(xls::MaxColumns));
    }
    // One worksheet when every cell lies in its rows, else a workbook of sheets.
    const bool workbook = sheets_.size() > 1 || (!sheets_.empty() && sheets_[0].Rows > xls::WorksheetRows);
    if (workbook && xls::WorkbookStreamBytes(sheets_) > xls::MaxStreamBytes) {
        throw Exception(QStringLiteral("A planilha %1 não foi gravada: o relatório passa de 2 GB, o máximo que um "
                                       "arquivo do formato .xls comporta. Exporte-o em PDF, RTF ou texto.")
                            .arg(FileName));
    }
    QByteArray out = workbook ? xls::WorkbookStart(sheets_) : xls::WorksheetStart();
    out.reserve(out.size() + kPieceRoom);
    const auto flush = [&] {
        WriteToStream(out);
        out.resize(0);  // keeps the room for the next piece
    };
    // The progress of the first page's rows, as they are written.
    const int firstLines = !pages_.empty() && pages_.front().FirstRow == 0 ? pages_.front().Rows : 0;
    int reported = -1;
    size_t page = 0;
    int sheet = -1;
    spool_->Read([&](int row, double key, TCellKind kind, double number, const QByteArray& text) {
        while (row >= pages_[page].FirstRow + pages_[page].Rows) ++page;
        const int column = pages_[page].Columns.NumberOf(key) - 1;
        if (row < firstLines && Printer) {
            const int percent = row * 100 / firstLines;
            if (percent != reported) Printer->SetProgress(reported = percent);
        }
        if (!workbook) {
            if (kind == ckNumber) {
                xls::AppendWorksheetNumber(out, row, column, number);
            } else {
                xls::AppendWorksheetText(out, row, column, text);
            }
        } else {
            for (; sheet < row / xls::SheetRows; ++sheet) {
                if (sheet >= 0) out += xls::SheetEnd();
                out += xls::SheetStart(sheets_[static_cast<size_t>(sheet + 1)], sheet + 1);
            }
            const int sheetRow = row % xls::SheetRows;
            if (kind == ckNumber) {
                xls::AppendWorkbookNumber(out, sheetRow, column, number);
            } else {
                xls::AppendWorkbookText(out, sheetRow, column, text);
            }
        }
        if (out.size() >= kSpoolPiece) flush();
    });
    if (!workbook) {
        out += xls::WorksheetEnd();
        flush();
        return;
    }
    // Sheets without cells, between and after those with cells, are written empty.
    for (; sheet + 1 < static_cast<int>(sheets_.size()); ++sheet) {
        if (sheet >= 0) out += xls::SheetEnd();
        out += xls::SheetStart(sheets_[static_cast<size_t>(sheet + 1)], sheet + 1);
    }
    out += xls::SheetEnd();
    flush();
    xls::WriteWorkbookEnd(sheets_, [&](QByteArrayView bytes) { WriteToStream(bytes); });
}

}  // namespace quorin

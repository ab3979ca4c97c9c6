#include "report_engine/export/TQRXLSFilter.h"

#include <QHash>
#include <algorithm>
#include <cstring>

#include "report_engine/export/QRExportRows.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

// How many texts arrive between two counts of the rows they make.
constexpr size_t kCheckEvery = 8192;

}  // namespace

void TQRXLSFilter::Put16(int value) {
    buffer_.push_back(static_cast<char>(value & 0xFF));
    buffer_.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void TQRXLSFilter::WriteRecordHeader(int code, int length) {
    Put16(code);
    Put16(length);
}

void TQRXLSFilter::OpenStream() {
    CreateStream(FileName);
    buffer_.clear();
    WriteRecordHeader(0x0809, 6);  // beginning of file
    Put16(0);
    Put16(0x0010);
    Put16(0);
    WriteRecordHeader(0x0200, 10);  // dimensions, not known yet
    for (int i = 0; i < 5; ++i) Put16(0);
    nextRow_ = 0;
    nextCheck_ = kCheckEvery;
}

int TQRXLSFilter::CountLines() const {
    std::vector<TQRRowExtent> extents;
    extents.reserve(entries_.size());
    for (const TTextEntry& entry : entries_) extents.push_back({entry.Y, QRTextHeight(entry.Font)});
    int rowCount = 0;
    const std::vector<int> rowOf = QRGroupRows(extents, &rowCount);
    std::vector<bool> printed(static_cast<size_t>(rowCount), false);
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (RoundHalfEven(entries_[i].Y) > 0) printed[static_cast<size_t>(rowOf[i])] = true;
    }
    return static_cast<int>(std::count(printed.begin(), printed.end(), true));
}

void TQRXLSFilter::CheckRows(qint64 rows) const {
    if (rows <= MaxRows) return;
    throw Exception(QStringLiteral("A planilha %1 não foi gravada: o relatório passa de %2 linhas, o máximo que "
                                   "uma planilha do formato .xls comporta. Exporte-o em PDF, RTF ou texto.")
                        .arg(FileName, QStringLiteral("%1.%2").arg(MaxRows / 1000).arg(MaxRows % 1000, 3, 10, QChar(u'0'))));
}

void TQRXLSFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                           const QString& text) {
    TQRAbstractExportFilter::TextOut(x, y, font, color, alignment, text);
    ReplacedCharacters += CountOutsideWindows1252(text);
    if (entries_.size() >= nextCheck_) {
        nextCheck_ = entries_.size() + kCheckEvery;
        CheckRows(qint64(nextRow_) + CountLines());
    }
}

void TQRXLSFilter::WriteData(TCellKind kind, int row, const QString& text, int column, double number) {
    if (kind == ckNumber) {
        WriteRecordHeader(0x0003, 15);
        Put16(row);
        Put16(column);
        buffer_.append(3, '\0');
        char bytes[8];
        std::memcpy(bytes, &number, 8);  // little-endian IEEE double
        buffer_.append(bytes, 8);
        return;
    }
    const QByteArray chars = ToWindows1252(text).left(255);
    WriteRecordHeader(0x0004, 8 + static_cast<int>(chars.size()));
    Put16(row);
    Put16(column);
    buffer_.append(3, '\0');
    buffer_.push_back(static_cast<char>(chars.size()));
    buffer_.append(chars);
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

void TQRXLSFilter::StorePage() {
    int row = nextRow_;
    const bool firstPage = row == 0;
    CheckRows(qint64(row) + lineCount_);  // before any cell of the page
    const FormatSettings& settings = FormatSettings::current();
    // The texts at each line and column, in the order printed.
    QHash<qint64, QString> cells;
    cells.reserve(static_cast<qsizetype>(entries_.size()));
    for (const TTextEntry& entry : entries_) {
        if (!(entry.X > 0 && entry.Y > 0)) continue;
        const qint64 key = (qint64(entry.Y) << 32) | qint64(entry.X);
        auto it = cells.find(key);
        if (it == cells.end()) {
            cells.insert(key, entry.Text);
        } else if (!entry.Text.isEmpty()) {
            *it += it->isEmpty() ? entry.Text : u' ' + entry.Text;
        }
    }
    if (firstPage && lineCount_ > 0 && Printer && Printer->PreviewWindow) {
        // The progress window lives on the user-interface thread; the caption goes there.
        QObject* window = Printer->PreviewWindow;
        QMetaObject::invokeMethod(window, [window] {
            window->setProperty("windowTitle", QStringLiteral("Writing XLS file..."));
        });
    }
    for (int line = 1; line <= lineCount_; ++line) {
        if (firstPage && Printer) {
            Printer->SetProgress((line - 1) * 100 / lineCount_);
        }
        for (int column = 1; column <= columnCount_; ++column) {
            const QString text = cells.value((qint64(line) << 32) | column);
            if (text.isEmpty()) continue;
            double number = 0;
            if (NumberCell(text, number, settings)) {
                WriteData(ckNumber, row, {}, column - 1, number);
            } else {
                // The text as printed: a CNPJ keeps its dots, a code its zeros.
                WriteData(ckText, row, text, column - 1);
            }
        }
        ++row;
        if (buffer_.size() > (1 << 20)) {
            WriteToStream(buffer_);
            buffer_.clear();
        }
    }
    nextRow_ = row;
    nextCheck_ = kCheckEvery;
}

void TQRXLSFilter::CloseTarget() {
    WriteRecordHeader(0x000A, 0);
    WriteToStream(buffer_);
    buffer_.clear();
    CloseStream();
}

}  // namespace quorin

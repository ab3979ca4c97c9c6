#include "report_engine/export/TQRXLSFilter.h"

#include <QHash>
#include <cstring>

#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/FormatSettings.h"

namespace quorin {

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

void TQRXLSFilter::StorePage() {
    int row = nextRow_;
    const bool firstPage = row == 0;
    const FormatSettings& settings = FormatSettings::current();
    // The first entry at each line and column, as GetText finds it.
    QHash<qint64, const TTextEntry*> cells;
    cells.reserve(static_cast<qsizetype>(entries_.size()));
    for (const TTextEntry& entry : entries_) {
        const qint64 key = (qint64(entry.Y) << 32) | qint64(entry.X);
        if (entry.X > 0 && entry.Y > 0 && !cells.contains(key)) cells.insert(key, &entry);
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
            const TTextEntry* entry = cells.value((qint64(line) << 32) | column, nullptr);
            if (!entry || entry->Text.isEmpty()) continue;
            QString digits = entry->Text;
            digits.remove(settings.thousandSeparator);
            double number = 0;
            if (TryStrToFloat(digits, number, settings)) {
                WriteData(ckNumber, row, {}, column - 1, number);
            } else {
                // The text as printed: a CNPJ keeps its dots.
                WriteData(ckText, row, entry->Text, column - 1);
            }
        }
        ++row;
    }
    nextRow_ = row;
    if (buffer_.size() > (1 << 20)) {
        WriteToStream(buffer_);
        buffer_.clear();
    }
}

void TQRXLSFilter::CloseTarget() {
    WriteRecordHeader(0x000A, 0);
    WriteToStream(buffer_);
    buffer_.clear();
    CloseStream();
}

}  // namespace quorin

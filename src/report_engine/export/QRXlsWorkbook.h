#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

namespace quorin {

/// The two record layouts the spreadsheet filter writes, and the container of
/// the larger one.
///
/// A worksheet file is the record stream readers take as the oldest worksheet
/// format: a beginning record, a dimensions record of zeros, cell records of
/// 16-bit rows and columns, an end record. It holds WorksheetRows rows.
///
/// A workbook file is a compound document (512-byte sectors, one stream named
/// "Workbook") whose stream holds a globals part naming every sheet and the
/// position of its records, then the sheets, each of up to SheetRows rows.
/// Every size is known before the first byte is written, so both are written
/// front to back.
namespace xls {

inline constexpr int WorksheetRows = 16384;
inline constexpr int SheetRows = 65536;
inline constexpr int MaxColumns = 256;
/// The largest workbook stream: sheet positions are signed 32-bit offsets.
inline constexpr qint64 MaxStreamBytes = 0x7FFFFFFF;

using TWrite = std::function<void(QByteArrayView)>;

/// Worksheet records.
QByteArray WorksheetStart();
void AppendWorksheetNumber(QByteArray& out, int row, int column, double value);
void AppendWorksheetText(QByteArray& out, int row, int column, const QByteArray& windows1252);
QByteArray WorksheetEnd();

/// What the workbook needs to know of each sheet before it is written.
struct TSheet {
    qint64 CellBytes = 0;  // the sizes of its cell records (Biff8CellBytes)
    int Rows = 0;          // rows up to its last one holding a cell
    int Columns = 0;       // columns up to its last one holding a cell
};

/// "Planilha1", "Planilha2", ... for the sheet numbered from 0.
QString SheetName(int index);
/// The size of a cell record of the workbook: a number, or a text given in the
/// Windows code page (written as 8-bit characters when all of them fit, as
/// 16-bit ones otherwise).
int WorkbookNumberBytes();
int WorkbookTextBytes(const QByteArray& windows1252);
void AppendWorkbookNumber(QByteArray& out, int row, int column, double value);
void AppendWorkbookText(QByteArray& out, int row, int column, const QByteArray& windows1252);

/// The size of the workbook stream of those sheets.
qint64 WorkbookStreamBytes(const std::vector<TSheet>& sheets);
/// The compound document's header and the workbook's globals part.
QByteArray WorkbookStart(const std::vector<TSheet>& sheets);
/// The records before the cells of a sheet, and after them.
QByteArray SheetStart(const TSheet& sheet, int index);
QByteArray SheetEnd();
/// Everything after the sheets: the stream's padding, the directory and the
/// sector tables, handed to write a sector at a time.
void WriteWorkbookEnd(const std::vector<TSheet>& sheets, const TWrite& write);

}  // namespace xls

}  // namespace quorin

#include "report_engine/preview/QRPreviewDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "report_engine/preview/TSearchDlg.h"

namespace quorin {
namespace {

// "description|pattern" to Qt's "description (pattern)"; a description that
// already ends in its pattern in parentheses stays as it is.
QString QtNameFilter(const QString& entry) {
    const int bar = entry.indexOf(u'|');
    if (bar < 0) return entry;
    const QString description = entry.left(bar);
    const QString pattern = entry.mid(bar + 1);
    if (description.contains(u'(')) return description;
    return description + QStringLiteral(" (") + pattern + u')';
}

}  // namespace

TQRPreviewDialogs::TSaveFile TQRPreviewDialogs::SaveFile;
TQRPreviewDialogs::TOpenFile TQRPreviewDialogs::OpenFile;
TQRPreviewDialogs::TInputQuery TQRPreviewDialogs::InputQuery;
TQRPreviewDialogs::TMessageBox TQRPreviewDialogs::MessageBox;
TQRPreviewDialogs::TSearchText TQRPreviewDialogs::SearchText;
TQRPreviewDialogs::TPrintDialog TQRPreviewDialogs::PrintDialog;

void TQRPreviewDialogs::Reset() {
    SaveFile = nullptr;
    OpenFile = nullptr;
    InputQuery = nullptr;
    MessageBox = nullptr;
    SearchText = nullptr;
    PrintDialog = nullptr;
}

bool TQRPreviewDialogs::ShowSaveFile(QWidget* parent, const QString& caption, const QString& proposedName,
                                     const QString& defaultExtension, const QStringList& filters,
                                     QString& fileName, int& filterIndex) {
    const TSaveFile handler = SaveFile ? SaveFile : TSaveFile(&RealSaveFile);
    return handler(parent, caption, proposedName, defaultExtension, filters, fileName, filterIndex);
}

bool TQRPreviewDialogs::ShowOpenFile(QWidget* parent, const QString& caption, const QStringList& filters,
                                     QString& fileName) {
    const TOpenFile handler = OpenFile ? OpenFile : TOpenFile(&RealOpenFile);
    return handler(parent, caption, filters, fileName);
}

bool TQRPreviewDialogs::ShowInputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                                       QString& value) {
    const TInputQuery handler = InputQuery ? InputQuery : TInputQuery(&RealInputQuery);
    return handler(parent, caption, prompt, value);
}

void TQRPreviewDialogs::ShowMessageBox(QWidget* parent, const QString& caption, const QString& text) {
    const TMessageBox handler = MessageBox ? MessageBox : TMessageBox(&RealMessageBox);
    handler(parent, caption, text);
}

bool TQRPreviewDialogs::ShowSearchText(QWidget* parent, QString& text, bool& caseSensitive) {
    const TSearchText handler = SearchText ? SearchText : TSearchText(&RealSearchText);
    return handler(parent, text, caseSensitive);
}

bool TQRPreviewDialogs::ShowPrintDialog(QWidget* parent, TQRPrintDialogOptions& options) {
    const TPrintDialog handler = PrintDialog ? PrintDialog : TPrintDialog(&RealPrintDialog);
    return handler(parent, options);
}

bool TQRPreviewDialogs::RealSaveFile(QWidget* parent, const QString& caption, const QString& proposedName,
                                     const QString& defaultExtension, const QStringList& filters,
                                     QString& fileName, int& filterIndex) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList nameFilters;
    for (const QString& entry : filters) nameFilters << QtNameFilter(entry);
    dialog.setNameFilters(nameFilters);
    dialog.setDefaultSuffix(defaultExtension);
    // A name typed without extension takes the one of the chosen entry.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters, &nameFilters](
                                                                          const QString& chosen) {
        const qsizetype index = nameFilters.indexOf(chosen);
        if (index < 0) return;
        const QString pattern = filters.at(index).section(u'|', 1);
        const QString suffix = pattern.section(u'.', -1);
        if (!suffix.isEmpty() && !suffix.contains(u'*')) dialog.setDefaultSuffix(suffix);
    });
    if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().constFirst();
    filterIndex = static_cast<int>(nameFilters.indexOf(dialog.selectedNameFilter())) + 1;
    if (filterIndex < 1) filterIndex = 1;
    return true;
}

bool TQRPreviewDialogs::RealOpenFile(QWidget* parent, const QString& caption, const QStringList& filters,
                                     QString& fileName) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList nameFilters;
    for (const QString& entry : filters) nameFilters << QtNameFilter(entry);
    dialog.setNameFilters(nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool TQRPreviewDialogs::RealInputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                                       QString& value) {
    QString label = prompt;
    label.replace(u'\r', u'\n');
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, value, &ok);
    if (ok) value = answer;
    return ok;
}

void TQRPreviewDialogs::RealMessageBox(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool TQRPreviewDialogs::RealSearchText(QWidget* parent, QString& text, bool& caseSensitive) {
    TSearchDlg dialog(parent);
    dialog.Edit1->setText(text);
    dialog.exec();
    if (dialog.Cancelled) return false;
    text = dialog.GetText();
    caseSensitive = dialog.GetCase();
    return true;
}

bool TQRPreviewDialogs::RealPrintDialog(QWidget* parent, TQRPrintDialogOptions& options) {
    QPrinter printer;
    if (options.PrinterIndex >= 0 && options.PrinterIndex < options.Printers.size())
        printer.setPrinterName(options.Printers.at(options.PrinterIndex));
    printer.setCopyCount(options.Copies);
    printer.setPageOrientation(options.Orientation == poLandscape ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimir"));
    dialog.setMinMax(options.MinPage, options.MaxPage);
    // The page fields show the range offered (1 to the page count of a finished report) even
    // while "all pages" is chosen.
    if (options.FromPage > 0 && options.ToPage >= options.FromPage)
        printer.setFromTo(options.FromPage, options.ToPage);
    if (options.PrintRange) dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    if (dialog.exec() != QDialog::Accepted) return false;
    options.PrinterIndex = static_cast<int>(options.Printers.indexOf(printer.printerName()));
    options.Copies = printer.copyCount();
    options.Orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    options.PrintRange = printer.printRange() == QPrinter::PageRange;
    options.FromPage = options.PrintRange ? printer.fromPage() : 0;
    options.ToPage = options.PrintRange ? printer.toPage() : 0;
    return true;
}

}  // namespace quorin

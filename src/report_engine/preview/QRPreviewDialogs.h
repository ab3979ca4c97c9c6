#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "report_engine/printer/QRPaperSize.h"

class QWidget;

namespace quorin {

/// What the print dialog shows and what it gives back.
struct TQRPrintDialogOptions {
    QStringList Printers;   // the installed printers, in platform order
    int PrinterIndex = -1;  // the selected one (-1: the platform's default)
    int Copies = 1;
    TPrinterOrientation Orientation = poPortrait;
    int MinPage = 0;  // the range the dialog accepts
    int MaxPage = 9999;
    bool PrintRange = false;  // false: all pages
    int FromPage = 0;
    int ToPage = 0;
};

/// The dialogs the preview window asks, each a replaceable function with the
/// real dialog as default, so a test can answer them and drive the window
/// offscreen. Assigning an empty function restores the real dialog.
struct TQRPreviewDialogs {
    /// File-save dialog; filters are "description|pattern" entries; on
    /// acceptance gives the file name and the chosen entry (1-based).
    using TSaveFile = std::function<bool(QWidget* parent, const QString& caption, const QString& proposedName,
                                         const QString& defaultExtension, const QStringList& filters,
                                         QString& fileName, int& filterIndex)>;
    /// File-open dialog with the same filter form.
    using TOpenFile = std::function<bool(QWidget* parent, const QString& caption, const QStringList& filters,
                                         QString& fileName)>;
    /// Input box: value comes in as the initial answer and goes out as the typed one.
    using TInputQuery =
        std::function<bool(QWidget* parent, const QString& caption, const QString& prompt, QString& value)>;
    /// Plain message box with an OK button.
    using TMessageBox = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
    /// The search dialog: text comes in as the last search text.
    using TSearchText = std::function<bool(QWidget* parent, QString& text, bool& caseSensitive)>;
    /// The print dialog.
    using TPrintDialog = std::function<bool(QWidget* parent, TQRPrintDialogOptions& options)>;

    static TSaveFile SaveFile;
    static TOpenFile OpenFile;
    static TInputQuery InputQuery;
    static TMessageBox MessageBox;
    static TSearchText SearchText;
    static TPrintDialog PrintDialog;

    /// Puts every real dialog back.
    static void Reset();

    static bool ShowSaveFile(QWidget* parent, const QString& caption, const QString& proposedName,
                             const QString& defaultExtension, const QStringList& filters, QString& fileName,
                             int& filterIndex);
    static bool ShowOpenFile(QWidget* parent, const QString& caption, const QStringList& filters,
                             QString& fileName);
    static bool ShowInputQuery(QWidget* parent, const QString& caption, const QString& prompt, QString& value);
    static void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text);
    static bool ShowSearchText(QWidget* parent, QString& text, bool& caseSensitive);
    static bool ShowPrintDialog(QWidget* parent, TQRPrintDialogOptions& options);

    // The real dialogs.
    static bool RealSaveFile(QWidget* parent, const QString& caption, const QString& proposedName,
                             const QString& defaultExtension, const QStringList& filters, QString& fileName,
                             int& filterIndex);
    static bool RealOpenFile(QWidget* parent, const QString& caption, const QStringList& filters,
                             QString& fileName);
    static bool RealInputQuery(QWidget* parent, const QString& caption, const QString& prompt, QString& value);
    static void RealMessageBox(QWidget* parent, const QString& caption, const QString& text);
    static bool RealSearchText(QWidget* parent, QString& text, bool& caseSensitive);
    static bool RealPrintDialog(QWidget* parent, TQRPrintDialogOptions& options);
};

}  // namespace quorin

#pragma once

#include <QDialog>
#include <QRectF>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "report_engine/preview/TQRPreview.h"
#include "report_engine/printer/TQRPrinter.h"

class QFrame;
class QLabel;
class QProgressBar;
class QToolButton;
class QWheelEvent;

namespace quorin {

class TCustomQuickRep;
class TQRPrinter;
class TQRPageRecording;

/// The preview window: toolbar, page area, progress bar and status bar. It
/// shows the pages of one printer as they arrive, pages, zooms, searches,
/// prints all or some pages, saves or exports the run and loads page files.
/// The dialogs it asks go through TQRPreviewDialogs.
class TQRStandardPreview : public QDialog {
    Q_OBJECT
  public:
    TQRStandardPreview(QWidget* owner, TQRPrinter* printer);
    ~TQRStandardPreview() override;

    /// Shows the window without waiting, then UpdateInfo.
    void Show();
    void UpdateInfo();
    void SelectPage(int n);
    TQRPrinter* QRPrinter() const { return printer_; }

    // Toolbar actions.
    void ZoomToFitClick();
    void ZoomTo100Click();
    void ZoomToWidthClick();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void PrintSetupClick();
    void Tb_IntervaloClick();
    void PrintClick();
    void SaveClick();
    void LoadClick();
    void ToolButton3Click();
    void SaltarPaginaClick();
    void ZoomMaisClick();
    void ZoomMenosClick();
    void ExitClick();
    void SpeedButton1Click();

    void FormCreate();
    void FormResize();
    /// Handles the window's keys (seen before its controls); true when handled.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void QRPreviewPageAvailable(TQRPreview* sender, int pageNum);
    void QRPreviewProgressUpdate(TQRPreview* sender, int progress);

    /// The search dialog; false when cancelled.
    bool GetTextSearch(QString& text, bool& caseSensitive);
    /// Whether one of the page's text records holds text (an empty text never matches).
    static bool StrInMetafile(const QString& text, const TQRPageRecording& page, bool caseSensitive);
    /// Where on the page the first text record holding text has it (the page recording's device
    /// units; empty when the record does not say where it lies); none without a match.
    static std::optional<QRectF> FindInMetafile(const QString& text, const TQRPageRecording& page,
                                                bool caseSensitive);

    /// Text of a status bar panel (0: progress, 1: page info, 2: empty).
    QString StatusPanelText(int index) const;

    /// The six entries of the save dialog, in order ("description|pattern").
    static QStringList SaveDialogFilters();
    /// The save dialog's entry (1-based) a file name is written as: the one its extension names,
    /// else the chosen one, whose extension a name without one then gets.
    static int SaveFormat(QString& fileName, int filterIndex);

    // Controls, named as the layout names them.
    QFrame* ToolBar1;
    TQRPreview* QRPreview;
    QProgressBar* ProgressBar1;
    QFrame* StatusBar;
    std::array<QLabel*, 3> StatusPanels{};
    QToolButton* ZoomFit;
    QToolButton* ZoomTo100;
    QToolButton* ZoomToWidth;
    QToolButton* FirstPage;
    QToolButton* PreviousPage;
    QToolButton* ToolButton2;
    QToolButton* LastPage;
    QToolButton* PrintSetup;
    QToolButton* Tb_Intervalo;
    QToolButton* Print;
    QToolButton* SaveReport;
    QToolButton* LoadReport;
    QToolButton* ToolButton3;
    QToolButton* SaltarPagina;
    QToolButton* ZoomMais;
    QToolButton* ZoomMenos;
    QToolButton* ExitButton;
    QToolButton* SpeedButton1;
    /// At the right end of the toolbar when it has no room for every button: a menu of those
    /// left out.
    QToolButton* Overflow;

    // Search state.
    int LastFoundPage = 1;
    QString LastSearchText;

  public Q_SLOTS:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QToolButton* AddButton(const char* name, int left, int width, const QString& hint, const QString& icon,
                           void (TQRStandardPreview::*action)());
    void FormClose();
    void CloseWindow();
    void LayoutStatusPanels();
    void LayoutToolbar();
    void ShowAbort(bool show);
    bool ZoomAtPointer(QWidget* over, QWheelEvent* wheel);
    /// The zoom in percent, in the status bar's last panel.
    void ShowZoom();
    /// Whether the report this window shows is still being generated.
    bool Generating() const;
    /// The report that a print from this window generates again (none for stored pages).
    TCustomQuickRep* ReportPrintedAgain() const;
    void ExportTo(int filterIndex, const QString& fileName);
    void ShowError(const QString& text);
    /// Whether there is a printer to print on; if not, says why.
    bool CanPrint();

    TQRPrinterRef printer_;  // empties itself when the printer is destroyed
    int lastProgressShown_ = 0;
    int previousProgress_ = 0;
    bool closed_ = false;
    bool abortShown_ = false;
    std::vector<QToolButton*> overflowed_;
};

}  // namespace quorin

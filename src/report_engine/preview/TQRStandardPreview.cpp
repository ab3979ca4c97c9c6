#include "report_engine/preview/TQRStandardPreview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <dlfcn.h>
#include <mutex>
#include <utility>

#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/pages/QRPageList.h"
#include "report_engine/preview/QRPreviewReport.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "report_engine/preview/QRPreviewDialogs.h"
#include "report_engine/preview/QRPreviewStyle.h"
#include "runtime/Exceptions.h"

namespace quorin {
namespace {

const QString DefaultCaption = QStringLiteral("Visualizador de Relatório");
const QString PageFileFilter = QStringLiteral("Arquivos de Relatório QRP (*.qrp)|*.qrp");

// The extensions of the export entries 2 to 6 of the save dialog, with the
// format's name for the message when its filter is not installed.
struct TExportEntry {
    const char* Extension;
    const char* Format;
};
constexpr TExportEntry ExportEntries[] = {
    {"txt", "Texto"}, {"wmf", "Metafile (WMF)"}, {"rtf", "Word (RTF)"}, {"xls", "Excel (XLS)"}, {"pdf", "PDF"},
};

// The page text search admits one test at a time across threads.
std::mutex& SearchLock() {
    static std::mutex lock;
    return lock;
}

// A decimal number as the go-to box reads it: leading blanks skipped, then
// digits up to the first other character; none gives 0.
long long LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ') ++i;
    long long value = 0;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > 1'000'000'000) break;
    }
    return value;
}

// A whole number as the page-range box needs it; raises EConvertError.
int ToInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' não é um valor inteiro válido").arg(text));
    return value;
}

// Why there is no printer to print on. The printing service (CUPS) is asked through its client
// library, loaded when needed: it tells a service that does not answer from one without printers.
QString PrintingUnavailableMessage() {
    const QString noPrinter = QStringLiteral(
        "Não é possível imprimir: nenhuma impressora está instalada neste computador. Instale uma impressora "
        "e tente novamente.");
    const QString notResponding = QStringLiteral(
        "Não é possível imprimir: o serviço de impressão não está respondendo. Verifique se o serviço de "
        "impressão (CUPS) está em execução e tente novamente.");
    using TGetDests = int (*)(void**);
    using TFreeDests = void (*)(int, void*);
    using TLastError = int (*)();
    void* cups = dlopen("libcups.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (cups == nullptr) return noPrinter;
    const auto getDests = reinterpret_cast<TGetDests>(dlsym(cups, "cupsGetDests"));
    const auto freeDests = reinterpret_cast<TFreeDests>(dlsym(cups, "cupsFreeDests"));
    const auto lastError = reinterpret_cast<TLastError>(dlsym(cups, "cupsLastError"));
    if (getDests == nullptr || freeDests == nullptr || lastError == nullptr) return noPrinter;
    void* dests = nullptr;
    const int count = getDests(&dests);
    const int error = lastError();
    freeDests(count, dests);
    constexpr int ServiceUnavailable = 0x0502;  // IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
    return count == 0 && error == ServiceUnavailable ? notResponding : noPrinter;
}

QString MessageCaption() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? DefaultCaption : name;
}

}  // namespace

TQRStandardPreview::TQRStandardPreview(QWidget* owner, TQRPrinter* printer)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint | Qt::CustomizeWindowHint),
      printer_(printer) {
    setObjectName(QStringLiteral("QRStandardPreview"));
    setWindowTitle(DefaultCaption);
    setFont(PreviewFont());
    setSizeGripEnabled(false);
    resize(781, 544);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar1 = new QFrame(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(36);
    ToolBar1->setFrameShape(QFrame::Panel);
    ToolBar1->setFrameShadow(QFrame::Raised);
    ToolBar1->setLineWidth(1);
    layout->addWidget(ToolBar1);

    ZoomFit = AddButton("ZoomFit", 0, 33, QStringLiteral("Página Inteira"), QStringLiteral("fit"),
                        &TQRStandardPreview::ZoomToFitClick);
    ZoomTo100 = AddButton("ZoomTo100", 33, 33, QStringLiteral("100% (Alt +)"), QStringLiteral("100"),
                          &TQRStandardPreview::ZoomTo100Click);
    ZoomToWidth = AddButton("ZoomToWidth", 66, 32, QStringLiteral("Largura da Página (Alt -)"),
                            QStringLiteral("width"), &TQRStandardPreview::ZoomToWidthClick);
    FirstPage = AddButton("FirstPage", 98, 32, QStringLiteral("Primeira Página (Ctrl + Page Up)"),
                          QStringLiteral("first"), &TQRStandardPreview::FirstPageClick);
    PreviousPage = AddButton("PreviousPage", 130, 32, QStringLiteral("Página Anterior (Page Up)"),
                             QStringLiteral("prior"), &TQRStandardPreview::PrevPageClick);
    ToolButton2 = AddButton("ToolButton2", 162, 35, QStringLiteral("Próxima Página (Page Down)"),
                            QStringLiteral("next"), &TQRStandardPreview::NextPageClick);
    LastPage = AddButton("LastPage", 197, 31, QStringLiteral("Útima Página (Ctrl + Page Down)"),
                         QStringLiteral("last"), &TQRStandardPreview::LastPageClick);
    PrintSetup = AddButton("PrintSetup", 228, 33, QStringLiteral("Configurar Impressora - F7"),
                           QStringLiteral("setup"), &TQRStandardPreview::PrintSetupClick);
    Tb_Intervalo = AddButton("Tb_Intervalo", 261, 32, QStringLiteral("Intervalo para Imprimir - F8"),
                             QStringLiteral("range"), &TQRStandardPreview::Tb_IntervaloClick);
    Print = AddButton("Print", 293, 32, QStringLiteral("Imprimir - F6"), QStringLiteral("print"),
                      &TQRStandardPreview::PrintClick);
    SaveReport = AddButton("SaveReport", 325, 32, QStringLiteral("Salvar Relatório - F3"), QStringLiteral("save"),
                           &TQRStandardPreview::SaveClick);
    LoadReport = AddButton("LoadReport", 357, 28, QStringLiteral("Carregar Relatório - F2"),
                           QStringLiteral("load"), &TQRStandardPreview::LoadClick);
    ToolButton3 = AddButton("ToolButton3", 385, 29, QStringLiteral("Pesquisar Texto - F5"),
                            QStringLiteral("search"), &TQRStandardPreview::ToolButton3Click);
    SaltarPagina = AddButton("SaltarPagina", 414, 32, QStringLiteral("Saltar para a Página Digitada - F9"),
                             QStringLiteral("goto"), &TQRStandardPreview::SaltarPaginaClick);
    ZoomMais = AddButton("ZoomMais", 446, 32, QStringLiteral("Mais Zoom (+)"), QStringLiteral("zoomin"),
                         &TQRStandardPreview::ZoomMaisClick);
    ZoomMenos = AddButton("ZoomMenos", 478, 32, QStringLiteral("Menos Zoom (-)"), QStringLiteral("zoomout"),
                          &TQRStandardPreview::ZoomMenosClick);
    ExitButton = AddButton("ExitButton", 510, 57, QStringLiteral("Sair do Relatório"), QStringLiteral("exit"),
                           &TQRStandardPreview::ExitClick);
    ExitButton->setText(QStringLiteral("Sair"));
    ExitButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1 = AddButton("SpeedButton1", 567, 75, QStringLiteral("Abortar Relatório"), QStringLiteral("abort"),
                             &TQRStandardPreview::SpeedButton1Click);
    SpeedButton1->setText(QStringLiteral("Abortar"));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->hide();

    // The commands the toolbar has no room for, at the window's narrower sizes.
    Overflow = new QToolButton(ToolBar1);
    Overflow->setObjectName(QStringLiteral("Overflow"));
    Overflow->setAutoRaise(true);
    Overflow->setToolTip(QStringLiteral("Mais comandos"));
    Overflow->setText(QStringLiteral("»"));
    Overflow->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QFont chevron = Overflow->font();
    chevron.setPixelSize(18);
    chevron.setBold(true);
    Overflow->setFont(chevron);
    Overflow->setFocusPolicy(Qt::NoFocus);
    Overflow->setPopupMode(QToolButton::InstantPopup);
    auto* overflowMenu = new QMenu(Overflow);
    overflowMenu->setObjectName(QStringLiteral("OverflowMenu"));
    Overflow->setMenu(overflowMenu);
    connect(overflowMenu, &QMenu::aboutToShow, this, [this, overflowMenu] {
        overflowMenu->clear();
        for (QToolButton* button : overflowed_) {
            QString text = button->toolTip();
            if (!button->text().isEmpty() && button->toolButtonStyle() != Qt::ToolButtonIconOnly)
                text = button->text() + QStringLiteral(" - ") + text;
            QAction* action = overflowMenu->addAction(button->icon(), text);
            action->setEnabled(button->isEnabled());
            connect(action, &QAction::triggered, button, &QToolButton::click);
        }
    });
    Overflow->hide();

    QRPreview = new TQRPreview(this);
    QRPreview->setObjectName(QStringLiteral("QRPreview"));
    QPalette silver = QRPreview->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    QRPreview->setPalette(silver);
    QRPreview->viewport()->setPalette(silver);
    QRPreview->viewport()->setAutoFillBackground(true);
    layout->addWidget(QRPreview, 1);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setFixedHeight(13);
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);

    StatusBar = new QFrame(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    layout->addWidget(StatusBar);
    const int panelWidths[] = {40, 90, 50};
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setGeometry(left, 2, panelWidths[i], 17);
        panel->setContentsMargins(2, 0, 2, 0);
        left += panelWidths[i] + 2;
        StatusPanels[static_cast<size_t>(i)] = panel;
    }
    StatusPanels[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusPanels[0]->setText(QStringLiteral("0%"));
    StatusPanels[1]->setText(QStringLiteral("Página"));
    LayoutStatusPanels();

    PrintSetup->setEnabled(false);
    Print->setEnabled(false);

    QRPreview->OnPageAvailable = [this](TQRPreview* sender, int n) { QRPreviewPageAvailable(sender, n); };
    QRPreview->OnProgressUpdate = [this](TQRPreview* sender, int p) { QRPreviewProgressUpdate(sender, p); };

    // The window sees the keys before its controls.
    installEventFilter(this);
    // (Not the overflow menu: a popup handles its own keys, Esc included.)
    for (QWidget* child : findChildren<QWidget*>())
        if (qobject_cast<QMenu*>(child) == nullptr) child->installEventFilter(this);

    if (printer_ != nullptr && printer_->Owner != nullptr) {
        const TCustomQuickRep* report = printer_->Owner;
        if (QRPreviewReport::StaysOnTop(report)) setWindowFlag(Qt::WindowStaysOnTopHint, true);
        resize(QRPreviewReport::PreviewSize(report));
        move(x(), 1);
        setWindowState(Qt::WindowMaximized);
    }
    LastFoundPage = 1;
    LastSearchText.clear();
    QRPreview->SetQRPrinter(printer_);
    if (printer_ != nullptr && !printer_->GetTitle().isEmpty()) setWindowTitle(printer_->GetTitle());
    if (printer_ != nullptr && printer_->GetStatus() == mpFinished) {
        Print->setEnabled(true);
        // A run that ended before this window took the printer sends no more
        // notices, so the printer setup is offered here (not for a loaded file).
        PrintSetup->setEnabled(!printer_->GetLoadedFromFile());
        SelectPage(1);
    }
    FormCreate();
}

TQRStandardPreview::~TQRStandardPreview() {
    if (!closed_) FormClose();
}

QToolButton* TQRStandardPreview::AddButton(const char* name, int left, int width, const QString& hint,
                                           const QString& icon, void (TQRStandardPreview::*action)()) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left + 2, 3, width, 30);
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setIcon(PreviewIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, action] { (this->*action)(); });
    return button;
}

void TQRStandardPreview::FormCreate() {
    ProgressBar1->hide();
}

void TQRStandardPreview::Show() {
    show();
    UpdateInfo();
}

QString TQRStandardPreview::StatusPanelText(int index) const {
    if (index < 0 || index > 2) return {};
    return StatusPanels[static_cast<size_t>(index)]->text();
}

void TQRStandardPreview::UpdateInfo() {
    const int count = printer_ ? printer_->GetPageCount() : 0;
    StatusPanels[1]->setText(QStringLiteral("Página %1 de %2").arg(QRPreview->PageNumber()).arg(count));
    LayoutStatusPanels();
}

// The panels keep their widths (40, 90 and 50) unless their text needs more: the page
// text is never cut, whatever the page count.
void TQRStandardPreview::LayoutStatusPanels() {
    constexpr int widths[] = {40, 90, 50};
    int left = 0;
    for (size_t i = 0; i < StatusPanels.size(); ++i) {
        QLabel* panel = StatusPanels[i];
        const int width = std::max(widths[i], panel->sizeHint().width());
        panel->setGeometry(left, 2, width, 17);
        left += width + 2;
    }
}

void TQRStandardPreview::SelectPage(int n) {
    QRPreview->SetPageNumber(n);
    UpdateInfo();
}

// --- Notices -------------------------------------------------------------------

void TQRStandardPreview::QRPreviewPageAvailable(TQRPreview*, int) {
    UpdateInfo();
    if (printer_ != nullptr && printer_->GetStatus() == mpFinished) {
        PrintSetup->setEnabled(true);
        Print->setEnabled(true);
    }
}

void TQRStandardPreview::QRPreviewProgressUpdate(TQRPreview*, int progress) {
    if (previousProgress_ >= 1 && previousProgress_ <= 99) {
        ExitButton->setEnabled(false);
        ShowAbort(true);
    }
    if (progress > 100) progress = 0;
    if (progress >= lastProgressShown_ + 5) {
        StatusPanels[0]->setText(QStringLiteral("%1%").arg(progress));
        LayoutStatusPanels();
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(progress);
        ProgressBar1->show();
        lastProgressShown_ = progress;
    }
    previousProgress_ = progress;
    if (progress == 0 || progress == 100) StatusPanels[0]->clear();
    if (progress == 0 || progress > 99) {
        ExitButton->setEnabled(true);
        ShowAbort(false);
        ProgressBar1->hide();
    }
}

// --- Zoom and pages --------------------------------------------------------------

void TQRStandardPreview::ZoomToFitClick() {
    QCoreApplication::processEvents();
    QRPreview->ZoomToFit();
}

void TQRStandardPreview::ZoomTo100Click() {
    QCoreApplication::processEvents();
    QRPreview->SetZoom(100);
}

void TQRStandardPreview::ZoomToWidthClick() {
    QCoreApplication::processEvents();
    QRPreview->ZoomToWidth();
}

void TQRStandardPreview::ZoomMaisClick() { QRPreview->SetZoom(QRPreview->Zoom() + 10); }

void TQRStandardPreview::ZoomMenosClick() { QRPreview->SetZoom(QRPreview->Zoom() - 10); }

void TQRStandardPreview::FirstPageClick() { SelectPage(1); }

void TQRStandardPreview::PrevPageClick() { SelectPage(QRPreview->PageNumber() - 1); }

void TQRStandardPreview::NextPageClick() { SelectPage(QRPreview->PageNumber() + 1); }

void TQRStandardPreview::LastPageClick() {
    if (printer_ != nullptr) SelectPage(printer_->GetPageCount());
}

void TQRStandardPreview::SaltarPaginaClick() {
    QString answer = QStringLiteral("1");
    int page = 1;
    if (TQRPreviewDialogs::ShowInputQuery(this, QStringLiteral("Saltar para a Página: "),
                                          QStringLiteral("Número da Página >>"), answer)) {
        const long long typed = LeadingNumber(answer);
        const int count = printer_ ? printer_->GetPageCount() : 0;
        page = typed < 1 || typed > count ? 1 : static_cast<int>(typed);
    }
    SelectPage(page);
}

// --- Printing --------------------------------------------------------------------

void TQRStandardPreview::ShowError(const QString& text) {
    TQRPreviewDialogs::ShowMessageBox(this, MessageCaption(), text);
}

bool TQRStandardPreview::Generating() const {
    if (printer_ == nullptr) return false;
    TCustomQuickRep* report = printer_->Owner;
    const bool clientIsReport = report != nullptr && printer_->Client == QRPreviewReport::AsObject(report);
    return printer_->Client != nullptr && clientIsReport && !QRPreviewReport::Idle(report);
}

TCustomQuickRep* TQRStandardPreview::ReportPrintedAgain() const {
    if (printer_ == nullptr) return nullptr;
    TCustomQuickRep* report = printer_->Owner;
    if (report == nullptr || printer_->Client != QRPreviewReport::AsObject(report)) return nullptr;
    if (printer_->GetLoadedFromFile() || printer_->PrintMetaFile || printer_->GetPrintMetafile()) return nullptr;
    return report;
}

bool TQRStandardPreview::CanPrint() {
    if (printer_->GetPrintersInstalled()) return true;
    ShowError(PrintingUnavailableMessage());
    return false;
}

void TQRStandardPreview::PrintClick() {
    if (printer_ == nullptr || Generating() || !CanPrint()) return;
    try {
        printer_->Print();
    } catch (const Exception& e) {
        ShowError(e.message());
    }
}

void TQRStandardPreview::PrintSetupClick() {
    if (printer_ != nullptr) printer_->PrintSetup(this);
}

void TQRStandardPreview::Tb_IntervaloClick() {
    if (printer_ == nullptr || Generating() || !CanPrint()) return;
    QString answer;
    if (!TQRPreviewDialogs::ShowInputQuery(
            this, QStringLiteral("Imprimir Intervalo de Página: "),
            QStringLiteral("Separe com ponte-e-virgula os números e/ou\rintervalos de páginas a serem impressos\r"
                           "Ex.: 1;3;5-12;16 \r\rDigitar Intervalo: "),
            answer) ||
        answer.isEmpty())
        return;
    if (printer_ == nullptr || printer_->GetStatus() != mpFinished) return;
    // Each entry prints its own range and only that: a report is generated again for it, stored
    // pages are printed from the printer. The range a print without entries uses (all pages, or
    // the printer dialog's) is back as it was afterwards.
    TQRPrinter* printer = printer_;
    TCustomQuickRep* report = ReportPrintedAgain();
    const auto restore = qScopeGuard([this, printer, was = std::pair(printer->FirstPage, printer->LastPage)] {
        if (printer_ != printer) return;  // the window closed meanwhile
        printer->FirstPage = was.first;
        printer->LastPage = was.second;
    });
    try {
        for (const QString& entry : answer.split(u';')) {
            // A blank entry (as after a closing ";") prints nothing.
            if (entry.trimmed().isEmpty()) continue;
            const qsizetype dash = entry.indexOf(u'-');
            int first = 0;
            int last = 0;
            if (dash > 0) {
                first = ToInteger(entry.left(dash));
                last = ToInteger(entry.mid(dash + 1));
            } else {
                first = ToInteger(entry);
                last = first;
            }
            if (printer_ != printer) return;
            if (report != nullptr) {
                QRPreviewReport::PrintRange(report, first, last);
            } else {
                printer->FirstPage = first;
                printer->LastPage = last;
                printer->Print();
            }
        }
    } catch (const Exception& e) {
        ShowError(e.message());
    }
}

// --- Save, export and load ---------------------------------------------------------

QStringList TQRStandardPreview::SaveDialogFilters() {
    return {PageFileFilter,
            QStringLiteral("Arquivos Texto Txt(*.txt)|*.txt"),
            QStringLiteral("Arquivos Wmf(*.wmf)|*.wmf"),
            QStringLiteral("Arquivos Word Rtf(*.rtf)|*.rtf"),
            QStringLiteral("Arquivos Excel(*.xls)|*.xls"),
            QStringLiteral("Arquivos PDF(*.pdf)|*.pdf")};
}

// The extension typed names the format when the dialog offers it (typed.pdf is a PDF document
// whatever entry is chosen); otherwise the chosen entry decides and gives its extension to a
// name typed without one. The file name is completed accordingly.
int TQRStandardPreview::SaveFormat(QString& fileName, int filterIndex) {
    const QStringList filters = SaveDialogFilters();
    const auto extensionOf = [&filters](int index) { return filters.at(index - 1).section(QStringLiteral("*."), -1); };
    const QString typed = QFileInfo(fileName).suffix();
    if (!typed.isEmpty()) {
        for (int index = 1; index <= filters.size(); ++index)
            if (typed.compare(extensionOf(index), Qt::CaseInsensitive) == 0) return index;
    }
    if (filterIndex < 1 || filterIndex > filters.size()) filterIndex = 1;
    if (typed.isEmpty() && !QFileInfo(fileName).fileName().isEmpty()) {
        if (!fileName.endsWith(u'.')) fileName += u'.';
        fileName += extensionOf(filterIndex);
    }
    return filterIndex;
}

void TQRStandardPreview::SaveClick() {
    if (printer_ == nullptr) return;
    const QString proposed = QRPreviewReport::Name(printer_->Owner);
    QString fileName;
    int filterIndex = 1;
    if (!TQRPreviewDialogs::ShowSaveFile(this, QStringLiteral("Salvar Arquivo"), proposed, QStringLiteral("QRP"),
                                         SaveDialogFilters(), fileName, filterIndex))
        return;
    filterIndex = SaveFormat(fileName, filterIndex);
    if (printer_->GetStatus() == mpBusy) {
        ShowError(QStringLiteral("O relatório ainda está sendo gerado. Aguarde o fim da geração para salvá-lo."));
        return;
    }
    if (filterIndex <= 1) {
        if (printer_->GetStatus() != mpFinished) {
            ShowError(QStringLiteral("Não há páginas geradas para salvar."));
            return;
        }
        try {
            printer_->Save(fileName);
        } catch (const Exception& e) {
            ShowError(e.message());
        }
        return;
    }
    ExportTo(filterIndex, fileName);
}

void TQRStandardPreview::ExportTo(int filterIndex, const QString& fileName) {
    if (filterIndex < 2 || filterIndex > 6) return;
    const TExportEntry& wanted = ExportEntries[filterIndex - 2];
    const QString format = QString::fromUtf8(wanted.Format);
    if (!printer_->OnExportToFilter) {
        ShowError(printer_->GetLoadedFromFile()
                      ? QStringLiteral("Um relatório carregado de arquivo só pode ser salvo como arquivo de "
                                       "relatório (QRP); a exportação para %1 não está disponível.")
                            .arg(format)
                      : QStringLiteral("A exportação para %1 não está disponível para este relatório.").arg(format));
        return;
    }
    const QString extension = QString::fromLatin1(wanted.Extension);
    const TQRExportFilterLibrary::TEntry* entry = nullptr;
    for (const auto& candidate : TQRExportFilterLibrary::Instance().Filters())
        if (candidate.Extension.compare(extension, Qt::CaseInsensitive) == 0) {
            entry = &candidate;
            break;
        }
    if (entry == nullptr || !entry->Create) {
        ShowError(QStringLiteral("O formato %1 não está disponível: o filtro de exportação não foi instalado.")
                      .arg(format));
        return;
    }
    try {
        std::unique_ptr<TQRExportFilter> filter = entry->Create(fileName);
        if (!filter) {
            ShowError(QStringLiteral("O formato %1 não está disponível.").arg(format));
            return;
        }
        filter->SourcePrinter = printer_;
        printer_->ExportToFilter(filter.get());
        if (const QString notice = filter->ReplacementNotice(); !notice.isEmpty())
            TQRPreviewDialogs::ShowMessageBox(this, MessageCaption(), notice);
    } catch (const Exception& e) {
        ShowError(e.message());
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("Não foi possível exportar para %1: %2").arg(fileName, QString::fromUtf8(e.what())));
    }
}

void TQRStandardPreview::LoadClick() {
    if (printer_ == nullptr) return;
    if (printer_->GetStatus() == mpBusy) {
        ShowError(QStringLiteral("O relatório ainda está sendo gerado. Aguarde o fim da geração para carregar "
                                 "outro arquivo."));
        return;
    }
    QString fileName;
    if (!TQRPreviewDialogs::ShowOpenFile(this, QStringLiteral("Abrir Arquivo"),
                                         {QStringLiteral("Arquivos de Relatório QRP (*.QRP)|*.QRP")}, fileName))
        return;
    if (!QFileInfo(fileName).isFile()) {
        TQRPreviewDialogs::ShowMessageBox(this, MessageCaption(), QStringLiteral("O arquivo não existe."));
        return;
    }
    // The file is read through before the printer lets go of the pages on screen, so a file
    // that is not a page file leaves the preview as it was.
    try {
        TQRPageList check;
        check.LoadFromFile(fileName);
        if (check.GetPageCount() > 0) check.GetPage(1);
    } catch (const Exception& e) {
        ShowError(e.message());
        return;
    }
    try {
        printer_->Load(fileName);
    } catch (const Exception& e) {
        QRPreview->ReloadPage(1);
        UpdateInfo();
        ShowError(e.message());
        return;
    }
    QRPreview->ReloadPage(1);
    UpdateInfo();
    // A page file prints whole unless a range is asked for it.
    printer_->FirstPage = 0;
    printer_->LastPage = 0;
    LastFoundPage = 1;
    LastSearchText.clear();
    QRPreview->PreviewImage()->ClearHighlight();
    PrintSetup->setEnabled(false);
    Print->setEnabled(true);
    QRPreview->ZoomToWidth();
}

// --- Search ------------------------------------------------------------------------

bool TQRStandardPreview::GetTextSearch(QString& text, bool& caseSensitive) {
    QString typed = LastSearchText;
    bool exact = false;
    if (!TQRPreviewDialogs::ShowSearchText(this, typed, exact)) return false;
    text = typed;
    caseSensitive = exact;
    return true;
}

bool TQRStandardPreview::StrInMetafile(const QString& text, const TQRPageRecording& page, bool caseSensitive) {
    return FindInMetafile(text, page, caseSensitive).has_value();
}

std::optional<QRectF> TQRStandardPreview::FindInMetafile(const QString& text, const TQRPageRecording& page,
                                                         bool caseSensitive) {
    if (text.isEmpty()) return std::nullopt;
    std::lock_guard<std::mutex> guard(SearchLock());
    const QLocale locale;
    const QString wanted = caseSensitive ? text : locale.toUpper(text);
    for (const TQREmfPlayer::TextRecord& record : TQREmfPlayer::Texts(page.Data())) {
        const QString found = caseSensitive ? record.Text : locale.toUpper(record.Text);
        const qsizetype at = found.indexOf(wanted);
        if (at < 0) continue;
        const QRectF& bounds = record.Bounds;
        const qsizetype n = record.Text.size();
        // Upper-casing may change the length (ß gives SS): then the whole text is marked.
        if (bounds.isEmpty() || found.size() != n || n == 0) return bounds;
        // The found letters' share of the text's width, by their advances when the record has them.
        qreal before = at;
        qreal through = at + wanted.size();
        qreal total = n;
        if (record.Advances.size() == n) {
            before = through = total = 0;
            for (qsizetype i = 0; i < n; ++i) {
                const int d = record.Advances[i];
                if (i < at) before += d;
                if (i < at + wanted.size()) through += d;
                total += d;
            }
            if (total <= 0) return bounds;
        }
        return QRectF(bounds.left() + bounds.width() * before / total, bounds.top(),
                      bounds.width() * (through - before) / total, bounds.height());
    }
    return std::nullopt;
}

void TQRStandardPreview::ToolButton3Click() {
    if (printer_ == nullptr) return;
    QString text;
    bool caseSensitive = false;
    const QString previous = LastSearchText;
    if (!GetTextSearch(text, caseSensitive)) return;
    LastSearchText = text;
    const int count = printer_->GetPageCount();
    if (text != previous) LastFoundPage = 0;
    if (LastFoundPage == count) LastFoundPage = 0;
    for (int i = LastFoundPage + 1; i <= count; ++i) {
        std::unique_ptr<TQRPageRecording> page;
        try {
            page = printer_->GetPage(i);
        } catch (const Exception&) {
            continue;  // a damaged page holds nothing to find
        }
        if (!page) continue;
        if (const std::optional<QRectF> hit = FindInMetafile(text, *page, caseSensitive)) {
            SelectPage(i);
            LastFoundPage = i;
            // The hit is marked on the page and scrolled into view.
            TQRPreviewImage* image = QRPreview->PreviewImage();
            image->SetHighlight(i, *hit);
            const QRect mark = image->HighlightRect();
            if (!mark.isEmpty())
                QRPreview->ensureVisible(mark.center().x(), mark.center().y(), 50 + mark.width() / 2, 50);
            return;
        }
    }
    LastFoundPage = 0;
    QRPreview->PreviewImage()->ClearHighlight();
    TQRPreviewDialogs::ShowMessageBox(this, QStringLiteral("Pesquisar Texto"),
                                      QStringLiteral("Nenhuma ocorrência foi encontrada para a Pesquisa"));
}

// --- Closing -----------------------------------------------------------------------

// Sair (held disabled while pages are generated), Abortar, Esc and the close box all close the
// window at once; closing while the report is generated stops the run (FormClose).
void TQRStandardPreview::ExitClick() {
    CloseWindow();
}

void TQRStandardPreview::SpeedButton1Click() {
    CloseWindow();
}

void TQRStandardPreview::reject() {
    CloseWindow();
}

void TQRStandardPreview::CloseWindow() {
    if (!closed_) FormClose();
    QDialog::done(QDialog::Rejected);
}

void TQRStandardPreview::FormClose() {
    closed_ = true;
    TQRPrinter* printer = printer_;
    printer_ = nullptr;
    if (printer == nullptr) return;
    // The client may free the printer while handling the close, so the
    // preview lets go of it first; from then on the run posts nothing here.
    // A report clears the printer's showing-preview flag itself.
    if (printer->Client != nullptr) {
        QRPreview->StopNotices();
        QRPreview->Forget();
    } else {
        QRPreview->Detach();
    }
    printer->ClosePreview(this);
}

// --- Window events -------------------------------------------------------------------

void TQRStandardPreview::FormResize() {
    QRPreview->UpdateZoom();
}

void TQRStandardPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TQRStandardPreview::ShowAbort(bool show) {
    if (abortShown_ == show) return;
    abortShown_ = show;
    LayoutToolbar();
}

// The buttons keep their places; those the toolbar has no room for move into the overflow
// button's menu at its right end, so every command stays reachable at any window size.
void TQRStandardPreview::LayoutToolbar() {
    const std::array<QToolButton*, 18> buttons{ZoomFit,      ZoomTo100, ZoomToWidth, FirstPage,   PreviousPage,
                                               ToolButton2,  LastPage,  PrintSetup,  Tb_Intervalo, Print,
                                               SaveReport,   LoadReport, ToolButton3, SaltarPagina, ZoomMais,
                                               ZoomMenos,    ExitButton, SpeedButton1};
    std::vector<QToolButton*> wanted;
    for (QToolButton* button : buttons)
        if (button != SpeedButton1 || abortShown_) wanted.push_back(button);
    const int room = ToolBar1->contentsRect().right() + 1;
    overflowed_.clear();
    const bool fits = wanted.empty() || wanted.back()->geometry().right() < room;
    const int overflowWidth = 22;
    const int limit = fits ? room : std::max(0, room - overflowWidth);
    for (QToolButton* button : buttons) {
        const bool isWanted = std::find(wanted.begin(), wanted.end(), button) != wanted.end();
        const bool placed = isWanted && button->geometry().right() < limit;
        button->setVisible(placed);
        if (isWanted && !placed) overflowed_.push_back(button);
    }
    if (fits) {
        Overflow->hide();
    } else {
        Overflow->setGeometry(limit, 3, overflowWidth, 30);
        Overflow->show();
        Overflow->raise();
    }
}

// Ctrl + mouse wheel zooms in or out by 10 around the pointer: the point of the page under
// it stays under it.
bool TQRStandardPreview::ZoomAtPointer(QWidget* over, QWheelEvent* wheel) {
    const int steps = wheel->angleDelta().y();
    if (steps == 0) return true;
    QWidget* viewport = QRPreview->viewport();
    QWidget* image = QRPreview->PreviewImage();
    const QPointF pointer = viewport->mapFrom(over, wheel->position());
    const QRectF before = image->geometry();
    if (before.width() <= 0 || before.height() <= 0) return true;
    const QPointF fraction((pointer.x() - before.left()) / before.width(),
                           (pointer.y() - before.top()) / before.height());
    const int zoom = QRPreview->Zoom();
    QRPreview->SetZoom(zoom + (steps > 0 ? 10 : -10));
    if (QRPreview->Zoom() == zoom) return true;
    const QSizeF after = image->size();
    QRPreview->horizontalScrollBar()->setValue(qRound(fraction.x() * after.width() - pointer.x()));
    QRPreview->verticalScrollBar()->setValue(qRound(fraction.y() * after.height() - pointer.y()));
    return true;
}

void TQRStandardPreview::ShowZoom() {
    StatusPanels[2]->setText(QStringLiteral("Zoom: %1%").arg(QRPreview->Zoom()));
    LayoutStatusPanels();
}

bool TQRStandardPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ToolBar1 && event->type() == QEvent::Resize) LayoutToolbar();
    // The page image changes size with every zoom.
    if (watched == QRPreview->PreviewImage() && event->type() == QEvent::Resize) ShowZoom();
    if (event->type() == QEvent::Wheel && (watched == QRPreview->viewport() || watched == QRPreview->PreviewImage())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if ((wheel->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == Qt::ControlModifier)
            return ZoomAtPointer(static_cast<QWidget*>(watched), wheel);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers())) return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TQRStandardPreview::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    const Qt::KeyboardModifiers held = shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrl = held == Qt::ControlModifier;
    const bool alt = held == Qt::AltModifier;
    QScrollBar* horizontal = QRPreview->horizontalScrollBar();
    QScrollBar* vertical = QRPreview->verticalScrollBar();
    switch (key) {
        case Qt::Key_Escape: ExitClick(); return true;
        case Qt::Key_PageUp: ctrl ? FirstPageClick() : PrevPageClick(); return true;
        case Qt::Key_PageDown: ctrl ? LastPageClick() : NextPageClick(); return true;
        case Qt::Key_Home: FirstPageClick(); return true;
        case Qt::Key_End: LastPageClick(); return true;
        case Qt::Key_Left: horizontal->setValue(ctrl ? 0 : horizontal->value() - 8); return true;
        case Qt::Key_Right: horizontal->setValue(ctrl ? 503 : horizontal->value() + 8); return true;
        case Qt::Key_Up: vertical->setValue(ctrl ? 0 : vertical->value() - 8); return true;
        case Qt::Key_Down: vertical->setValue(ctrl ? 704 : vertical->value() + 8); return true;
        case Qt::Key_Plus: alt ? ZoomTo100Click() : ZoomMaisClick(); return true;
        case Qt::Key_Minus: alt ? ZoomToWidthClick() : ZoomMenosClick(); return true;
        case Qt::Key_F2: LoadClick(); return true;
        case Qt::Key_F3: SaveClick(); return true;
        case Qt::Key_F5: ToolButton3Click(); return true;
        case Qt::Key_F6: PrintClick(); return true;
        case Qt::Key_F7: PrintSetupClick(); return true;
        case Qt::Key_F8: Tb_IntervaloClick(); return true;
        case Qt::Key_F9: SaltarPaginaClick(); return true;
        default: return false;
    }
}

}  // namespace quorin

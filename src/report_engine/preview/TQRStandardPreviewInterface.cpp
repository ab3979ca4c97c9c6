#include "report_engine/preview/TQRStandardPreviewInterface.h"

#include <QApplication>
#include <QPrinterInfo>

#include "report_engine/model/TQuickRep.h"
#include "report_engine/preview/QRPreviewDialogs.h"
#include "report_engine/preview/TQRProgressForm.h"
#include "report_engine/preview/TQRStandardPreview.h"

namespace quorin {

QObject* TQRStandardPreviewInterface::Show(TQRPrinter* printer) {
    auto* window = new TQRStandardPreview(nullptr, printer);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Show();
    return window;
}

void TQRStandardPreviewInterface::ShowModal(TQRPrinter* printer) {
    TQRStandardPreview window(QApplication::activeWindow(), printer);
    window.setModal(true);
    window.UpdateInfo();
    window.exec();
}

std::unique_ptr<QObject> TQRStandardPreviewInterface::CreateProgressForm(TQRPrinter* printer,
                                                                          const QString& caption) {
    auto form = std::make_unique<TQRProgressForm>();
    form->setWindowTitle(caption);
    form->QRPrinter = printer;
    return form;
}

namespace {

// The report's printer dialog through the preview's print-dialog seam.
bool ShowPrinterSetup(TQRPrinterSetupRequest& request) {
    TQRPrintDialogOptions options;
    options.Printers = QPrinterInfo::availablePrinterNames();
    options.PrinterIndex = request.PrinterIndex;
    options.Copies = request.Copies;
    options.Orientation = request.Orientation;
    options.MinPage = request.MinPage;
    options.MaxPage = request.MaxPage;
    options.PrintRange = !request.AllPages;
    options.FromPage = request.FromPage;
    options.ToPage = request.ToPage;
    if (!TQRPreviewDialogs::ShowPrintDialog(QApplication::activeWindow(), options)) return false;
    request.PrinterIndex = options.PrinterIndex;
    request.Copies = options.Copies;
    request.Orientation = options.Orientation;
    request.AllPages = !options.PrintRange;
    request.FromPage = options.FromPage;
    request.ToPage = options.ToPage;
    return true;
}

}  // namespace

void RegisterStandardPreview() {
    RegisterPreviewClass([] { return std::make_unique<TQRStandardPreviewInterface>(); });
    RegisterPrinterSetupDialog(&ShowPrinterSetup);
}

}  // namespace quorin

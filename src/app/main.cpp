#include <exception>

#include "app/Application.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "report_engine/export/QRExportFilters.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"
#include "runtime/FormatSettings.h"
#include "runtime/LocalTimeZone.h"

int main(int argc, char* argv[]) {
    // Before any thread: a report prints the time on every page.
    quorin::ReadLocalTimeZoneOnce();
    quorin::TApplication application(argc, argv);
    try {
        quorin::FormatSettings::current();
        quorin::RegisterStandardPreview();
        quorin::RegisterStandardExportFilters();
        quorin::FRM_QuorinRealinhamentoPreco = new quorin::TFRM_QuorinRealinhamentoPreco();
        quorin::FRM_QuorinRealinhamentoPreco->show();
        application.exec();
    } catch (...) {
        quorin::TApplication::HandleException(std::current_exception());
    }
    delete quorin::FRM_QuorinRealinhamentoPreco;
    quorin::FRM_QuorinRealinhamentoPreco = nullptr;
    return 0;
}

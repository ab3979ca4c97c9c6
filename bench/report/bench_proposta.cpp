// The proposal report of a 50,000-item process (500 lots x 100 items) generated
// on the generation thread into the page store, as the preview gets it (time to
// the first page, to the last, pages and items per second, peak memory), and
// exported to PDF as the program's export does; beside the same rows laid out
// with QTextDocument into QPdfWriter, the peer a Qt developer would reach for
// (measured on a tenth of the rows). The two lay an item out on pages of
// different density, so they are compared per item, not per page.

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "PeerTextDocument.h"

#include "dataset/Field.h"
#include "dataset/TMemoryDataSet.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

constexpr int kLots = 500;
constexpr int kItems = 100;

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString Produto(int n) {
    return QStringLiteral("PRODUTO %1 DE TESTE PARA O RELATÓRIO DE PROPOSTA, EMBALAGEM PADRÃO").arg(n);
}

void Fill(TMemoryDataSet& ds, int lots) {
    ds.CreateDataSet();
    for (int lot = 1; lot <= lots; ++lot) {
        for (int item = 1; item <= kItems; ++item) {
            ds.Append();
            ds.FieldByName("DES_TIPOENTIDADE")->SetAsString("PREFEITURA MUNICIPAL DE SANTA RITA DO VALE");
            ds.FieldByName("DES_MUNICIPIO")->SetAsString("SANTA RITA DO VALE");
            ds.FieldByName("ANO_EXERCICIO")->SetAsInteger(2009);
            ds.FieldByName("NRO_PROCESSO")->SetAsInteger(1269);
            ds.FieldByName("DES_MODALIDADE")->SetAsString("PREGÃO PRESENCIAL");
            ds.FieldByName("DES_OBJETO")->SetAsString("Registro de preços para eventual aquisição de material.");
            ds.FieldByName("COD_FORNECEDOR")->SetAsString("12123123000199");
            ds.FieldByName("DES_FORNECEDOR")->SetAsString("PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA");
            ds.FieldByName("NRO_LOTE")->SetAsInteger(lot);
            ds.FieldByName("DES_LOTE")->SetAsString(QStringLiteral("LOTE %1").arg(lot));
            ds.FieldByName("NRO_ITEM")->SetAsInteger(item);
            ds.FieldByName("COD_PRODUTO")->SetAsInteger(lot * 1000 + item);
            ds.FieldByName("DES_PRODUTO")->SetAsString(Produto(item));
            ds.FieldByName("DES_ESPECIFICACAO")->SetAsString("Especificação conforme o termo de referência.");
            ds.FieldByName("QTD_PRODUTO")->SetAsFloat(10 + item);
            ds.FieldByName("vlr_realinhamento")->SetAsFloat(1.25 * item);
            ds.FieldByName("vlr_total")->SetAsFloat(1.25 * item * (10 + item));
            ds.FieldByName("DES_MARCA")->SetAsString("MARCA");
            ds.Post();
        }
    }
}

/// A preview that only watches the run: when the first page and the last arrive.
struct TWatch : TQRPreviewInterface {
    static inline QElapsedTimer* clock = nullptr;
    static inline qint64 first = -1;
    static inline qint64 last = -1;
    static inline int pages = 0;
    void ShowModal(TQRPrinter* printer) override {
        while (printer->GetStatus() != mpFinished) {
            if (first < 0 && printer->GetAvailablePages() >= 1) first = clock->elapsed();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        if (first < 0) first = clock->elapsed();
        last = clock->elapsed();
        pages = printer->GetPageCount();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    FormatSettings::setCurrent(FormatSettings::brazilian());

    TQRP_Propostas report;
    report.QRL_Titulo1->SetCaption(TituloRelatorio());
    Fill(*report.CDS_Relatorio, kLots);
    const long before = PeakKb();

    QElapsedTimer clock;
    TWatch::clock = &clock;
    RegisterPreviewClass([] { return std::make_unique<TWatch>(); });
    clock.start();
    report.PreviewModal();
    report.WaitForRun();
    const int pages = TWatch::pages;
    const int items = kLots * kItems;
    const double seconds = std::max<qint64>(1, TWatch::last) / 1000.0;
    std::printf("Proposal report, %d items: %d pages (%.1f items a page)\n", items, pages,
                static_cast<double>(items) / pages);
    std::printf("  first page in the preview  %8lld ms\n", static_cast<long long>(TWatch::first));
    std::printf("  last page                  %8lld ms\n", static_cast<long long>(TWatch::last));
    std::printf("  pages per second           %8.0f\n", pages / seconds);
    std::printf("  items per second           %8.0f\n", items / seconds);
    std::printf("  peak memory                %8ld KB (%ld KB with the rows loaded)\n", PeakKb(), before);

    // The same report exported to PDF, as the program's export runs it.
    QTemporaryDir dir;
    double pdfSeconds = 0;
    {
        TQRP_Propostas pdfReport;
        pdfReport.QRL_Titulo1->SetCaption(TituloRelatorio());
        Fill(*pdfReport.CDS_Relatorio, kLots);
        pdfReport.ShowProgress = false;
        TQRPDFDocumentFilter filter(dir.filePath("proposta.pdf"));
        QElapsedTimer timer;
        timer.start();
        pdfReport.ExportToFilter(&filter);
        pdfSeconds = timer.nsecsElapsed() / 1e9;
    }
    std::printf("Proposal report to PDF, %d items: %.3f s, %.0f pages per second, %.0f items per second\n", items,
                pdfSeconds, pages / pdfSeconds, items / pdfSeconds);

    // Peer: a tenth of the rows as an HTML table, laid out and written as PDF.
    const bench::PeerRun peer = bench::PeerPdf(*report.CDS_Relatorio, items / 10, dir.filePath("peer.pdf"));
    std::printf("QTextDocument into QPdfWriter, %d items: %d pages (%.1f items a page) in %.3f s, %.0f pages per "
                "second, %.0f items per second\n",
                peer.items, peer.pages, static_cast<double>(peer.items) / peer.pages, peer.seconds,
                peer.PagesPerSecond(), peer.ItemsPerSecond());
    std::printf("  engine / peer, items per second: page store %.1fx, PDF %.1fx\n",
                items / seconds / peer.ItemsPerSecond(), items / pdfSeconds / peer.ItemsPerSecond());
    return 0;
}

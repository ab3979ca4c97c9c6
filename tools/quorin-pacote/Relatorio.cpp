// quorin-pacote relatorio: the proposal report of a process or proposal file, without a window.
#include <QFileInfo>
#include <memory>

#include "Subcommand.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"
#include "report_engine/export/TQRAsciiExportFilter.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/export/TQRRTFExportFilter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/export/TQRXLSFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"

namespace quorin::pacote {

namespace {

const QString kExtensions = QStringLiteral(".qrp, .pdf, .txt, .rtf, .xls, .emf ou .wmf");

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote relatorio PROCESSO [--documento DOC] --saida ARQUIVO\n"
    "Gera o relatório da proposta de um arquivo de processo (.KPZ) ou de proposta (.PRO), o mesmo do\n"
    "botão \"Relatorio\" da janela, e grava-o no formato dado pela extensão de ARQUIVO:\n"
    "  .qrp  arquivo de páginas (abre no visualizador)   .pdf  documento PDF\n"
    "  .txt  texto (UTF-8)                               .rtf  documento RTF\n"
    "  .xls  planilha                                    .emf/.wmf  um arquivo por página (nome001.wmf, "
    "...)\n\n"
    "  --documento DOC   confere que o CPF ou CNPJ do fornecedor consta do arquivo (a pontuação é "
    "ignorada)\n\n"
    "Saída: 0 sucesso; 1 arquivo inválido ou que não pôde ser gravado; 2 documento não encontrado;\n"
    "64 uso incorreto.\n");

struct Arguments {
    QString processo;
    QString documento;
    QString saida;
};

bool ParseArguments(const QStringList& args, Arguments& a, QString& problem) {
    if (!ParseOptions(args, a.processo, {{"--documento", &a.documento}, {"--saida", &a.saida}}, problem)) {
        return false;
    }
    if (a.processo.isEmpty()) {
        problem = QStringLiteral("relatorio precisa de um PROCESSO.");
        return false;
    }
    if (a.saida.isEmpty()) {
        problem = QStringLiteral("relatorio precisa de --saida ARQUIVO.");
        return false;
    }
    return true;
}

/// Writes the generated report by the output's extension; returns the files written
/// and, in notice, what the user should know about them (characters replaced).
QStringList Write(TQRP_Propostas& report, const QString& saida, const QString& extension, QString& notice) {
    if (extension == QStringLiteral("qrp")) {
        report.Prepare();
        report.QRPrinter()->Save(saida);
        return {saida};
    }
    if (extension == QStringLiteral("emf") || extension == QStringLiteral("wmf")) {
        // The metafile filter saves the pages a run has stored.
        report.Prepare();
        const bool enhanced = TQRWMFExportFilter::Enhanced();
        TQRWMFExportFilter::SetEnhanced(extension == QStringLiteral("emf"));
        TQRWMFExportFilter filter(saida, report.QRPrinter());
        QStringList written;
        try {
            written = filter.SavePages();  // one file per page: rel001.wmf, rel002.wmf, ...
            notice = filter.ReplacementNotice();
        } catch (...) {
            TQRWMFExportFilter::SetEnhanced(enhanced);
            throw;
        }
        TQRWMFExportFilter::SetEnhanced(enhanced);
        return written;
    }
    std::unique_ptr<TQRExportFilter> filter;
    if (extension == QStringLiteral("pdf"))
        filter = std::make_unique<TQRPDFDocumentFilter>(saida);
    else if (extension == QStringLiteral("txt"))
        filter = std::make_unique<TQRAsciiExportFilter>(saida);
    else if (extension == QStringLiteral("rtf"))
        filter = std::make_unique<TQRRTFExportFilter>(saida);
    else
        filter = std::make_unique<TQRXLSFilter>(saida);
    report.ShowProgress = false;
    report.ExportToFilter(filter.get());
    notice = filter->ReplacementNotice();
    return {saida};
}

int Run(const Context& c) {
    Arguments a;
    QString problem;
    if (!ParseArguments(c.args, a, problem))
        return UsageError(c, QStringLiteral("relatorio"), problem);
    const QString extension = QFileInfo(a.saida).suffix().toLower();
    static const QStringList accepted{"qrp", "pdf", "txt", "rtf", "xls", "emf", "wmf"};
    if (!accepted.contains(extension)) {
        return UsageError(c, QStringLiteral("relatorio"),
                          QStringLiteral("a extensão de --saida precisa ser %1.").arg(kExtensions));
    }

    TMemoryDataSet processo;
    ProposalSchema::DeclareProcesso(processo);
    try {
        processo.LoadFromFile(a.processo);
    } catch (const Exception& e) {
        c.PrintError(QStringLiteral("%1: %2").arg(a.processo, e.message()));
        return ExitBadInput;
    }
    if (!a.documento.isEmpty() && !processo.Locate(QStringLiteral("nro_documento"), SoDocumento(a.documento))) {
        c.PrintError(QStringLiteral("o documento %1 não consta do arquivo %2.").arg(a.documento, a.processo));
        return ExitRefused;
    }

    QStringList written;
    QString notice;
    try {
        TQRP_Propostas report;
        PreencheRelatorioDoArquivo(report, processo);
        // The report's rows hold all it prints (they keep the process columns
        // they need, and their texts' bytes): the rest of the process rows go
        // before the pages are generated.
        processo.Close();
        written = Write(report, a.saida, extension, notice);
        report.CDS_Relatorio->Close();
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    for (const QString& file : written) c.Print(file + u'\n');
    if (!notice.isEmpty()) c.PrintError(notice);  // written all the same: still a success
    return ExitOk;
}

const Registration registration{{QStringLiteral("relatorio"),
                                 QStringLiteral("gera o relatório da proposta em PDF, texto, RTF, planilha, "
                                                "metarquivos ou arquivo de páginas"),
                                 kUsage, Run}};

}  // namespace

}  // namespace quorin::pacote

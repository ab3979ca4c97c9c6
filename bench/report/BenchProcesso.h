// The big process of the report benchmarks: 500 lots x 100 items in the CSV
// interchange form, each item with one to four lines of Especificação and one
// to twelve words of description (a fixed seed, so every run prints the same
// pages), and the proposal report's rows filled from it as the program fills them.
#pragma once

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <random>

#include "dataset/CsvInterchange.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"
#include "runtime/FormatSettings.h"
#include "runtime/LocalTimeZone.h"

namespace quorin::bench {

/// Before the application: no display needed, figures printed line by line, Brazilian separators.
/// What the program does before it reports: called at the start of main.
inline void StartReportBench() {
    ReadLocalTimeZoneOnce();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    FormatSettings::setCurrent(FormatSettings::brazilian());
}

/// The bytes of the files written.
inline qint64 FilesBytes(const QStringList& files) {
    qint64 total = 0;
    for (const QString& file : files) total += QFileInfo(file).size();
    return total;
}

constexpr int kLots = 500;
constexpr int kItems = 100;

inline QString Number(double value, int places) {
    QString text = QString::number(value, 'f', places);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    return text.replace(u'.', u',');
}

inline QString Quoted(const QString& value) {
    if (!value.contains(u';') && !value.contains(u'\n') && !value.contains(u'"')) return value;
    QString text = value;
    return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

/// A process of `lots` x kItems items in the interchange CSV.
inline void WriteProcessCsv(const QString& path, int lots = kLots) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    QTextStream out(&file);
    out << "nro_lote;nro_item;cod_produto;cod_unidademedida;des_especificacao;qtd_produto;des_lote;des_produto;"
           "des_unidademedida;vlr_lance;nro_cuc;cod_entidade;ano_exercicio;nro_processo;cod_modalidadelicitacao;"
           "seq_modalidadelicitacao;dat_processo;idt_tipoapuracao;des_tipoapuracao;cod_objeto;des_municipio;"
           "des_tipoentidade;des_nome;nro_documento;des_marca;vlr_realinhamento;vlr_total;des_objeto;"
           "des_modalidadelicitacao;flg_encerrado\r\n";
    std::mt19937 random(7);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const QString objeto = QStringLiteral(
        "Registro de preços para eventual aquisição de material de expediente, material de limpeza e gêneros "
        "alimentícios destinados às secretarias municipais, conforme especificações do Termo de Referência "
        "(Anexo I).");
    for (int lot = 1; lot <= lots; ++lot) {
        for (int item = 1; item <= kItems; ++item) {
            const QString especificacao =
                QStringLiteral("Especificação técnica do item %1 do lote %2.\n").arg(item).arg(lot).repeated(between(1, 4));
            const QString product =
                QStringLiteral("PRODUTO %1.%2 ").arg(lot).arg(item) + QStringLiteral("DESCRIÇÃO ").repeated(between(1, 12));
            const double quantity = between(1, 5000) / static_cast<double>(1 << between(0, 2));
            const QStringList row{QString::number(lot), QString::number(item),
                                  QString::number(100000 + lot * 1000 + item), QStringLiteral("1"),
                                  Quoted(especificacao), Number(quantity, 4),
                                  QStringLiteral("LOTE %1 - MATERIAIS DIVERSOS").arg(lot, 4, 10, QChar(u'0')), product,
                                  QStringLiteral("UNIDADE"), Number(between(1000, 10000000) / 100.0, 2),
                                  QStringLiteral("88"), QStringLiteral("311"), QStringLiteral("2009"),
                                  QStringLiteral("1269"), QStringLiteral("5"), QStringLiteral("7"),
                                  QStringLiteral("15/03/2009"), QStringLiteral("2"),
                                  QStringLiteral("MENOR PREÇO POR LOTE"), QStringLiteral("OBJ-2009/044"),
                                  QStringLiteral("SANTA RITA DO VALE"),
                                  QStringLiteral("PREFEITURA MUNICIPAL DE SANTA RITA DO VALE"),
                                  QStringLiteral("PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA"),
                                  QStringLiteral("12123123000199"), QString(), QString(), QString(), objeto,
                                  QStringLiteral("PREGÃO PRESENCIAL"), QStringLiteral("0")};
            out << row.join(u';') << "\r\n";
        }
    }
}

/// The report's rows from the process CSV, as `relatorio` fills them from a process file.
inline void FillFromCsv(TQRP_Propostas& report, const QString& csv) {
    TMemoryDataSet processo;
    ProposalSchema::DeclareProcesso(processo);
    TCsvInterchange::ImportFile(processo, csv);
    PreencheRelatorioDoArquivo(report, processo);
}

}  // namespace quorin::bench

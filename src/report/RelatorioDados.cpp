#include "report/RelatorioDados.h"

#include "dataset/Field.h"
#include "dataset/TMemoryDataSet.h"
#include "report/UNT_QRP_Propostas.h"
#include "runtime/Conversions.h"

namespace quorin {

namespace {

struct TCopy {
    const char* target;
    const char* source;  // a field of the process data set; null for a header value
    TCopyAs as;
};

// Keep in the order the report's rows are filled.
constexpr TCopy kCopies[] = {
    {"DES_TIPOENTIDADE", nullptr, TCopyAs::Text},
    {"DES_MUNICIPIO", nullptr, TCopyAs::Text},
    {"NRO_CGC", nullptr, TCopyAs::Text},
    {"ANO_EXERCICIO", "ano_exercicio", TCopyAs::Integer},
    {"NRO_PROCESSO", "nro_processo", TCopyAs::Integer},
    {"DES_MODALIDADE", "des_modalidadelicitacao", TCopyAs::Text},
    {"SEQ_MODALIDADELICITACAO", "seq_modalidadelicitacao", TCopyAs::Integer},
    {"DAT_PROCESSO", "dat_processo", TCopyAs::DateTime},
    {"DES_TIPOAPURACAO", nullptr, TCopyAs::Text},
    {"DES_OBJETO", "des_objeto", TCopyAs::Text},
    {"COD_FORNECEDOR", "nro_documento", TCopyAs::Text},
    {"DES_FORNECEDOR", "des_nome", TCopyAs::Text},
    {"NRO_LOTE", "nro_lote", TCopyAs::Integer},
    {"DES_LOTE", "des_lote", TCopyAs::Text},
    {"NRO_ITEM", "nro_item", TCopyAs::Integer},
    {"COD_PRODUTO", "cod_produto", TCopyAs::Integer},
    {"DES_PRODUTO", "des_produto", TCopyAs::Text},
    {"COD_UNIDADEMEDIDA", "cod_unidademedida", TCopyAs::Integer},
    {"DES_UNIDADEMEDIDA", "des_unidademedida", TCopyAs::Text},
    {"DES_ESPECIFICACAO", "des_especificacao", TCopyAs::Text},
    {"QTD_PRODUTO", "qtd_produto", TCopyAs::Float},
    {"vlr_realinhamento", "vlr_realinhamento", TCopyAs::Float},
    {"vlr_total", "vlr_total", TCopyAs::Float},
    {"DES_MARCA", "des_marca", TCopyAs::Text},
};

}  // namespace

void CopiaLinhasRelatorio(TMemoryDataSet& processo, TMemoryDataSet& relatorio,
                          const TCabecalhoRelatorio& cabecalho) {
    const QString header[] = {Trim(cabecalho.Entidade), Trim(cabecalho.Municipio), Trim(cabecalho.CNPJ),
                              Trim(cabecalho.TipoApuracao)};
    // The fields are looked up once; a missing one raises before any row is added.
    std::vector<TColumnCopy> copies;
    int headerIndex = 0;
    for (const TCopy& copy : kCopies) {
        TColumnCopy c{relatorio.FieldByName(QString::fromLatin1(copy.target)), nullptr, copy.as, {}};
        if (copy.source) {
            c.source = processo.FieldByName(QString::fromLatin1(copy.source));
        } else {
            const QString& text = header[headerIndex++];
            c.text = c.target->Size() > 0 ? text.left(c.target->Size()) : text;
        }
        copies.push_back(std::move(c));
    }
    // A text keeps the process row's bytes rather than a copy of them; a whole
    // column that arrives unchanged is kept rather than copied.
    relatorio.AppendCopiesOf(processo, copies);
}

TCabecalhoRelatorio CabecalhoDoArquivo(TMemoryDataSet& processo) {
    TCabecalhoRelatorio c;
    if (processo.IsEmpty())
        return c;
    processo.First();
    auto text = [&](const char* name) {
        TField* f = processo.FindField(QString::fromLatin1(name));
        return f ? Trim(f->AsString()) : QString();
    };
    c.Entidade = text("des_tipoentidade");
    c.Municipio = text("des_municipio");
    c.TipoApuracao = text("des_tipoapuracao");
    return c;
}

QString TituloRelatorio() {
    return QStringLiteral("PROCESSO LICITATÓRIO");
}

void PreencheRelatorioDoArquivo(TQRP_Propostas& report, TMemoryDataSet& processo) {
    report.QRL_Titulo1->SetCaption(TituloRelatorio());
    report.CDS_Relatorio->CreateDataSet();
    const TCabecalhoRelatorio cabecalho = CabecalhoDoArquivo(processo);
    processo.First();
    CopiaLinhasRelatorio(processo, *report.CDS_Relatorio, cabecalho);
}

}  // namespace quorin

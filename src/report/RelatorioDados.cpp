#include "report/RelatorioDados.h"

#include "dataset/Field.h"
#include "dataset/TMemoryDataSet.h"
#include "report/UNT_QRP_Propostas.h"
#include "runtime/Conversions.h"

namespace quorin {

namespace {

enum class TKind { Text, Integer, Float, DateTime };

struct TCopy {
    const char* target;
    const char* source;  // a field of the process data set; null for a header value
    TKind kind;
};

// Keep in the order the report's rows are filled.
constexpr TCopy kCopies[] = {
    {"DES_TIPOENTIDADE", nullptr, TKind::Text},
    {"DES_MUNICIPIO", nullptr, TKind::Text},
    {"NRO_CGC", nullptr, TKind::Text},
    {"ANO_EXERCICIO", "ano_exercicio", TKind::Integer},
    {"NRO_PROCESSO", "nro_processo", TKind::Integer},
    {"DES_MODALIDADE", "des_modalidadelicitacao", TKind::Text},
    {"SEQ_MODALIDADELICITACAO", "seq_modalidadelicitacao", TKind::Integer},
    {"DAT_PROCESSO", "dat_processo", TKind::DateTime},
    {"DES_TIPOAPURACAO", nullptr, TKind::Text},
    {"DES_OBJETO", "des_objeto", TKind::Text},
    {"COD_FORNECEDOR", "nro_documento", TKind::Text},
    {"DES_FORNECEDOR", "des_nome", TKind::Text},
    {"NRO_LOTE", "nro_lote", TKind::Integer},
    {"DES_LOTE", "des_lote", TKind::Text},
    {"NRO_ITEM", "nro_item", TKind::Integer},
    {"COD_PRODUTO", "cod_produto", TKind::Integer},
    {"DES_PRODUTO", "des_produto", TKind::Text},
    {"COD_UNIDADEMEDIDA", "cod_unidademedida", TKind::Integer},
    {"DES_UNIDADEMEDIDA", "des_unidademedida", TKind::Text},
    {"DES_ESPECIFICACAO", "des_especificacao", TKind::Text},
    {"QTD_PRODUTO", "qtd_produto", TKind::Float},
    {"vlr_realinhamento", "vlr_realinhamento", TKind::Float},
    {"vlr_total", "vlr_total", TKind::Float},
    {"DES_MARCA", "des_marca", TKind::Text},
};

void SetText(TField* field, const QString& text) {
    field->SetAsString(field->Size() > 0 ? text.left(field->Size()) : text);
}

}  // namespace

void CopiaLinhasRelatorio(TMemoryDataSet& processo, TMemoryDataSet& relatorio,
                          const TCabecalhoRelatorio& cabecalho) {
    const QString header[] = {Trim(cabecalho.Entidade), Trim(cabecalho.Municipio), Trim(cabecalho.CNPJ),
                              Trim(cabecalho.TipoApuracao)};
    // The fields are looked up once; a missing one raises before any row is added.
    struct TBound {
        TField* target;
        TField* source;
        TKind kind;
        QString header;
    };
    std::vector<TBound> bound;
    int headerIndex = 0;
    for (const TCopy& copy : kCopies) {
        TBound b{relatorio.FieldByName(QString::fromLatin1(copy.target)), nullptr, copy.kind, {}};
        if (copy.source)
            b.source = processo.FieldByName(QString::fromLatin1(copy.source));
        else
            b.header = header[headerIndex++];
        bound.push_back(b);
    }
    if (!processo.Eof())
        relatorio.ReserveRows(processo.RecordCount() - processo.RecNo() + 1);
    while (!processo.Eof()) {
        relatorio.Append();
        for (const TBound& b : bound) {
            if (!b.source) {
                SetText(b.target, b.header);
                continue;
            }
            // A text keeps the process row's bytes rather than a copy of them.
            switch (b.kind) {
                case TKind::Text: b.target->SetAsTextOf(*b.source); break;
                case TKind::Integer: b.target->SetAsInteger(b.source->AsInteger()); break;
                case TKind::Float: b.target->SetAsFloat(b.source->AsFloat()); break;
                case TKind::DateTime: b.target->SetAsDateTime(b.source->AsDateTime()); break;
            }
        }
        relatorio.Post();
        processo.Next();
    }
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

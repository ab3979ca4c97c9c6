#include "dataset/ProposalSchema.h"

#include "dataset/TMemoryDataSet.h"

namespace quorin {

namespace {

const QString kMoney4 = QStringLiteral("#,##0.0000");

}  // namespace

void ProposalSchema::DeclareProcesso(TMemoryDataSet& ds) {
    ds.ClearFields();
    ds.AddSmallintField(QStringLiteral("nro_lote"));
    ds.AddSmallintField(QStringLiteral("nro_item"));
    ds.AddIntegerField(QStringLiteral("cod_produto"));
    ds.AddSmallintField(QStringLiteral("cod_unidademedida"));
    ds.AddBlobField(QStringLiteral("des_especificacao"));
    ds.AddFloatField(QStringLiteral("qtd_produto"));
    ds.AddStringField(QStringLiteral("des_lote"), 100);
    ds.AddStringField(QStringLiteral("des_produto"), 500);
    ds.AddStringField(QStringLiteral("des_unidademedida"), 100);
    ds.AddFloatField(QStringLiteral("vlr_lance"))->SetDisplayFormat(kMoney4);
    ds.AddIntegerField(QStringLiteral("nro_cuc"));
    ds.AddIntegerField(QStringLiteral("cod_entidade"));
    ds.AddSmallintField(QStringLiteral("ano_exercicio"));
    ds.AddIntegerField(QStringLiteral("nro_processo"));
    ds.AddSmallintField(QStringLiteral("cod_modalidadelicitacao"));
    ds.AddIntegerField(QStringLiteral("seq_modalidadelicitacao"));
    ds.AddDateTimeField(QStringLiteral("dat_processo"));
    ds.AddStringField(QStringLiteral("idt_tipoapuracao"), 2);
    ds.AddStringField(QStringLiteral("des_tipoapuracao"), 20);
    ds.AddStringField(QStringLiteral("cod_objeto"), 20);
    ds.AddStringField(QStringLiteral("des_municipio"), 100);
    ds.AddStringField(QStringLiteral("des_tipoentidade"), 100);
    ds.AddStringField(QStringLiteral("des_nome"), 60);
    ds.AddStringField(QStringLiteral("nro_documento"), 20);
    ds.AddStringField(QStringLiteral("des_marca"), 60);
    ds.AddFloatField(QStringLiteral("vlr_realinhamento"))->SetDisplayFormat(kMoney4);
    ds.AddFloatField(QStringLiteral("vlr_total"))->SetDisplayFormat(kMoney4);
    ds.AddStringField(QStringLiteral("des_objeto"), 1000);
    ds.AddStringField(QStringLiteral("des_modalidadelicitacao"), 100);
    ds.AddStringField(QStringLiteral("flg_encerrado"), 1);
    ds.SetIndexFieldNames(ProcessoIndex());
}

void ProposalSchema::ApplyDisplayFormats(TMemoryDataSet& ds) {
    TMemoryDataSet schema;
    DeclareProcesso(schema);
    for (TField* field : ds.AllColumns()) {
        const TField* declared = schema.FindField(field->FieldName());
        if (declared && declared->DataType() == field->DataType() && !declared->DisplayFormat().isEmpty()) {
            field->SetDisplayFormat(declared->DisplayFormat());
        }
    }
}

void ProposalSchema::DeclareLote(TMemoryDataSet& ds) {
    ds.ClearFields();
    TField* lote = ds.AddSmallintField(QStringLiteral("NRO_LOTE"));
    lote->SetDisplayFormat(QStringLiteral("0000"));
    lote->SetAlignment(Qt::AlignHCenter);
    ds.AddStringField(QStringLiteral("DES_LOTE"), 100);
    ds.AddFloatField(QStringLiteral("vlr_lance"))->SetDisplayFormat(kMoney4);
    ds.SetIndexFieldNames(LoteIndex());
}

void ProposalSchema::DeclareRelatorio(TMemoryDataSet& ds) {
    ds.ClearFields();
    ds.AddStringField(QStringLiteral("DES_TIPOENTIDADE"), 100);
    ds.AddStringField(QStringLiteral("DES_MUNICIPIO"), 100);
    ds.AddStringField(QStringLiteral("NRO_CGC"), 30);
    ds.AddSmallintField(QStringLiteral("ANO_EXERCICIO"));
    ds.AddIntegerField(QStringLiteral("NRO_PROCESSO"));
    ds.AddStringField(QStringLiteral("DES_MODALIDADE"), 100);
    ds.AddIntegerField(QStringLiteral("SEQ_MODALIDADELICITACAO"));
    ds.AddDateTimeField(QStringLiteral("DAT_PROCESSO"));
    ds.AddStringField(QStringLiteral("DES_TIPOAPURACAO"), 100);
    ds.AddBlobField(QStringLiteral("DES_OBJETO"));
    ds.AddStringField(QStringLiteral("COD_FORNECEDOR"), 300);
    ds.AddStringField(QStringLiteral("DES_FORNECEDOR"), 100);
    ds.AddSmallintField(QStringLiteral("NRO_LOTE"));
    ds.AddStringField(QStringLiteral("DES_LOTE"), 100);
    ds.AddIntegerField(QStringLiteral("NRO_ITEM"));
    ds.AddIntegerField(QStringLiteral("COD_PRODUTO"));
    ds.AddStringField(QStringLiteral("DES_PRODUTO"), 100);
    ds.AddSmallintField(QStringLiteral("COD_UNIDADEMEDIDA"));
    ds.AddStringField(QStringLiteral("DES_UNIDADEMEDIDA"), 100);
    ds.AddBlobField(QStringLiteral("DES_ESPECIFICACAO"));
    ds.AddFloatField(QStringLiteral("QTD_PRODUTO"), true);
    ds.AddFloatField(QStringLiteral("vlr_realinhamento"))->SetDisplayFormat(kMoney4);
    ds.AddFloatField(QStringLiteral("vlr_total"))->SetDisplayFormat(kMoney4);
    ds.AddStringField(QStringLiteral("DES_MARCA"), 100);
    ds.SetIndexFieldNames(ProcessoIndex());
}

}  // namespace quorin

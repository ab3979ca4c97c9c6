#include "report/UNT_QRP_Propostas.h"

#include "dataset/Field.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/printables/QRPrintableKinds.h"
#include "report_engine/printables/QRValueText.h"
#include "report_engine/printables/TQRCustomLabel.h"
#include "report_engine/printables/TQRDBText.h"
#include "report_engine/printables/TQRShape.h"
#include "runtime/FormatFloat.h"

namespace quorin {

namespace {

using P = QVariantMap;

// Fonts with an explicit size; every other printable follows its band's font.
const P k8{{"FontSize", 8}};
const P k8b{{"FontSize", 8}, {"FontBold", true}};
const P k9b{{"FontSize", 9}, {"FontBold", true}};
const P k10{{"FontSize", 10}};
const P k10b{{"FontSize", 10}, {"FontBold", true}};

P With(P base, const P& more) {
    for (auto it = more.begin(); it != more.end(); ++it) base.insert(it.key(), it.value());
    return base;
}
P Label(const QString& caption, const QString& align, bool autoSize, const P& font = {}) {
    return With(P{{"Caption", caption}, {"Alignment", align}, {"AutoSize", autoSize}}, font);
}
P Field(const QString& field, const QString& align, bool stretch = false, const QString& mask = {},
        const P& font = {}) {
    P p{{"DataSet", "CDS_Relatorio"}, {"DataField", field}, {"Alignment", align}, {"AutoSize", false},
        {"AutoStretch", stretch}};
    if (!mask.isEmpty()) p.insert("Mask", mask);
    return With(p, font);
}
P Expr(const QString& expression) {
    return P{{"Expression", expression}, {"Alignment", "left"}, {"AutoSize", false}, {"ResetAfterPrint", false}};
}
P Line() { return P{{"Shape", "qrsHorLine"}}; }

const TQRPrintableRow& RowOf(const QString& name) {
    for (const TQRPrintableRow& row : TQRP_Propostas::Imprimiveis())
        if (row.Name == name) return row;
    Q_UNREACHABLE();
}

const TQRBandRow& BandRowOf(const QString& name) {
    for (const TQRBandRow& row : TQRP_Propostas::Bandas())
        if (row.Name == name) return row;
    Q_UNREACHABLE();
}

// Pixels between a wrapped entity name and the page number's box.
constexpr int kFolgaAntesDaPagina = 5;

}  // namespace

const std::vector<TQRBandRow>& TQRP_Propostas::Bandas() {
    // name, type, height, kind, properties
    static const std::vector<TQRBandRow> rows{
        {"PHB_Propostas", rbPageHeader, 124, "Band", {}},
        {"CHB_DadosProcesso", rbChild, 20, "Child", {{"Parent", "PHB_Propostas"}}},
        {"CHB_Objeto", rbChild, 20, "Child", {{"Parent", "CHB_DadosProcesso"}}},
        {"CHB_Propostas", rbColumnHeader, 59, "Band", {}},
        {"QRG_Lote", rbGroupHeader, 21, "Group",
         {{"Expression", "CDS_Relatorio.NRO_LOTE"}, {"Footer", "QRB_RodapeLote"}, {"ReprintOnNewPage", false}}},
        {"DTB_Propostas", rbDetail, 18, "Band", {{"FontName", "Arial"}, {"FontSize", 8}}},
        {"CHB_Marca", rbChild, 18, "Child", {{"Parent", "DTB_Propostas"}}},
        {"CHB_Especificacao", rbChild, 18, "Child", {{"Parent", "CHB_Marca"}}},
        {"ChildBand1", rbChild, 3, "Child", {{"Parent", "CHB_Especificacao"}}},
        {"QRB_RodapeLote", rbGroupFooter, 26, "Band", {}},
        {"SUB_Propostas", rbSummary, 81, "Band", {}},
    };
    return rows;
}

const std::vector<TQRPrintableRow>& TQRP_Propostas::Imprimiveis() {
    // name, kind, band, left, top, width, height, properties
    static const std::vector<TQRPrintableRow> rows{
        // Page header.
        {"QRL_Entidade", "TQRLabel", "PHB_Propostas", 5, 1, 53, 16, Label("Entidade:", "left", true)},
        {"QRL_Municipio", "TQRLabel", "PHB_Propostas", 5, 20, 56, 16, Label("Municipío:", "left", true)},
        {"QRL_CNPJ", "TQRLabel", "PHB_Propostas", 5, 40, 36, 16, Label("CNPJ:", "left", true)},
        // The entity's and the municipality's names widen to the right instead of losing every word
        // after their first line; one too long for the room before the page number wraps there
        // (PHB_PropostasBeforePrint).
        {"QRT_DES_TipoEntidade", "TQRDBText", "PHB_Propostas", 65, 1, 138, 16,
         With(Field("DES_TIPOENTIDADE", "left"), P{{"AutoSize", true}})},
        {"QRT_DES_Municipio", "TQRDBText", "PHB_Propostas", 65, 20, 138, 16,
         With(Field("DES_MUNICIPIO", "left"), P{{"AutoSize", true}})},
        {"QRT_NRO_CGC", "TQRDBText", "PHB_Propostas", 65, 40, 138, 16, Field("NRO_CGC", "left")},
        {"QRS_Pagina", "TQRSysData", "PHB_Propostas", 605, 1, 133, 16,
         With(P{{"Data", "qrsPageNumber"}, {"Text", "Página: "}, {"Alignment", "right"}, {"AutoSize", false}}, k8)},
        {"QRS_Data", "TQRSysData", "PHB_Propostas", 605, 21, 133, 16,
         With(P{{"Data", "qrsDateTime"}, {"Alignment", "right"}, {"AutoSize", false}}, k8)},
        {"QRH_Cabecalho1", "TQRShape", "PHB_Propostas", 0, 58, 740, 3, Line()},
        {"QRL_Titulo1", "TQRLabel", "PHB_Propostas", 0, 62, 740, 16, Label("QRL_Titulo1", "center", false, k9b)},
        {"QRL_Titulo2", "TQRLabel", "PHB_Propostas", 0, 82, 740, 16,
         Label("Propostas de Preços", "center", false, k8b)},
        {"QRH_Cabecalho2", "TQRShape", "PHB_Propostas", 0, 99, 740, 3, Line()},
        {"QRL_NumeroProcesso", "TQRLabel", "PHB_Propostas", 5, 105, 49, 16, Label("Número:", "left", true)},
        {"QRE_NRO_Processo", "TQRExpr", "PHB_Propostas", 60, 105, 90, 16,
         Expr("FORMATNUMERIC('000000 / ',CDS_Relatorio.NRO_PROCESSO) + "
              "FORMATNUMERIC('0000',CDS_Relatorio.ANO_EXERCICIO)")},
        {"QRL_DataProcesso", "TQRLabel", "PHB_Propostas", 180, 105, 30, 16, Label("Data:", "left", true)},
        {"QRT_DAT_Processo", "TQRDBText", "PHB_Propostas", 214, 105, 99, 16, Field("DAT_PROCESSO", "left")},
        {"QRL_TipoApuracao", "TQRLabel", "PHB_Propostas", 340, 105, 100, 16,
         Label("Tipo de Apuração:", "left", true)},
        {"QRT_DES_TipoApuracao", "TQRDBText", "PHB_Propostas", 444, 105, 292, 16, Field("DES_TIPOAPURACAO", "left")},
        // Process data.
        {"QRL_Modalidade", "TQRLabel", "CHB_DadosProcesso", 5, 2, 68, 16, Label("Modalidade:", "left", true)},
        {"QRT_DES_Modalidade", "TQRDBText", "CHB_DadosProcesso", 76, 2, 490, 16, Field("DES_MODALIDADE", "left")},
        {"QRL_Sequencial", "TQRLabel", "CHB_DadosProcesso", 577, 2, 66, 16, Label("Sequencial:", "left", true)},
        {"QRT_SEQ_Modalidade", "TQRDBText", "CHB_DadosProcesso", 646, 2, 90, 16,
         Field("SEQ_MODALIDADELICITACAO", "left", false, "000000")},
        // Object of the process.
        {"QRL_Objeto", "TQRLabel", "CHB_Objeto", 5, 2, 40, 16, Label("Objeto:", "left", true)},
        {"QRT_DES_Objeto", "TQRDBText", "CHB_Objeto", 48, 2, 688, 16, Field("DES_OBJETO", "left", true)},
        // Column header.
        {"QRH_CabecalhoColuna", "TQRShape", "CHB_Propostas", 0, 0, 740, 3, Line()},
        {"QRL_CodigoFornecedor", "TQRLabel", "CHB_Propostas", 558, 4, 40, 16, Label("CNPJ:", "left", false)},
        {"QRT_COD_Fornecedor", "TQRDBText", "CHB_Propostas", 601, 4, 138, 16, Field("COD_FORNECEDOR", "left")},
        {"QRL_NomeFornecedor", "TQRLabel", "CHB_Propostas", 3, 4, 38, 16, Label("Nome:", "left", true)},
        {"QRT_DES_Fornecedor", "TQRDBText", "CHB_Propostas", 46, 4, 470, 16, Field("DES_FORNECEDOR", "left")},
        {"QRL_NumeroItem", "TQRLabel", "CHB_Propostas", 5, 41, 35, 15, Label("Item", "center", false, k8)},
        {"QRL_CodigoProduto", "TQRLabel", "CHB_Propostas", 45, 41, 41, 15, Label("Código", "center", false, k8)},
        {"QRL_DescricaoProduto", "TQRLabel", "CHB_Propostas", 92, 41, 390, 15,
         Label("Descrição", "left", false, k8)},
        {"QRL_Proposta", "TQRLabel", "CHB_Propostas", 490, 23, 248, 15,
         Label("P R O P O S T A", "center", false, k8)},
        {"QRH_Proposta", "TQRShape", "CHB_Propostas", 490, 38, 248, 3, Line()},
        {"QRL_QuantidadeProposta", "TQRLabel", "CHB_Propostas", 490, 41, 80, 15,
         Label("Quantidade", "right", false, k8)},
        {"QRL_ValorUnitario", "TQRLabel", "CHB_Propostas", 574, 41, 80, 15,
         Label("Vlr Unitário", "right", false, k8)},
        {"QRL_ValorTotal", "TQRLabel", "CHB_Propostas", 658, 41, 80, 15, Label("Valor Total", "right", false, k8)},
        {"QRH_CabecalhoFornecedor", "TQRShape", "CHB_Propostas", 0, 56, 740, 3, Line()},
        {"QRH_Cabecalho", "TQRShape", "CHB_Propostas", 0, 20, 740, 3, Line()},  // dotted pen
        // Lot header.
        {"QRL_Lote", "TQRLabel", "QRG_Lote", 5, 2, 28, 16, Label("Lote:", "left", true)},
        {"QRE_Lote", "TQRExpr", "QRG_Lote", 40, 2, 696, 16,
         Expr("FORMATNUMERIC('0000 - ',CDS_Relatorio.NRO_LOTE) + CDS_Relatorio.DES_LOTE")},
        {"QRH_Lote", "TQRShape", "QRG_Lote", 0, 18, 740, 3, Line()},
        // One per item, in the band's 8-point font.
        {"QRT_NRO_Item", "TQRDBText", "DTB_Propostas", 5, 2, 35, 15, Field("NRO_ITEM", "center", false, "00000")},
        {"QRT_COD_Produto", "TQRDBText", "DTB_Propostas", 45, 2, 41, 15,
         Field("COD_PRODUTO", "center", false, "000000")},
        {"QRT_DES_Produto", "TQRDBText", "DTB_Propostas", 92, 2, 390, 15, Field("DES_PRODUTO", "left", true)},
        {"QRT_QTD_Proposta", "TQRDBText", "DTB_Propostas", 490, 2, 80, 15,
         Field("QTD_PRODUTO", "right", false, "#,##0.0000")},
        {"QRT_VLR_Proposta", "TQRDBText", "DTB_Propostas", 574, 2, 80, 15,
         Field("vlr_realinhamento", "right", false, "#,##0.0000")},
        {"QRT_VLR_TotalProposta", "TQRDBText", "DTB_Propostas", 658, 2, 80, 15,
         Field("vlr_total", "right", false, "#,##0.00")},
        // Brand.
        {"QRL_Marca", "TQRLabel", "CHB_Marca", 5, 1, 37, 16, Label("Marca:", "left", true)},
        {"QRT_DES_Marca", "TQRDBText", "CHB_Marca", 92, 2, 640, 15, Field("DES_MARCA", "left", true, {}, k8)},
        // The item's detailed description.
        {"QRL_Especificacao", "TQRLabel", "CHB_Especificacao", 5, 1, 81, 16, Label("Especificação:", "left", true)},
        {"QRT_DES_Especificacao", "TQRDBText", "CHB_Especificacao", 92, 2, 640, 15,
         Field("DES_ESPECIFICACAO", "left", true, {}, k8)},
        // Item separator.
        {"QRH_Especificacao", "TQRShape", "ChildBand1", 0, 0, 740, 3, Line()},  // dotted pen
        // Lot footer.
        {"QRL_TotalLote", "TQRLabel", "QRB_RodapeLote", 490, 4, 120, 17, Label("Total do Lote:", "right", false, k10b)},
        {"QRL_ValorTotalLote", "TQRLabel", "QRB_RodapeLote", 614, 4, 124, 17, Label("0,00", "right", false, k10b)},
        // Summary.
        {"QRL_AssinaturaResponsavel", "TQRLabel", "SUB_Propostas", 8, 62, 157, 17,
         Label("Assinatura do responsável:", "left", true, k10)},
        {"QRH_Assinatura", "TQRShape", "SUB_Propostas", 168, 76, 326, 1, P{{"Shape", "qrsRectangle"}}},
        {"QRL_TotalProposta", "TQRLabel", "SUB_Propostas", 490, 4, 120, 17,
         Label("Total da Proposta:", "right", false, k10b)},
        {"QRL_ValorTotalProposta", "TQRLabel", "SUB_Propostas", 614, 4, 124, 17, Label("0,00", "right", false, k10b)},
    };
    return rows;
}

TQRP_Propostas::TQRP_Propostas(QObject* owner) : TQuickRep(owner) {
    SetName(QStringLiteral("QRP_Propostas"));
    QRRegisterPrintableKinds();

    CDS_Relatorio = new TMemoryDataSet(this);
    CDS_Relatorio->setObjectName(QStringLiteral("CDS_Relatorio"));
    ProposalSchema::DeclareRelatorio(*CDS_Relatorio);
    SetDataSet(CDS_Relatorio);

    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 9;
    SetFont(font);
    SetUnits(TQRUnit::MM);
    Page().SetPaperSize(TQRPaperSize::Letter);
    Page().SetOrientation(poPortrait);
    Page().SetColumns(1);
    Page().SetTopMargin(10);
    Page().SetBottomMargin(10);
    Page().SetLeftMargin(10);
    Page().SetRightMargin(10);
    Page().SetColumnSpace(0);
    Options = TQROptions{TQROption::FirstPageHeader, TQROption::LastPageFooter};
    SetPrintIfEmpty(true);
    Functions().AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    Functions().AddFunction(QStringLiteral("COLUMNNUMBER"), QStringLiteral("0"));
    Functions().AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));

    TQRDefinition::Build(*this, Bandas(), Imprimiveis());

    for (const char* dotted : {"QRH_Cabecalho", "QRH_Especificacao"})
        findChild<TQRShape*>(QString::fromLatin1(dotted))->Pen.Style = TQRPenStyle::psDot;
    QRL_Titulo1 = findChild<TQRLabel*>(QStringLiteral("QRL_Titulo1"));
    QRL_ValorTotalLote = findChild<TQRLabel*>(QStringLiteral("QRL_ValorTotalLote"));
    QRL_ValorTotalProposta = findChild<TQRLabel*>(QStringLiteral("QRL_ValorTotalProposta"));

    QRS_Pagina = findChild<TQRPrintable*>(QStringLiteral("QRS_Pagina"));
    for (const char* nome : {"QRT_DES_TipoEntidade", "QRT_DES_Municipio"}) {
        TNomeDoCabecalho n{findChild<TQRDBText*>(QString::fromLatin1(nome)), {}};
        const TQRPrintableRow& desenho = RowOf(n.texto->Name());
        for (const TQRPrintableRow& row : Imprimiveis())
            if (row.Band == desenho.Band && row.Top > desenho.Top && row.Left < RowOf(QRS_Pagina->Name()).Left)
                n.abaixo.push_back(findChild<TQRPrintable*>(row.Name));
        nomesDoCabecalho_.push_back(std::move(n));
    }

    BeforePrint = [this](TCustomQuickRep* s, bool& p) { QRP_PropostasBeforePrint(s, p); };
    auto band = [this](const char* name) { return findChild<TQRCustomBand*>(QString::fromLatin1(name)); };
    band("PHB_Propostas")->BeforePrint = [this](TQRCustomBand* s, bool& p) { PHB_PropostasBeforePrint(s, p); };
    band("DTB_Propostas")->BeforePrint = [this](TQRCustomBand* s, bool& p) { DTB_PropostasBeforePrint(s, p); };
    band("QRB_RodapeLote")->BeforePrint = [this](TQRCustomBand* s, bool& p) { QRB_RodapeLoteBeforePrint(s, p); };
    band("SUB_Propostas")->BeforePrint = [this](TQRCustomBand* s, bool& p) { SUB_PropostasBeforePrint(s, p); };
}

TQRP_Propostas::~TQRP_Propostas() = default;

void TQRP_Propostas::QRP_PropostasBeforePrint(TCustomQuickRep*, bool&) {
    VlrTotalProposta = Currency();
    VlrTotalLote = Currency();
}

void TQRP_Propostas::PHB_PropostasBeforePrint(TQRCustomBand* sender, bool&) {
    if (cabecalhoCresceu_) {
        // An earlier page grew the header: back to the layout as designed.
        sender->SetHeight(BandRowOf(sender->Name()).Height);
        for (const TNomeDoCabecalho& nome : nomesDoCabecalho_) {
            for (TQRPrintable* printable : nome.abaixo) {
                const TQRPrintableRow& row = RowOf(printable->Name());
                printable->SetBounds(row.Left, row.Top, row.Width, row.Height);
            }
            const TQRPrintableRow& desenho = RowOf(nome.texto->Name());
            nome.texto->AutoStretch = false;
            nome.texto->SetBounds(desenho.Left, desenho.Top, desenho.Width, desenho.Height);
            nome.texto->SetAutoSize(true);
        }
        cabecalhoCresceu_ = false;
    }
    for (const TNomeDoCabecalho& nome : nomesDoCabecalho_) QuebraNome(nome, sender);
}

void TQRP_Propostas::QuebraNome(const TNomeDoCabecalho& nome, TQRCustomBand* cabecalho) {
    // The name as the field prints it, on one line as wide as it is.
    TQRDBText* texto = nome.texto;
    TField* field = CDS_Relatorio->FindField(texto->DataField());
    texto->OutputCaption = field != nullptr ? QRFieldText(*field, texto->Mask).value_or(QString()) : QString();
    texto->FormatLines();
    const int room = QRS_Pagina->Left() - kFolgaAntesDaPagina - texto->Left();
    if (texto->Width() <= room) return;

    // Too wide: it wraps within the room before the page number, and the header
    // grows by the lines added, taking the rows below the name down with it.
    cabecalhoCresceu_ = true;
    texto->SetAutoSize(false);
    texto->SetWidth(room);
    texto->AutoStretch = true;  // should the lines still not fit, the band grows rather than losing them
    texto->FormatLines();
    const int added =
        (static_cast<int>(texto->WrappedLines.size()) - 1) * TextHeight(texto->Font(), QStringLiteral("W"));
    if (added <= 0) return;
    texto->SetHeight(texto->Height() + added);
    cabecalho->SetHeight(cabecalho->Height() + added);
    for (TQRPrintable* printable : nome.abaixo) printable->SetTop(printable->Top() + added);
}

void TQRP_Propostas::DTB_PropostasBeforePrint(TQRCustomBand*, bool&) {
    TField* total = CDS_Relatorio->FieldByName(QStringLiteral("vlr_total"));
    VlrTotalProposta += Currency::FromDouble(total->AsFloat());
    VlrTotalLote += Currency::FromDouble(total->AsFloat());
}

void TQRP_Propostas::QRB_RodapeLoteBeforePrint(TQRCustomBand*, bool&) {
    QRL_ValorTotalLote->SetCaption(FormatFloat(QStringLiteral("#,##0.00"), VlrTotalLote.ToDouble()));
    VlrTotalLote = Currency();
}

void TQRP_Propostas::SUB_PropostasBeforePrint(TQRCustomBand*, bool&) {
    QRL_ValorTotalProposta->SetCaption(FormatFloat(QStringLiteral("#,##0.00"), VlrTotalProposta.ToDouble()));
    VlrTotalProposta = Currency();
}

}  // namespace quorin

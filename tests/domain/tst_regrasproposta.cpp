#include <QtTest>

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Mensagens.h"
#include "domain/RegrasProposta.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
namespace R = quorin::RegrasProposta;

namespace {

struct Item {
    int lote;
    int item;
    QString desLote;
    double quantidade;
    double lance;
    double preco;  // 0 leaves price and total null
    double total;
};

// A process data set with the given items and the process-level values of the
// example file (process 1269 of 2009).
void Preenche(TMemoryDataSet& ds, const QList<Item>& itens, const QString& idtTipoApuracao = QStringLiteral("2")) {
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    for (const Item& it : itens) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(it.lote);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(it.item);
        ds.FieldByName(QStringLiteral("des_lote"))->SetAsString(it.desLote);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(it.quantidade);
        ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(it.lance);
        if (it.preco != 0) {
            ds.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(it.preco);
        }
        if (it.total != 0) {
            ds.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(it.total);
        }
        ds.FieldByName(QStringLiteral("idt_tipoapuracao"))->SetAsString(idtTipoApuracao);
        ds.FieldByName(QStringLiteral("nro_processo"))->SetAsInteger(1269);
        ds.FieldByName(QStringLiteral("ano_exercicio"))->SetAsInteger(2009);
        ds.FieldByName(QStringLiteral("flg_encerrado"))->SetAsString(QStringLiteral("0"));
        ds.Post();
    }
    ds.First();
}

}  // namespace

class TestRegrasProposta : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void lotsTakeTheirFirstItem() {
        TMemoryDataSet processo, lote;
        ProposalSchema::DeclareLote(lote);
        // Appended out of order: the index puts item 1 first.
        Preenche(processo, {{2, 2, QStringLiteral("LIMPEZA B"), 1, 200, 0, 0},
                            {1, 1, QStringLiteral("EXPEDIENTE"), 1, 100, 0, 0},
                            {2, 1, QStringLiteral("LIMPEZA A"), 1, 250, 0, 0},
                            {3, 1, QStringLiteral("ALIMENTOS"), 1, 300, 0, 0}});
        R::MontaLotes(processo, lote);
        QCOMPARE(lote.RecordCount(), 3);
        QCOMPARE(lote.RecNo(), 1);
        QCOMPARE(processo.RecNo(), 1);
        QStringList seen;
        for (lote.First(); !lote.Eof(); lote.Next()) {
            seen << lote.FieldByName(QStringLiteral("NRO_LOTE"))->DisplayText() + u' ' +
                        lote.FieldByName(QStringLiteral("DES_LOTE"))->AsString() + u' ' +
                        lote.FieldByName(QStringLiteral("vlr_lance"))->DisplayText();
        }
        QCOMPARE(seen, QStringList({QStringLiteral("0001 EXPEDIENTE 100,0000"),
                                    QStringLiteral("0002 LIMPEZA A 250,0000"),
                                    QStringLiteral("0003 ALIMENTOS 300,0000")}));
    }

    void globalAwardNamesEveryLot() {
        TMemoryDataSet processo, lote;
        ProposalSchema::DeclareLote(lote);
        Preenche(processo,
                 {{1, 1, QStringLiteral("JARDINAGEM"), 12, 9600, 0, 0}, {2, 1, QStringLiteral("PODA"), 1, 5, 0, 0}},
                 QStringLiteral("1"));
        R::MontaLotes(processo, lote);
        for (lote.First(); !lote.Eof(); lote.Next()) {
            QCOMPARE(lote.FieldByName(QStringLiteral("DES_LOTE"))->AsString(), QStringLiteral("Valor Global"));
        }
        QCOMPARE(R::DescricaoLote(QStringLiteral("1 "), QStringLiteral("X")), QStringLiteral("X"));
    }

    void lotTotal_data() {
        QTest::addColumn<QList<double>>("totais");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("positivo");
        QTest::newRow("two totals") << QList<double>{1.5, 2.25} << "3,75 " << true;
        QTest::newRow("each total rounded first") << QList<double>{0.00004, 0.00004} << "0,00 " << false;
        QTest::newRow("no totals yet") << QList<double>{0, 0} << "0,00 " << false;
        QTest::newRow("grouping") << QList<double>{1234567.891} << "1.234.567,89 " << true;
    }

    void lotTotal() {
        QFETCH(QList<double>, totais);
        QFETCH(QString, texto);
        QFETCH(bool, positivo);
        TMemoryDataSet processo;
        QList<Item> itens;
        for (int i = 0; i < totais.size(); ++i) {
            itens << Item{1, i + 1, QStringLiteral("L"), 1, 0, 0, totais[i]};
        }
        Preenche(processo, itens);
        processo.Last();
        const Currency total = R::TotalVisivel(processo);
        QCOMPARE(R::TextoTotalLote(total), texto);
        QCOMPARE(total.GreaterThan(0), positivo);
        QCOMPARE(processo.RecNo(), totais.size());  // back on the row it was on
    }

    void onlyVisibleItemsCount() {
        TMemoryDataSet processo;
        Preenche(processo, {{1, 1, QStringLiteral("A"), 1, 0, 0, 10}, {2, 1, QStringLiteral("B"), 1, 0, 0, 5}});
        QCOMPARE(R::TotalVisivel(processo), Currency::FromInteger(15));
        R::FiltraLote(processo, 2);
        QCOMPARE(processo.Filter(), QStringLiteral("nro_lote = 2"));
        QCOMPARE(R::TotalVisivel(processo), Currency::FromInteger(5));
    }

    void recordingAnItem() {
        TMemoryDataSet processo;
        Preenche(processo, {{1, 1, QStringLiteral("A"), 3, 0, 0, 0}});
        R::GravaItem(processo, QStringLiteral("  Abc  "), 12.5);
        QCOMPARE(processo.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("Abc"));
        QCOMPARE(processo.FieldByName(QStringLiteral("vlr_realinhamento"))->DisplayText(), QStringLiteral("12,5000"));
        QCOMPARE(processo.FieldByName(QStringLiteral("vlr_total"))->AsFloat(), 37.5);
        QCOMPARE(processo.FieldByName(QStringLiteral("vlr_total"))->DisplayText(), QStringLiteral("37,5000"));

        // The total keeps every digit of the product; sums round it later.
        R::GravaItem(processo, QString(61, u'M'), 1.00005);
        QCOMPARE(processo.FieldByName(QStringLiteral("des_marca"))->AsString(), QString(60, u'M'));
        QCOMPARE(processo.FieldByName(QStringLiteral("vlr_total"))->AsFloat(), 3.00015);

        QVERIFY(!R::PrecoAceito(0.0));
        QVERIFY(!R::PrecoAceito(-1.0));
        QVERIFY(R::PrecoAceito(0.0001));
    }

    void lotReconciliation_data() {
        QTest::addColumn<QList<double>>("totais");
        QTest::addColumn<double>("lance");
        QTest::addColumn<bool>("recusado");
        QTest::newRow("thirds match exactly") << QList<double>{33.3333, 33.3333, 33.3334} << 100.0 << false;
        QTest::newRow("one ten-thousandth off") << QList<double>{33.3333, 33.3333, 33.3334} << 100.0001 << true;
        QTest::newRow("an item without price") << QList<double>{100, 0} << 100.0 << true;
        QTest::newRow("sum below the bid") << QList<double>{40, 50} << 100.0 << true;
        // Each total fits the money range, their sum does not: refused, never a wrapped sum.
        QTest::newRow("sum beyond the money range")
            << QList<double>{600000000000000.0, 600000000000000.0} << 1200000000000000.0 << true;
        QTest::newRow("wrapped sum would equal the bid")
            << QList<double>{600000000000000.0, 600000000000000.0} << -644674407370955.1616 << true;
    }

    void lotReconciliation() {
        QFETCH(QList<double>, totais);
        QFETCH(double, lance);
        QFETCH(bool, recusado);
        TMemoryDataSet processo;
        QList<Item> itens;
        for (int i = 0; i < totais.size(); ++i) {
            itens << Item{1, i + 1, QStringLiteral("L"), 1, lance, totais[i], totais[i]};
        }
        Preenche(processo, itens);
        QCOMPARE(R::LoteRecusado(processo, lance), recusado);
    }

    void reconcilingEveryLot() {
        TMemoryDataSet processo, lote;
        ProposalSchema::DeclareLote(lote);
        Preenche(processo, {{1, 1, QStringLiteral("A"), 1, 10, 5, 5},
                            {2, 1, QStringLiteral("B"), 1, 20, 20, 20},
                            {3, 1, QStringLiteral("C"), 1, 30, 30, 30},
                            {4, 1, QStringLiteral("D"), 1, 40, 0, 0}});
        R::MontaLotes(processo, lote);
        R::FiltraLote(processo, 2);
        QCOMPARE(R::ConfereLotes(processo, lote), QList<int>({1, 4}));
        QCOMPARE(processo.Filter(), QStringLiteral("nro_lote = 2"));
        QVERIFY(processo.Filtered());

        QCOMPARE(R::ListaLotesRecusados({1, 4}), QStringLiteral("nos lotes: 1, 4"));
        QCOMPARE(R::ListaLotesRecusados({3}), QStringLiteral("no lote: 3"));
        QCOMPARE(R::ListaLotesRecusados({}), QString());
        QCOMPARE(Mensagens::EncerramentoRecusado(R::ListaLotesRecusados({3})),
                 QStringLiteral("Atenção! O somatório dos valores realinhados dos itens não confere com o valor da "
                                "proposta no lote: 3. Portanto, o encerramento não será realizado."));

        R::MarcaEncerrado(processo);
        QVERIFY(!processo.Filtered());
        QCOMPARE(processo.RecordCount(), 4);
        for (processo.First(); !processo.Eof(); processo.Next()) {
            QCOMPARE(processo.FieldByName(QStringLiteral("flg_encerrado"))->AsString(), QStringLiteral("1"));
        }
    }

    void proposalFileName() {
        TMemoryDataSet processo;
        Preenche(processo, {{1, 1, QStringLiteral("A"), 1, 1, 0, 0}});
        QCOMPARE(R::NomeArquivoProposta(processo, QStringLiteral("52998224725")),
                 QStringLiteral("PRP_001269_2009_52998224725.PRO"));
        QCOMPARE(R::NomeArquivoProposta(QStringLiteral("001269"), QStringLiteral("2009"), QString()),
                 QStringLiteral("PRP_001269_2009_.PRO"));
    }

    void messages() {
        QCOMPARE(Mensagens::DocumentoNaoEncontrado(QStringLiteral(" C N P J ")),
                 QStringLiteral("O C N P J informado não foi encontrado no arquivo."));
        QCOMPARE(Mensagens::PropostaGravada(QStringLiteral("PRP_1.PRO")),
                 QStringLiteral("O arquivo\nPRP_1.PRO\nfoi gravado com êxito.\nO programa será encerrado."));
    }
};

QTEST_APPLESS_MAIN(TestRegrasProposta)
#include "tst_regrasproposta.moc"

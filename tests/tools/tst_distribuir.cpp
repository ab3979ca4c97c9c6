#include <QTemporaryDir>
#include <QtTest>

#include "RunPacote.h"

#include "dataset/CsvInterchange.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");
const QString kCnpj = QStringLiteral("12.123.123/0001-99");

}  // namespace

class TestDistribuir : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString Copia(const QString& name) {
        const QString target = dir.filePath(name);
        QFile::remove(target);
        if (!QFile::copy(kExemplos + name, target))
            qFatal("cannot copy %s", qPrintable(name));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    // The supplier's original proposal: the example's prices raised by a tenth and
    // a few centavos, so that they no longer close any lot.
    QString Referencia() {
        TMemoryDataSet precos;
        precos.AddSmallintField(QStringLiteral("nro_lote"));
        precos.AddSmallintField(QStringLiteral("nro_item"));
        precos.AddMemoField(QStringLiteral("des_marca"));
        precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
        TCsvInterchange::ImportFile(precos, kExemplos + QStringLiteral("precos_exemplo.csv"));
        for (precos.First(); !precos.Eof(); precos.Next()) {
            TField* p = precos.FieldByName(QStringLiteral("vlr_realinhamento"));
            precos.Edit();
            p->SetAsFloat(std::round(p->AsFloat() * 110 + precos.RecNo() * 3) / 100);
            precos.Post();
        }
        const QString path = dir.filePath(QStringLiteral("original.csv"));
        TCsvInterchange::ExportFile(precos, path);
        return path;
    }

    // Lines of the tool's report that start with "Lote".
    static QStringList Lotes(const QString& out) {
        return out.split(u'\n', Qt::SkipEmptyParts).filter(QRegularExpression(QStringLiteral("^Lote ")));
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        FormatSettings::setCurrent(FormatSettings::brazilian());
    }

    // The prices the tool writes are what preencher records, and the proposal it
    // writes closes every lot; verificar accepts it. With two decimals lot 3 (bid
    // 3.332,533, quantities of half units) cannot be reached: the other lots are
    // written, and preencher refuses that lot only.
    void fechaComPreencher_data() {
        QTest::addColumn<QString>("casas");
        QTest::addColumn<int>("impossivel");  // 0: none
        QTest::newRow("4 casas") << QStringLiteral("4") << 0;
        QTest::newRow("2 casas") << QStringLiteral("2") << 3;
    }
    void fechaComPreencher() {
        QFETCH(QString, casas);
        QFETCH(int, impossivel);
        const QString kpz = Copia(QStringLiteral("PL_001269_2009.KPZ"));
        const QString saida = dir.filePath(QStringLiteral("distribuidos.csv"));
        const Result d = Run({QStringLiteral("distribuir"), kpz, QStringLiteral("--documento"), kCnpj,
                              QStringLiteral("--referencia"), Referencia(), QStringLiteral("--casas"), casas,
                              QStringLiteral("--saida"), saida});
        QCOMPARE(d.err, QString());
        QCOMPARE(d.code, impossivel ? 2 : 0);
        const QStringList lotes = Lotes(d.out);
        QVERIFY(lotes.size() > 1);
        for (const QString& l : lotes) {
            const bool esperado = l.startsWith(QStringLiteral("Lote %1:").arg(impossivel));
            QVERIFY2(l.contains(esperado ? QStringLiteral(": impossível: ") : QStringLiteral(": exato: ")),
                     qPrintable(l));
        }

        // Every price on the grid of the chosen decimals, the brands from the reference.
        TMemoryDataSet precos;
        precos.AddSmallintField(QStringLiteral("nro_lote"));
        precos.AddSmallintField(QStringLiteral("nro_item"));
        precos.AddMemoField(QStringLiteral("des_marca"));
        precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
        TCsvInterchange::ImportFile(precos, saida);
        QVERIFY(precos.RecordCount() > 0);
        precos.First();
        QCOMPARE(precos.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("ALVORADA"));
        const double escala = casas == QStringLiteral("2") ? 100 : 10000;
        for (; !precos.Eof(); precos.Next()) {
            const double p = precos.FieldByName(QStringLiteral("vlr_realinhamento"))->AsFloat();
            QVERIFY(p > 0);
            QCOMPARE(std::round(p * escala) / escala, p);
        }

        const Result f = Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"), kCnpj,
                              QStringLiteral("--precos"), saida});
        if (impossivel) {
            QCOMPARE(f.code, 2);
            QVERIFY2(f.err.contains(QStringLiteral("no lote: %1.").arg(impossivel)), qPrintable(f.err));
            return;
        }
        QCOMPARE(f.err, QString());
        QCOMPARE(f.code, 0);
        const Result v = Run({QStringLiteral("verificar"), f.out.trimmed()});
        QCOMPARE(v.code, 0);
        QVERIFY2(v.out.contains(QStringLiteral("Encerrado: sim\n")), qPrintable(v.out));
    }

    // A lot whose quantities are all multiples of 3 cannot reach a bid off the steps
    // of 0,0003: the tool names it, with the nearest totals, writes the other lots and
    // exits 2.
    void loteImpossivel() {
        const QString kpz = Copia(QStringLiteral("PL_001269_2009.KPZ"));
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        ds.LoadFromFile(kpz);
        int lotes = 0, ultimo = -1;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            const int lote = ds.FieldByName(QStringLiteral("nro_lote"))->AsInteger();
            if (lote != ultimo)
                ++lotes;
            ultimo = lote;
            if (lote != 1)
                continue;
            ds.Edit();
            ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(3 * ds.RecNo());
            ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(1000.01);
            ds.Post();
        }
        QVERIFY(lotes > 1);
        ds.SaveToFile(kpz);

        const QString saida = dir.filePath(QStringLiteral("parcial.csv"));
        const Result d =
            Run({QStringLiteral("distribuir"), kpz, QStringLiteral("--documento"), kCnpj,
                 QStringLiteral("--referencia"), Referencia(), QStringLiteral("--saida"), saida});
        QCOMPARE(d.code, 2);
        const QStringList linhas = Lotes(d.out);
        QCOMPARE(linhas.size(), lotes);
        QVERIFY2(linhas[0].startsWith(QStringLiteral("Lote 1: impossível: ")), qPrintable(linhas[0]));
        QVERIFY2(linhas[0].contains(QStringLiteral("passos de 0,0003")), qPrintable(linhas[0]));
        QVERIFY2(linhas[0].contains(QStringLiteral("abaixo 1.000,0098, acima 1.000,0101")),
                 qPrintable(linhas[0]));
        for (int i = 1; i < linhas.size(); ++i)
            QVERIFY2(linhas[i].contains(QStringLiteral(": exato: ")), qPrintable(linhas[i]));

        TMemoryDataSet precos;
        precos.AddSmallintField(QStringLiteral("nro_lote"));
        precos.AddSmallintField(QStringLiteral("nro_item"));
        precos.AddMemoField(QStringLiteral("des_marca"));
        precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
        TCsvInterchange::ImportFile(precos, saida);
        QVERIFY(precos.RecordCount() > 0);
        for (precos.First(); !precos.Eof(); precos.Next())
            QVERIFY(precos.FieldByName(QStringLiteral("nro_lote"))->AsInteger() != 1);
    }

    void recusas_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("texto");
        QTest::newRow("casas 3") << QStringList{QStringLiteral("--casas"), QStringLiteral("3")} << 64
                                 << QStringLiteral("--casas aceita 2 ou 4.");
        QTest::newRow("sem preços digitados")
            << QStringList{} << 2 << QStringLiteral("ainda não tem preço digitado");
        QTest::newRow("referência ilegível")
            << QStringList{QStringLiteral("--referencia"), QStringLiteral("/nao/existe.csv")} << 1
            << QStringLiteral("/nao/existe.csv");
    }
    void recusas() {
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        QFETCH(QString, texto);
        const QString kpz = Copia(QStringLiteral("PL_001269_2009.KPZ"));
        const Result d =
            Run(QStringList{QStringLiteral("distribuir"), kpz, QStringLiteral("--documento"), kCnpj,
                            QStringLiteral("--saida"), dir.filePath(QStringLiteral("x.csv"))} +
                extra);
        QCOMPARE(d.code, code);
        QVERIFY2((d.out + d.err).contains(texto), qPrintable(d.out + d.err));
    }
};

QTEST_GUILESS_MAIN(TestDistribuir)
#include "tst_distribuir.moc"

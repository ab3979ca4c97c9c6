#include <QTemporaryDir>
#include <QtTest>

#include "RunPacote.h"

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");
const QByteArray kHeader = "nro_lote;nro_item;des_marca;vlr_realinhamento\r\n";

}  // namespace

class TestPreencher : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    // A fresh copy of an example process file in the temporary folder.
    QString Copia(const QString& name) {
        const QString target = dir.filePath(name);
        QFile::remove(target);
        if (!QFile::copy(kExemplos + name, target)) {
            qFatal("cannot copy %s", qPrintable(name));
        }
        return target;
    }

    QString Precos(const QByteArray& rows) {
        const QString path = dir.filePath(QStringLiteral("precos.csv"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qFatal("cannot write prices");
        }
        f.write(kHeader + rows);
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        FormatSettings::setCurrent(FormatSettings::brazilian());
    }

    void fillsAndClosesTheExample() {
        const QString kpz = Copia(QStringLiteral("PL_001269_2009.KPZ"));
        const Result r = Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"),
                              QStringLiteral("12.123.123/0001-99"), QStringLiteral("--precos"),
                              kExemplos + QStringLiteral("precos_exemplo.csv")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        const QString pro = dir.filePath(QStringLiteral("PRP_001269_2009_12123123000199.PRO"));
        QCOMPARE(r.out, pro + u'\n');

        const Result v = Run({QStringLiteral("verificar"), pro});
        QCOMPARE(v.code, 0);
        QVERIFY2(v.out.contains(QStringLiteral("Encerrado: sim\n")), qPrintable(v.out));

        // Row by row: the brand, the price and quantity x price, every row closed.
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        ds.LoadFromFile(pro);
        QStringList rows;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QCOMPARE(ds.FieldByName(QStringLiteral("flg_encerrado"))->AsString(), QStringLiteral("1"));
            rows << QStringLiteral("%1.%2 %3 %4 %5")
                        .arg(ds.FieldByName(QStringLiteral("nro_lote"))->AsInteger())
                        .arg(ds.FieldByName(QStringLiteral("nro_item"))->AsInteger())
                        .arg(ds.FieldByName(QStringLiteral("des_marca"))->AsString(),
                             ds.FieldByName(QStringLiteral("vlr_realinhamento"))->DisplayText(),
                             ds.FieldByName(QStringLiteral("vlr_total"))->DisplayText());
        }
        QCOMPARE(rows, QStringList({
                           QStringLiteral("1.1 ALVORADA 9,8500 3.940,0000"),
                           QStringLiteral("1.2 TRAÇO FINO 8,3000 415,0000"),
                           QStringLiteral("1.3 METALMAX 12,4500 373,5000"),
                           QStringLiteral("1.4 KRAFTPEL 5,4000 108,0000"),
                           QStringLiteral("2.1 LIMPAMAIS 4,7500 570,0000"),
                           QStringLiteral("2.2 FORTESACO 6,2500 500,0000"),
                           QStringLiteral("2.3 ESPUMIX 0,9000 180,0000"),
                           QStringLiteral("3.1 GRÃO NOBRE 14,9000 2.242,4500"),
                           QStringLiteral("3.2 DOCE VALE 3,1900 957,0000"),
                           QStringLiteral("3.3 SOJA BOA 1,4787 133,0830"),
                       }));
    }

    void refusals_data() {
        QTest::addColumn<QString>("documento");
        QTest::addColumn<QByteArray>("precos");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("person not in the file")
            << "11111111111" << QByteArray("1;1;;450\r\n1;2;;350\r\n") << 2
            << "O C P F informado não foi encontrado no arquivo.";
        QTest::newRow("company not in the file")
            << "12123123000198" << QByteArray("1;1;;450\r\n1;2;;350\r\n") << 2
            << "O C N P J informado não foi encontrado no arquivo.";
        QTest::newRow("price zero")
            << "52998224725" << QByteArray("1;1;;450\r\n1;2;;0\r\n") << 2
            << "precos.csv, linha 3: O valor unitário deve ser maior que 0 ( zero ).";
        QTest::newRow("sum off by one real")
            << "52998224725" << QByteArray("1;1;;450\r\n1;2;;351\r\n") << 2
            << "Atenção! O somatório dos valores realinhados dos itens não confere com o valor da proposta no "
               "lote: 1. Portanto, o encerramento não será realizado.";
        QTest::newRow("an item left without price")
            << "52998224725" << QByteArray("1;1;;800\r\n") << 2
            << "Atenção! O somatório dos valores realinhados dos itens não confere com o valor da proposta no "
               "lote: 1. Portanto, o encerramento não será realizado.";
        QTest::newRow("an item the process does not have")
            << "52998224725" << QByteArray("1;1;;450\r\n\"1\";9;\"two\r\nlines\";1\r\n") << 1
            << "precos.csv, linha 3: o item 9 do lote 1 não existe no processo.";
        QTest::newRow("a NUL inside a brand")
            << "52998224725" << QByteArray("1;1;ALV\0RADA;450\r\n1;2;;350\r\n", 28) << 1
            << "precos.csv: Caractere de controle (código 0) na linha 2, coluna 3.";
    }

    void refusals() {
        QFETCH(QString, documento);
        QFETCH(QByteArray, precos);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString kpz = Copia(QStringLiteral("PL_000042_2010.KPZ"));
        const QString csv = Precos(precos);
        const Result r = Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"), documento,
                              QStringLiteral("--precos"), csv});
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.endsWith(message + u'\n'), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("PRP_000042_2010_52998224725.PRO"))));
    }

    // A write that cannot finish fails with exit 1 and keeps the earlier proposal.
    void fullDiskKeepsTheEarlierProposal() {
        const QString kpz = Copia(QStringLiteral("PL_001269_2009.KPZ"));
        const QString pro = dir.filePath(QStringLiteral("PRP_001269_2009_12123123000199.PRO"));
        const QByteArray earlier = "an earlier proposal";
        {
            QFile f(pro);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(earlier);
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        const Result r = Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"),
                              QStringLiteral("12.123.123/0001-99"), QStringLiteral("--precos"),
                              kExemplos + QStringLiteral("precos_exemplo.csv")},
                             1000);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("quorin-pacote: Não foi possível gravar o arquivo \"") + pro +
                            QStringLiteral("\": o arquivo excede o tamanho permitido.\n"));
        QFile f(pro);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        QFile::remove(pro);
    }

    void usage() {
        QCOMPARE(Run({QStringLiteral("preencher"), QStringLiteral("x.KPZ")}).code, 64);
        const Result help = Run({QStringLiteral("preencher"), QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith(QStringLiteral("uso: quorin-pacote preencher PROCESSO")));
        const Result missing = Run({QStringLiteral("preencher"), dir.filePath(QStringLiteral("nada.KPZ")),
                                    QStringLiteral("--documento"), QStringLiteral("1"), QStringLiteral("--precos"),
                                    kExemplos + QStringLiteral("precos_cpf.csv")});
        QCOMPARE(missing.code, 1);
    }
};

QTEST_GUILESS_MAIN(TestPreencher)
#include "tst_preencher.moc"

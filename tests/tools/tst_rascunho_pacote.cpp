#include <sys/stat.h>
#include <QTemporaryDir>
#include <QtTest>

#include "RunPacote.h"

#include "dataset/CsvInterchange.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Rascunho.h"
#include "runtime/DateTime.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");
const QString kCnpj = QStringLiteral("12123123000199");

// The prices of the example, as "rascunho" writes them: one row per item, the
// last value recorded, in lot and item order.
const QByteArray kPrecos =
    "nro_lote;nro_item;des_marca;vlr_realinhamento\r\n"
    "1;1;ALVORADA;9,85\r\n1;2;TRAÇO FINO;8,3\r\n1;3;METALMAX;12,45\r\n1;4;KRAFTPEL;5,4\r\n"
    "2;1;LIMPAMAIS;4,75\r\n2;2;FORTESACO;6,25\r\n2;3;ESPUMIX;0,9\r\n"
    "3;1;GRÃO NOBRE;14,9\r\n3;2;DOCE VALE;3,19\r\n3;3;SOJA BOA;1,4787\r\n";

QByteArray Conteudo(const QString& caminho) {
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestRascunhoPacote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString kpz;
    QDateTime ultimo;

  private Q_SLOTS:
    // The example process and, before each test, in a data folder of this test, the
    // draft the window would have kept for it: every price of the example, the first item typed
    // twice (the later value wins), the records in another order than the items.
    void initTestCase() {
        QVERIFY(dir.isValid());
        FormatSettings::setCurrent(FormatSettings::brazilian());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("dados"))));
        kpz = dir.filePath(QStringLiteral("PL_001269_2009.KPZ"));
        QVERIFY(QFile::copy(kExemplos + QStringLiteral("PL_001269_2009.KPZ"), kpz));
    }
    void init() {
        TMemoryDataSet precos;
        precos.AddSmallintField(QStringLiteral("nro_lote"));
        precos.AddSmallintField(QStringLiteral("nro_item"));
        precos.AddMemoField(QStringLiteral("des_marca"));
        precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
        TCsvInterchange::ImportFile(precos, kExemplos + QStringLiteral("precos_exemplo.csv"));
        QList<TItemRascunho> itens;
        TItemRascunho primeiro{1, 1, QStringLiteral("ANTIGA"), 1, 400, {}};
        itens << primeiro;
        for (precos.Last(); !precos.Bof(); precos.Prior()) {
            itens << TItemRascunho{precos.FieldByName(QStringLiteral("nro_lote"))->AsInteger(),
                                   precos.FieldByName(QStringLiteral("nro_item"))->AsInteger(),
                                   precos.FieldByName(QStringLiteral("des_marca"))->AsString(),
                                   precos.FieldByName(QStringLiteral("vlr_realinhamento"))->AsFloat(),
                                   0,
                                   {}};
        }
        TRascunho r;
        r.Usa(TRascunho::PastaPadrao(), TRascunho::ResumoArquivo(kpz), kCnpj);
        QVERIFY(r.Caminho().startsWith(dir.path()));
        QVERIFY(r.Remove());
        int segundo = 0;
        for (TItemRascunho& i : itens) {
            i.quando = QDateTime(QDate(2026, 12, 9), QTime(18, 30, segundo++), Qt::UTC);
            QVERIFY(r.Registra(i));
        }
        ultimo = itens.constLast().quando;
    }

    // verificar names the draft; rascunho writes it as the prices CSV, the same on
    // the standard output and in a file; preencher then closes the proposal.
    void draftFinishedOnTheCommandLine() {
        const Result v = Run({QStringLiteral("verificar"), kpz});
        QCOMPARE(v.code, 0);
        QVERIFY2(
            v.out.endsWith(
                QStringLiteral("Rascunho: 10 itens gravados, último em %1 (documento %2)\n")
                    .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), ultimo.toLocalTime()), kCnpj)),
            qPrintable(v.out));

        const Result saida = Run({QStringLiteral("rascunho"), kpz, QStringLiteral("--documento"),
                                  QStringLiteral("12.123.123/0001-99")});
        QCOMPARE(saida.err, QString());
        QCOMPARE(saida.code, 0);
        QCOMPARE(saida.out.toUtf8(), kPrecos);

        const QString csv = dir.filePath(QStringLiteral("do-rascunho.csv"));
        const Result arquivo = Run({QStringLiteral("rascunho"), kpz, QStringLiteral("--documento"), kCnpj,
                                    QStringLiteral("--saida"), csv});
        QCOMPARE(arquivo.code, 0);
        QCOMPARE(arquivo.out, QString());
        QCOMPARE(Conteudo(csv), kPrecos);

        const Result p = Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"), kCnpj,
                              QStringLiteral("--precos"), csv});
        QCOMPARE(p.err, QString());
        QCOMPARE(p.code, 0);
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("PRP_001269_2009_12123123000199.PRO"))));
        // Closed on the command line, the draft is done with, as after closing in the window.
        const Result depois = Run({QStringLiteral("verificar"), kpz});
        QCOMPARE(depois.code, 0);
        QVERIFY(!depois.out.contains(QStringLiteral("Rascunho")));
        QCOMPARE(Run({QStringLiteral("rascunho"), kpz, QStringLiteral("--documento"), kCnpj}).code, 1);
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");     // what the error starts with
        QTest::addColumn<QString>("nomeia");  // and a name it holds
        const QString outro = dir.filePath(QStringLiteral("PL_000042_2010.KPZ"));
        QFile::copy(kExemplos + QStringLiteral("PL_000042_2010.KPZ"), outro);
        QTest::newRow("another supplier")
            << QStringList{QStringLiteral("rascunho"), kpz, QStringLiteral("--documento"),
                           QStringLiteral("52998224725")}
            << 1 << kpz + QStringLiteral(": não há rascunho deste arquivo para o documento 52998224725.")
            << QStringLiteral("52998224725");
        QTest::newRow("another file")
            << QStringList{QStringLiteral("rascunho"), outro, QStringLiteral("--documento"), kCnpj} << 1
            << outro + QStringLiteral(": não há rascunho deste arquivo para o documento ") + kCnpj + u'.'
            << outro;
        QTest::newRow("missing file")
            << QStringList{QStringLiteral("rascunho"), dir.filePath(QStringLiteral("nada.KPZ")),
                           QStringLiteral("--documento"), kCnpj}
            << 1
            << dir.filePath(QStringLiteral("nada.KPZ")) + QStringLiteral(": não foi possível ler o arquivo.")
            << QStringLiteral("nada.KPZ");
        // A pipe is no process file: refused at once, never waited on.
        const QString fifo = dir.filePath(QStringLiteral("fifo.KPZ"));
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("a pipe") << QStringList{QStringLiteral("rascunho"), fifo,
                                               QStringLiteral("--documento"), kCnpj}
                                << 1 << fifo + QStringLiteral(": não foi possível ler o arquivo.") << fifo;
        QTest::newRow("no document") << QStringList{QStringLiteral("rascunho"), kpz} << 64
                                     << QStringLiteral("rascunho precisa de PROCESSO e --documento.")
                                     << QStringLiteral("--documento");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("rascunho"),    kpz,
                           QStringLiteral("--documento"), kCnpj,
                           QStringLiteral("--precos"),    QStringLiteral("x")}
            << 64 << QStringLiteral("opção desconhecida: --precos") << QStringLiteral("--precos");
        QTest::newRow("unwritable output")
            << QStringList{QStringLiteral("rascunho"),
                           kpz,
                           QStringLiteral("--documento"),
                           kCnpj,
                           QStringLiteral("--saida"),
                           dir.filePath(QStringLiteral("no/such/folder/p.csv"))}
            << 1 << QStringLiteral("Não foi possível gravar o arquivo \"") << QStringLiteral("p.csv\"");
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, err);
        QFETCH(QString, nomeia);
        const Result r = Run(args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(QStringLiteral("quorin-pacote: ") + err), qPrintable(r.err));
        QVERIFY2(r.err.contains(nomeia), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestRascunhoPacote)
#include "tst_rascunho_pacote.moc"

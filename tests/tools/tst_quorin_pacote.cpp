#include <QTemporaryDir>
#include <QtTest>

#include "RunPacote.h"

#include <sys/stat.h>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString kExample = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/processo_exemplo.csv");
const QString kCpf = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/processo_cpf.csv");

}  // namespace

class TestQuorinPacote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

  private Q_SLOTS:
    void importVerifyExportRoundTrip_data() {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("summary");
        QTest::newRow("company, three lots")
            << kExample
            << "Registros: 10\nLotes: 3\nProcesso: 001269 / 2009\n"
               "Fornecedor: PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA (documento "
               "12123123000199)\nEncerrado: não\n";
        QTest::newRow("person, one lot") << kCpf
                                         << "Registros: 2\nLotes: 1\nProcesso: 000042 / 2010\n"
                                            "Fornecedor: MARIA APARECIDA DOS SANTOS (documento 52998224725)\n"
                                            "Encerrado: não\n";
    }

    void importVerifyExportRoundTrip() {
        QFETCH(QString, csv);
        QFETCH(QString, summary);
        const QString kpz = dir.filePath(QFileInfo(csv).baseName() + QStringLiteral(".KPZ"));
        Result r = Run({QStringLiteral("importar"), csv, kpz});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());

        r = Run({QStringLiteral("verificar"), kpz});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, kpz + QStringLiteral(": arquivo válido\n") + summary);

        // Export to standard output and to a file give back the very bytes of the CSV.
        r = Run({QStringLiteral("exportar"), kpz});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.toUtf8(), ReadFile(csv));
        const QString out = dir.filePath(QStringLiteral("saida.csv"));
        QCOMPARE(Run({QStringLiteral("exportar"), kpz, out}).code, 0);
        QCOMPARE(ReadFile(out), ReadFile(csv));
    }

    // A filled proposal holds quantity x price as doubles with binary noise;
    // its money fields are written with their four decimals, and importing
    // the CSV and exporting again gives the same bytes.
    void moneyOfAProposalWithFourDecimals() {
        const QString kpz = dir.filePath(QStringLiteral("PL_001269_2009.KPZ"));
        QVERIFY(QFile::copy(QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_001269_2009.KPZ"), kpz));
        QCOMPARE(Run({QStringLiteral("preencher"), kpz, QStringLiteral("--documento"), QStringLiteral("12123123000199"),
                      QStringLiteral("--precos"), QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/precos_exemplo.csv")})
                     .code,
                 0);
        const QString pro = dir.filePath(QStringLiteral("PRP_001269_2009_12123123000199.PRO"));
        const Result first = Run({QStringLiteral("exportar"), pro});
        QCOMPARE(first.code, 0);
        for (const char* money : {";9,8500;3940,0000;", ";8,3000;415,0000;", ";14,9000;2242,4500;", ";4836,5000;"}) {
            QVERIFY2(first.out.contains(QLatin1String(money)), money);
        }
        QVERIFY(!first.out.contains(QStringLiteral("00000000")));
        const QString csv = dir.filePath(QStringLiteral("proposta.csv"));
        WriteFile(csv, first.out.toUtf8());
        const QString again = dir.filePath(QStringLiteral("again.PRO"));
        QCOMPARE(Run({QStringLiteral("importar"), csv, again}).code, 0);
        const Result second = Run({QStringLiteral("exportar"), again});
        QCOMPARE(second.code, 0);
        QCOMPARE(second.out, first.out);
    }

    void theBuildMadeTheExamples() {
        const QByteArray built = ReadFile(QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_001269_2009.KPZ"));
        QVERIFY(!built.isEmpty());
        const QString kpz = dir.filePath(QStringLiteral("again.KPZ"));
        QCOMPARE(Run({QStringLiteral("importar"), kExample, kpz}).code, 0);
        QCOMPARE(ReadFile(kpz), built);  // deterministic: the committed copy matches the CSV
        QCOMPARE(Run({QStringLiteral("verificar"),
                      QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_000042_2010.KPZ")})
                     .code,
                 0);
    }

    void badInput_data() {
        QTest::addColumn<QString>("from");  // text replaced in the example CSV
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing column") << ";flg_encerrado\r\n"
                                        << "\r\n"
                                        << "Falta a coluna 'flg_encerrado' no arquivo CSV.";
        QTest::newRow("value that does not convert")
            << "1;2;10477;3"
            << "1;dois;10477;3"
            << "Valor inválido na linha 5, coluna 2 ('nro_item'): 'dois' não é um número inteiro.";
        // The first item's des_especificacao spans lines 2 to 4, so its date cell stands on line 4.
        QTest::newRow("bad date")
            << "15/03/2009"
            << "31/02/2009"
            << "Valor inválido na linha 4, coluna 17 ('dat_processo'): '31/02/2009' não é uma "
               "data dd/mm/aaaa [hh:mm:ss].";
    }

    void badInput() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        QByteArray csv = ReadFile(kExample);
        const qsizetype at = csv.indexOf(from.toUtf8());
        QVERIFY(at >= 0);
        csv.replace(at, from.toUtf8().size(), to.toUtf8());
        const QString in = dir.filePath(QStringLiteral("ruim.csv"));
        WriteFile(in, csv);
        const QString kpz = dir.filePath(QStringLiteral("ruim.KPZ"));
        const Result r = Run({QStringLiteral("importar"), in, kpz});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("quorin-pacote: %1: %2\n").arg(in, message));
        QVERIFY(!QFile::exists(kpz));
    }

    void badPacket() {
        const QString bad = QStringLiteral(QUORIN_SOURCE_DIR "/tests/dataset/data/flipped_checksum.KPZ");
        for (const QString& cmd : {QStringLiteral("verificar"), QStringLiteral("exportar")}) {
            const Result r = Run({cmd, bad});
            QCOMPARE(r.code, 1);
            QCOMPARE(r.err,
                     QStringLiteral("quorin-pacote: %1: O arquivo está corrompido: a soma de verificação não "
                                    "confere.\n")
                         .arg(bad));
            QCOMPARE(r.out, QString());
        }
    }

    // Every input of every subcommand refuses what is not a regular file, at once.
    void notARegularFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "pipe" << "é um pipe, não um arquivo comum";
        QTest::newRow("link to /dev/zero") << "zero" << "é um dispositivo, não um arquivo comum";
        QTest::newRow("missing") << "missing" << "o arquivo não existe";
    }
    void notARegularFile() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = dir.filePath(QStringLiteral("especial"));
        QFile::remove(path);
        if (kind == u"pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        }
        const QString kpz = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_000042_2010.KPZ");
        const QString precos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/precos_cpf.csv");
        const QString doc = QStringLiteral("52998224725");
        const QList<QStringList> calls = {
            {QStringLiteral("verificar"), path},
            {QStringLiteral("exportar"), path},
            {QStringLiteral("importar"), path, dir.filePath(QStringLiteral("x.KPZ"))},
            {QStringLiteral("preencher"), path, QStringLiteral("--documento"), doc, QStringLiteral("--precos"), precos},
            {QStringLiteral("preencher"), kpz, QStringLiteral("--documento"), doc, QStringLiteral("--precos"), path},
        };
        for (const QStringList& call : calls) {
            const Result r = Run(call);
            QCOMPARE(r.code, 1);
            QCOMPARE(r.err, QStringLiteral("quorin-pacote: Não foi possível ler o arquivo \"%1\": %2.\n")
                                .arg(path, reason));
        }
        QFile::remove(path);
    }

    void usage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("start");  // of standard output (code 0) or error (else)
        QTest::newRow("no subcommand") << QStringList{} << 64 << "quorin-pacote: falta o subcomando.";
        QTest::newRow("unknown") << QStringList{"apagar"} << 64
                                 << "quorin-pacote: subcomando desconhecido: \"apagar\".";
        QTest::newRow("general help") << QStringList{"--help"} << 0 << "uso: quorin-pacote SUBCOMANDO";
        QTest::newRow("importar help")
            << QStringList{"importar", "--help"} << 0 << "uso: quorin-pacote importar";
        QTest::newRow("exportar help") << QStringList{"exportar", "-h"} << 0 << "uso: quorin-pacote exportar";
        QTest::newRow("verificar help")
            << QStringList{"verificar", "--help"} << 0 << "uso: quorin-pacote verificar";
        QTest::newRow("importar one argument") << QStringList{"importar", "a.csv"} << 64
                                               << "quorin-pacote: importar precisa de ENTRADA.csv e SAIDA.";
        QTest::newRow("verificar two")
            << QStringList{"verificar", "a", "b"} << 64 << "quorin-pacote: verificar precisa de um ARQUIVO.";
        QTest::newRow("exportar none")
            << QStringList{"exportar"} << 64
            << "quorin-pacote: exportar precisa de ARQUIVO e, se quiser, SAIDA.csv.";
    }

    void usage() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, start);
        const Result r = Run(args);
        QCOMPARE(r.code, code);
        const QString& text = code == 0 ? r.out : r.err;
        QVERIFY2(text.startsWith(start), qPrintable(text));
    }

    // The installed tool names its version as the package does; the package check compares the two.
    void version() {
        const Result r = Run({"--version"});
        QCOMPARE(r.code, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^quorin-pacote \\d+\\.\\d+\\.\\d+\n$")).match(r.out).hasMatch(),
                 qPrintable(r.out));
        QVERIFY(r.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQuorinPacote)
#include "tst_quorin_pacote.moc"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "dataset/CsvInterchange.h"
#include "dataset/CsvReader.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Currency.h"
#include "runtime/FileAccess.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// A small schema with one field of each kind the process file uses.
void Declare(TMemoryDataSet& ds) {
    ds.Close();
    ds.ClearFields();
    ds.AddSmallintField(QStringLiteral("nro_lote"));
    ds.AddFloatField(QStringLiteral("qtd_produto"));
    ds.AddStringField(QStringLiteral("des_lote"), 10);
    ds.AddBlobField(QStringLiteral("des_especificacao"));
    ds.AddDateTimeField(QStringLiteral("dat_processo"));
    ds.SetIndexFieldNames(QStringLiteral("nro_lote"));
}

// Every record's cells (line and bytes), or the error that stopped the parse.
QString Records(const std::function<void(const std::function<void(TCsvReader::RawRecord&)>&)>& parse) {
    QStringList out;
    try {
        parse([&out](TCsvReader::RawRecord& record) {
            QStringList cells;
            for (const TCsvReader::RawCell& c : record) {
                cells << QString::number(c.line) + u':' + QString::fromLatin1(c.bytes.toHex());
            }
            out << cells.join(u'|');
        });
    } catch (const ECsvError& e) {
        out << e.message();
    }
    return out.join(u'\n');
}

}  // namespace

class TestCsvInterchange : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        // The interchange form must not follow the user's settings: use others on purpose.
        FormatSettings us = FormatSettings::brazilian();
        us.decimalSeparator = u'.';
        us.thousandSeparator = u',';
        us.shortDateFormat = QStringLiteral("mm/dd/yyyy");
        FormatSettings::setCurrent(us);
    }

    void readsHeaderInAnyOrderAndCase() {
        TMemoryDataSet ds;
        Declare(ds);
        TCsvInterchange::Import(ds,
                                "\xEF\xBB\xBF"
                                "DAT_PROCESSO;Des_Lote;des_especificacao;QTD_PRODUTO;nro_lote;extra\n"
                                "02/08/2010 14:30:05;B;\"a;b\r\n\"\"c\"\"\";1,5;2;x\n"
                                "15/03/2009;A;;4836;1;texto mais longo\n");
        QCOMPARE(ds.RecordCount(), 2);
        QCOMPARE(ds.FieldByName(QStringLiteral("des_lote"))->AsString(), QStringLiteral("A"));  // index order
        QVERIFY(ds.FieldByName(QStringLiteral("des_especificacao"))->IsNull());
        ds.Next();
        QCOMPARE(ds.FieldByName(QStringLiteral("qtd_produto"))->AsFloat(), 1.5);
        QCOMPARE(ds.FieldByName(QStringLiteral("des_especificacao"))->AsString(),
                 QStringLiteral("a;b\r\n\"c\""));
        QCOMPARE(ds.FieldByName(QStringLiteral("dat_processo"))->AsDateTime(),
                 QDateTime(QDate(2010, 8, 2), QTime(14, 30, 5)));
        // The undeclared column is carried and written back after the declared ones.
        QCOMPARE(QString::fromUtf8(TCsvInterchange::Export(ds)),
                 QStringLiteral("nro_lote;qtd_produto;des_lote;des_especificacao;dat_processo;extra\r\n"
                                "1;4836;A;;15/03/2009;texto mais longo\r\n"
                                "2;1,5;B;\"a;b\r\n\"\"c\"\"\";02/08/2010 14:30:05;x\r\n"));
    }

    // Found by fuzzing: a null in a one-column file was written as an empty line, which reading skips.
    void nullRowOfAOneColumnFileSurvives() {
        TMemoryDataSet ds;
        ds.AddStringField(QStringLiteral("a"), 5);
        TCsvInterchange::Import(ds, "a\r\n\"\"\r\nx\r\n");
        QCOMPARE(ds.RecordCount(), 2);
        const QByteArray csv = TCsvInterchange::Export(ds);
        QCOMPARE(csv, QByteArray("a\r\n\"\"\r\nx\r\n"));
        TCsvInterchange::Import(ds, csv);
        QCOMPARE(ds.RecordCount(), 2);
    }

    void cellTexts_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integral") << 9600.0 << "9600";
        QTest::newRow("decimal comma") << 4836.5 << "4836,5";
        QTest::newRow("shortest that reads back") << 0.1 + 0.2 << "0,30000000000000004";
        QTest::newRow("negative") << -0.25 << "-0,25";
        QTest::newRow("tiny goes scientific") << 1e-9 << "1e-09";
    }

    void cellTexts() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(TCsvInterchange::CellText(value), text);
    }

    // Money (a four-decimal display format) is written as its Currency: no
    // binary noise of quantity x price, and reading the text back gives the
    // same Currency and then the same text.
    void moneyWithItsFourDecimals_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("quantity x price") << 50 * 8.3 << "415,0000";
        QTest::newRow("noise above") << 150.5 * 14.9 << "2242,4500";
        QTest::newRow("four decimals") << 1.4787 << "1,4787";
        QTest::newRow("a fifth decimal rounds half to even") << 1.03125 << "1,0312";  // exact in binary
        QTest::newRow("negative") << -33.3333 << "-33,3333";
        QTest::newRow("negative zero") << -0.0 << "-0,0000";
        QTest::newRow("largest exact") << 399999999999.9999 << "399999999999,9999";
        QTest::newRow("beyond, the shortest text") << 5e11 << "500000000000";
    }
    void moneyWithItsFourDecimals() {
        QFETCH(double, value);
        QFETCH(QString, text);
        TMemoryDataSet ds;
        TField* total = ds.AddFloatField(QStringLiteral("vlr_total"));
        total->SetDisplayFormat(QStringLiteral("#,##0.0000"));
        ds.AddFloatField(QStringLiteral("qtd_produto"));  // not money: the shortest text
        ds.CreateDataSet();
        ds.Append();
        total->SetAsFloat(value);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(0.1 + 0.2);
        ds.Post();
        const QByteArray once = TCsvInterchange::Export(ds);
        QCOMPARE(QString::fromUtf8(once), QStringLiteral("vlr_total;qtd_produto\r\n%1;0,30000000000000004\r\n").arg(text));
        TCsvInterchange::Import(ds, once);
        QCOMPARE(Currency::FromDouble(ds.FieldByName(QStringLiteral("vlr_total"))->AsFloat()), Currency::FromDouble(value));
        QCOMPARE(TCsvInterchange::Export(ds), once);
    }

    // Found by fuzzing: texts that export to something that reads back otherwise.
    void exportReadsBackTheSame_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("byte order mark after blank lines") << QByteArray("\n\n\xEF\xBB\xBF\n\n\xEF\xBB\xBF");
        QTest::newRow("lone column named with a comma") << QByteArray("\"a,b\"\r\nx\r\n");
        QTest::newRow("three byte order marks in a cell") << QByteArray("q\n\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF");
    }
    void exportReadsBackTheSame() {
        QFETCH(QByteArray, csv);
        TMemoryDataSet ds;
        TCsvInterchange::Import(ds, csv);
        const QByteArray once = TCsvInterchange::Export(ds);
        TCsvInterchange::Import(ds, once);
        QCOMPARE(TCsvInterchange::Export(ds), once);
    }

    // A file is parsed a piece at a time; whatever the piece size, and wherever a
    // piece ends (inside a quote pair, a CR LF, an accent, a byte order mark),
    // the records and the errors are those of the whole text.
    void filesReadInPiecesGiveTheSameRecords() {
        QFile exemplo(QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/processo_exemplo.csv"));
        QVERIFY(exemplo.open(QIODevice::ReadOnly));
        const QList<QByteArray> inputs = {
            exemplo.readAll(),
            "\xEF\xBB\xBF" "a;b\r\n\"x\"\"y\";\"AÇÚCAR\r\nCRISTAL\"\r\n\r\n1;\r2;3\n\xEF\xBB\xBF;\"\"",
            "a;b\r\n\"\";\n;\r\n\"q\"\"\";\"\"\"\"\"\"\"\r",
            "a\nb\"c\n",                  // a quote inside an unquoted text
            "a\n\"x\"y\n",               // text after the closing quote
            "a\n\"x\n\ny\"z\n",        // a quote never closed until lines later
            "a\n\"open",                   // never closed
            "a\nb\x01\n",                 // a control character
            "a\nok\n\xC3\x28\n",        // not UTF-8, on line 3
            "a,b\n1,2\n",                  // commas
        };
        QTemporaryDir dir;
        for (const QByteArray& input : inputs) {
            const QString whole = Records([&input](const auto& each) { TCsvReader::ParseEach(input, each); });
            const QString path = dir.filePath(QStringLiteral("pedacos.csv"));
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(input);
            out.close();
            for (qint64 piece : {1, 2, 3, 4, 5, 7, 64}) {
                TRegularFile file(path, qint64(1) << 30);
                const QString pieces =
                    Records([&file, piece](const auto& each) { TCsvReader::ParseFile(file, each, piece); });
                QCOMPARE(pieces, whole);
            }
        }
    }

    void errors_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        const QByteArray head = "nro_lote;qtd_produto;des_lote;des_especificacao;dat_processo\r\n";
        QTest::newRow("empty file") << QByteArray() << "O arquivo CSV está vazio: falta a linha de cabeçalho."
                                    << 1 << 0;
        QTest::newRow("missing column") << QByteArray("nro_lote;qtd_produto;des_lote;dat_processo\r\n")
                                        << "Falta a coluna 'des_especificacao' no arquivo CSV." << 1 << 0;
        QTest::newRow("column twice")
            << QByteArray("nro_lote;NRO_LOTE\r\n")
            << "A coluna 'NRO_LOTE' aparece duas vezes no cabeçalho (colunas 1 e 2)." << 1 << 2;
        QTest::newRow("integer")
            << head + "1,5;1;a;;\r\n"
            << "Valor inválido na linha 2, coluna 1 ('nro_lote'): '1,5' não é um número inteiro." << 2 << 1;
        QTest::newRow("smallint range")
            << head + "40000;1;a;;\r\n"
            << "Valor inválido na linha 2, coluna 1 ('nro_lote'): 40000 está fora do "
               "intervalo de -32768 a 32767."
            << 2 << 1;
        QTest::newRow("grouped number")
            << head + "1;1.234,5;a;;\r\n"
            << "Valor inválido na linha 2, coluna 2 ('qtd_produto'): '1.234,5' não é um "
               "número (use vírgula decimal, sem separador de milhar)."
            << 2 << 2;
        QTest::newRow("text too long")
            << head + "1;1;abcdefghijk;;\r\n"
            << "Valor inválido na linha 2, coluna 3 ('des_lote'): o texto tem 11 caracteres; "
               "o campo aceita no máximo 10."
            << 2 << 3;
        QTest::newRow("date after a multi-line cell")
            << head + "1;1;a;\"x\r\ny\";32/01/2009\r\n"
            << "Valor inválido na linha 3, coluna 5 ('dat_processo'): "
               "'32/01/2009' não é uma data dd/mm/aaaa [hh:mm:ss]."
            << 3 << 5;
        QTest::newRow("column count") << head + "1;1;a\r\n"
                                      << "A linha 2 tem 3 colunas; o cabeçalho tem 5." << 2 << 0;
        QTest::newRow("open quote") << head + "1;1;\"a;;\r\n"
                                    << "Aspas sem fechamento na linha 2, coluna 3." << 2 << 3;
        QTest::newRow("text after quote")
            << head + "1;1;\"a\"b;;\r\n"
            << "Texto depois das aspas de fechamento na linha 2, coluna 3." << 2 << 3;
        QTest::newRow("quote left open until a later cell")
            << head + "1;1;a;\"x\r\ny;\r\n2;1;b;\"z\";\r\n"
            << "Aspas sem fechamento na linha 2, coluna 4 (o texto entre aspas se estende até a linha 4)." << 2
            << 4;
        QTest::newRow("quote inside a bare text")
            << head + "1;1;a\"b;;\r\n"
            << "Aspas no meio de um texto sem aspas na linha 2, coluna 3; um texto com aspas deve vir todo "
               "entre aspas, com as aspas internas dobradas."
            << 2 << 3;
        QTest::newRow("NUL in a text") << head + QByteArray("1;1;ALV\0RADA;;\r\n", 16)
                                       << "Caractere de controle (código 0) na linha 2, coluna 3." << 2 << 3;
        QTest::newRow("tab in a quoted text")
            << head + "1;1;a;\"x\r\n\ty\";\r\n"
            << "Caractere de controle (código 9) na linha 3, coluna 4." << 3 << 4;
        QTest::newRow("comma separated")
            << QByteArray("\r\nnro_lote,qtd_produto,des_lote\r\n1,2,a\r\n")
            << "O arquivo CSV usa vírgula (\",\") como separador, na linha 2; o separador deve ser o ponto e "
               "vírgula (\";\")."
            << 2 << 0;
        QTest::newRow("tab separated")
            << QByteArray("nro_lote\tqtd_produto\r\n1\t2\r\n")
            << "O arquivo CSV usa tabulação como separador, na linha 1; o separador deve ser o ponto e "
               "vírgula (\";\")."
            << 1 << 0;
        QTest::newRow("not utf-8") << head + "1;1;a\xE7\xE3o;;\r\n"
                                   << "O arquivo CSV não está em UTF-8 (linha 2)." << 2 << 0;
    }

    void errors() {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        QFETCH(int, line);
        QFETCH(int, column);
        TMemoryDataSet ds;
        Declare(ds);
        try {
            TCsvInterchange::Import(ds, csv);
            QFAIL("imported");
        } catch (const ECsvError& e) {
            QCOMPARE(e.message(), message);
            QCOMPARE(e.line(), line);
            QCOMPARE(e.column(), column);
        }
        QVERIFY(!ds.Active());
        QCOMPARE(ds.AllColumns().size(), std::size_t(5));  // nothing carried from the failed file
    }

    void processFixtureKeepsItsTexts() {
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        TCsvInterchange::ImportFile(ds, QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/processo_exemplo.csv"));
        QCOMPARE(ds.RecordCount(), 10);
        const QString especificacao = ds.FieldByName(QStringLiteral("des_especificacao"))->AsString();
        QVERIFY(
            especificacao.startsWith(QStringLiteral("Papel alcalino, formato 210 x 297 mm, gramatura 75 g/m².\n")));
        QCOMPARE(ds.FieldByName(QStringLiteral("vlr_lance"))->AsFloat(), 4836.5);
        QCOMPARE(ds.FieldByName(QStringLiteral("dat_processo"))->AsDateTime().date(), QDate(2009, 3, 15));
    }
};

QTEST_GUILESS_MAIN(TestCsvInterchange)
#include "tst_csvinterchange.moc"

#include <QTemporaryDir>
#include <QtTest>

#include "dataset/Crc32.h"
#include "dataset/CsvInterchange.h"
#include "dataset/DataPacket.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// One field of every kind; three rows: full values, all nulls, and hard texts.
void MakeEveryKind(TMemoryDataSet& ds) {
    ds.Close();
    ds.ClearFields();
    ds.AddSmallintField(QStringLiteral("pequeno"));
    ds.AddIntegerField(QStringLiteral("inteiro"));
    ds.AddFloatField(QStringLiteral("numero"));
    ds.AddFloatField(QStringLiteral("moeda"), true);
    ds.AddStringField(QStringLiteral("texto"), 500);
    ds.AddBlobField(QStringLiteral("blob"));
    ds.AddMemoField(QStringLiteral("memo"));
    ds.AddDateTimeField(QStringLiteral("data"));
    ds.CreateDataSet();

    ds.Append();
    ds.Fields()[0]->SetAsInteger(-32768);
    ds.Fields()[1]->SetAsInteger(2147483647);
    ds.Fields()[2]->SetAsFloat(0.1 + 0.2);  // needs all 17 digits to come back
    ds.Fields()[3]->SetAsFloat(-1234.5678);
    ds.Fields()[4]->SetAsString(QStringLiteral("Ação; \"aspas\""));
    ds.Fields()[5]->SetAsString(QStringLiteral("linha 1\r\nlinha 2\nlinha 3"));
    ds.Fields()[6]->SetAsString(QStringLiteral("çãé ü ½ €"));
    ds.Fields()[7]->SetAsDateTime(QDateTime(QDate(2009, 3, 15), QTime(14, 30, 5)));
    ds.Post();

    ds.Append();  // every value null
    ds.Post();

    ds.Append();
    ds.Fields()[0]->SetAsInteger(0);
    ds.Fields()[2]->SetAsFloat(1e-9);
    ds.Fields()[4]->SetAsString(QString(500, u'é'));
    ds.Fields()[5]->SetAsString(QString(2000, u'x') + QStringLiteral("\n;\"fim\""));
    ds.Fields()[7]->SetAsDateTime(QDateTime(QDate(2010, 8, 2), QTime(0, 0)));
    ds.Post();
}

QStringList Dump(TMemoryDataSet& ds) {
    QStringList out;
    for (const TField* f : ds.AllColumns()) {
        out << f->FieldName() + u':' + FieldTypeName(f->DataType()) + u':' + QString::number(f->Size());
    }
    for (int r = 0; r < ds.StoredRowCount(); ++r) {
        QStringList row;
        for (std::size_t c = 0; c < ds.AllColumns().size(); ++c) {
            const TFieldValue v = ds.StoredValue(r, static_cast<int>(c));
            if (IsNullValue(v)) {
                row << QStringLiteral("<null>");
            } else if (const auto* f = std::get_if<double>(&v)) {
                row << QString::number(*f, 'g', 17);
            } else {
                row << ds.AllColumns()[c]->TextOf(v);
            }
        }
        out << row.join(u'|');
    }
    return out;
}

QString LoadError(TMemoryDataSet& ds, const QByteArray& bytes) {
    try {
        ds.LoadFromBytes(bytes);
    } catch (const EDataSetError& e) {
        return e.message();
    }
    return QStringLiteral("<carregou>");
}

}  // namespace

class TestDataPacket : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void everyKindRoundTripsThroughThePacket() {
        TMemoryDataSet source;
        MakeEveryKind(source);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("todos.PRO"));
        source.SaveToFile(path);
        source.SaveToFile(path);  // an existing file is overwritten

        TMemoryDataSet loaded;  // no declared fields: they come from the file
        loaded.LoadFromFile(path);
        QVERIFY(loaded.DefaultFields());
        QCOMPARE(Dump(loaded), Dump(source));
        QCOMPARE(loaded.RecNo(), 1);
        auto* moeda = dynamic_cast<TFloatField*>(loaded.FieldByName(QStringLiteral("moeda")));
        QVERIFY(moeda && moeda->Currency());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("todos.PRO")});  // no leftovers
    }

    void everyKindRoundTripsThroughCsv() {
        TMemoryDataSet source;
        MakeEveryKind(source);
        const QByteArray csv = TCsvInterchange::Export(source);
        TMemoryDataSet back;
        MakeEveryKind(back);
        TCsvInterchange::Import(back, csv);
        QCOMPARE(Dump(back), Dump(source));
        QCOMPARE(TCsvInterchange::Export(back), csv);
    }

    void saveIgnoresTheFilterAndKeepsCurrentValues() {
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        ds.CreateDataSet();
        for (int lote : {1, 2}) {
            ds.Append();
            ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(lote);
            ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(1);
            ds.Post();
        }
        ds.SetFilter(QStringLiteral("nro_lote = 2"));
        ds.SetFiltered(true);
        ds.Edit();
        ds.FieldByName(QStringLiteral("des_marca"))->SetAsString(QStringLiteral("Marca"));
        const QByteArray bytes = ds.SaveToBytes();  // posts the pending edit
        TMemoryDataSet loaded;
        ProposalSchema::DeclareProcesso(loaded);
        loaded.LoadFromBytes(bytes);
        QCOMPARE(loaded.RecordCount(), 2);
        QVERIFY(loaded.Locate(QStringLiteral("des_marca"), QStringLiteral("Marca")));
        QCOMPARE(loaded.FieldByName(QStringLiteral("nro_lote"))->AsInteger(), 2);
    }

    void undeclaredColumnsAreCarried() {
        // A process file from a newer back office with one more column.
        TMemoryDataSet wide;
        ProposalSchema::DeclareProcesso(wide);
        wide.AddStringField(QStringLiteral("obs_orgao"), 40);
        wide.CreateDataSet();
        wide.Append();
        wide.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(1);
        wide.FieldByName(QStringLiteral("obs_orgao"))->SetAsString(QStringLiteral("manter"));
        wide.Post();

        TMemoryDataSet processo;
        ProposalSchema::DeclareProcesso(processo);
        processo.LoadFromBytes(wide.SaveToBytes());
        QCOMPARE(processo.FieldCount(), 30);
        QVERIFY(!processo.FindField(QStringLiteral("obs_orgao")));
        processo.Edit();
        processo.FieldByName(QStringLiteral("flg_encerrado"))->SetAsString(QStringLiteral("1"));
        processo.Post();

        TMemoryDataSet back;
        back.LoadFromBytes(processo.SaveToBytes());
        QCOMPARE(back.FieldByName(QStringLiteral("obs_orgao"))->AsString(), QStringLiteral("manter"));
        QCOMPARE(back.FieldByName(QStringLiteral("obs_orgao"))->Size(), 40);
        QCOMPARE(back.FieldByName(QStringLiteral("flg_encerrado"))->AsString(), QStringLiteral("1"));
    }

    void badFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("declared");  // load into the process schema
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "empty.KPZ" << false << "O arquivo está vazio.";
        QTest::newRow("wrong magic") << "wrong_magic.KPZ" << false
                                     << "O arquivo não é um pacote de dados do Quorin (assinatura inválida).";
        QTest::newRow("newer version")
            << "newer_version.KPZ" << false
            << "O arquivo foi gravado numa versão mais nova do formato (versão 2); este "
               "programa lê até a versão 1.";
        QTest::newRow("flipped checksum") << "flipped_checksum.KPZ" << false
                                          << "O arquivo está corrompido: a soma de verificação não confere.";
        QTest::newRow("absurd payload length")
            << "absurd_payload_length.KPZ" << false << "O arquivo está incompleto (truncado).";
        QTest::newRow("absurd text length")
            << "absurd_text_length.KPZ" << false
            << "O arquivo está corrompido: tamanho de texto inválido no registro 1, "
               "campo 'des_lote'.";
        QTest::newRow("absurd row count")
            << "absurd_row_count.KPZ" << false
            << "O arquivo está corrompido: quantidade de registros inválida (4294967295).";
        QTest::newRow("absurd field count")
            << "absurd_field_count.KPZ" << false
            << "O arquivo está corrompido: quantidade de campos inválida (65535).";
        QTest::newRow("repeat in first row")
            << "repeat_in_first_row.KPZ" << false
            << "O arquivo está corrompido: repetição no primeiro registro, campo "
               "'nro_lote'.";
        QTest::newRow("declared field missing")
            << "missing_field.KPZ" << true << "O campo 'nro_item' não existe no arquivo.";
        QTest::newRow("no such file") << "nao_existe.KPZ" << false
                                      << "Não foi possível ler o arquivo \"" QUORIN_TEST_DATA_DIR
                                         "/nao_existe.KPZ\": o arquivo não existe.";
    }

    void badFiles() {
        QFETCH(QString, file);
        QFETCH(bool, declared);
        QFETCH(QString, message);
        TMemoryDataSet ds;
        if (declared) {
            ProposalSchema::DeclareProcesso(ds);
        }
        try {
            ds.LoadFromFile(QStringLiteral(QUORIN_TEST_DATA_DIR "/") + file);
            QFAIL("loaded");
        } catch (const EDataSetError& e) {
            QCOMPARE(e.message(), message);
        }
        QVERIFY(!ds.Active());
        QCOMPARE(ds.FieldCount(), declared ? 30 : 0);
    }

    // A file is written and read a piece at a time: a text longer than a piece, accents across
    // the pieces' edges, and a file changed in place between the checksum and the
    // decoding is refused rather than read as something else.
    void filesAreReadInPieces() {
        QString longText;
        for (int i = 0; i < 300000; ++i) {
            longText += QStringLiteral("ação ");
        }
        TMemoryDataSet source;
        source.AddIntegerField(QStringLiteral("n"));
        source.AddMemoField(QStringLiteral("texto"));
        source.CreateDataSet();
        for (int i = 0; i < 3; ++i) {
            source.Append();
            source.FieldByName(QStringLiteral("n"))->SetAsInteger(i);
            source.FieldByName(QStringLiteral("texto"))->SetAsString(i == 1 ? longText : QStringLiteral("curto"));
            source.Post();
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("longo.PRO"));
        source.SaveToFile(path);  // written in pieces too: the same bytes as in memory
        {
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll() == source.SaveToBytes());
        }
        TMemoryDataSet loaded;
        loaded.LoadFromFile(path);
        QCOMPARE(Dump(loaded), Dump(source));

        TDataPacket packet = TDataPacket::FromFile(path);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 at = file.readAll().lastIndexOf("ação ação") + 1;  // past the first piece
            QVERIFY(file.seek(at));
            file.write("b");  // "abão": still a text, no longer the one the checksum covered
        }
        TRowStore rows({TFieldType::ftInteger, TFieldType::ftMemo});
        try {
            packet.ReadRows({0, 1}, {}, rows);
            QFAIL("read a changed file");
        } catch (const EDataSetError& e) {
            QCOMPARE(e.message(), QStringLiteral("O arquivo foi alterado enquanto era lido; abra-o novamente."));
        }
    }

    void everyTruncationIsACleanError() {
        TMemoryDataSet source;
        MakeEveryKind(source);
        const QByteArray bytes = source.SaveToBytes();
        TMemoryDataSet ds;
        QCOMPARE(LoadError(ds, QByteArray()), QStringLiteral("O arquivo está vazio."));
        for (qsizetype n = 1; n < bytes.size(); ++n) {
            const QString error = LoadError(ds, bytes.left(n));
            if (error != QStringLiteral("O arquivo está incompleto (truncado).")) {
                QFAIL(qPrintable(QStringLiteral("%1 bytes: %2").arg(n).arg(error)));
            }
        }
        QCOMPARE(LoadError(ds, bytes + QByteArray(1, 'x')),
                 QStringLiteral("O arquivo está corrompido: há bytes a mais depois dos dados."));
        QCOMPARE(LoadError(ds, bytes), QStringLiteral("<carregou>"));
    }

    // A valid packet of 2^25 + 1 null values: refused before anything is allocated for its rows.
    void tooManyValuesAreRefused() {
        auto put = [](QByteArray& out, quint64 v, int bytes) {
            for (int i = 0; i < bytes; ++i) {
                out.append(char((v >> (8 * i)) & 0xFF));
            }
        };
        const quint32 rows = quint32(TDataPacket::MaxValues) + 1;
        QByteArray payload;
        put(payload, 1, 2);  // one field: smallint, no flags, no size, named "a"
        put(payload, quint8(TFieldType::ftSmallint), 1);
        put(payload, 0, 1);
        put(payload, 0, 4);
        put(payload, 1, 2);
        payload.append('a');
        put(payload, rows, 4);
        payload.append(QByteArray(qsizetype(rows), '\0'));  // every value null
        QByteArray file(TDataPacket::Magic, 8);
        put(file, TDataPacket::Version, 2);
        put(file, 0, 2);
        put(file, quint64(payload.size()), 8);
        put(file, Crc32(payload.constData(), size_t(payload.size())), 4);
        file += payload;
        TMemoryDataSet ds;
        QCOMPARE(LoadError(ds, file),
                 QStringLiteral(
                     "O arquivo tem valores demais (67108865 registros de 1 campos) para ser carregado."));
    }

    void kindMismatchNamesTheField() {
        TMemoryDataSet other;
        other.AddStringField(QStringLiteral("nro_lote"), 5);
        other.CreateDataSet();
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        QCOMPARE(
            LoadError(ds, other.SaveToBytes()),
            QStringLiteral(
                "O campo 'nro_lote' está gravado no arquivo como texto, mas deveria ser inteiro curto."));
    }

    void saveFailureIsReported() {
        TMemoryDataSet ds;
        MakeEveryKind(ds);
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.SaveToFile(QStringLiteral("/nao/existe/pasta/x.PRO")));
    }
};

QTEST_GUILESS_MAIN(TestDataPacket)
#include "tst_datapacket.moc"

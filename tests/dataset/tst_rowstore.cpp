#include <QtTest>
#include <atomic>
#include <cmath>
#include <thread>

#include "dataset/DataSetError.h"
#include "dataset/RowStore.h"
#include "dataset/TMemoryDataSet.h"

using namespace quorin;

class TestRowStore : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Texts kept as UTF-8 must still order by UTF-16 code unit, as QString does:
    // U+FFFD sorts after a character beyond U+FFFF in UTF-8 but before it in UTF-16.
    void textsOrderAsQStringDoes_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("beyond U+FFFF against U+FFFD") << QStringLiteral("x\U0001F600") << QStringLiteral("x\uFFFD");
        QTest::newRow("private use against a pair") << QStringLiteral("\uE000") << QStringLiteral("\U00010000");
        QTest::newRow("two pairs") << QStringLiteral("\U0001F600") << QStringLiteral("\U0001F601");
        QTest::newRow("prefix") << QStringLiteral("AÇÚ") << QStringLiteral("AÇÚCAR");
        QTest::newRow("accents") << QStringLiteral("É") << QStringLiteral("Z");
        QTest::newRow("equal") << QStringLiteral("ÓLEO") << QStringLiteral("ÓLEO");
        QTest::newRow("empty against text") << QString() << QStringLiteral("a");
    }
    void textsOrderAsQStringDoes() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        TRowStore rows({TFieldType::ftString});
        rows.SetValue(rows.AddRow(), 0, a);
        rows.SetValue(rows.AddRow(), 0, b);
        const int expected = QString::compare(a, b) < 0 ? -1 : (QString::compare(a, b) > 0 ? 1 : 0);
        QCOMPARE(rows.Compare(0, 1, 0), expected);
        QCOMPARE(rows.Compare(1, 0, 0), -expected);
        QCOMPARE(rows.Compare(0, 0, TCellProbe(b, TFieldType::ftString)), expected);
        QCOMPARE(CompareFieldValues(a, b), expected);
    }

    // Every kind keeps its value, null stays apart from zero and from an empty text,
    // and a byte order mark that starts a text is part of it.
    void valuesComeBackAsStored() {
        TRowStore rows({TFieldType::ftSmallint, TFieldType::ftFloat, TFieldType::ftString, TFieldType::ftBlob,
                        TFieldType::ftDateTime});
        const uint32_t set = rows.AddRow();
        const uint32_t nulls = rows.AddRow();
        rows.SetValue(set, 0, int32_t(-7));
        rows.SetValue(set, 1, int32_t(3));  // an integer into a number column
        rows.SetValue(set, 2, QStringLiteral("\uFEFFmarca"));
        rows.SetValue(set, 3, QStringLiteral("ç"));  // a text into a blob column, as UTF-8
        rows.SetValue(set, 4, -0.0);
        QCOMPARE(rows.Value(set, 0), TFieldValue(int32_t(-7)));
        QCOMPARE(rows.Value(set, 1), TFieldValue(3.0));
        QCOMPARE(rows.Value(set, 2), TFieldValue(QStringLiteral("\uFEFFmarca")));
        QCOMPARE(rows.Value(set, 3), TFieldValue(QByteArray("\xC3\xA7")));
        QVERIFY(std::signbit(std::get<double>(rows.Value(set, 4))));
        for (int c = 0; c < rows.ColumnCount(); ++c) {
            QVERIFY(rows.IsNull(nulls, c));
            QVERIFY(IsNullValue(rows.Value(nulls, c)));
        }
        rows.SetValue(nulls, 2, QString());
        QVERIFY(!rows.IsNull(nulls, 2));
        QVERIFY(!rows.Same(nulls, set, 2));
        rows.ClearRow(set);
        QVERIFY(rows.IsNull(set, 0) && rows.IsNull(set, 2));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, rows.SetValue(set, 0, QStringLiteral("12")));
    }

    // A text repeated on every row, as the process header is, is kept once.
    void repeatedTextsAreKeptOnce() {
        const QString header = QStringLiteral("PREFEITURA MUNICIPAL DE SANTA RITA DO VALE");
        TRowStore rows({TFieldType::ftString, TFieldType::ftMemo});
        for (int i = 0; i < 1000; ++i) {
            const uint32_t r = rows.AddRow();
            rows.SetValue(r, 0, QString(header));  // a copy of its own each time
            if (r == 0) {
                rows.SetValue(r, 1, QStringLiteral("especificação"));
            } else {
                rows.CopyValue(r - 1, r, 1);
            }
        }
        QCOMPARE(rows.TextBytes(), std::size_t(header.toUtf8().size() + QByteArray("especificação").size()));
        QCOMPARE(rows.Value(999, 0), TFieldValue(header));
        QCOMPARE(rows.Value(999, 1), TFieldValue(QStringLiteral("especificação")));
    }

    // The data set's rows through a file and back keep the sharing and every value,
    // a negative zero after a zero included (a repeat is a repeat bit for bit).
    void dataSetKeepsTextsSharedThroughAFile() {
        TMemoryDataSet ds;
        ds.AddIntegerField(QStringLiteral("n"));
        ds.AddStringField(QStringLiteral("t"), 40);
        ds.AddFloatField(QStringLiteral("v"));
        ds.CreateDataSet();
        for (int i = 0; i < 500; ++i) {
            ds.Append();
            ds.FieldByName(QStringLiteral("n"))->SetAsInteger(i);
            ds.FieldByName(QStringLiteral("t"))->SetAsString(QStringLiteral("MENOR PREÇO POR LOTE"));
            ds.FieldByName(QStringLiteral("v"))->SetAsFloat(i == 499 ? -0.0 : 0.0);
            ds.Post();
        }
        TMemoryDataSet back;
        back.LoadFromBytes(ds.SaveToBytes());
        QCOMPARE(back.RecordCount(), 500);
        QCOMPARE(back.Rows().TextBytes(), std::size_t(QByteArray("MENOR PREÇO POR LOTE").size()));
        back.Last();
        QCOMPARE(back.FieldByName(QStringLiteral("t"))->AsString(), QStringLiteral("MENOR PREÇO POR LOTE"));
        QCOMPARE(back.FieldByName(QStringLiteral("n"))->AsInteger(), 499);
        QVERIFY(std::signbit(back.FieldByName(QStringLiteral("v"))->AsFloat()));
    }

    // A row appended with the text of another data set's row stores what
    // SetAsString(AsString()) stores, cut where QString::left cuts, and keeps the
    // source's bytes instead of a copy whenever the text is those bytes.
    void textOfAnotherRowIsKeptNotCopied_data() {
        QTest::addColumn<int>("sourceKind");          // TFieldType
        QTest::addColumn<QByteArray>("sourceBytes");  // empty with null: a null value
        QTest::addColumn<bool>("null");
        QTest::addColumn<int>("targetKind");
        QTest::addColumn<int>("targetSize");
        QTest::addColumn<bool>("kept");
        const int str = int(TFieldType::ftString);
        const int blob = int(TFieldType::ftBlob);
        const QByteArray accents = QStringLiteral("AÇÚCAR CRISTAL, PACOTE DE 5 KG").toUtf8();
        const QByteArray pair = QStringLiteral("ab\U0001F600c").toUtf8();
        QTest::newRow("text into text") << str << accents << false << str << 100 << true;
        QTest::newRow("cut after an accent") << str << accents << false << str << 3 << true;
        QTest::newRow("text into blob") << str << accents << false << blob << 0 << true;
        QTest::newRow("byte order mark first")
            << str << QByteArray("\xEF\xBB\xBFmarca") << false << str << 3 << true;
        QTest::newRow("cut after a pair") << str << pair << false << str << 4 << true;
        QTest::newRow("cut inside a pair is copied") << str << pair << false << str << 3 << false;
        QTest::newRow("blob of UTF-8 into text") << blob << accents << false << str << 10 << true;
        QTest::newRow("blob not UTF-8 is copied")
            << blob << QByteArray("a\xFF\xFE b") << false << str << 10 << false;
        QTest::newRow("empty text stores null") << str << QByteArray() << false << str << 10 << true;
        QTest::newRow("null stores null") << str << QByteArray() << true << blob << 0 << true;
    }
    void textOfAnotherRowIsKeptNotCopied() {
        QFETCH(int, sourceKind);
        QFETCH(QByteArray, sourceBytes);
        QFETCH(bool, null);
        QFETCH(int, targetKind);
        QFETCH(int, targetSize);
        QFETCH(bool, kept);
        TMemoryDataSet source;
        TField* from = source.AddField(QStringLiteral("de"), TFieldType(sourceKind), 500);
        source.CreateDataSet();
        source.Append();
        if (!null) {
            source.SetActiveValue(0, TFieldType(sourceKind) == TFieldType::ftBlob
                                         ? TFieldValue(sourceBytes)
                                         : TFieldValue(QString::fromUtf8(sourceBytes)));
        }
        source.Post();
        // The same row filled by hand and by sharing.
        TMemoryDataSet copied;
        TMemoryDataSet shared;
        for (TMemoryDataSet* ds : {&copied, &shared}) {
            TField* to = ds->AddField(QStringLiteral("para"), TFieldType(targetKind), targetSize);
            ds->CreateDataSet();
            ds->Append();
            if (ds == &copied) {
                to->SetAsString(from->AsString());
            } else {
                to->SetAsTextOf(*from);
                if (kept) {
                    QCOMPARE(to->Value(), copied.Fields()[0]->Value());  // before Post too
                }
            }
            ds->Post();
        }
        QCOMPARE(shared.Fields()[0]->Value(), copied.Fields()[0]->Value());
        QCOMPARE(shared.Fields()[0]->IsNull(), copied.Fields()[0]->IsNull());
        const bool copiedBytes = shared.Rows().TextBytes() > 0;
        QCOMPARE(copiedBytes, !kept && !copied.Fields()[0]->IsNull());
    }

    // Bytes another store keeps stay as they were while the store that made
    // them goes on storing texts, and after it is emptied: a report's rows are
    // read on the generation thread while the process rows change on another.
    void sharedTextsOutliveAndIgnoreTheirSource() {
        TMemoryDataSet source;
        TField* from = source.AddStringField(QStringLiteral("t"), 100);
        source.CreateDataSet();
        TMemoryDataSet kept;
        TField* to = kept.AddStringField(QStringLiteral("t"), 100);
        kept.CreateDataSet();
        const auto text = [](int i) { return QStringLiteral("PRODUTO %1 DESCRIÇÃO DO ITEM").arg(i); };
        for (int i = 0; i < 300; ++i) {
            source.Append();
            from->SetAsString(text(i));
            source.Post();
            kept.Append();
            to->SetAsTextOf(*from);
            kept.Post();
        }
        QCOMPARE(kept.Rows().TextBytes(), std::size_t(0));
        std::atomic<bool> done{false};
        bool same = true;
        std::thread reader([&] {
            while (!done) {
                for (int i = 0; i < 300; ++i) {
                    same = same && kept.Rows().Value(uint32_t(i), 0) == TFieldValue(text(i));
                }
            }
        });
        for (int i = 300; i < 5000; ++i) {
            source.Append();
            from->SetAsString(text(i).toLower());
            source.Post();
        }
        source.Close();
        done = true;
        reader.join();
        QVERIFY(same);
        kept.Last();
        QCOMPARE(to->AsString(), text(299));
    }
};

QTEST_GUILESS_MAIN(TestRowStore)
#include "tst_rowstore.moc"

#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <thread>

#include "dataset/DataSetError.h"
#include "dataset/RowStore.h"
#include "dataset/TMemoryDataSet.h"

using namespace quorin;

namespace {

// A source of five rows of every kind, with what a case changes in it.
struct TSource {
    TMemoryDataSet ds;
    TSource(const QString& variant) {
        ds.AddSmallintField(QStringLiteral("i"));
        ds.AddIntegerField(QStringLiteral("n"));
        ds.AddFloatField(QStringLiteral("f"));
        ds.AddDateTimeField(QStringLiteral("d"));
        ds.AddStringField(QStringLiteral("t"), 40);
        ds.AddBlobField(QStringLiteral("b"));
        ds.AddIntegerField(QStringLiteral("k"));
        if (variant == QStringLiteral("index reorders"))
            ds.SetIndexFieldNames(QStringLiteral("n"));
        ds.CreateDataSet();
        for (int r = 1; r <= 5; ++r) {
            ds.Append();
            ds.SetActiveValue(0, int32_t(r));
            ds.SetActiveValue(1, int32_t(variant == QStringLiteral("index reorders") ? 600 - 100 * r : 100 * r));
            ds.SetActiveValue(2, r + 0.25);
            ds.SetActiveValue(3, 40000.5 + r);
            ds.SetActiveValue(4, QStringLiteral("TEXTO AÇÃO %1").arg(r));
            ds.SetActiveValue(5, QStringLiteral("especificação %1").arg(r).toUtf8());
            ds.SetActiveValue(6, int32_t(1));
            if (variant == QStringLiteral("one value"))
                ds.SetActiveValue(1, int32_t(7));
            if (variant == QStringLiteral("a null integer") && r == 2)
                ds.SetActiveValue(1, TFieldValue{});
            if (variant == QStringLiteral("null numbers"))
                ds.SetActiveValue(2, TFieldValue{});
            if (variant == QStringLiteral("long text") && r == 3)
                ds.SetActiveValue(4, QStringLiteral("UM TEXTO BEM MAIS LONGO QUE O CAMPO"));
            if (variant == QStringLiteral("cut inside a pair") && r == 3)
                ds.SetActiveValue(4, QStringLiteral("AB\U0001F600C"));
            if (variant == QStringLiteral("empty text") && r == 4)
                ds.SetActiveValue(4, QStringLiteral(""));
            if (variant == QStringLiteral("blob not UTF-8") && r == 5)
                ds.SetActiveValue(5, QByteArray("a\xFF\xFE"));
            if (variant == QStringLiteral("time below a millisecond") && r == 1)
                ds.SetActiveValue(3, 40000.123456789);
            ds.Post();
        }
        if (variant == QStringLiteral("filtered, every row shown")) {
            ds.SetFilter(QStringLiteral("k = 1"));
            ds.SetFiltered(true);
        }
        ds.First();
        if (variant == QStringLiteral("cursor on the second row"))
            ds.Next();
    }
};

// The report-like target: each field filled from a source field in its own way.
struct TTarget {
    TMemoryDataSet ds;
    std::vector<TColumnCopy> copies;
    explicit TTarget(const TMemoryDataSet& from, int textSize) {
        auto field = [&](const char* name) { return from.FieldByName(QString::fromLatin1(name)); };
        copies = {
            {ds.AddIntegerField(QStringLiteral("I")), field("i"), TCopyAs::Integer, {}},
            {ds.AddIntegerField(QStringLiteral("N")), field("n"), TCopyAs::Integer, {}},
            {ds.AddFloatField(QStringLiteral("F")), field("f"), TCopyAs::Float, {}},
            {ds.AddDateTimeField(QStringLiteral("D")), field("d"), TCopyAs::DateTime, {}},
            {ds.AddStringField(QStringLiteral("T"), textSize), field("t"), TCopyAs::Text, {}},
            {ds.AddBlobField(QStringLiteral("B")), field("t"), TCopyAs::Text, {}},
            {ds.AddStringField(QStringLiteral("E"), 40), field("b"), TCopyAs::Text, {}},
            {ds.AddFloatField(QStringLiteral("G")), field("n"), TCopyAs::Float, {}},
            {ds.AddStringField(QStringLiteral("H"), 10), nullptr, TCopyAs::Text, QStringLiteral("CABEÇALHO LONGO")},
        };
        ds.AddIntegerField(QStringLiteral("Z"));  // never assigned
        ds.SetIndexFieldNames(QStringLiteral("I"));
        ds.CreateDataSet();
    }
};

// What the copy does row by row, written out.
void CopyRowByRow(TMemoryDataSet& target, const std::vector<TColumnCopy>& copies, TMemoryDataSet& source) {
    while (!source.Eof()) {
        target.Append();
        for (const TColumnCopy& c : copies) {
            if (!c.source)
                c.target->SetAsString(c.text);
            else if (c.as == TCopyAs::Text)
                c.target->SetAsTextOf(*c.source);
            else if (c.as == TCopyAs::Integer)
                c.target->SetAsInteger(c.source->AsInteger());
            else if (c.as == TCopyAs::Float)
                c.target->SetAsFloat(c.source->AsFloat());
            else
                c.target->SetAsDateTime(c.source->AsDateTime());
        }
        target.Post();
        source.Next();
    }
}

void PrepareTarget(TMemoryDataSet& target, const QString& variant) {
    if (variant == QStringLiteral("target has a row")) {
        target.Append();
        target.SetActiveValue(0, int32_t(9));
        target.Post();
    }
    if (variant == QStringLiteral("target filtered")) {
        target.SetFilter(QStringLiteral("I = 3"));
        target.SetFiltered(true);
    }
}

}  // namespace

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

    // A copy from another data set stores what the copy row by row stores,
    // leaves both cursors where it leaves them and scrolls the source as often;
    // it keeps a whole column of the source instead of copying it exactly when
    // every value arrives unchanged and the source shows its rows as stored.
    void columnCopiesArriveAsTheRowCopyStoresThem_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<int>("textSize");
        QTest::addColumn<QString>("kept");  // target fields keeping the source's column
        const QString all = QStringLiteral("I N F D T B E");
        QTest::newRow("every column arrives unchanged") << QString() << 40 << all;
        QTest::newRow("one value on every row") << QStringLiteral("one value") << 40 << QStringLiteral("I F D T B E");
        QTest::newRow("a null integer arrives as 0")
            << QStringLiteral("a null integer") << 40 << QStringLiteral("I F D T B E");
        QTest::newRow("null numbers arrive as 0") << QStringLiteral("null numbers") << 40
                                                  << QStringLiteral("I N D T B E");
        QTest::newRow("a text cut by the field") << QStringLiteral("long text") << 12
                                                 << QStringLiteral("I N F D B E");
        QTest::newRow("a cut inside a pair") << QStringLiteral("cut inside a pair") << 3
                                             << QStringLiteral("I N F D B E");
        QTest::newRow("an empty text arrives as null")
            << QStringLiteral("empty text") << 40 << QStringLiteral("I N F D E");
        QTest::newRow("a blob that is not UTF-8") << QStringLiteral("blob not UTF-8") << 40
                                                  << QStringLiteral("I N F D T B");
        QTest::newRow("a time below a millisecond")
            << QStringLiteral("time below a millisecond") << 40 << QStringLiteral("I N F T B E");
        QTest::newRow("filtered source") << QStringLiteral("filtered, every row shown") << 40 << QString();
        QTest::newRow("source index reorders") << QStringLiteral("index reorders") << 40 << QString();
        QTest::newRow("source cursor not on the first")
            << QStringLiteral("cursor on the second row") << 40 << QString();
        QTest::newRow("target has a row") << QStringLiteral("target has a row") << 40 << QString();
        QTest::newRow("target filtered") << QStringLiteral("target filtered") << 40 << QString();
    }
    void columnCopiesArriveAsTheRowCopyStoresThem() {
        QFETCH(QString, variant);
        QFETCH(int, textSize);
        QFETCH(QString, kept);
        TSource bySource(variant);
        TSource byRowSource(variant);
        TTarget copied(bySource.ds, textSize);
        TTarget byRow(byRowSource.ds, textSize);
        PrepareTarget(copied.ds, variant);
        PrepareTarget(byRow.ds, variant);
        QSignalSpy scrolls(&bySource.ds, &TMemoryDataSet::AfterScroll);
        QSignalSpy byRowScrolls(&byRowSource.ds, &TMemoryDataSet::AfterScroll);
        copied.ds.AppendCopiesOf(bySource.ds, copied.copies);
        CopyRowByRow(byRow.ds, byRow.copies, byRowSource.ds);

        QCOMPARE(scrolls.count(), byRowScrolls.count());
        QCOMPARE(bySource.ds.RecNo(), byRowSource.ds.RecNo());
        QCOMPARE(bySource.ds.Eof(), byRowSource.ds.Eof());
        QCOMPARE(copied.ds.StoredRowCount(), byRow.ds.StoredRowCount());
        QCOMPARE(copied.ds.RecordCount(), byRow.ds.RecordCount());
        QCOMPARE(copied.ds.RecNo(), byRow.ds.RecNo());
        QCOMPARE(copied.ds.Eof(), byRow.ds.Eof());
        QCOMPARE(copied.ds.Bof(), byRow.ds.Bof());
        for (int p = 0; p < copied.ds.StoredRowCount(); ++p) {
            for (int c = 0; c < copied.ds.FieldCount(); ++c) {
                const TFieldValue a = copied.ds.StoredValue(p, c);
                const TFieldValue b = byRow.ds.StoredValue(p, c);
                QVERIFY2(a == b, qPrintable(QStringLiteral("row %1, %2").arg(p).arg(copied.ds.Fields()[c]->FieldName())));
            }
        }
        QStringList keeps;
        for (const TColumnCopy& c : copied.copies) {
            if (c.source && copied.ds.Rows().SameColumn(c.target->Index(), bySource.ds.Rows(), c.source->Index()))
                keeps << c.target->FieldName();
        }
        QCOMPARE(keeps.join(u' '), kept);
    }

    // Rows that keep another data set's columns keep their values while either
    // side is written to, rows are added and the source is emptied, with a
    // thread reading them all the while (the generation thread reads the
    // report's rows while the process rows change or go).
    void keptColumnsOutliveAndIgnoreTheirSource() {
        TSource source{QString()};
        TTarget target(source.ds, 40);
        target.ds.AppendCopiesOf(source.ds, target.copies);
        QVERIFY(target.ds.Rows().SameColumn(4, source.ds.Rows(), 4));
        std::vector<std::vector<TFieldValue>> before;
        for (int p = 0; p < 5; ++p) {
            before.emplace_back();
            for (int c = 0; c < target.ds.FieldCount(); ++c) before.back().push_back(target.ds.StoredValue(p, c));
        }
        std::atomic<bool> done{false};
        bool same = true;
        const TRowStore& rows = target.ds.Rows();
        std::thread reader([&] {
            while (!done) {
                for (uint32_t r = 0; r < 5; ++r) {
                    for (int c = 0; c < rows.ColumnCount(); ++c)
                        same = same && rows.Value(r, c) == before[r][size_t(c)];
                }
            }
        });
        for (int round = 0; round < 50; ++round) {
            source.ds.First();
            source.ds.Edit();
            source.ds.FieldByName(QStringLiteral("t"))->SetAsString(QStringLiteral("OUTRO %1").arg(round));
            source.ds.FieldByName(QStringLiteral("n"))->SetAsInteger(round);
            source.ds.Post();
            source.ds.Append();
            source.ds.FieldByName(QStringLiteral("i"))->SetAsInteger(10 + round);
            source.ds.Post();
        }
        source.ds.Close();
        done = true;
        reader.join();
        QVERIFY(same);

        // Written to, the target's own columns change and nothing else: a kept
        // column, a column of one value, a new row.
        TSource again{QString()};
        TTarget other(again.ds, 40);
        other.ds.AppendCopiesOf(again.ds, other.copies);
        other.ds.First();
        other.ds.Edit();
        other.ds.FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("MUDOU"));
        other.ds.FieldByName(QStringLiteral("H"))->SetAsString(QStringLiteral("OUTRO"));
        other.ds.Post();
        other.ds.Append();
        other.ds.FieldByName(QStringLiteral("I"))->SetAsInteger(99);
        other.ds.Post();
        again.ds.First();
        QCOMPARE(again.ds.FieldByName(QStringLiteral("t"))->AsString(), QStringLiteral("TEXTO AÇÃO 1"));
        QCOMPARE(other.ds.StoredValue(0, 4), TFieldValue(QStringLiteral("MUDOU")));
        QCOMPARE(other.ds.StoredValue(0, 8), TFieldValue(QStringLiteral("OUTRO")));
        for (int p = 1; p < 5; ++p) {
            QCOMPARE(other.ds.StoredValue(p, 4), TFieldValue(QStringLiteral("TEXTO AÇÃO %1").arg(p + 1)));
            QCOMPARE(other.ds.StoredValue(p, 8), TFieldValue(QStringLiteral("CABEÇALHO ")));
        }
        QCOMPARE(other.ds.StoredRowCount(), 6);
        QCOMPARE(again.ds.StoredRowCount(), 5);
        QVERIFY(IsNullValue(other.ds.StoredValue(5, 8)));
    }

    // Columns kept from other stores must have their rows and their form.
    void keptColumnsMustFit() {
        TRowStore numbers({TFieldType::ftSmallint, TFieldType::ftString});
        numbers.AddRow();
        QVERIFY_THROWS_EXCEPTION(EDataSetError,
                                 TRowStore::FromColumns(1, {TFieldType::ftFloat}, {{&numbers, 0, {}}}));
        QVERIFY_THROWS_EXCEPTION(EDataSetError,
                                 TRowStore::FromColumns(2, {TFieldType::ftInteger}, {{&numbers, 0, {}}}));
        const TRowStore kept =
            TRowStore::FromColumns(1, {TFieldType::ftInteger, TFieldType::ftBlob, TFieldType::ftString},
                                   {{&numbers, 0, {}}, {&numbers, 1, {}}, {nullptr, -1, QByteArray("a\xFF")}});
        QCOMPARE(kept.RowCount(), 1u);
        QVERIFY(kept.IsNull(0, 0));
        QCOMPARE(kept.Bytes(0, 2), QByteArrayView("a\xFF"));
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

#include <QSignalSpy>
#include <QtTest>

#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// Lots 1..3 with items given in a scrambled order, so the index has work to do.
void FillItems(TMemoryDataSet& ds, const QList<QPair<int, int>>& items) {
    for (const auto& [lote, item] : items) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(lote);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(item);
        ds.FieldByName(QStringLiteral("des_lote"))->SetAsString(QStringLiteral("L%1-%2").arg(lote).arg(item));
        ds.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(lote * 10 + item);
        ds.Post();
    }
}

QString Keys(TMemoryDataSet& ds) {
    QStringList out;
    const TBookmark bm = ds.GetBookmark();
    for (int r = 1; r <= ds.RecordCount(); ++r) {
        out << ds.FieldByName(QStringLiteral("nro_lote"))->DisplayTextAt(r) + u'.' +
                   ds.FieldByName(QStringLiteral("nro_item"))->DisplayTextAt(r);
    }
    Q_UNUSED(bm);
    return out.join(u' ');
}

}  // namespace

class TestMemoryDataSet : public QObject {
    Q_OBJECT

    TMemoryDataSet ds;

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void init() {
        ds.Close();
        ds.SetFiltered(false);
        ds.SetFilter(QString());
        ProposalSchema::DeclareProcesso(ds);
        ds.CreateDataSet();
        FillItems(ds, {{2, 2}, {1, 3}, {3, 1}, {1, 1}, {2, 1}, {1, 2}});
        ds.First();
    }

    void indexKeepsRowsInOrderWhileAppending() {
        QCOMPARE(Keys(ds), QStringLiteral("1.1 1.2 1.3 2.1 2.2 3.1"));
        QCOMPARE(ds.RecNo(), 1);
        QCOMPARE(ds.RecordCount(), 6);
    }

    void equalKeysKeepInsertionOrder() {
        ds.SetIndexFieldNames(QStringLiteral("NRO_LOTE"));
        QCOMPARE(Keys(ds), QStringLiteral("1.3 1.1 1.2 2.2 2.1 3.1"));
        ds.SetIndexFieldNames(QStringLiteral("nro_item ; NRO_LOTE"));
        QCOMPARE(Keys(ds), QStringLiteral("1.1 2.1 3.1 1.2 2.2 1.3"));
        ds.SetIndexFieldNames(QString());
        QCOMPARE(Keys(ds), QStringLiteral("2.2 1.3 3.1 1.1 2.1 1.2"));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.SetIndexFieldNames(QStringLiteral("nro_lote;nada")));
    }

    void editingAKeyMovesTheRow() {
        QVERIFY(ds.Locate(QStringLiteral("des_lote"), QStringLiteral("L1-1")));
        ds.Edit();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(4);
        ds.Post();
        QCOMPARE(Keys(ds), QStringLiteral("1.2 1.3 2.1 2.2 3.1 4.1"));
        QCOMPARE(ds.RecNo(), 6);  // the cursor follows the row
    }

    // Walks a script of moves and records Eof, Bof, RecNo and AfterScroll after each.
    void cursorMoves_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("expected");
        // Each step: recno, E when Eof, B when Bof, * when AfterScroll was raised.
        QTest::newRow("next to the end and past it") << ""
                                                     << "F N N N N N N N"
                                                     << "1B* 2* 3* 4* 5* 6* 6E* 6E";
        QTest::newRow("prior back to the start") << ""
                                                 << "F N P P P"
                                                 << "1B* 2* 1* 1B* 1B";
        QTest::newRow("last sets eof") << ""
                                       << "L P N N"
                                       << "6E* 5* 6* 6E*";
        QTest::newRow("filtered lot") << "nro_lote = 1"
                                      << "F N N N N"
                                      << "1B* 2* 3* 3E* 3E";
        QTest::newRow("filter with no row") << "nro_lote = 9"
                                            << "F N P"
                                            << "0EB* 0EB 0EB";
        QTest::newRow("move by clamps") << ""
                                        << "F M+10 M-10"
                                        << "1B* 6E* 1B*";
        QTest::newRow("set recno") << ""
                                   << "F R3 R3 R9"
                                   << "1B* 3* 3 3";
    }

    void cursorMoves() {
        QFETCH(QString, filter);
        QFETCH(QString, moves);
        QFETCH(QString, expected);
        ds.SetFilter(filter);
        ds.SetFiltered(!filter.isEmpty());
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        QStringList got;
        for (const QString& m : moves.split(u' ')) {
            scroll.clear();
            if (m == u"F") {
                ds.First();
            } else if (m == u"N") {
                ds.Next();
            } else if (m == u"P") {
                ds.Prior();
            } else if (m == u"L") {
                ds.Last();
            } else if (m.startsWith(u'M')) {
                ds.MoveBy(m.mid(1).toInt());
            } else if (m.startsWith(u'R')) {
                ds.SetRecNo(m.mid(1).toInt());
            }
            QString step = QString::number(ds.RecNo());
            step += ds.Eof() ? QStringLiteral("E") : QString();
            step += ds.Bof() ? QStringLiteral("B") : QString();
            step += scroll.isEmpty() ? QString() : QStringLiteral("*");
            got << step;
        }
        QCOMPARE(got.join(u' '), expected);
    }

    // The workflow's item panel follows AfterScroll: opening and editing must not raise it.
    void openingAndEditingDoNotScroll() {
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        const QByteArray bytes = ds.SaveToBytes();
        ds.LoadFromBytes(bytes);
        QCOMPARE(ds.RecNo(), 1);
        ds.Edit();
        ds.FieldByName(QStringLiteral("des_marca"))->SetAsString(QStringLiteral("x"));
        ds.Post();
        ds.Append();
        ds.Cancel();
        FillItems(ds, {{9, 9}});
        ds.Close();
        ds.CreateDataSet();
        QCOMPARE(scroll.count(), 0);
        QVERIFY(ds.Eof() && ds.Bof() && ds.IsEmpty());
    }

    void filterChangesGoToFirstVisibleRowAndScroll() {
        ds.Last();
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        QSignalSpy refiltered(&ds, &TMemoryDataSet::refiltered);
        // The lot filter of the main window: off, text, on; each change scrolls.
        ds.SetFiltered(false);  // already off: no change
        ds.SetFilter(QStringLiteral("nro_lote = 2"));
        QCOMPARE(ds.RecNo(), 1);
        ds.SetFiltered(true);
        QCOMPARE(scroll.count(), 2);
        QCOMPARE(refiltered.count(), 2);
        QCOMPARE(Keys(ds), QStringLiteral("2.1 2.2"));
        QCOMPARE(ds.RecordCount(), 2);
        QVERIFY(!ds.Eof());
        // Find only sees visible rows.
        QVERIFY(!ds.Locate(QStringLiteral("nro_item"), 3));
        QVERIFY(ds.Locate(QStringLiteral("nro_item"), 2));
        QCOMPARE(ds.RecNo(), 2);
        ds.SetFilter(QStringLiteral("des_lote = 'L1-3'"));  // not on the index: a scan
        QCOMPARE(Keys(ds), QStringLiteral("1.3"));
        ds.SetFiltered(false);
        QCOMPARE(ds.RecordCount(), 6);
    }

    void filterForms_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("keys");  // empty with an error message below
        QTest::addColumn<QString>("error");
        QTest::newRow("number") << "nro_lote = 1"
                                << "1.1 1.2 1.3"
                                << "";
        QTest::newRow("any case, no blanks") << "NRO_LOTE=3"
                                             << "3.1"
                                             << "";
        QTest::newRow("quoted number on a number field") << "nro_item = '2'"
                                                         << "1.2 2.2"
                                                         << "";
        QTest::newRow("float field") << "vlr_total = 21"
                                     << "2.1"
                                     << "";
        QTest::newRow("decimal that matches nothing") << "nro_lote = 1,5"
                                                      << ""
                                                      << "";
        QTest::newRow("text with doubled quote") << "des_lote = 'it''s'"
                                                 << ""
                                                 << "";
        QTest::newRow("empty filter shows everything") << "  "
                                                       << "1.1 1.2 1.3 2.1 2.2 3.1"
                                                       << "";
        QTest::newRow("text is case-sensitive") << "des_lote = 'l1-1'"
                                                << ""
                                                << "";
        QTest::newRow("unknown field") << "nada = 1"
                                       << ""
                                       << "Filtro inválido: o campo 'nada' não existe.";
        QTest::newRow("other operator")
            << "nro_lote > 1"
            << ""
            << "Filtro inválido: \"nro_lote > 1\". Use campo = número ou campo = 'texto'.";
        QTest::newRow("two conditions")
            << "nro_lote = 1 and nro_item = 2"
            << ""
            << "Filtro inválido: \"nro_lote = 1 and nro_item = 2\". Use campo = número ou "
               "campo = 'texto'.";
        QTest::newRow("unquoted text")
            << "des_lote = 12"
            << ""
            << "Filtro inválido: o campo 'des_lote' não é numérico; escreva o valor entre "
               "aspas simples.";
        QTest::newRow("text on a number field")
            << "nro_lote = 'um'"
            << ""
            << "Filtro inválido: 'um' não é um valor do campo 'nro_lote'.";
    }

    void filterForms() {
        QFETCH(QString, filter);
        QFETCH(QString, keys);
        QFETCH(QString, error);
        ds.SetFilter(filter);
        if (!error.isEmpty()) {
            try {
                ds.SetFiltered(true);
                QFAIL("no error");
            } catch (const EDataSetError& e) {
                QCOMPARE(e.message(), error);
            }
            QVERIFY(!ds.Filtered());
            QCOMPARE(ds.RecordCount(), 6);
            return;
        }
        ds.SetFiltered(true);
        QCOMPARE(Keys(ds), keys);
        QCOMPARE(ds.IsEmpty(), keys.isEmpty());
        QCOMPARE(ds.Eof(), keys.isEmpty());
    }

    void badFilterWhileFilteredKeepsTheOldOne() {
        ds.SetFilter(QStringLiteral("nro_lote = 2"));
        ds.SetFiltered(true);
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.SetFilter(QStringLiteral("nro_lote <> 2")));
        QCOMPARE(ds.Filter(), QStringLiteral("nro_lote = 2"));
        QCOMPARE(Keys(ds), QStringLiteral("2.1 2.2"));
    }

    void appendUnderFilterAndPostOutsideIt() {
        ds.SetFilter(QStringLiteral("nro_lote = 1"));
        ds.SetFiltered(true);
        FillItems(ds, {{1, 4}, {5, 1}});
        QCOMPARE(Keys(ds), QStringLiteral("1.1 1.2 1.3 1.4"));
        ds.SetFiltered(false);
        QCOMPARE(ds.RecordCount(), 8);
    }

    void locate_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("recNo");  // 0: not found
        QTest::newRow("text exact") << "des_lote" << QVariant(QStringLiteral("L2-1")) << 4;
        QTest::newRow("text is case-sensitive") << "des_lote" << QVariant(QStringLiteral("l2-1")) << 0;
        QTest::newRow("text is whole-value") << "des_lote" << QVariant(QStringLiteral("L2")) << 0;
        QTest::newRow("index field, first match") << "NRO_LOTE" << QVariant(2) << 4;
        QTest::newRow("integer field from text") << "nro_item" << QVariant(QStringLiteral("3")) << 3;
        QTest::newRow("float field") << "vlr_total" << QVariant(31.0) << 6;
        QTest::newRow("text that is no number") << "nro_item" << QVariant(QStringLiteral("x")) << 0;
        QTest::newRow("null finds a null") << "des_marca" << QVariant() << 1;
    }

    void locate() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(int, recNo);
        ds.SetRecNo(2);
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        QCOMPARE(ds.Locate(field, value), recNo > 0);
        QCOMPARE(ds.RecNo(), recNo > 0 ? recNo : 2);
        QCOMPARE(scroll.count(), recNo > 0 ? 1 : 0);
    }

    void bookmarks() {
        ds.SetRecNo(3);
        TBookmark bm = ds.GetBookmark();
        FillItems(ds, {{0, 1}});  // a row before the bookmarked one shifts it
        ds.First();
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        ds.GotoBookmark(bm);
        QCOMPARE(scroll.count(), 1);
        QCOMPARE(ds.FieldByName(QStringLiteral("des_lote"))->AsString(), QStringLiteral("L1-3"));
        QCOMPARE(ds.RecNo(), 4);
        ds.SetFilter(QStringLiteral("nro_lote = 2"));
        ds.SetFiltered(true);
        QVERIFY(!ds.BookmarkValid(bm));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.GotoBookmark(bm));
        ds.FreeBookmark(bm);
        QVERIFY(bm.IsNull());
        ds.GotoBookmark(bm);  // a null bookmark goes nowhere
        QCOMPARE(ds.RecNo(), 1);

        // Bookmark taken on an empty visible set: the lot total loop returns to it safely.
        ds.SetFilter(QStringLiteral("nro_lote = 9"));
        TBookmark none = ds.GetBookmark();
        QVERIFY(none.IsNull());
        ds.GotoBookmark(none);
    }

    void displaySuspension() {
        QSignalSpy cursor(&ds, &TMemoryDataSet::cursorMoved);
        QSignalSpy refiltered(&ds, &TMemoryDataSet::refiltered);
        QSignalSpy scroll(&ds, &TMemoryDataSet::AfterScroll);
        ds.EnableControls();  // never below 0
        QVERIFY(!ds.ControlsDisabled());
        ds.DisableControls();
        ds.DisableControls();
        ds.Next();
        ds.SetFilter(QStringLiteral("nro_lote = 1"));
        ds.SetFiltered(true);
        ds.EnableControls();
        QVERIFY(ds.ControlsDisabled());
        QCOMPARE(cursor.count(), 0);
        QCOMPARE(refiltered.count(), 0);
        QCOMPARE(scroll.count(), 3);  // handlers still run while the grid is frozen
        ds.EnableControls();
        QVERIFY(!ds.ControlsDisabled());
        QCOMPARE(cursor.count(), 1);
        QCOMPARE(refiltered.count(), 1);
        QCOMPARE(cursor.first().first().toInt(), 1);
    }

    void editingRules() {
        TField* marca = ds.FieldByName(QStringLiteral("DES_MARCA"));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, marca->SetAsString(QStringLiteral("x")));  // browse mode
        ds.Edit();
        marca->SetAsString(QString(61, u'M'));
        QCOMPARE(marca->AsString().size(), 60);  // cut to the field size
        ds.Cancel();
        QVERIFY(marca->IsNull());
        ds.Edit();
        marca->SetAsString(QStringLiteral("Abc"));
        QSignalSpy changed(&ds, &TMemoryDataSet::rowChanged);
        ds.Next();  // moving posts the edit
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toInt(), 1);
        ds.First();
        QCOMPARE(marca->AsString(), QStringLiteral("Abc"));

        ds.Close();
        QVERIFY(ds.IsEmpty());
        QVERIFY(marca->IsNull());
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.Next());
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.Edit());
    }

    void fieldsReadAndShow_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");  // written through SetAsFloat/Integer/String/DateTime
        QTest::addColumn<QString>("asString");
        QTest::addColumn<QString>("display");
        QTest::newRow("money with format") << "vlr_total" << QVariant(37.5) << "37,5"
                                           << "37,5000";
        QTest::newRow("float without format") << "qtd_produto" << QVariant(1234.5) << "1234,5"
                                              << "1234,5";
        QTest::newRow("float general form") << "qtd_produto" << QVariant(0.1 + 0.2) << "0,3"
                                            << "0,3";
        QTest::newRow("smallint") << "nro_lote" << QVariant(7) << "7"
                                  << "7";
        QTest::newRow("float from text")
            << "vlr_realinhamento" << QVariant(QStringLiteral(" 12,5 ")) << "12,5"
            << "12,5000";
        QTest::newRow("empty text is null") << "vlr_realinhamento" << QVariant(QStringLiteral("")) << ""
                                            << "";
        QTest::newRow("date at midnight")
            << "dat_processo" << QVariant(QDateTime(QDate(2009, 3, 15), QTime(0, 0))) << "15/03/2009"
            << "15/03/2009";
        QTest::newRow("date with time")
            << "dat_processo" << QVariant(QDateTime(QDate(2010, 8, 2), QTime(14, 30, 5)))
            << "02/08/2010 14:30:05"
            << "02/08/2010 14:30:05";
        QTest::newRow("blob text") << "des_especificacao" << QVariant(QStringLiteral("Linha 1\r\nAção"))
                                   << "Linha 1\r\nAção"
                                   << "Linha 1\r\nAção";
    }

    void fieldsReadAndShow() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QString, asString);
        QFETCH(QString, display);
        TField* f = ds.FieldByName(field);
        ds.Edit();
        if (value.typeId() == QMetaType::Double) {
            f->SetAsFloat(value.toDouble());
        } else if (value.typeId() == QMetaType::Int) {
            f->SetAsInteger(value.toInt());
        } else if (value.typeId() == QMetaType::QDateTime) {
            f->SetAsDateTime(value.toDateTime());
        } else {
            f->SetAsString(value.toString());
        }
        ds.Post();
        QCOMPARE(f->AsString(), asString);
        QCOMPARE(f->DisplayText(), display);
        QCOMPARE(f->DisplayTextAt(ds.RecNo()), display);
    }

    void nullsReadAsZeroAndConversionsAreChecked() {
        ds.Append();
        TField* lote = ds.FieldByName(QStringLiteral("nro_lote"));
        QCOMPARE(lote->AsInteger(), 0);
        QCOMPARE(ds.FieldByName(QStringLiteral("vlr_total"))->AsFloat(), 0.0);
        QCOMPARE(ds.FieldByName(QStringLiteral("des_lote"))->AsString(), QString());
        QVERIFY(!ds.FieldByName(QStringLiteral("dat_processo"))->AsDateTime().isValid());
        QVERIFY_THROWS_EXCEPTION(EDataSetError, lote->SetAsInteger(40000));  // 16 bits
        QVERIFY_THROWS_EXCEPTION(EConvertError, lote->SetAsString(QStringLiteral("dois")));
        lote->SetAsFloat(2.5);  // rounds half to even
        QCOMPARE(lote->AsInteger(), 2);
        ds.Cancel();
        QCOMPARE(ds.RecordCount(), 6);
    }

    void schemas() {
        QCOMPARE(ds.FieldCount(), 30);
        QCOMPARE(ds.FindField(QStringLiteral("Vlr_Lance"))->Index(), 9);
        QVERIFY(dynamic_cast<TIntegerField*>(
            ds.FieldByName(QStringLiteral("nro_lote"))));  // a smallint is an integer
        QVERIFY(dynamic_cast<TBlobField*>(ds.FieldByName(QStringLiteral("des_especificacao"))));
        QVERIFY(!ds.FindField(QStringLiteral("nada")));
        try {
            ds.FieldByName(QStringLiteral("nada"));
            QFAIL("no error");
        } catch (const EDataSetError& e) {
            QCOMPARE(e.message(), QStringLiteral("Campo 'nada' não encontrado."));
        }

        TMemoryDataSet lote;
        ProposalSchema::DeclareLote(lote);
        lote.CreateDataSet();
        QCOMPARE(lote.FieldByName(QStringLiteral("nro_lote"))->Alignment(), Qt::AlignHCenter);
        lote.Append();
        lote.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(3);
        lote.Post();
        QCOMPARE(lote.FieldByName(QStringLiteral("nro_lote"))->DisplayText(), QStringLiteral("0003"));

        TMemoryDataSet rel;
        ProposalSchema::DeclareRelatorio(rel);
        rel.CreateDataSet();
        QCOMPARE(rel.FieldCount(), 24);
        auto* qtd = dynamic_cast<TFloatField*>(rel.FieldByName(QStringLiteral("qtd_produto")));
        QVERIFY(qtd && qtd->Currency());
        rel.Append();
        rel.FieldByName(QStringLiteral("DES_PRODUTO"))->SetAsString(QString(500, u'x'));
        qtd->SetAsFloat(1234.5);
        QCOMPARE(rel.FieldByName(QStringLiteral("DES_PRODUTO"))->AsString().size(), 100);
        QCOMPARE(qtd->DisplayText(), QStringLiteral("R$ 1.234,50"));
        rel.Post();
    }
};

QTEST_GUILESS_MAIN(TestMemoryDataSet)
#include "tst_memorydataset.moc"

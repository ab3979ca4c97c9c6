#include <QtTest>

#include "ShowResult.h"

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/expr/TQREvEmbeddedFunction.h"
#include "report_engine/expr/TQREvEnvironment.h"
#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/expr/TQRFiler.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

TQREvResult FromVariant(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
            return TQREvResult::Int(v.toInt());
        case QMetaType::Double:
            return TQREvResult::Double(v.toDouble());
        case QMetaType::Bool:
            return TQREvResult::Bool(v.toBool());
        default:
            return TQREvResult::String(v.toString());
    }
}

// A report environment with the counters a report starts with, plus X, the value
// that each aggregate pass feeds.
struct ReportFunctions {
    TQREvEnvironment env;
    ReportFunctions() {
        env.AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
        env.AddFunction(QStringLiteral("COLUMNNUMBER"), QStringLiteral("0"));
        env.AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
        env.AddFunction(QStringLiteral("x"), QStringLiteral("0"));
    }
};

struct ListFiler : TQRFiler {
    QString name;
    std::function<void(const QStringList&)> read;
    std::function<QStringList()> write;
    bool hasData = false;
    void DefineProperty(const QString& n, const std::function<void(const QStringList&)>& r,
                        const std::function<QStringList()>& w, bool h) override {
        name = n;
        read = r;
        write = w;
        hasData = h;
    }
};

}  // namespace

class TestQREnvironment : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void aggregates_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QVariantList>("passes");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");

        QTest::newRow("SUM of ints") << "SUM(X)" << QVariantList{1, 2, 3} << int(resInt) << "6";
        QTest::newRow("SUM of doubles") << "SUM(X)" << QVariantList{1.5, 2.25} << int(resDouble) << "3.75";
        // An integer total that meets a fraction goes on as a double.
        QTest::newRow("SUM int then double") << "SUM(X)" << QVariantList{1, 2.5} << int(resDouble) << "3.5";
        QTest::newRow("SUM double then int") << "SUM(X)" << QVariantList{0.5, 2} << int(resDouble) << "2.5";
        QTest::newRow("SUM skips booleans") << "SUM(X)" << QVariantList{1, true, 2} << int(resInt) << "3";
        QTest::newRow("SUM of text first")
            << "SUM(X)" << QVariantList{"a", 1} << int(resError) << "Wrong arguments for SUM";
        QTest::newRow("SUM meets text")
            << "SUM(X)" << QVariantList{1, "a", 2} << int(resError) << "Wrong arguments for SUM";
        QTest::newRow("SUM of two arguments")
            << "SUM(X, 1)" << QVariantList{1} << int(resError) << "Wrong arguments for SUM";
        QTest::newRow("SUM of an error")
            << "SUM(X / 0)" << QVariantList{1} << int(resError) << "Cannot divide by 0";
        QTest::newRow("SUM in an operator") << "SUM(X) * 2" << QVariantList{1, 2} << int(resInt) << "6";
        QTest::newRow("AVERAGE") << "AVERAGE(X)" << QVariantList{1, 2, 3, 4} << int(resDouble) << "2.5";
        QTest::newRow("AVERAGE counts skipped values")
            << "AVERAGE(X)" << QVariantList{1, true, 2} << int(resDouble) << "1";
        QTest::newRow("AVERAGE of text")
            << "AVERAGE(X)" << QVariantList{"a"} << int(resError) << "Wrong arguments for AVERAGE";
        QTest::newRow("MAX of ints") << "MAX(X)" << QVariantList{3, 7, 5} << int(resInt) << "7";
        QTest::newRow("MIN of ints") << "MIN(X)" << QVariantList{3, 1, 2} << int(resInt) << "1";
        QTest::newRow("MAX of texts") << "MAX(X)" << QVariantList{"b", "c", "a"} << int(resString) << "c";
        QTest::newRow("MIN of booleans")
            << "MIN(X)" << QVariantList{true, false, true} << int(resBool) << "false";
        QTest::newRow("MAX of booleans")
            << "MAX(X)" << QVariantList{false, true, false} << int(resBool) << "true";
        QTest::newRow("MAX int meets double")
            << "MAX(X)" << QVariantList{1, 2.5, 2} << int(resDouble) << "2.5";
        QTest::newRow("MAX keeps over another type")
            << "MAX(X)" << QVariantList{3, "z"} << int(resInt) << "3";
        QTest::newRow("MIN of two arguments")
            << "MIN(X, 1)" << QVariantList{1} << int(resError) << "Wrong arguments for MIN";
        QTest::newRow("COUNT") << "COUNT" << QVariantList{1, 2, 3} << int(resInt) << "3";
        QTest::newRow("both IF branches accumulate")
            << "IF(TRUE, SUM(X), COUNT)" << QVariantList{1, 2, 3} << int(resInt) << "6";
        QTest::newRow("aggregate inside an argument")
            << "FORMATNUMERIC('000', SUM(X))" << QVariantList{4, 5} << int(resString) << "009";
    }

    void aggregates() {
        QFETCH(QString, expression);
        QFETCH(QVariantList, passes);
        QFETCH(int, type);
        QFETCH(QString, expected);

        ReportFunctions functions;
        functions.env.Prepare();
        TQREvElement* x = functions.env.GetConstant(QStringLiteral("X"));
        QVERIFY(x != nullptr);

        TQREvaluator evaluator;
        evaluator.Environment = &functions.env;
        evaluator.Prepare(expression);
        evaluator.Reset();
        QVERIFY(evaluator.GetIsAggreg());
        for (const QVariant& pass : passes) {
            TQREvEnvironment::SetConstant(x, FromVariant(pass));
            evaluator.DoAggregate();
        }
        // Value outside a pass reports without changing the state.
        QCOMPARE(Show(evaluator.Value()), expected);
        QCOMPARE(Show(evaluator.Value()), expected);
        QCOMPARE(int(evaluator.Value().ResultType), type);
        QVERIFY(!evaluator.GetAggregate());

        // Reset empties every aggregate of the expression.
        evaluator.Reset();
        QCOMPARE(Show(evaluator.Value()),
                 expression.startsWith(u"FORMATNUMERIC") ? QStringLiteral("000") : QStringLiteral("0"));
        evaluator.UnPrepare();
        functions.env.Unprepare();
    }

    void sumOverPassesAndReset() {
        ReportFunctions functions;
        functions.env.Prepare();
        TQREvElement* x = functions.env.GetConstant(QStringLiteral("X"));
        TQREvaluator sum;
        sum.Environment = &functions.env;
        sum.Prepare(QStringLiteral("SUM(X)"));
        QCOMPARE(Show(sum.Value()), QStringLiteral("0"));
        for (int v : {1, 2, 3}) {
            TQREvEnvironment::SetIntegerConstant(x, v);
            sum.DoAggregate();
        }
        QCOMPARE(Show(sum.Value()), QStringLiteral("6"));
        sum.Reset();
        QCOMPARE(Show(sum.Value()), QStringLiteral("0"));
        QCOMPARE(sum.Value().ResultType, resInt);
        TQREvEnvironment::SetIntegerConstant(x, 10);
        sum.DoAggregate();
        QCOMPARE(Show(sum.Value()), QStringLiteral("10"));
        // Preparing again starts from fresh elements.
        sum.Prepare(QStringLiteral("SUM(X)"));
        QCOMPARE(Show(sum.Value()), QStringLiteral("0"));
        sum.UnPrepare();
        functions.env.Unprepare();
    }

    void namedExpressions() {
        ReportFunctions functions;
        functions.env.AddFunction(QStringLiteral("Taxa"), QStringLiteral("2 * 3"));
        functions.env.AddFunction(QStringLiteral("TAXA"), QStringLiteral("99"));  // present: keeps its own
        functions.env.AddFunction(QStringLiteral("DOBRO"), QStringLiteral("taxa * 2"));
        functions.env.Prepare();

        TQREvaluator evaluator;
        evaluator.Environment = &functions.env;
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("TAXA + 1"))), QStringLiteral("7"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("Dobro"))), QStringLiteral("12"));
        QCOMPARE(Show(functions.env.Value(QStringLiteral("dobro"))), QStringLiteral("12"));
        QCOMPARE(Show(functions.env.Value(QStringLiteral("NADA"))),
                 QStringLiteral("Unknown function : NADA"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("NADA"))),
                 QStringLiteral("Unknown function : NADA"));

        // The global environment answers what the local one lacks.
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("APPNAME"))), QCoreApplication::applicationName());
        QCOMPARE(evaluator.Calculate(QStringLiteral("APPSTARTDATE")).StringLength(), 10);
        QCOMPARE(evaluator.Calculate(QStringLiteral("APPSTARTTIME")).StringLength(), 8);
        functions.env.AddFunction(QStringLiteral("APPNAME"), QStringLiteral("'Relatório'"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("APPNAME"))), QStringLiteral("Relatório"));

        // Bracketed names keep their operators and separators through the sign
        // exchange and the argument split.
        functions.env.AddFunction(QStringLiteral("A-B"), QStringLiteral("5"));
        functions.env.AddFunction(QStringLiteral("C,D"), QStringLiteral("'xyz'"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("10 - [A-B] + 1"))), QStringLiteral("6"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("COPY([C,D], 2, 1)"))), QStringLiteral("y"));

        functions.env.DeleteFunction(QStringLiteral("dobro"));
        QCOMPARE(functions.env.IndexOf(QStringLiteral("DOBRO")), -1);
        functions.env.Unprepare();
    }

    void recursionIsAnError() {
        TQREvEnvironment env;
        env.AddFunction(QStringLiteral("X"), QStringLiteral("X + 1"));
        env.AddFunction(QStringLiteral("A"), QStringLiteral("B"));
        env.AddFunction(QStringLiteral("B"), QStringLiteral("A * 2"));
        env.Prepare();
        TQREvaluator evaluator;
        evaluator.Environment = &env;
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("X"))),
                 QStringLiteral("Recursive calls not allowed"));
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("A"))),
                 QStringLiteral("Recursive calls not allowed"));
        // The flag is cleared afterwards: a second evaluation gives the same, not a hang.
        QCOMPARE(Show(env.Value(QStringLiteral("X"))), QStringLiteral("Recursive calls not allowed"));
        env.Unprepare();
    }

    void constantsUpdateInPlace() {
        ReportFunctions functions;
        QVERIFY(functions.env.GetConstant(QStringLiteral("PAGENUMBER")) == nullptr);  // not prepared
        functions.env.Prepare();
        TQREvElement* page = functions.env.GetConstant(QStringLiteral("PAGENUMBER"));
        TQREvElement* title = functions.env.GetConstant(QStringLiteral("reporttitle"));
        QVERIFY(page != nullptr && title != nullptr);
        QVERIFY(functions.env.GetConstant(QStringLiteral("NADA")) == nullptr);

        TQREvaluator caption;
        caption.Environment = &functions.env;
        caption.Prepare(QStringLiteral("REPORTTITLE + ' - ' + STR(PAGENUMBER)"));
        QCOMPARE(Show(caption.Value()), QStringLiteral(" - 0"));
        TQREvEnvironment::SetStringConstant(title, QStringLiteral("Propostas"));
        TQREvEnvironment::SetIntegerConstant(page, 3);
        QCOMPARE(Show(caption.Value()), QStringLiteral("Propostas - 3"));

        // A constant of another class is left alone.
        TQREvEnvironment::SetIntegerConstant(title, 5);
        TQREvEnvironment::SetStringConstant(page, QStringLiteral("x"));
        QCOMPARE(Show(caption.Value()), QStringLiteral("Propostas - 3"));

        functions.env.UpdateConstant(QStringLiteral("PAGENUMBER"), TQREvResult::Int(4));
        UpdateConstant(title, TQREvResult::String(u"Final"));
        UpdateConstant(title, TQREvResult::Int(1));  // a text element takes texts only
        QCOMPARE(Show(caption.Value()), QStringLiteral("Final - 4"));
        TQREvEnvironment::SetFloatConstant(page, 1.5);
        QCOMPARE(Show(caption.Value()), QStringLiteral("Final - 1,5"));
        TQREvEnvironment::SetBooleanConstant(page, true);
        QCOMPARE(Show(caption.Value()), QStringLiteral("Final - True"));
        caption.UnPrepare();
        functions.env.Unprepare();
    }

    void prepareCounting() {
        ReportFunctions functions;
        functions.env.Prepare();
        functions.env.Prepare();
        functions.env.Unprepare();
        QVERIFY(functions.env.Prepared());
        QVERIFY(functions.env.GetConstant(QStringLiteral("PAGENUMBER")) != nullptr);
        functions.env.Unprepare();
        QVERIFY(!functions.env.Prepared());
        QVERIFY(functions.env.GetConstant(QStringLiteral("PAGENUMBER")) == nullptr);
        functions.env.Unprepare();  // one too many does no harm
        QVERIFY(!functions.env.Prepared());

        // An entry added while prepared is prepared at once.
        functions.env.Prepare();
        functions.env.AddFunction(QStringLiteral("NOVO"), QStringLiteral("42"));
        QVERIFY(functions.env.GetConstant(QStringLiteral("NOVO")) != nullptr);
        functions.env.Unprepare();

        // Naming an entry of an environment that was never prepared gives an error
        // value, not an exception.
        TQREvEnvironment idle;
        idle.AddFunction(QStringLiteral("Y"), QStringLiteral("1"));
        TQREvaluator evaluator;
        evaluator.Environment = &idle;
        QCOMPARE(Show(evaluator.Calculate(QStringLiteral("Y"))), QStringLiteral("Evaluator not prepared"));

        // The global environment stays usable after evaluators come and go.
        TQREvEnvironment* global = QRGlobalEnvironment();
        QVERIFY(global->Prepared());
        QCOMPARE(global->Value(QStringLiteral("APPNAME")).ResultType, resString);
    }

    void streaming() {
        ReportFunctions functions;
        QCOMPARE(functions.env.Strings(), (QStringList{"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE", "X"}));
        QCOMPARE(functions.env.WriteProperties(), (QStringList{"0", "0", "''", "0"}));

        ListFiler filer;
        functions.env.DefineProperties(filer);
        QCOMPARE(filer.name, QStringLiteral("DATA"));
        QVERIFY(filer.hasData);
        QCOMPARE(filer.write(), functions.env.WriteProperties());

        // Reading: the names first, then the expressions attach by position.
        TQREvEnvironment read;
        read.SetStrings({"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE"});
        ListFiler reader;
        read.DefineProperties(reader);
        reader.read({"0", "0", "''"});
        QCOMPARE(read.WriteProperties(), (QStringList{"0", "0", "''"}));
        read.Prepare();
        QCOMPARE(Show(read.Value(QStringLiteral("PAGENUMBER"))), QStringLiteral("0"));
        read.Unprepare();

        // Names without expressions (a stream cut short) are unknown, not a crash.
        TQREvEnvironment partial;
        partial.SetStrings({"A", "B"});
        partial.ReadProperties({"1", "2", "3"});
        partial.SetStrings({"A", "B"});
        partial.Prepare();
        QCOMPARE(Show(partial.Value(QStringLiteral("A"))), QStringLiteral("Unknown function : A"));
        partial.Unprepare();
    }

    void dataFields() {
        TMemoryDataSet relatorio;
        relatorio.setObjectName(QStringLiteral("CDS_Relatorio"));
        ProposalSchema::DeclareRelatorio(relatorio);
        relatorio.CreateDataSet();
        {
            // An empty data set reads as null: zero and the empty text.
            TQRDataSetList only{&relatorio};
            TQREvaluator empty;
            empty.SetDatasets(&only);
            QCOMPARE(Show(empty.Calculate(QStringLiteral("STR(NRO_LOTE) + DES_LOTE"))), QStringLiteral("0"));
        }
        struct Row {
            int lote;
            int item;
            const char* desLote;
            double total;
        };
        for (const Row& r : {Row{2, 1, "Material de limpeza", 10.5}, Row{1, 2, "Papelaria", 4.25},
                             Row{1, 1, "Papelaria", 3.0}}) {
            relatorio.Append();
            relatorio.FieldByName(QStringLiteral("NRO_LOTE"))->SetAsInteger(r.lote);
            relatorio.FieldByName(QStringLiteral("NRO_ITEM"))->SetAsInteger(r.item);
            relatorio.FieldByName(QStringLiteral("DES_LOTE"))->SetAsString(QString::fromUtf8(r.desLote));
            relatorio.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(r.total);
            relatorio.FieldByName(QStringLiteral("DAT_PROCESSO"))
                ->SetAsDateTime(QDateTime(QDate(2009, 3, 15), QTime(0, 0)));
            relatorio.FieldByName(QStringLiteral("DES_OBJETO"))->SetAsString(QStringLiteral("Objeto"));
            relatorio.Post();
        }
        TMemoryDataSet lote;
        lote.setObjectName(QStringLiteral("CDS_Lote"));
        ProposalSchema::DeclareLote(lote);
        lote.CreateDataSet();
        lote.Append();
        lote.FieldByName(QStringLiteral("NRO_LOTE"))->SetAsInteger(77);
        lote.Post();

        TQRDataSetList dataSets{&lote, &relatorio};
        auto eval = [&](const QString& expression) {
            TQREvaluator evaluator;
            evaluator.SetDatasets(&dataSets);
            return evaluator.Calculate(expression);
        };
        relatorio.First();
        lote.First();
        QCOMPARE(Show(eval(QStringLiteral("CDS_Relatorio.NRO_LOTE"))), QStringLiteral("1"));
        QCOMPARE(eval(QStringLiteral("CDS_Relatorio.NRO_LOTE")).ResultType, resInt);
        QCOMPARE(Show(eval(QStringLiteral("cds_relatorio.nro_item"))), QStringLiteral("1"));
        // Without a data-set part the data sets are searched in list order.
        QCOMPARE(Show(eval(QStringLiteral("NRO_LOTE"))), QStringLiteral("77"));
        QCOMPARE(Show(eval(QStringLiteral("[CDS_Relatorio.NRO_LOTE]"))), QStringLiteral("1"));
        QCOMPARE(Show(eval(QStringLiteral("CDS_Relatorio.vlr_total"))), QStringLiteral("3"));
        QCOMPARE(eval(QStringLiteral("CDS_Relatorio.vlr_total")).ResultType, resDouble);
        QCOMPARE(Show(eval(QStringLiteral("CDS_Relatorio.DAT_PROCESSO"))), QStringLiteral("15/03/2009"));
        QCOMPARE(Show(eval(QStringLiteral("CDS_Relatorio.DES_OBJETO"))),
                 QStringLiteral("Field DES_OBJETO is of unknown type"));
        QCOMPARE(Show(eval(QStringLiteral("OUTRO.NRO_LOTE"))),
                 QStringLiteral("Unknown function : OUTRO.NRO_LOTE"));
        QCOMPARE(Show(eval(QStringLiteral("CDS_Relatorio.NADA"))),
                 QStringLiteral("Unknown function : CDS_RELATORIO.NADA"));

        // A name the data sets lack falls through to the environments.
        TQREvEnvironment env;
        env.AddFunction(QStringLiteral("OUTRO.NRO_LOTE"), QStringLiteral("5"));
        env.Prepare();
        TQREvaluator fallThrough;
        fallThrough.SetDatasets(&dataSets);
        fallThrough.Environment = &env;
        QCOMPARE(Show(fallThrough.Calculate(QStringLiteral("OUTRO.NRO_LOTE"))), QStringLiteral("5"));
        env.Unprepare();

        // One preparation follows the cursor.
        TQREvaluator caption;
        caption.SetDatasets(&dataSets);
        caption.Prepare(
            QStringLiteral("FORMATNUMERIC('0000 - ',CDS_Relatorio.NRO_LOTE) + CDS_Relatorio.DES_LOTE"));
        QStringList captions;
        TQREvaluator total;
        total.SetDatasets(&dataSets);
        total.Prepare(QStringLiteral("SUM(CDS_Relatorio.vlr_total)"));
        for (relatorio.First(); !relatorio.Eof(); relatorio.Next()) {
            captions << caption.AsString();
            total.DoAggregate();
        }
        QCOMPARE(captions,
                 (QStringList{"0001 - Papelaria", "0001 - Papelaria", "0002 - Material de limpeza"}));
        QCOMPARE(Show(total.Value()), QStringLiteral("17.75"));
        total.Reset();
        QCOMPARE(Show(total.Value()), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestQREnvironment)
#include "tst_qrenvironment.moc"

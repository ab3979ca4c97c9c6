#include <QtTest>

#include "ShowResult.h"

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/expr/TQREvElementArgumentEnd.h"
#include "report_engine/expr/TQREvElementConstant.h"
#include "report_engine/expr/TQREvElementDataField.h"
#include "report_engine/expr/TQREvElementError.h"
#include "report_engine/expr/TQREvElementOperator.h"
#include "report_engine/expr/TQREvElementString.h"
#include "report_engine/expr/TQREvaluator.h"
#include "report_engine/expr/TQRFunctionLibrary.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

TQREvResult Eval(const QString& expression) {
    TQREvaluator evaluator;
    return evaluator.Calculate(expression);
}

// Element kinds of a prepared sequence, for checking the prefix form.
QString Describe(TQREvElement* e) {
    if (auto* op = dynamic_cast<TQREvElementOperator*>(e)) {
        static const char* names[] = {"<", "<=", ">", ">=", "=", "<>", "+", "-", "or", "*", "/", "and"};
        return QStringLiteral("op ") + QLatin1String(names[op->OpCode]);
    }
    if (auto* c = dynamic_cast<TQREvElementConstant*>(e)) {
        return QStringLiteral("const ") + Show(c->Constant);
    }
    if (auto* s = dynamic_cast<TQREvElementString*>(e)) {
        return QStringLiteral("string ") + s->Text;
    }
    if (dynamic_cast<TQREvFormatNumericFunction*>(e) != nullptr) {
        return QStringLiteral("function FORMATNUMERIC");
    }
    if (auto* f = dynamic_cast<TQREvElementDataField*>(e)) {
        return QStringLiteral("field %1").arg(f->FieldNo);
    }
    if (dynamic_cast<TQREvElementError*>(e) != nullptr) {
        return QStringLiteral("error");
    }
    return QString::fromLatin1(typeid(*e).name());
}

QStringList Sequence(const TQREvaluator& evaluator) {
    QStringList out;
    for (int i = 0; i < evaluator.FiFo()->Count(); ++i) {
        out << Describe(evaluator.FiFo()->Item(i));
    }
    return out;
}

}  // namespace

class TestQREvaluator : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void expressions_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");

        const QString x255 = QString(255, u'x');

        // Literals and arithmetic.
        QTest::newRow("empty is one blank") << "" << int(resString) << " ";
        QTest::newRow("int sum") << "1 + 2" << int(resInt) << "3";
        QTest::newRow("int division gives double") << "7 / 2" << int(resDouble) << "3.5";
        QTest::newRow("int wraps") << "2147483647 + 1" << int(resInt) << "-2147483648";
        QTest::newRow("int product wraps") << "65536 * 65536" << int(resInt) << "0";
        QTest::newRow("too large for int is double") << "2147483648" << int(resDouble) << "2147483648";
        QTest::newRow("point decimal in comma locale") << "1.5" << int(resDouble) << "1.5";
        QTest::newRow("comma is illegal")
            << "1,5" << int(resError) << "Illegal character in numeric contant \"1,5\"";
        QTest::newRow("exponent") << "1E5" << int(resDouble) << "100000";
        QTest::newRow("exponent sign splits")
            << "1E+5" << int(resError) << "Illegal character in numeric contant \"1E\"";
        QTest::newRow("letters after digits")
            << "12ab" << int(resError) << "Illegal character in numeric contant \"12ab\"";
        QTest::newRow("two points") << "1.2.3" << int(resError)
                                    << "Illegal character in numeric contant \"1.2.3\"";
        QTest::newRow("int meets double") << "1 + 0.5" << int(resDouble) << "1.5";
        QTest::newRow("int equals double") << "1 = 1.0" << int(resBool) << "true";
        QTest::newRow("unary minus") << "-3 + 4" << int(resInt) << "1";
        QTest::newRow("unary plus") << "+3" << int(resInt) << "3";

        // The sign exchange keeps left-to-right meaning.
        QTest::newRow("minus chain") << "10 - 2 - 3" << int(resInt) << "5";
        QTest::newRow("minus then plus") << "10 - 2 + 3" << int(resInt) << "11";
        QTest::newRow("division chain") << "100 / 10 / 2" << int(resDouble) << "5";
        QTest::newRow("division then product") << "100 / 10 * 2" << int(resDouble) << "20";
        QTest::newRow("parenthesis not exchanged") << "10 - (2 + 3)" << int(resInt) << "5";
        QTest::newRow("precedence") << "2 + 3 * 4" << int(resInt) << "14";
        QTest::newRow("minus right after operator")
            << "2*-3" << int(resError) << "Illegal character in numeric contant \"2*\"";
        QTest::newRow("minus in parentheses") << "2*(-3)" << int(resInt) << "-6";
        QTest::newRow("quoted operators are text") << "'a-b' + '/*'" << int(resString) << "a-b/*";

        // Promotion to text.
        QTest::newRow("text plus int") << "'a' + 1" << int(resString) << "a1";
        QTest::newRow("int plus text") << "1 + 'a'" << int(resString) << "1a";
        QTest::newRow("double becomes regional text") << "'v=' + 1.5" << int(resString) << "v=1,5";
        QTest::newRow("text against boolean") << "'x' = TRUE" << int(resBool) << "false";
        QTest::newRow("True text equals TRUE") << "'True' = TRUE" << int(resBool) << "true";
        QTest::newRow("concatenation cut to 255") << "'" + x255 + "' + 'y'" << int(resString) << x255;
        QTest::newRow("literal cut to 255") << "'" + x255 + "zz'" << int(resString) << x255;
        QTest::newRow("inner quotes kept") << "'it''s'" << int(resString) << "it''s";

        // Comparisons.
        QTest::newRow("text less") << "'a' < 'b'" << int(resBool) << "true";
        QTest::newRow("prefix sorts first") << "'a' < 'ab'" << int(resBool) << "true";
        QTest::newRow("case-sensitive codes") << "'B' < 'a'" << int(resBool) << "true";
        QTest::newRow("unequal") << "1 <> 2" << int(resBool) << "true";
        QTest::newRow("greater or equal") << "2 >= 2" << int(resBool) << "true";
        QTest::newRow("less or equal double") << "2.5 <= 2" << int(resBool) << "false";
        QTest::newRow("boolean equality") << "TRUE = TRUE" << int(resBool) << "true";
        QTest::newRow("boolean order refused")
            << "TRUE < FALSE" << int(resError) << "Operator < is not compatible with boolean expressions";
        QTest::newRow("second comparison not split")
            << "a = b and c = d" << int(resError) << "Unknown function : A";
        QTest::newRow("comparisons in parentheses") << "(1 = 1) and (2 = 2)" << int(resBool) << "true";
        QTest::newRow("or of comparisons") << "(1 = 2) or (2 = 2)" << int(resBool) << "true";

        // Operators that refuse a type.
        QTest::newRow("add booleans") << "TRUE + TRUE" << int(resError) << "Cannot add boolean expressions";
        QTest::newRow("subtract texts")
            << "'a' - 'b'" << int(resError) << "Cannot subtract string expressions";
        QTest::newRow("multiply booleans")
            << "TRUE * FALSE" << int(resError) << "Cannot multiply boolean expressions";
        QTest::newRow("divide texts") << "'a' / 'b'" << int(resError) << "Cannot divide string expressions";
        QTest::newRow("divide by zero") << "1 / 0" << int(resError) << "Cannot divide by 0";
        QTest::newRow("divide by zero double") << "1.5 / 0" << int(resError) << "Cannot divide by 0";
        QTest::newRow("bitwise or") << "6 or 1" << int(resInt) << "7";
        QTest::newRow("bitwise and") << "6 and 3" << int(resInt) << "2";
        QTest::newRow("or of doubles")
            << "1.5 or 2.5" << int(resError) << "Operator OR is not compatible with numeric expressions";
        QTest::newRow("and of texts")
            << "'a' and 'b'" << int(resError) << "Operator AND is not compatible with string expressions";
        QTest::newRow("left error wins") << "(1/0) + FOO(1)" << int(resError) << "Cannot divide by 0";
        QTest::newRow("right error wins") << "1 + FOO(1)" << int(resError) << "Unknown function : FOO";

        // NOT.
        QTest::newRow("not true") << "not TRUE" << int(resBool) << "false";
        QTest::newRow("not comparison") << "NOT (1 = 1)" << int(resBool) << "false";
        QTest::newRow("not number") << "not 5" << int(resError) << "Invalid use of NOT";
        QTest::newRow("name starting with not") << "NOTA" << int(resError) << "Invalid use of NOT";
        QTest::newRow("bracketed name") << "[NOTA]" << int(resError) << "Unknown function : NOTA";

        // Faults of the text.
        QTest::newRow("missing parenthesis") << "(1 + 2" << int(resError) << "Missing )";
        QTest::newRow("missing quote") << "'abc" << int(resError) << "Missing '";
        QTest::newRow("lone quote") << "'" << int(resError) << "Missing '";
        QTest::newRow("missing bracket") << "[abc" << int(resError) << "Missing ]";
        QTest::newRow("illegal first character") << "#1" << int(resError) << "Error in expression : #1";
        QTest::newRow("unknown function") << "FOO(1)" << int(resError) << "Unknown function : FOO";
        QTest::newRow("unknown name") << "FOO" << int(resError) << "Unknown function : FOO";
        QTest::newRow("blank before arguments") << "SUM (1)" << int(resError) << "Unknown function : SUM ";
        QTest::newRow("unclosed arguments") << "UPPER('a'" << int(resError) << "Unknown function : ";

        // Empty factors: an error element, never a failure.
        QTest::newRow("empty parentheses") << "()" << int(resError) << "Missing operand";
        QTest::newRow("lone plus") << "+" << int(resError) << "Missing operand";
        QTest::newRow("lone not") << "not" << int(resError) << "Invalid use of NOT";
        QTest::newRow("comparison at the end") << "1 <=" << int(resError) << "Missing operand";
        QTest::newRow("empty argument") << "IF(TRUE,,2)" << int(resError) << "Missing operand";
        QTest::newRow("blank parentheses") << "( )" << int(resError) << "Error in expression :  ";

        // Functions.
        QTest::newRow("DIV") << "DIV(7, 2)" << int(resInt) << "3";
        QTest::newRow("DIV rounds half up to even") << "DIV(7.5, 2)" << int(resInt) << "4";
        QTest::newRow("DIV rounds half down to even") << "DIV(6.5, 2)" << int(resInt) << "3";
        QTest::newRow("DIV negative truncates") << "DIV(-7, 2)" << int(resInt) << "-3";
        QTest::newRow("DIV by zero") << "DIV(1, 0)" << int(resError) << "Division by Zero";
        QTest::newRow("DIV by rounded zero") << "DIV(1, 0.4)" << int(resError) << "Division by Zero";
        QTest::newRow("DIV overflow wraps") << "DIV(-2147483648,-1)" << int(resInt) << "-2147483648";
        // A blank before a leading minus makes the minus an operator with an empty left side.
        QTest::newRow("blank before unary minus") << "1 + -2" << int(resError) << "Error in expression :  ";
        QTest::newRow("DIV beyond 32 bits") << "DIV(1E10, 2)" << int(resError) << "Wrong arguments for DIV";
        QTest::newRow("DIV of text") << "DIV('a', 2)" << int(resError) << "Wrong arguments for DIV";
        QTest::newRow("INT truncates") << "INT(-2.7)" << int(resInt) << "-2";
        QTest::newRow("INT of int") << "INT(5)" << int(resInt) << "5";
        QTest::newRow("INT beyond 32 bits") << "INT(1E10)" << int(resError) << "Wrong arguments for INT";
        QTest::newRow("INT of text") << "INT('1')" << int(resError) << "Wrong arguments for INT";
        QTest::newRow("FRAC keeps sign") << "FRAC(-2.5)" << int(resDouble) << "-0.5";
        QTest::newRow("FRAC of int") << "FRAC(3)" << int(resDouble) << "0";
        QTest::newRow("FRAC of text") << "FRAC('a')" << int(resError) << "Wrong arguments for FRAC";
        QTest::newRow("SQRT") << "SQRT(16)" << int(resDouble) << "4";
        QTest::newRow("SQRT negative") << "SQRT(-1)" << int(resError) << "Invalid argument to SQRT function";
        QTest::newRow("SQRT of text") << "SQRT('4')" << int(resError) << "Invalid argument to SQRT function";
        QTest::newRow("IF true") << "IF(1 = 1, 'a', 2)" << int(resString) << "a";
        QTest::newRow("IF false") << "IF(FALSE, 'a', 2)" << int(resInt) << "2";
        QTest::newRow("IF needs boolean") << "IF(1, 2, 3)" << int(resError) << "Wrong arguments for IF";
        QTest::newRow("IF needs three") << "IF(TRUE, 2)" << int(resError) << "Wrong arguments for IF";
        QTest::newRow("TYPEOF error") << "TYPEOF(1/0)" << int(resString) << "ERROR";
        QTest::newRow("TYPEOF int") << "TYPEOF(1)" << int(resString) << "INTEGER";
        QTest::newRow("TYPEOF double") << "TYPEOF(1.5)" << int(resString) << "FLOAT";
        QTest::newRow("TYPEOF text") << "TYPEOF('')" << int(resString) << "STRING";
        QTest::newRow("TYPEOF boolean") << "TYPEOF(TRUE)" << int(resString) << "BOOLEAN";
        QTest::newRow("TYPEOF two") << "TYPEOF(1, 2)" << int(resError) << "Wrong arguments for TypeOf";
        QTest::newRow("STR int") << "STR(-12)" << int(resString) << "-12";
        QTest::newRow("STR double") << "STR(1.5)" << int(resString) << "1,5";
        QTest::newRow("STR boolean") << "STR(TRUE)" << int(resString) << "True";
        QTest::newRow("STR text") << "STR('a')" << int(resError) << "Conversion error";
        QTest::newRow("UPPER") << "UPPER('ação')" << int(resString) << "AÇÃO";
        QTest::newRow("LOWER") << "LOWER('ÁB')" << int(resString) << "áb";
        QTest::newRow("PRETTY") << "PRETTY('jOÃO')" << int(resString) << "João";
        QTest::newRow("PRETTY empty") << "PRETTY('')" << int(resString) << "";
        QTest::newRow("UPPER of error") << "UPPER(1/0)" << int(resError) << "Cannot divide by 0";
        QTest::newRow("UPPER of number") << "UPPER(5)" << int(resError) << "Wrong arguments for UPPER";
        QTest::newRow("UPPER of two") << "UPPER('a', 'b')" << int(resError) << "Missing argument for UPPER";
        QTest::newRow("LOWER of none") << "LOWER()" << int(resError) << "Missing argument for LOWER";
        QTest::newRow("COPY") << "COPY('abcdef', 2, 3)" << int(resString) << "bcd";
        QTest::newRow("COPY start below 1") << "COPY('abc', 0, 2)" << int(resString) << "ab";
        QTest::newRow("COPY past the end") << "COPY('abc', 5, 1)" << int(resString) << "";
        QTest::newRow("COPY long length") << "COPY('abc', 2, 10)" << int(resString) << "bc";
        QTest::newRow("COPY zero length") << "COPY('abc', 1, 0)" << int(resString) << "";
        QTest::newRow("COPY double start")
            << "COPY('abc', 1.0, 2)" << int(resError) << "Wrong arguments for COPY";
        QTest::newRow("COPY empty argument")
            << "COPY('abc',,2)" << int(resError) << "Wrong arguments for COPY";
        QTest::newRow("FORMATNUMERIC lot caption")
            << "FORMATNUMERIC('0000 - ',7) + 'Lote'" << int(resString) << "0007 - Lote";
        QTest::newRow("FORMATNUMERIC process")
            << "FORMATNUMERIC('000000 / ', 123)" << int(resString) << "000123 / ";
        QTest::newRow("FORMATNUMERIC double")
            << "FORMATNUMERIC('#,##0.00', 1234.5)" << int(resString) << "1.234,50";
        QTest::newRow("FORMATNUMERIC of text")
            << "FORMATNUMERIC('0', 'a')" << int(resError) << "Wrong arguments for FORMATNUMERIC";
        QTest::newRow("TRUE with argument") << "TRUE(1)" << int(resError) << "Too many arguments";
        QTest::newRow("FALSE empty parentheses") << "FALSE()" << int(resBool) << "false";
        QTest::newRow("TIME with argument") << "TIME(1)" << int(resError) << "Too many arguments";
        QTest::newRow("COUNT with argument") << "COUNT(1)" << int(resError) << "COUNT - Too many arguments";
        QTest::newRow("SUM outside a pass") << "SUM(5)" << int(resInt) << "0";
        QTest::newRow("lower-case function") << "upper('a')" << int(resString) << "A";
        QTest::newRow("quoted separator") << "COPY('a,b', 2, 1)" << int(resString) << ",";
        QTest::newRow("nested call") << "UPPER(COPY('abc', 2, 2))" << int(resString) << "BC";
    }

    void expressions() {
        QFETCH(QString, expression);
        QFETCH(int, type);
        QFETCH(QString, expected);
        const TQREvResult r = Eval(expression);
        QCOMPARE(Show(r), expected);
        QCOMPARE(int(r.ResultType), type);
    }

    void accessors_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("accessor");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("thrown");

        QTest::newRow("string of int") << "12"
                                       << "String" << QVariant("12") << "";
        QTest::newRow("string of double") << "1.25"
                                          << "String" << QVariant("1,25") << "";
        QTest::newRow("string of boolean") << "TRUE"
                                           << "String" << QVariant("True") << "";
        QTest::newRow("string of error")
            << "1/0"
            << "String" << QVariant() << "Error in expression : Cannot divide by 0";
        QTest::newRow("integer rounds half to even") << "2.5"
                                                     << "Integer" << QVariant(2) << "";
        QTest::newRow("integer rounds up") << "3.5"
                                           << "Integer" << QVariant(4) << "";
        QTest::newRow("integer of text") << "'1'"
                                         << "Integer" << QVariant() << "Not a numeric value";
        QTest::newRow("integer of error") << "1/0"
                                          << "Integer" << QVariant() << "Not a numeric value";
        QTest::newRow("integer beyond 32 bits") << "1E10"
                                                << "Integer" << QVariant() << "Conversion error";
        QTest::newRow("float of int") << "3"
                                      << "Float" << QVariant(3.0) << "";
        QTest::newRow("float of boolean") << "TRUE"
                                          << "Float" << QVariant() << "Not a numeric value";
        QTest::newRow("boolean of text") << "'true'"
                                         << "Boolean" << QVariant(true) << "";
        QTest::newRow("boolean of FALSE text") << "'False'"
                                               << "Boolean" << QVariant(false) << "";
        QTest::newRow("boolean of other text") << "'sim'"
                                               << "Boolean" << QVariant() << "Not a boolean value";
        QTest::newRow("boolean of number") << "1"
                                           << "Boolean" << QVariant() << "Not a boolean value";
        QTest::newRow("variant of double") << "1.5"
                                           << "Variant" << QVariant(1.5) << "";
        QTest::newRow("variant of error")
            << "1/0"
            << "Variant" << QVariant() << "Error in expression : Cannot divide by 0";
    }

    void accessors() {
        QFETCH(QString, expression);
        QFETCH(QString, accessor);
        QFETCH(QVariant, expected);
        QFETCH(QString, thrown);
        TQREvaluator evaluator;
        evaluator.Prepare(expression);
        try {
            QVariant got;
            if (accessor == u"String") {
                got = evaluator.AsString();
            } else if (accessor == u"Integer") {
                got = evaluator.AsInteger();
            } else if (accessor == u"Float") {
                got = evaluator.AsFloat();
            } else if (accessor == u"Boolean") {
                got = evaluator.AsBoolean();
            } else {
                got = evaluator.AsVariant();
            }
            QVERIFY2(thrown.isEmpty(), "expected an exception");
            QCOMPARE(got, expected);
        } catch (const Exception& e) {
            QCOMPARE(e.message(), thrown);
        }
    }

    void valueWhenUnpreparedThrows() {
        TQREvaluator evaluator;
        QVERIFY_THROWS_EXCEPTION(Exception, evaluator.Value());
        try {
            evaluator.Value();
        } catch (const Exception& e) {
            QCOMPARE(e.message(), QStringLiteral("Evaluator not prepared"));
        }
        evaluator.Prepare(QStringLiteral("1"));
        evaluator.UnPrepare();
        QVERIFY_THROWS_EXCEPTION(Exception, evaluator.Value());
        // Prepare on a prepared evaluator starts afresh.
        evaluator.Prepare(QStringLiteral("1"));
        evaluator.Prepare(QStringLiteral("2"));
        QCOMPARE(evaluator.Value().IntegerValue, 2);
    }

    void proposalReportPrefixSequences() {
        TMemoryDataSet relatorio;
        relatorio.setObjectName(QStringLiteral("CDS_Relatorio"));
        ProposalSchema::DeclareRelatorio(relatorio);
        TQRDataSetList dataSets{&relatorio};
        const int processo = relatorio.FindField(QStringLiteral("NRO_PROCESSO"))->Index();
        const int exercicio = relatorio.FindField(QStringLiteral("ANO_EXERCICIO"))->Index();
        const int lote = relatorio.FindField(QStringLiteral("NRO_LOTE"))->Index();
        const int desLote = relatorio.FindField(QStringLiteral("DES_LOTE"))->Index();

        TQREvaluator evaluator;
        evaluator.SetDatasets(&dataSets);
        evaluator.Prepare(
            QStringLiteral("FORMATNUMERIC('000000 / ',CDS_Relatorio.NRO_PROCESSO) + "
                           "FORMATNUMERIC('0000',CDS_Relatorio.ANO_EXERCICIO)"));
        const QString end = QString::fromLatin1(typeid(TQREvElementArgumentEnd).name());
        QCOMPARE(Sequence(evaluator),
                 (QStringList{"op +", "function FORMATNUMERIC", "string 000000 / ",
                              QStringLiteral("field %1").arg(processo), end, "function FORMATNUMERIC",
                              "string 0000", QStringLiteral("field %1").arg(exercicio), end}));
        QVERIFY(!evaluator.GetIsAggreg());

        evaluator.Prepare(
            QStringLiteral("FORMATNUMERIC('0000 - ',CDS_Relatorio.NRO_LOTE) + CDS_Relatorio.DES_LOTE"));
        QCOMPARE(Sequence(evaluator), (QStringList{"op +", "function FORMATNUMERIC", "string 0000 - ",
                                                   QStringLiteral("field %1").arg(lote), end,
                                                   QStringLiteral("field %1").arg(desLote)}));
    }

    void signExchangeSequence() {
        TQREvaluator evaluator;
        evaluator.Prepare(QStringLiteral("10 - 2 + 3"));
        QCOMPARE(Sequence(evaluator), (QStringList{"op -", "const 10", "op -", "const 2", "const 3"}));
        evaluator.Prepare(QStringLiteral("a - b or c"));
        // "or" is not exchanged: a minus (b or c).
        QCOMPARE(Sequence(evaluator).mid(0, 3), (QStringList{"op -", "error", "op or"}));
    }

    void hostileNestingIsAnError() {
        // Nesting deep enough to exhaust the stack is refused with a message.
        const QString deep = QString(20000, u'(') + u'1' + QString(20000, u')');
        TQREvResult r = Eval(deep);
        QCOMPARE(r.ResultType, resError);
        QVERIFY(r.StringValue().startsWith(QStringLiteral("Error in expression : (")));

        QString chain = QStringLiteral("1");
        for (int i = 0; i < 5000; ++i) {
            chain += QStringLiteral("+1");
        }
        QCOMPARE(Eval(chain).ResultType, resError);

        QString modest = QStringLiteral("1");
        for (int i = 0; i < 199; ++i) {
            modest += QStringLiteral(" + 1");
        }
        QCOMPARE(Show(Eval(modest)), QStringLiteral("200"));
    }

    void timeAndDateReadTheClock() {
        SetQRNow([] { return QDateTime(QDate(2009, 3, 15), QTime(14, 30, 5)); });
        QCOMPARE(Show(Eval(QStringLiteral("TIME"))), QStringLiteral("14:30:05"));
        QCOMPARE(Show(Eval(QStringLiteral("TIME()"))), QStringLiteral("14:30:05"));
        QCOMPARE(Show(Eval(QStringLiteral("DATE"))), QStringLiteral("15/03/2009"));
        SetQRNow(nullptr);
    }

    void library() {
        const QStringList names{"IF",    "STR", "UPPER", "LOWER", "PRETTY", "TIME",    "DATE",
                                "COPY",  "SUM", "COUNT", "MAX",   "MIN",    "AVERAGE", "TRUE",
                                "FALSE", "INT", "FRAC",  "SQRT",  "DIV",    "TYPEOF",  "FORMATNUMERIC"};
        const QStringList codes{"5BVV", "7N", "7S", "7S", "7S", "1",  "1",  "7SNN", "3N", "3",  "3V",
                                "3V",   "3N", "5",  "5",  "2N", "2N", "2N", "2NN",  "6N", "7SN"};
        TQRFunctionLibrary& library = QRFunctionLibrary();
        QVERIFY(library.Count() >= 21);
        for (int i = 0; i < 21; ++i) {
            QCOMPARE(library.GetEntry(i)->Name, names[i]);
            QCOMPARE(library.GetEntry(i)->ArgumentCodes, codes[i]);
            QVERIFY(library.GetEntry(i)->Description.contains(u'|'));
            QCOMPARE(library.GetEntry(i)->Vendor, library.GetEntry(0)->Vendor);
        }
        QCOMPARE(library.GetEntry(18)->Description,
                 QStringLiteral("DIV(<X>, <Y>) | Integer division of <X> by <Y>"));
        QCOMPARE(library.GetEntry(0)->Description,
                 QStringLiteral(
                     "IF(<Exp>, <X>, <Y>)|Returns <X> or <Y> depending on the boolean expression <Exp>"));
        QVERIFY(library.GetEntry(library.Count()) == nullptr);
        std::unique_ptr<TQREvElement> unknown = library.GetFunction(QStringLiteral("Nada"));
        auto* error = dynamic_cast<TQREvElementError*>(unknown.get());
        QVERIFY(error != nullptr);
        QCOMPARE(error->Message, QStringLiteral("Unknown function : Nada"));
    }

    void registeredFunctionIsCallable() {
        struct Twice : TQREvElementFunction {
            TQREvResult Calculate() override {
                if (ArgumentCount() == 1 && Argument(0).ResultType == resInt) {
                    return TQREvResult::Int(Argument(0).IntegerValue * 2);
                }
                return TQREvResult::Error(QStringLiteral("Wrong arguments for TWICE"));
            }
        };
        RegisterQRFunction(QRFunctionClass<Twice>, QStringLiteral("TWICE"),
                           QStringLiteral("TWICE(<X>)|Doubles <X>"), QStringLiteral("Teste"),
                           QStringLiteral("2N"));
        QCOMPARE(Show(Eval(QStringLiteral("TWICE(21) + 1"))), QStringLiteral("43"));
    }
};

QTEST_GUILESS_MAIN(TestQREvaluator)
#include "tst_qrevaluator.moc"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

#include "ControlsTest.h"
#include "controls/Memoedit.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
using controls_test::MessageRecorder;
using controls_test::Type;

namespace {

const QString kPreco = QStringLiteral("###,###,###,###0.0000;0");
const QString kInteiro = QStringLiteral("00000;0");
const QString kTitle = QStringLiteral("Quorin Realinhamento de Preço");

// A window with a plain edit first in the tab order (it takes the focus when the window opens)
// and the numeric field after it, set up as a form would: the price field gets its stored text
// and maximum length before its mask.
struct Form {
    explicit Form(const QString& mask) {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        memo = new TMemoEdit(&window);
        layout->addWidget(other);
        layout->addWidget(memo);
        if (mask.contains(u'.')) {
            memo->setText(QStringLiteral("0,0000"));
            memo->setMaxLength(20);
        }
        memo->SetMascara(mask);
    }

    QWidget window;
    QLineEdit* other = nullptr;
    TMemoEdit* memo = nullptr;
};

}  // namespace

class TestMemoEdit : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QApplication::setApplicationDisplayName(kTitle);
    }

    void initialState() {
        TMemoEdit memo;
        QCOMPARE(memo.Mascara(), kInteiro);
        QCOMPARE(memo.text(), QStringLiteral("00000"));
        QCOMPARE(memo.maxLength(), 5);
        QCOMPARE(memo.Valor, QString());
        QVERIFY(!memo.TemDecimais());
        QVERIFY(memo.alignment() & Qt::AlignRight);
        QCOMPARE(memo.size(), QSize(115, 21));
    }

    void priceFieldFromItsStoredProperties() {
        Form f(kPreco);
        QCOMPARE(f.memo->text(), QStringLiteral("0,0000"));
        QCOMPARE(f.memo->Valor, QStringLiteral("0,0000"));
        QVERIFY(f.memo->TemDecimais());
        QCOMPARE(f.memo->DigitosInteiros(), int16_t(13));
        QCOMPARE(f.memo->CasasDecimais(), int16_t(4));
        QCOMPARE(f.memo->maxLength(), 20);
    }

    // Keys typed after the field gained the focus (which selects the whole text); start is the
    // text the program assigned before, as the main window does when the current item changes.
    void typing_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("selected");

        // Entering drops the grouping and selects everything; a digit then replaces it all.
        QTest::newRow("entered plain and selected") << kPreco << "1.234,5000"
                                                    << ""
                                                    << "1234,5000"
                                                    << "1234,5000" << 9 << "1234,5000";
        QTest::newRow("digit replaces selection") << kPreco << "1.234,5000"
                                                  << "7"
                                                  << "7"
                                                  << "7,0000" << 1 << "";
        QTest::newRow("typed number") << kPreco << ""
                                      << "1234,5"
                                      << "1234,5"
                                      << "1234,5000" << 6 << "";
        QTest::newRow("point types comma") << kPreco << ""
                                           << "12.5"
                                           << "12,5"
                                           << "12,5000" << 4 << "";
        QTest::newRow("second comma refused") << kPreco << ""
                                              << "12,5,."
                                              << "12,5"
                                              << "12,5000" << 4 << "";
        // One comma only, even when everything is selected: the selected text has one.
        QTest::newRow("comma over selection refused") << kPreco << "1,5000"
                                                      << ","
                                                      << "1,5000"
                                                      << "1,5000" << 6 << "1,5000";
        QTest::newRow("point over selection refused") << kPreco << "1,5000"
                                                      << "."
                                                      << "1,5000"
                                                      << "1,5000" << 6 << "1,5000";
        QTest::newRow("fifth decimal refused") << kPreco << ""
                                               << "1,23456"
                                               << "1,2345"
                                               << "1,2345" << 6 << "";
        QTest::newRow("fourteenth integer digit refused") << kPreco << ""
                                                          << "12345678901234"
                                                          << "1234567890123"
                                                          << "1234567890123,0000" << 13 << "";
        QTest::newRow("minus counts as an integer position") << kPreco << ""
                                                             << "-12345678901234"
                                                             << "-1234567890123"
                                                             << "-1234567890123,0000" << 14 << "";
        // 13 integer digits and the caret before the comma: no room, although decimals are free.
        QTest::newRow("full integer part, caret before comma") << kPreco << ""
                                                               << "1234567890123,5{HOME}9"
                                                               << "1234567890123,5"
                                                               << "1234567890123,5000" << 0 << "";
        QTest::newRow("full integer part, caret at the comma") << kPreco << ""
                                                               << "1234567890123,5{END}{LEFT}{LEFT}9"
                                                               << "1234567890123,5"
                                                               << "1234567890123,5000" << 13 << "";
        QTest::newRow("four decimals, caret right after the comma") << kPreco << ""
                                                                    << "1,2345{HOME}{RIGHT}{RIGHT}9"
                                                                    << "1,2345"
                                                                    << "1,2345" << 2 << "";
        QTest::newRow("digit before comma") << kPreco << ""
                                            << "12,5{HOME}9"
                                            << "912,5"
                                            << "912,5000" << 1 << "";
        QTest::newRow("backspace after four decimals") << kPreco << ""
                                                       << "1,2345{BS}"
                                                       << "1,234"
                                                       << "1,2340" << 5 << "";
        QTest::newRow("backspace in full integer part") << kPreco << ""
                                                        << "1234567890123,5{HOME}{RIGHT}{BS}"
                                                        << "234567890123,5"
                                                        << "234567890123,5000" << 0 << "";
        QTest::newRow("decimal typed after moving past comma") << kPreco << ""
                                                               << "1,2345{LEFT}{BS}9"
                                                               << "1,2395"
                                                               << "1,2395" << 5 << "";
        QTest::newRow("minus after digits refused") << kPreco << ""
                                                    << "12-"
                                                    << "12"
                                                    << "12,0000" << 2 << "";
        QTest::newRow("minus at start") << kPreco << ""
                                        << "12{HOME}-"
                                        << "-12"
                                        << "-12,0000" << 1 << "";
        QTest::newRow("second minus refused") << kPreco << ""
                                              << "-1-{HOME}-"
                                              << "-1"
                                              << "-1,0000" << 0 << "";
        // A lone minus does not convert: Valor keeps the last value that did.
        QTest::newRow("lone minus keeps Valor") << kPreco << "5,0000"
                                                << "-"
                                                << "-"
                                                << "5,0000" << 1 << "";
        QTest::newRow("letters refused") << kPreco << ""
                                         << "1a2Bz"
                                         << "12"
                                         << "12,0000" << 2 << "";
        QTest::newRow("accented signs refused") << kPreco << ""
                                                << "1ç2Ç3´4é"
                                                << "1234"
                                                << "1234,0000" << 4 << "";
        QTest::newRow("blank and Enter refused") << kPreco << ""
                                                 << "1{SPACE}2{ENTER}"
                                                 << "12"
                                                 << "12,0000" << 2 << "";
        QTest::newRow("deleting everything") << kPreco << "5,0000"
                                             << "{BS}"
                                             << ""
                                             << "0" << 0 << "";

        // Integer field: on entering, the maximum length is 6; without a minus sign typing stops
        // one short of it, with one at it.
        QTest::newRow("integer entered plain") << kInteiro << "00042"
                                               << ""
                                               << "42"
                                               << "00042" << 2 << "42";
        QTest::newRow("integer length without minus") << kInteiro << ""
                                                      << "123456"
                                                      << "12345"
                                                      << "12345" << 5 << "";
        QTest::newRow("integer length with minus") << kInteiro << ""
                                                   << "-123456"
                                                   << "-12345"
                                                   << "-12345" << 6 << "";
        QTest::newRow("integer refuses comma and point") << kInteiro << ""
                                                         << "1,2.3"
                                                         << "123"
                                                         << "00123" << 3 << "";
    }

    void typing() {
        QFETCH(QString, mask);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, valor);
        QFETCH(int, caret);
        QFETCH(QString, selected);

        MessageRecorder messages;
        Form f(mask);
        f.memo->setText(start);
        QVERIFY(controls_test::ShowActive(&f.window));
        QCOMPARE(QApplication::focusWidget(), f.other);
        f.memo->setFocus();
        QVERIFY(f.memo->hasFocus());
        Type(f.memo, keys);

        QCOMPARE(f.memo->text(), text);
        QCOMPARE(f.memo->Valor, valor);
        QCOMPARE(f.memo->cursorPosition(), caret);
        QCOMPARE(f.memo->selectedText(), selected);
        QCOMPARE(messages.texts(), QStringList());
    }

    // A key press that carries several characters (composed input) filters each of them.
    void composedKeyPress() {
        Form f(kPreco);
        QVERIFY(controls_test::ShowActive(&f.window));
        f.memo->setFocus();
        QTest::sendKeyEvent(QTest::Click, f.memo, Qt::Key_unknown, QStringLiteral("1a.5-"), Qt::NoModifier);
        QCOMPARE(f.memo->text(), QStringLiteral("1,5"));
    }

    // The limit stops pasted text as it stops typed text, but a text the program assigns is kept
    // whole: a 13-digit price with grouping is 22 characters.
    void maximumLengthLimitsTheUserOnly() {
        Form f(kPreco);
        f.memo->setText(QStringLiteral("1.234.567.890.123,0000"));
        QCOMPARE(f.memo->text(), QStringLiteral("1.234.567.890.123,0000"));
        QCOMPARE(f.memo->Valor, QStringLiteral("1234567890123,0000"));

        QVERIFY(controls_test::ShowActive(&f.window));
        QApplication::clipboard()->setText(QStringLiteral("1234567890123456789012345"));
        f.memo->setFocus();
        Type(f.memo, QStringLiteral("{PASTE}"));
        QCOMPARE(f.memo->text(), QStringLiteral("12345678901234567890"));
    }

    // Leaving the field after typing keys into it (the text was blank, so entering gave "0,00" or
    // "0", all selected).
    void leaving_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("showZero");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("message");

        QTest::newRow("zero leaves the box empty") << kPreco << false << ""
                                                   << "0"
                                                   << ""
                                                   << "0,0000"
                                                   << "";
        QTest::newRow("empty box") << kPreco << false << ""
                                   << "{BS}"
                                   << ""
                                   << "0,0000"
                                   << "";
        QTest::newRow("zero shown") << kPreco << true << ""
                                    << "0"
                                    << "0,0000"
                                    << "0,0000"
                                    << "";
        QTest::newRow("grouped on leaving") << kPreco << false << ""
                                            << "1234,5"
                                            << "1.234,5000"
                                            << "1234,5000"
                                            << "";
        QTest::newRow("negative") << kPreco << false << ""
                                  << "-5"
                                  << "-5,0000"
                                  << "-5,0000"
                                  << "";
        QTest::newRow("thirteen digits kept whole") << kPreco << false << ""
                                                    << "1234567890123"
                                                    << "1.234.567.890.123,0000"
                                                    << "1234567890123,0000"
                                                    << "";
        // Text that does not convert stays as typed, with the last good Valor.
        QTest::newRow("lone minus") << kPreco << false << ""
                                    << "-"
                                    << "-"
                                    << "0,0000"
                                    << "Valor inválido.";
        QTest::newRow("pasted letter") << kPreco << false << "12a"
                                       << "{PASTE}"
                                       << "12a"
                                       << "0,0000"
                                       << "Valor inválido.";
        QTest::newRow("integer padded") << kInteiro << false << ""
                                        << "42"
                                        << "00042"
                                        << "00042"
                                        << "";
        QTest::newRow("integer zero") << kInteiro << false << ""
                                      << "0"
                                      << ""
                                      << "00000"
                                      << "";
        QTest::newRow("integer lone minus") << kInteiro << false << ""
                                            << "-"
                                            << "-"
                                            << "00000"
                                            << "Valor inválido.";
    }

    void leaving() {
        QFETCH(QString, mask);
        QFETCH(bool, showZero);
        QFETCH(QString, clipboard);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, valor);
        QFETCH(QString, message);

        MessageRecorder messages;
        Form f(mask);
        f.memo->SetShowZero(showZero);
        f.memo->setText(QString());
        QVERIFY(controls_test::ShowActive(&f.window));
        QApplication::clipboard()->setText(clipboard);
        f.memo->setFocus();
        Type(f.memo, keys);
        QSignalSpy exited(f.memo, &TMemoEdit::Exited);
        f.other->setFocus();

        QCOMPARE(f.memo->text(), text);
        QCOMPARE(f.memo->Valor, valor);
        if (message.isEmpty()) {
            QCOMPARE(messages.texts(), QStringList());
            QCOMPARE(QApplication::focusWidget(), f.other);
            QCOMPARE(exited.count(), 1);
        } else {
            QCOMPARE(messages.texts(), QStringList{message});
            QCOMPARE(messages.messages.first().caption, kTitle);
            // The focus is back in the field while the message shows, and stays there.
            QCOMPARE(messages.messages.first().focus.data(), f.memo);
            QCOMPARE(QApplication::focusWidget(), f.memo);
            QCOMPARE(f.memo->selectedText(), text);
            QCOMPARE(exited.count(), 0);
        }
    }

    // Leaving by Tab and coming back by Shift+Tab, as the user does.
    void integerFieldReentered() {
        MessageRecorder messages;
        Form f(kInteiro);
        QVERIFY(controls_test::ShowActive(&f.window));
        f.memo->setFocus();
        Type(f.memo, QStringLiteral("42"));
        QTest::keyClick(f.memo, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.other);
        QCOMPARE(f.memo->text(), QStringLiteral("00042"));
        QCOMPARE(f.memo->Valor, QStringLiteral("00042"));

        QTest::keyClick(f.other, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), f.memo);
        QCOMPARE(f.memo->text(), QStringLiteral("42"));
        QCOMPARE(f.memo->selectedText(), QStringLiteral("42"));
        QCOMPARE(f.memo->maxLength(), 6);
        QCOMPARE(messages.texts(), QStringList());
    }

    // After a refused exit the field is still the one being edited: correcting the text and
    // leaving again completes the exit once.
    void refusedExitThenCorrected() {
        MessageRecorder messages;
        Form f(kPreco);
        QVERIFY(controls_test::ShowActive(&f.window));
        QSignalSpy entered(f.memo, &TMemoEdit::Entered);
        QSignalSpy exited(f.memo, &TMemoEdit::Exited);
        f.memo->setFocus();
        Type(f.memo, QStringLiteral("-"));
        f.other->setFocus();
        QCOMPARE(QApplication::focusWidget(), f.memo);
        Type(f.memo, QStringLiteral("-8"));
        f.other->setFocus();
        QCOMPARE(QApplication::focusWidget(), f.other);
        QCOMPARE(f.memo->text(), QStringLiteral("-8,0000"));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Valor inválido.")});
        QCOMPARE(entered.count(), 1);
        QCOMPARE(exited.count(), 1);
    }

    // The real message box, answered by a timer: an error box with the title and one OK button.
    // The field the user was moving to (another numeric field) neither enters nor leaves while
    // the box opens and closes.
    void realMessageBoxKeepsTheFocus() {
        Form f(kPreco);
        auto* next = new TMemoEdit(&f.window);
        f.window.layout()->addWidget(next);
        next->SetMascara(kPreco);
        next->SetAcceptZero(true);
        next->SetErrorMessageZero(QStringLiteral("Informe o preço."));
        QVERIFY(controls_test::ShowActive(&f.window));
        f.memo->setFocus();
        Type(f.memo, QStringLiteral("-"));

        // Answers every box that opens, so that a second one shows up in the list instead of
        // blocking the test.
        QStringList seen;
        QTimer answerer;
        answerer.setInterval(0);
        connect(&answerer, &QTimer::timeout, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            seen << QStringList{box->windowTitle(), box->text(), QString::number(box->icon()),
                                QString::number(box->standardButtons())}
                        .join(u'|');
            box->button(QMessageBox::Ok)->click();
        });
        answerer.start();
        QSignalSpy nextEntered(next, &TMemoEdit::Entered);
        QSignalSpy nextExited(next, &TMemoEdit::Exited);
        QTest::keyClick(f.memo, Qt::Key_Tab);
        answerer.stop();
        // A window manager activates the window again when the box closes; offscreen, the test does.
        QCOMPARE(f.window.focusWidget(), f.memo);
        QVERIFY(controls_test::ShowActive(&f.window));
        QCOMPARE(seen, QStringList{QStringList({kTitle, QStringLiteral("Valor inválido."),
                                                QString::number(QMessageBox::Critical),
                                                QString::number(QMessageBox::Ok)})
                                       .join(u'|')});
        QCOMPARE(QApplication::focusWidget(), f.memo);
        QCOMPARE(f.memo->text(), QStringLiteral("-"));
        QCOMPARE(nextEntered.count(), 0);
        QCOMPARE(nextExited.count(), 0);
    }

    // A window switch is not an exit: no check runs and the value is not reformatted.
    void windowSwitchIsNoExit() {
        MessageRecorder messages;
        Form f(kPreco);
        QVERIFY(controls_test::ShowActive(&f.window));
        f.memo->setFocus();
        Type(f.memo, QStringLiteral("-"));
        QWidget elsewhere;
        QVERIFY(controls_test::ShowActive(&elsewhere));
        QVERIFY(controls_test::ShowActive(&f.window));
        QCOMPARE(QApplication::focusWidget(), f.memo);
        QCOMPARE(f.memo->text(), QStringLiteral("-"));
        QCOMPARE(messages.texts(), QStringList());
    }

    void zeroCheck_data() {
        QTest::addColumn<bool>("acceptZero");
        QTest::addColumn<QString>("errorMessage");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("refused");

        // The message is shown as set, blanks included.
        QTest::newRow("zero refused") << true << " Informe o preço. "
                                      << "0" << true;
        QTest::newRow("empty box is zero") << true << "Informe o preço."
                                           << "{BS}" << true;
        QTest::newRow("blank message accepts zero") << true << "   "
                                                    << "0" << false;
        QTest::newRow("check off") << false << ""
                                   << "0" << false;
        QTest::newRow("non-zero passes") << true << "Informe o preço."
                                         << "3" << false;
    }

    void zeroCheck() {
        QFETCH(bool, acceptZero);
        QFETCH(QString, errorMessage);
        QFETCH(QString, keys);
        QFETCH(bool, refused);

        MessageRecorder messages;
        Form f(kPreco);
        f.memo->SetAcceptZero(acceptZero);
        f.memo->SetErrorMessageZero(errorMessage);
        QVERIFY(controls_test::ShowActive(&f.window));
        f.memo->setFocus();
        Type(f.memo, keys);
        QSignalSpy exited(f.memo, &TMemoEdit::Exited);
        f.other->setFocus();

        QCOMPARE(messages.texts(), refused ? QStringList{errorMessage} : QStringList());
        QCOMPARE(QApplication::focusWidget(), refused ? static_cast<QWidget*>(f.memo) : f.other);
        QCOMPARE(exited.count(), refused ? 0 : 1);
    }

    void zeroCheckProperties() {
        TMemoEdit memo;
        memo.SetErrorMessageZero(QStringLiteral("   "));
        QVERIFY(!memo.AcceptZero());
        memo.SetErrorMessageZero(QStringLiteral("Informe o preço."));
        QVERIFY(memo.AcceptZero());
        memo.SetAcceptZero(true);
        QCOMPARE(memo.ErrorMessageZero(), QStringLiteral("Informe o preço."));
        memo.SetAcceptZero(false);
        QCOMPARE(memo.ErrorMessageZero(), QString());
    }

    // The main window assigns the price formatted with grouping; Valor follows without it.
    void assignedText() {
        Form f(kPreco);
        f.memo->setText(QStringLiteral("1.234,5000"));
        QCOMPARE(f.memo->Valor, QStringLiteral("1234,5000"));
        QCOMPARE(f.memo->ValorDecimal(), 1234.5);
        f.memo->setText(QStringLiteral("abc"));
        QCOMPARE(f.memo->Valor, QStringLiteral("1234,5000"));
        f.memo->setText(QString());
        QCOMPARE(f.memo->Valor, QStringLiteral("0"));
    }

    void blankMaskRefused() {
        MessageRecorder messages;
        Form f(kPreco);
        f.memo->SetMascara(QStringLiteral("  "));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Máscara inválida.")});
        QCOMPARE(messages.messages.first().caption, kTitle);
        QCOMPARE(f.memo->Mascara(), kInteiro);
        QCOMPARE(f.memo->text(), QStringLiteral("00000"));
        QCOMPARE(f.memo->Valor, QStringLiteral("00000"));
        QCOMPARE(f.memo->maxLength(), 7);
        // The replacement mask has no decimals, and the field now behaves as an integer field.
        QVERIFY(!f.memo->TemDecimais());

        f.memo->SetMascara(kInteiro);
        QCOMPARE(messages.texts().size(), 1);
    }

    // Changing the mask with a value of 1.000 or more keeps Valor readable by a string-to-float
    // conversion; only flag "1" asks for grouping in it.
    void maskChangeKeepsValorPlain_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("valor");
        QTest::newRow("flag 0") << "#,##0.00;0"
                                << "1.234,50"
                                << "1234,50";
        QTest::newRow("flag 1") << "#,##0.00;1"
                                << "1.234,50"
                                << "1.234,50";
        QTest::newRow("integer") << "000000;0"
                                 << "000000"
                                 << "000000";
    }

    void maskChangeKeepsValorPlain() {
        QFETCH(QString, mask);
        QFETCH(QString, text);
        QFETCH(QString, valor);
        Form f(kPreco);
        f.memo->setText(QStringLiteral("1.234,5000"));
        f.memo->SetMascara(mask);
        QCOMPARE(f.memo->text(), text);
        QCOMPARE(f.memo->Valor, valor);
    }

    void strZero_data() {
        QTest::addColumn<QString>("s");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("result");
        QTest::newRow("padded") << "42" << 5 << "00042";
        QTest::newRow("empty") << "" << 3 << "000";
        QTest::newRow("longer kept") << "123456" << 5 << "123456";
        // Counted on the trimmed text, prepended to the untrimmed one.
        QTest::newRow("blanks kept") << " 42" << 5 << "000 42";
        QTest::newRow("blank only") << "  " << 2 << "00  ";
    }

    void strZero() {
        QFETCH(QString, s);
        QFETCH(int, n);
        QFETCH(QString, result);
        QCOMPARE(TMemoEdit::StrZero(s, n), result);
    }

    void textUtilities() {
        QCOMPARE(TMemoEdit::Conta_Num_Valido(QStringLiteral("###,###,###,###0.0000")), 18);
        QCOMPARE(TMemoEdit::Retira_Virgula(QStringLiteral("###,###,###,###0.0000")),
                 QStringLiteral("############0.0000"));
        QVERIFY(TMemoEdit::IsNumeric(QString()));
        QVERIFY(TMemoEdit::IsNumeric(QStringLiteral("-1,5")));
        QVERIFY(TMemoEdit::IsNumeric(QStringLiteral("çé")));
        QVERIFY(TMemoEdit::IsNumeric(QString::fromUtf16(u"12\0ab", 5)));  // the text ends at NUL
        QVERIFY(!TMemoEdit::IsNumeric(QStringLiteral("12a")));
        QVERIFY(!TMemoEdit::IsNumeric(QStringLiteral("Z")));
        QVERIFY(!TMemoEdit::IsNumeric(QStringLiteral("1\r")));
        QVERIFY(!TMemoEdit::IsNumeric(QStringLiteral("1\n")));
    }

    void converteValor_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("grouping and percent") << "1.234,5%" << 1234.5;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks around") << " 12,5 " << 12.5;
        QTest::newRow("negative grouped") << "-1.234.567,89" << -1234567.89;
    }

    void converteValor() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Converte_Valor(text), value);
    }

    void converteValorRefuses_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << "12a";
        QTest::newRow("lone minus") << "-";
        QTest::newRow("blank") << "  ";
    }

    void converteValorRefuses() {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(EConvertError, Converte_Valor(text));
    }
};

QTEST_MAIN(TestMemoEdit)
#include "tst_memoedit.moc"

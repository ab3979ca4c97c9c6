#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "ControlsTest.h"
#include "controls/Timemask.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
using controls_test::MessageRecorder;
using controls_test::Type;

namespace {

const QString kTitle = QStringLiteral("Quorin Realinhamento de Preço");

// A plain edit first in the tab order, so that the window opens with the focus outside the box.
struct Form {
    Form() {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        time = new TTimeMaskEdit(&window);
        layout->addWidget(other);
        layout->addWidget(time);
    }

    QWidget window;
    QLineEdit* other = nullptr;
    TTimeMaskEdit* time = nullptr;
};

}  // namespace

class TestTimeMaskEdit : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QApplication::setApplicationDisplayName(kTitle);
    }

    void initialState() {
        TTimeMaskEdit time;
        QCOMPARE(time.Text(), TTimeMaskEdit::EmptyText);
        QVERIFY(time.AceitaNulo());
        QCOMPARE(time.Alignment(), Qt::Alignment(Qt::AlignLeft));
        QCOMPARE(time.width(), 49);
        time.SetAlignment(Qt::AlignRight);
        QCOMPARE(time.alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignRight));
    }

    // Keys typed after entering the box (which selects it all); the digits fill the free
    // positions, everything else is refused before the mask sees it.
    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits fill the mask") << "1230"
                                              << "12:30";
        QTest::newRow("letters, blanks and colon ignored") << "1a:2{SPACE}3x:0"
                                                           << "12:30";
        QTest::newRow("accented letters ignored") << "1ç2"
                                                  << "12:  ";
        QTest::newRow("digits beyond the mask") << "123456"
                                                << "12:34";
        QTest::newRow("paste shortcut refused") << "{PASTE}"
                                                << "  :  ";
        QTest::newRow("backspace still edits") << "1230{BS}{BS}"
                                               << "12:  ";
    }

    void typing() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        Form f;
        QVERIFY(controls_test::ShowActive(&f.window));
        QApplication::clipboard()->setText(QStringLiteral("99"));
        f.time->setFocus();
        Type(f.time, keys);
        QCOMPARE(f.time->Text(), text);
    }

    void leaving_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("aceitaNulo");
        QTest::addColumn<bool>("refused");
        QTest::newRow("valid time") << "1230" << true << false;
        QTest::newRow("midnight") << "0000" << false << false;
        QTest::newRow("last minute") << "2359" << false << false;
        QTest::newRow("hour 25") << "2500" << true << true;
        QTest::newRow("minute 75") << "1275" << true << true;
        QTest::newRow("minutes missing") << "9" << true << true;
        QTest::newRow("empty box accepted") << "" << true << false;
        QTest::newRow("empty box refused") << "" << false << true;
    }

    void leaving() {
        QFETCH(QString, keys);
        QFETCH(bool, aceitaNulo);
        QFETCH(bool, refused);

        MessageRecorder messages;
        Form f;
        f.time->SetAceitaNulo(aceitaNulo);
        QVERIFY(controls_test::ShowActive(&f.window));
        f.time->setFocus();
        Type(f.time, keys);
        const QString typed = f.time->Text();
        QSignalSpy exited(f.time, &TTimeMaskEdit::Exited);
        f.other->setFocus();

        // The exit notification follows the check whatever it found.
        QCOMPARE(exited.count(), 1);
        QCOMPARE(f.time->Text(), typed);
        if (!refused) {
            QCOMPARE(messages.texts(), QStringList());
            QCOMPARE(QApplication::focusWidget(), f.other);
            return;
        }
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Hora inválida")});
        QCOMPARE(messages.messages.first().caption, kTitle);
        QCOMPARE(QApplication::focusWidget(), f.time);
        QCOMPARE(f.time->selectedText(), typed);
        QVERIFY(f.time->hasSelectedText());
    }

    // Coming back after a refused time is the same entry: correcting and leaving checks again.
    void refusedThenCorrected() {
        MessageRecorder messages;
        Form f;
        QVERIFY(controls_test::ShowActive(&f.window));
        QSignalSpy entered(f.time, &TTimeMaskEdit::Entered);
        f.time->setFocus();
        Type(f.time, QStringLiteral("2500"));
        f.other->setFocus();
        QCOMPARE(QApplication::focusWidget(), f.time);
        Type(f.time, QStringLiteral("2000"));
        QTest::keyClick(f.time, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.other);
        QCOMPARE(f.time->Text(), QStringLiteral("20:00"));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Hora inválida")});
        QCOMPARE(entered.count(), 1);

        QTest::keyClick(f.other, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(f.time->selectedText(), QStringLiteral("20:00"));
        QCOMPARE(entered.count(), 2);
    }
};

QTEST_MAIN(TestTimeMaskEdit)
#include "tst_timemask.moc"

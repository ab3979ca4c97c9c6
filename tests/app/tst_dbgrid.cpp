#include <QHeaderView>
#include <QPainter>
#include <QTest>

#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

void AddLote(TMemoryDataSet& ds, int numero, const QString& descricao, double lance) {
    ds.Append();
    ds.FieldByName(QStringLiteral("NRO_LOTE"))->SetAsInteger(numero);
    ds.FieldByName(QStringLiteral("DES_LOTE"))->SetAsString(descricao);
    ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(lance);
    ds.Post();
}

// The lot data set with its grid, as the main window binds them.
struct Grade {
    TMemoryDataSet lotes;
    TDataSetGridModel fonte;
    TDBGrid grade;
    Grade() {
        ProposalSchema::DeclareLote(lotes);
        fonte.SetDataSet(&lotes);
        fonte.SetColumns({
            {QStringLiteral("NRO_LOTE"), QStringLiteral("Número"), Qt::AlignHCenter, 55},
            {QStringLiteral("DES_LOTE"), QStringLiteral("Descrição"), Qt::AlignLeft, 821},
            {QStringLiteral("vlr_lance"), QStringLiteral("Valor do Lance"), Qt::AlignRight, 100},
        });
        grade.SetDataSource(&fonte);
        grade.resize(999, 200);
    }
    void Preenche() {
        lotes.CreateDataSet();
        AddLote(lotes, 3, QStringLiteral("Papelaria"), 1234.5);
        AddLote(lotes, 1, QStringLiteral("Limpeza"), 10);
        AddLote(lotes, 2, QStringLiteral("Informática"), 0.00005);
        lotes.First();
    }
    QString Celula(int linha, int coluna) const { return fonte.data(fonte.index(linha, coluna)).toString(); }
};

}  // namespace

class TstDBGrid : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void showsFieldsWithTheirFormats() {
        Grade g;
        QCOMPARE(g.fonte.rowCount(), 0);
        g.Preenche();
        QCOMPARE(g.fonte.rowCount(), 3);
        QCOMPARE(g.Celula(0, 0), QStringLiteral("0001"));
        QCOMPARE(g.Celula(2, 1), QStringLiteral("Papelaria"));
        QCOMPARE(g.Celula(2, 2), QStringLiteral("1.234,5000"));
        QCOMPARE(g.Celula(1, 2), QStringLiteral("0,0001"));
        const auto alinhamento = [&](int coluna) {
            return Qt::Alignment(g.fonte.data(g.fonte.index(0, coluna), Qt::TextAlignmentRole).toInt()) &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(alinhamento(0), Qt::AlignHCenter);
        QCOMPARE(alinhamento(1), Qt::AlignLeft);
        QCOMPARE(alinhamento(2), Qt::AlignRight);
        QCOMPARE(g.fonte.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Valor do Lance"));
        QCOMPARE(Qt::Alignment(g.fonte.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QVERIFY(!(g.fonte.flags(g.fonte.index(0, 0)) & Qt::ItemIsEditable));
        // Widths survive the resets that every refill makes.
        QCOMPARE(g.grade.columnWidth(0), 55);
        QCOMPARE(g.grade.columnWidth(1), 821);
        QCOMPARE(g.grade.columnWidth(2), 100);
        g.lotes.Close();
        QCOMPARE(g.fonte.rowCount(), 0);
    }

    void followsTheCursorBothWays() {
        Grade g;
        g.Preenche();
        QCOMPARE(g.grade.currentIndex().row(), 0);
        g.lotes.Next();
        QCOMPARE(g.grade.currentIndex().row(), 1);
        QVERIFY(g.grade.selectionModel()->isRowSelected(1, QModelIndex()));
        g.grade.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grade));
        const QRect celula = g.grade.visualRect(g.fonte.index(2, 1));
        QTest::mouseClick(g.grade.viewport(), Qt::LeftButton, {}, celula.center());
        QCOMPARE(g.lotes.RecNo(), 3);
        QCOMPARE(g.lotes.FieldByName(QStringLiteral("NRO_LOTE"))->AsInteger(), 3);
    }

    // A suspended grid shows what it showed and does not follow the cursor; resuming
    // brings it up to date.
    void frozenWhileSuspended() {
        Grade g;
        g.Preenche();
        g.grade.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grade));
        QCOMPARE(g.Celula(0, 1), QStringLiteral("Limpeza"));

        g.lotes.DisableControls();
        g.lotes.DisableControls();
        g.lotes.Close();
        g.lotes.CreateDataSet();
        AddLote(g.lotes, 7, QStringLiteral("Outro"), 1);
        g.lotes.First();
        QCOMPARE(g.fonte.rowCount(), 3);
        QCOMPARE(g.Celula(0, 1), QStringLiteral("Limpeza"));
        QCOMPARE(g.grade.currentIndex().row(), 0);

        g.lotes.EnableControls();
        QCOMPARE(g.fonte.rowCount(), 3);
        g.lotes.EnableControls();
        QCOMPARE(g.fonte.rowCount(), 1);
        QCOMPARE(g.Celula(0, 0), QStringLiteral("0007"));
        QCOMPARE(g.grade.currentIndex().row(), 0);
        // More resumes than suspensions change nothing.
        g.lotes.EnableControls();
        QCOMPARE(g.fonte.rowCount(), 1);
    }

    void gridSettings() {
        Grade g;
        QVERIFY(g.grade.verticalHeader()->isHidden());
        QVERIFY(!g.grade.horizontalHeader()->isHidden());
        QCOMPARE(g.grade.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(g.grade.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(g.grade.tabKeyNavigation());
        QVERIFY(g.grade.showGrid());
        QCOMPARE(g.grade.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(g.grade.palette().color(QPalette::Inactive, QPalette::Highlight),
                 g.grade.palette().color(QPalette::Active, QPalette::Highlight));
    }

    // A hook that paints over a cell and draws it again the standard way: what the
    // striped grids do with every second row.
    void paintingOverACell() {
        Grade g;
        g.Preenche();
        const QColor verde(218, 248, 226);
        g.grade.OnDrawColumnCell = [&](TDBGrid& grade, const TGridDrawCell& c) {
            if (c.RecNo % 2 == 1 || c.Selected())
                return;
            c.Canvas->fillRect(c.Rect, verde);
            grade.DefaultDrawColumnCell(c);
        };
        g.grade.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grade));
        const QImage imagem = g.grade.viewport()->grab().toImage();
        const auto canto = [&](int linha) {
            const QRect r = g.grade.visualRect(g.fonte.index(linha, 1));
            return QColor(imagem.pixel(r.right() - 3, r.center().y()));
        };
        QCOMPARE(canto(1), verde);
        QVERIFY(canto(2) != verde);
        QVERIFY(canto(0) != verde);
        // The text of the painted-over cell is still there.
        const QRect texto = g.grade.visualRect(g.fonte.index(1, 1));
        bool escuro = false;
        for (int x = texto.left(); x < texto.left() + 40 && !escuro; ++x)
            for (int y = texto.top(); y <= texto.bottom() && !escuro; ++y)
                escuro = QColor(imagem.pixel(x, y)).lightness() < 100;
        QVERIFY(escuro);
    }

    void hooks() {
        Grade g;
        g.Preenche();
        QList<int> pintadas;
        g.grade.OnDrawColumnCell = [&](TDBGrid&, const TGridDrawCell& c) {
            if (c.DataCol == 0)
                pintadas << (c.Selected() ? -c.RecNo : c.RecNo);
        };
        int ultima = -1;
        g.grade.OnKeyDown = [&](int& key, Qt::KeyboardModifiers shift) {
            ultima = key;
            if (key == Qt::Key_Down && shift == Qt::ControlModifier)
                key = 0;
        };
        g.grade.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grade));
        QTRY_VERIFY(!pintadas.isEmpty());
        QVERIFY(pintadas.contains(-1));
        QVERIFY(pintadas.contains(2));
        QVERIFY(pintadas.contains(3));

        g.grade.setFocus();
        QTest::keyClick(&g.grade, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(ultima, int(Qt::Key_Down));
        QCOMPARE(g.lotes.RecNo(), 1);
        QTest::keyClick(&g.grade, Qt::Key_Down);
        QCOMPARE(g.lotes.RecNo(), 2);
    }
};

QTEST_MAIN(TstDBGrid)
#include "tst_dbgrid.moc"

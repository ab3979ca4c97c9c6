// The proposal report: its layout on the example's first page, its totals, and
// what it prints for empty, long and unpriced rows.
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <memory>

#include "dataset/Field.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"
#include "../report_engine/export/ExportTools.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

using TPage = QList<TQREmfPlayer::TextRecord>;

/// Generates the report into its page store and returns every page's texts.
QList<TPage> Generate(TQRP_Propostas& report) {
    report.Prepare();
    QList<TPage> pages;
    TQRPrinter* printer = report.QRPrinter();
    for (int n = 1; n <= printer->GetPageCount(); ++n) {
        auto page = printer->GetPage(n);
        pages.append(TQREmfPlayer::Texts(page->Data()));
    }
    return pages;
}

QStringList TextsOf(const QList<TPage>& pages) {
    QStringList texts;
    for (const TPage& page : pages)
        for (const auto& record : page) texts.append(record.Text);
    return texts;
}

const TQREmfPlayer::TextRecord* Find(const TPage& page, const QString& text) {
    for (const auto& record : page)
        if (record.Text == text) return &record;
    return nullptr;
}

struct TItem {
    int lote;
    int item;
    double total;
    QString produto = QStringLiteral("PRODUTO");
    QString marca = QStringLiteral("MARCA");
};

void Fill(TQRP_Propostas& report, const QList<TItem>& items) {
    TMemoryDataSet* ds = report.CDS_Relatorio;
    ds->CreateDataSet();
    for (const TItem& i : items) {
        ds->Append();
        ds->FieldByName("NRO_LOTE")->SetAsInteger(i.lote);
        ds->FieldByName("DES_LOTE")->SetAsString(QStringLiteral("LOTE %1").arg(i.lote));
        ds->FieldByName("NRO_ITEM")->SetAsInteger(i.item);
        ds->FieldByName("DES_PRODUTO")->SetAsString(i.produto.left(100));
        ds->FieldByName("DES_MARCA")->SetAsString(i.marca.left(100));
        ds->FieldByName("vlr_total")->SetAsFloat(i.total);
        ds->FieldByName("DES_FORNECEDOR")->SetAsString(QStringLiteral("FORNECEDOR"));
        ds->Post();
    }
}

/// A native length of the stored layout (pixels at 96 per inch).
long double Native(int pixels) { return TQRDefinition::PixelsToNative(pixels); }

}  // namespace

class TestQRPPropostas : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void definicao_segue_as_tabelas() {
        TQRP_Propostas report;
        QCOMPARE(report.Page().PaperSize(), TQRPaperSize::Letter);
        QCOMPARE(report.Page().WriteValues(),
                 (QList<long double>{100, 2794, 100, 2159, 100, 100, 0}));
        QCOMPARE(report.Units(), TQRUnit::MM);
        QCOMPARE(report.Font().Size, 9);
        QVERIFY(report.PrintIfEmpty());
        QCOMPARE(report.CDS_Relatorio->FieldCount(), 24);
        QCOMPARE(report.CDS_Relatorio->IndexFieldNames(), QStringLiteral("NRO_LOTE; NRO_ITEM"));
        for (const TQRBandRow& row : TQRP_Propostas::Bandas()) {
            auto* band = report.findChild<TQRCustomBand*>(row.Name);
            QVERIFY2(band, qPrintable(row.Name));
            QCOMPARE(band->Height(), row.Height);
            QCOMPARE(band->Width(), 740);
        }
        for (const TQRPrintableRow& row : TQRP_Propostas::Imprimiveis()) {
            auto* printable = report.findChild<TQRPrintable*>(row.Name);
            QVERIFY2(printable, qPrintable(row.Name));
            QCOMPARE(printable->ParentControl()->Name(), row.Band);
        }
    }

    // Every printable of the page header, its two child bands, the column
    // header, the first lot header and the first item, on the example's first
    // page: where the layout tables put it, converted as the engine converts.
    void exemplo_primeira_pagina_por_posicao() {
        TMemoryDataSet processo;
        ProposalSchema::DeclareProcesso(processo);
        processo.LoadFromFile(QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_001269_2009.KPZ"));
        TQRP_Propostas report;
        PreencheRelatorioDoArquivo(report, processo);
        const QList<TPage> pages = Generate(report);
        QVERIFY(!pages.isEmpty());
        const TPage& page = pages[0];
        TQRPrinter* printer = report.QRPrinter();

        // Bands whose top depends on stretching above them are found by one anchor text.
        auto topFromAnchor = [&](const QString& text, int printableTop) -> long double {
            const auto* r = Find(page, text);
            if (!r) return -1;
            return r->Position.y() / printer->YFactor() - Native(printableTop);
        };
        const long double header = 100;  // the top margin
        const QMap<QString, long double> bandTop{
            {"PHB_Propostas", header},
            {"CHB_DadosProcesso", header + Native(124)},
            {"CHB_Objeto", header + Native(124) + Native(20)},
            {"CHB_Propostas", topFromAnchor(QStringLiteral("Nome:"), 4)},
            {"QRG_Lote", topFromAnchor(QStringLiteral("Lote:"), 2)},
            {"DTB_Propostas", topFromAnchor(QStringLiteral("00001"), 2)},
        };
        int checked = 0;
        for (const TQRPrintableRow& row : TQRP_Propostas::Imprimiveis()) {
            if (!bandTop.contains(row.Band) || row.Kind == QStringLiteral("TQRShape")) continue;
            if (row.Name == QStringLiteral("QRT_NRO_CGC")) continue;  // prints empty
            QVERIFY2(bandTop[row.Band] > 0, qPrintable(row.Band));
            const QString align = row.Properties.value("Alignment").toString();
            const long double left = 100 + Native(row.Left);
            const long double x = align == QStringLiteral("right")    ? left + Native(row.Width)
                                  : align == QStringLiteral("center") ? left + Native(row.Width) / 2
                                                                      : left;
            const int ex = printer->XPos(double(x));
            const int ey = printer->YPos(double(bandTop[row.Band] + Native(row.Top)));
            bool found = false;
            for (const auto& r : page)
                found = found || (std::abs(r.Position.x() - ex) <= 1 && std::abs(r.Position.y() - ey) <= 1);
            QVERIFY2(found, qPrintable(QStringLiteral("%1 not at (%2, %3)").arg(row.Name).arg(ex).arg(ey)));
            ++checked;
        }
        QCOMPARE(checked, 40);

        const QStringList texts = TextsOf({page});
        for (const char* t : {"PROCESSO LICITATÓRIO", "Propostas de Preços", "Página: 1", "001269 / 2009",
                              "000007", "0001 - MATERIAL DE EXPEDIENTE", "00001", "010231", "400,0000",
                              "12123123000199", "PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);

        // A picture of the page for people to look at.
        QImage image(816, 1056, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        auto recording = printer->GetPage(1);
        TQREmfPlayer::Play(*recording, painter, QRectF(0, 0, 816, 1056));
        painter.end();
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        QVERIFY(image.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/relatorio_exemplo_pagina1.png")));
    }

    // The report's rows keep whole process columns when the process shows its
    // rows as it stores them; they are the rows the copy row by row makes (a
    // filter that shows every row makes it), cut descriptions, unpriced items
    // and header values included, and stay so once the process is closed.
    void linhas_do_relatorio_sao_as_da_copia_linha_a_linha() {
        auto build = [](TMemoryDataSet& processo) {
            ProposalSchema::DeclareProcesso(processo);
            processo.CreateDataSet();
            for (int n = 0; n < 250; ++n) {
                processo.Append();
                auto set = [&](const char* name, const QString& text) {
                    processo.FieldByName(QString::fromLatin1(name))->SetAsString(text);
                };
                set("nro_lote", QString::number(n / 100 + 1));
                set("nro_item", QString::number(n % 100 + 1));
                set("cod_produto", QString::number(1000 + n));
                set("cod_unidademedida", QStringLiteral("1"));
                set("des_especificacao", QStringLiteral("Especificação do item %1.").arg(n));
                set("qtd_produto", QString::number(n % 7 + 1));
                set("des_lote", QStringLiteral("LOTE %1").arg(n / 100 + 1));
                set("des_produto", n == 3 ? QString(300, u'Ç') : QStringLiteral("PRODUTO %1").arg(n));
                set("des_unidademedida", QStringLiteral("UNIDADE"));
                set("ano_exercicio", QStringLiteral("2009"));
                set("nro_processo", QStringLiteral("1269"));
                set("seq_modalidadelicitacao", QStringLiteral("7"));
                set("dat_processo", QStringLiteral("15/03/2009"));
                set("des_tipoapuracao", QStringLiteral("MENOR PREÇO POR LOTE"));
                set("des_municipio", QStringLiteral("SANTA RITA DO VALE"));
                set("des_tipoentidade", QStringLiteral("PREFEITURA MUNICIPAL"));
                set("des_nome", QStringLiteral("PAPELARIA BOA VISTA LTDA"));
                set("nro_documento", QStringLiteral("12123123000199"));
                if (n % 3 == 0) {  // the others are unpriced: null price, total and brand
                    set("des_marca", QStringLiteral("MARCA %1").arg(n));
                    set("vlr_realinhamento", QString::number(n) + QStringLiteral(",5"));
                    set("vlr_total", QString::number(n * 2));
                }
                set("des_objeto", QStringLiteral("Registro de preços de materiais diversos."));
                set("des_modalidadelicitacao", QStringLiteral("PREGÃO PRESENCIAL"));
                processo.Post();
            }
            processo.First();
        };
        TMemoryDataSet processo;
        build(processo);
        TMemoryDataSet filtrado;
        build(filtrado);
        filtrado.SetFilter(QStringLiteral("ano_exercicio = 2009"));
        filtrado.SetFiltered(true);
        QCOMPARE(filtrado.RecordCount(), 250);
        const TCabecalhoRelatorio cabecalho{QStringLiteral(" PREFEITURA "), QStringLiteral("SANTA RITA"), {},
                                            QString(120, u'x')};
        TQRP_Propostas report;
        TQRP_Propostas porLinha;
        report.CDS_Relatorio->CreateDataSet();
        porLinha.CDS_Relatorio->CreateDataSet();
        CopiaLinhasRelatorio(processo, *report.CDS_Relatorio, cabecalho);
        CopiaLinhasRelatorio(filtrado, *porLinha.CDS_Relatorio, cabecalho);
        const TMemoryDataSet& rows = *report.CDS_Relatorio;
        const TMemoryDataSet& expected = *porLinha.CDS_Relatorio;
        const int especificacao = rows.FieldByName(QStringLiteral("DES_ESPECIFICACAO"))->Index();
        QVERIFY(rows.Rows().SameColumn(especificacao, processo.Rows(),
                                       processo.FieldByName(QStringLiteral("des_especificacao"))->Index()));
        QVERIFY(!expected.Rows().SameColumn(especificacao, filtrado.Rows(),
                                            filtrado.FieldByName(QStringLiteral("des_especificacao"))->Index()));
        processo.Close();
        filtrado.Close();
        QCOMPARE(rows.StoredRowCount(), 250);
        QCOMPARE(expected.StoredRowCount(), 250);
        QCOMPARE(rows.RecNo(), expected.RecNo());
        for (int p = 0; p < 250; ++p)
            for (int c = 0; c < rows.FieldCount(); ++c)
                QVERIFY2(rows.StoredValue(p, c) == expected.StoredValue(p, c),
                         qPrintable(QStringLiteral("row %1, %2").arg(p).arg(rows.Fields()[c]->FieldName())));
        QCOMPARE(std::get<QString>(rows.StoredValue(3, rows.FieldByName(QStringLiteral("DES_PRODUTO"))->Index())),
                 QString(100, u'Ç'));
        // One clock for both runs: the time each page prints would differ across a second.
        SetQRNow([] { return QDateTime(QDate(2009, 3, 20), QTime(9, 15, 0)); });
        const bool sameTexts = TextsOf(Generate(report)) == TextsOf(Generate(porLinha));
        SetQRNow(nullptr);
        QVERIFY(sameTexts);
    }

    void totais_por_lote_e_da_proposta() {
        TQRP_Propostas report;
        report.QRL_Titulo1->SetCaption(TituloRelatorio());
        // 1.234,5 + 0,125 shows 1.234,63 (half away from zero on the sum kept to four decimals);
        // 10,00494 is kept as 10,0049 and shows 10,00; the grand total is the sum of the two.
        Fill(report, {{1, 1, 1234.5}, {1, 2, 0.125}, {2, 1, 10.00494}});
        for (int run = 0; run < 2; ++run) {  // a second run starts its totals from 0
            const QStringList texts = TextsOf(Generate(report));
            QCOMPARE(texts.count(QStringLiteral("Total do Lote:")), 2);
            QVERIFY(texts.contains(QStringLiteral("1.234,63")));
            QVERIFY(texts.contains(QStringLiteral("10,00")));
            QVERIFY(texts.contains(QStringLiteral("1.244,63")));
            QCOMPARE(texts.count(QStringLiteral("Total da Proposta:")), 1);
        }
    }

    // Two totals that fit but whose sum does not: the run stops with the reason, it
    // never prints a wrapped sum.
    void soma_fora_do_intervalo_interrompe_o_relatorio() {
        TQRP_Propostas report;
        Fill(report, {{1, 1, 600000000000000.0}, {1, 2, 600000000000000.0}});
        try {
            report.Prepare();
            QFAIL("the run must stop on a sum beyond the money range");
        } catch (const EConvertError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("ultrapassa")), qPrintable(e.message()));
        }
    }

    void vazio_imprime_uma_pagina_sem_cabecalho_de_coluna() {
        TQRP_Propostas report;
        Fill(report, {});
        const QList<TPage> pages = Generate(report);
        QCOMPARE(pages.size(), 1);
        const QStringList texts = TextsOf(pages);
        for (const char* t : {"Entidade:", "Modalidade:", "Objeto:", "Marca:", "Especificação:",
                              "Total da Proposta:", "0,00", "QRL_Titulo1"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);
        for (const char* t : {"Nome:", "Lote:", "Total do Lote:"})
            QVERIFY2(!texts.contains(QString::fromUtf8(t)), t);
    }

    // A printed proposal never shows a different number: values wider than their
    // boxes print every digit (in a smaller size where that makes them fit).
    void valores_largos_mostram_todos_os_digitos() {
        TQRP_Propostas report;
        Fill(report, {{1, 1, 12345678901.2}});
        TMemoryDataSet* ds = report.CDS_Relatorio;
        ds->First();
        ds->Edit();
        ds->FieldByName("COD_PRODUTO")->SetAsInteger(1234567);
        ds->FieldByName("QTD_PRODUTO")->SetAsFloat(999999999);
        ds->FieldByName("vlr_realinhamento")->SetAsFloat(1500000000);
        ds->Post();
        const QStringList texts = TextsOf(Generate(report));
        for (const char* t : {"1234567", "999.999.999,0000", "1.500.000.000,0000", "12.345.678.901,20"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), qPrintable(QString::fromUtf8(t) + u'\n' + texts.join(u'|')));
    }

    // Words longer than their line go on over the next lines: nothing of a description
    // or an "Especificação" without blanks is lost, and the bands grow by the lines printed.
    void palavras_longas_continuam_na_linha_seguinte() {
        TQRP_Propostas report;
        const QString produto = QString(100, u'P');
        const QString especificacao = QString(3008, u'E');
        Fill(report, {{1, 1, 1, produto}});
        report.CDS_Relatorio->First();
        report.CDS_Relatorio->Edit();
        report.CDS_Relatorio->FieldByName("DES_ESPECIFICACAO")->SetAsString(especificacao);
        report.CDS_Relatorio->Post();
        const QList<TPage> pages = Generate(report);
        QString printedProduto, printedEspecificacao;
        int linhasEspecificacao = 0;
        for (const TPage& page : pages)
            for (const auto& r : page) {
                if (r.Text.startsWith(u'P') && r.Text.count(u'P') == r.Text.size()) printedProduto += r.Text;
                if (r.Text.startsWith(u'E') && r.Text.count(u'E') == r.Text.size()) {
                    printedEspecificacao += r.Text;
                    ++linhasEspecificacao;
                }
            }
        QCOMPARE(printedProduto, produto);
        QCOMPARE(printedEspecificacao, especificacao);
        QVERIFY(linhasEspecificacao > 1);
        // The summary follows the last piece directly: no empty line was added after it.
        const auto* total = Find(pages.last(), QStringLiteral("Total do Lote:"));
        QVERIFY(total);
    }

    // An entity name of the field's whole 100 characters wraps in the room before the
    // page number (a word longer than that room goes on over the next line), and the
    // rows below it move down by the lines it adds.
    void nome_longo_da_entidade_data() {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("cidade");
        QTest::addColumn<int>("itens");
        const QString longo = QStringLiteral(
            "SECRETARIA MUNICIPAL DE ADMINISTRAÇÃO, PLANEJAMENTO E GESTÃO ESTRATÉGICA DE SÃO JOSÉ DO RIO PRETO/SP");
        const QString campinas = QStringLiteral("CAMPINAS");
        QTest::newRow("palavras") << longo << campinas << 1;
        QTest::newRow("uma palavra") << QString(100, u'W') << campinas << 1;
        QTest::newRow("em cada página") << QString(100, u'W') << campinas << 60;
        QTest::newRow("e o município") << longo << QStringLiteral("VILA BELA DA SANTÍSSIMA TRINDADE ").repeated(3)
                                       << 1;
    }
    void nome_longo_da_entidade() {
        QFETCH(QString, nome);
        QFETCH(QString, cidade);
        QFETCH(int, itens);
        QCOMPARE(nome.size(), 100);
        TQRP_Propostas report;
        QList<TItem> items;
        for (int i = 1; i <= itens; ++i) items.append({1, i, 1});
        Fill(report, items);
        TMemoryDataSet* ds = report.CDS_Relatorio;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            ds->Edit();
            ds->FieldByName("DES_TIPOENTIDADE")->SetAsString(nome);
            ds->FieldByName("DES_MUNICIPIO")->SetAsString(cidade);
            ds->Post();
        }
        const QList<TPage> pages = Generate(report);
        QCOMPARE(pages.size() > 1, itens > 1);
        TQRPrinter* printer = report.QRPrinter();
        const int nameX = printer->XPos(double(100 + Native(65)));
        const int pageNumberBox = printer->XPos(double(100 + Native(605)));
        for (int n = 1; n <= pages.size(); ++n) {
            const TPage& page = pages[n - 1];
            const auto* municipio = Find(page, QStringLiteral("Municipío:"));
            const auto* cnpj = Find(page, QStringLiteral("CNPJ:"));
            const auto* pagina = Find(page, QStringLiteral("Página: %1").arg(n));
            QVERIFY(municipio && cnpj && pagina);
            // The municipality's name, whole, between its label's line and the CNPJ's.
            QString cidadeImpressa;
            for (const auto& r : page)
                if (r.Position.x() == nameX && r.Position.y() >= municipio->Position.y() &&
                    r.Position.y() < cnpj->Position.y()) {
                    cidadeImpressa += r.Text;
                    QVERIFY2(r.Bounds.right() <= pageNumberBox, qPrintable(r.Text));
                }
            QCOMPARE(cidadeImpressa, cidade);
            QList<TQREmfPlayer::TextRecord> lines;
            for (const auto& r : page)
                if (r.Position.x() == nameX && r.Position.y() < municipio->Position.y()) lines.append(r);
            QVERIFY(lines.size() > 1);
            QString printed;
            for (const auto& line : lines) {
                printed += line.Text;
                QVERIFY2(line.Bounds.right() <= pageNumberBox, qPrintable(line.Text));
            }
            QCOMPARE(printed, nome);
            // Moved down by exactly the lines added; the page number stays where it was.
            const qreal pitch = lines[1].Position.y() - lines[0].Position.y();
            QCOMPARE(municipio->Position.y(),
                     printer->YPos(double(100 + Native(20))) + (lines.size() - 1) * pitch);
            QCOMPARE(pagina->Position.y(), printer->YPos(double(100 + Native(1))));
            for (int i = 0; i < page.size(); ++i)
                for (int j = i + 1; j < page.size(); ++j)
                    QVERIFY2(!page[i].Bounds.intersects(page[j].Bounds),
                             qPrintable(page[i].Text + QStringLiteral(" / ") + page[j].Text));
        }
        // A picture of the page for people to look at.
        QImage image(816, 1056, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        TQREmfPlayer::Play(*printer->GetPage(1), painter, QRectF(0, 0, 816, 1056));
        painter.end();
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        QVERIFY(image.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/relatorio_entidade_longa_%1.png")
                               .arg(QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_'))));

        // The same in an independent reader of the PDF: every character, nothing on
        // the page number, nothing off the page.
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("entidade.pdf"));
        {
            TQRPDFDocumentFilter filter(pdf);
            report.ExportToFilter(&filter);
        }
        if (!exporttools::Has(QStringLiteral("pdftotext"))) QSKIP("pdftotext missing");
        const QString bbox = QString::fromUtf8(
            exporttools::Run(QStringLiteral("pdftotext"), {"-bbox", "-f", "1", "-l", "1", pdf, "-"}).out);
        const QRegularExpression word(QStringLiteral(
            "<page width=\"([0-9.]+)\"|xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)<"));
        qreal pageWidth = 0;
        QList<std::pair<QRectF, QString>> words;
        QRectF pageNumber, municipioBox;
        for (auto it = word.globalMatch(bbox); it.hasNext();) {
            const auto m = it.next();
            if (!m.captured(1).isEmpty()) {
                pageWidth = m.captured(1).toDouble();
                continue;
            }
            const QRectF box(QPointF(m.captured(2).toDouble(), m.captured(3).toDouble()),
                             QPointF(m.captured(4).toDouble(), m.captured(5).toDouble()));
            words.append({box, m.captured(6)});
            if (m.captured(6) == QStringLiteral("Página:")) pageNumber = box;
            if (m.captured(6) == QStringLiteral("Municipío:")) municipioBox = box;
        }
        QVERIFY(pageWidth > 0 && !pageNumber.isEmpty() && !municipioBox.isEmpty());
        // Points from the page's pixels at 96 per inch.
        const qreal nameLeft = (38 + 65) * 0.75 - 0.5;
        const qreal pageNumberLeft = (38 + 605) * 0.75;
        QString column;
        for (const auto& [box, text] : words) {
            QVERIFY2(box.left() >= 0 && box.right() <= pageWidth, qPrintable(text));
            if (text != QStringLiteral("Página:")) QVERIFY2(!box.intersects(pageNumber), qPrintable(text));
            if (box.left() >= nameLeft && box.right() <= pageNumberLeft && box.bottom() <= municipioBox.top())
                column += text;
        }
        QCOMPARE(column, QString(nome).remove(u' '));

        {
            // Run again with a short name: the header is as designed again.
            ds->First();
            ds->Edit();
            ds->FieldByName("DES_TIPOENTIDADE")->SetAsString(QStringLiteral("PREFEITURA"));
            ds->Post();
            const TPage again = Generate(report).value(0);
            const auto* municipio = Find(again, QStringLiteral("Municipío:"));
            QVERIFY(municipio && Find(again, QStringLiteral("PREFEITURA")));
            QCOMPARE(municipio->Position.y(), report.QRPrinter()->YPos(double(100 + Native(20))));
        }
    }

    void textos_longos_esticam_suas_faixas() {
        TQRP_Propostas report;
        const QString palavras = QStringLiteral("PALAVRA ").repeated(40);  // 320 characters
        Fill(report, {{1, 1, 1, palavras, palavras}});
        const QList<TPage> pages = Generate(report);
        const TPage& page = pages[0];
        const auto* marca = Find(page, QStringLiteral("Marca:"));
        const auto* especificacao = Find(page, QStringLiteral("Especificação:"));
        QVERIFY(marca && especificacao);
        // The description keeps its first 100 characters, over two lines above the brand.
        QStringList produto;
        for (const auto& r : page)
            if (r.Text.startsWith(QStringLiteral("PALAVRA")) && r.Position.y() < marca->Position.y())
                produto.append(r.Text);
        QCOMPARE(produto.size(), 2);
        QCOMPARE(produto.join(QString()).remove(u' '), palavras.left(100).remove(u' '));
        const auto* item = Find(page, QStringLiteral("00001"));
        QVERIFY(item);
        // The detail band grew by a line with its description, the brand band with its brand.
        QVERIFY(marca->Position.y() - item->Position.y() > 18 + 8);
        QVERIFY(especificacao->Position.y() - marca->Position.y() > 18 + 8);
    }

    // What the example prints, byte for byte, and a run over several pages with
    // long texts that wrap and stretch their bands: work on how generation runs
    // leaves every page's recording as it was. (A change meant to print
    // differently brings its new digests with it.)
    void paginas_gravadas_nao_mudam() {
        SetQRNow([] { return QDateTime(QDate(2009, 3, 20), QTime(9, 15, 0)); });
        auto digests = [](TQRP_Propostas& report) {
            report.Prepare();
            QCryptographicHash hash(QCryptographicHash::Sha256);
            TQRPrinter* printer = report.QRPrinter();
            for (int n = 1; n <= printer->GetPageCount(); ++n) hash.addData(printer->GetPage(n)->Data());
            return QStringLiteral("%1 pages %2").arg(printer->GetPageCount()).arg(QString::fromLatin1(hash.result().toHex().left(16)));
        };
        TMemoryDataSet processo;
        ProposalSchema::DeclareProcesso(processo);
        processo.LoadFromFile(QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_001269_2009.KPZ"));
        TQRP_Propostas exemplo;
        PreencheRelatorioDoArquivo(exemplo, processo);
        const QString exemploDigest = digests(exemplo);

        TQRP_Propostas varias;
        QList<TItem> items;
        for (int lote = 1; lote <= 3; ++lote)
            for (int item = 1; item <= 30; ++item)
                items.append({lote, item, 12.5 * item + lote,
                              QStringLiteral("PRODUTO %1 ").arg(item) + QStringLiteral("DESCRIÇÃO ").repeated(item % 13),
                              QStringLiteral("MARCA ").repeated(item % 5 + 1)});
        Fill(varias, items);
        const QString variasDigest = digests(varias);
        SetQRNow(nullptr);
        QCOMPARE(exemploDigest, QStringLiteral("2 pages 0652a67f400f2f81"));
        QCOMPARE(variasDigest, QStringLiteral("8 pages 64692e6ce02d3e65"));
    }
};

QTEST_MAIN(TestQRPPropostas)
#include "tst_qrp_propostas.moc"

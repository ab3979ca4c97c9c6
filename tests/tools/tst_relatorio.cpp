// quorin-pacote relatorio: the proposal report of a file in every output form, read back by
// programs nobody here wrote.
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>

#include "RunPacote.h"

namespace {

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");

/// Texts the page shows on one line, in that order: each must appear whole,
/// on one row of what a reader reads from the export.
const QList<QStringList> kLinhas{
    {"Entidade:", "PREFEITURA MUNICIPAL DE SANTA RITA DO VALE", "Página: 1"},
    {"Municipío:", "SANTA RITA DO VALE"},
    {"Número:", "001269 / 2009", "Data:", "15/03/2009", "Tipo de Apuração:", "MENOR PREÇO POR LOTE"},
    {"Modalidade:", "PREGÃO PRESENCIAL", "Sequencial:", "000007"},
    {"Nome:", "PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA", "CNPJ:", "12123123000199"},
    {"Item", "Código", "Descrição", "Quantidade", "Vlr Unitário", "Valor Total"},
    {"Lote:", "0001 - MATERIAL DE EXPEDIENTE"},
    {"00001", "010231", "PAPEL SULFITE A4 75 G/M², BRANCO, PACOTE COM 500 FOLHAS"},
    {"Marca:", "ALVORADA"},
    {"Especificação:", "Papel alcalino, formato 210 x 297 mm, gramatura 75 g/m²."},
    {"Embalagem com 500 folhas; caixa com 10 pacotes."},
    {"00002", "010477", "CANETA ESFEROGRÁFICA AZUL, PONTA MÉDIA 1,0 MM, CORPO"},
    {"Marca:", "TRAÇO FINO"},
    {"Marca:", "KRAFTPEL"},
    {"Especificação:", "Papel kraft 80 g/m²."},
    {"00001", "030012", "CAFÉ TORRADO E MOÍDO, EMBALAGEM A VÁCUO DE 500 G"},
    {"Marca:", "GRÃO NOBRE"},
    {"Marca:", "SOJA BOA"},
    {"Assinatura do responsável:"},
};

/// True when some row holds the texts whole and in order.
bool NumaLinha(const QStringList& linhas, const QStringList& textos) {
    for (const QString& linha : linhas) {
        qsizetype at = 0;
        bool todos = true;
        for (const QString& t : textos) {
            const qsizetype found = linha.indexOf(t, at);
            if (found < 0) {
                todos = false;
                break;
            }
            at = found + t.size();
        }
        if (todos) return true;
    }
    return false;
}

/// The output of a reader, or a null string when the reader is not installed.
QString Reader(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

/// Everything in a folder, hidden entries included.
QStringList Entradas(const QString& pasta) {
    return QDir(pasta).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

}  // namespace

class TestRelatorio : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString proposta_;
    QMap<int, QString> grandes_;

    /// A process of `lotes` lots of 100 items (30,000 items by default), made once
    /// for each size from the example's first item.
    QString GrandeProcesso(int lotes = 300) {
        if (grandes_.contains(lotes)) return grandes_[lotes];
        QFile exemplo(kExemplos + "processo_exemplo.csv");
        if (!exemplo.open(QIODevice::ReadOnly)) return {};
        const QString texto = QString::fromUtf8(exemplo.readAll());
        const qsizetype fimCabecalho = texto.indexOf(QStringLiteral("\r\n"));
        const QString cabecalho = texto.left(fimCabecalho + 2);
        // The first record runs to the first CR LF outside quotes.
        qsizetype fim = fimCabecalho + 2;
        for (bool aspas = false; fim < texto.size(); ++fim) {
            if (texto[fim] == u'"') aspas = !aspas;
            if (!aspas && texto.mid(fim, 2) == QStringLiteral("\r\n")) break;
        }
        const QString resto = texto.mid(fimCabecalho + 2, fim - fimCabecalho - 2).section(u';', 2);
        QByteArray csv = cabecalho.toUtf8();
        for (int lote = 1; lote <= lotes; ++lote)
            for (int item = 1; item <= 100; ++item)
                csv += (QStringLiteral("%1;%2;").arg(lote).arg(item) + resto + QStringLiteral("\r\n")).toUtf8();
        const QString nomeCsv = dir_.filePath(QStringLiteral("grande%1.csv").arg(lotes));
        QFile f(nomeCsv);
        if (!f.open(QIODevice::WriteOnly) || f.write(csv) != csv.size()) return {};
        f.close();
        const QString kpz = dir_.filePath(QStringLiteral("grande%1.KPZ").arg(lotes));
        if (Run({"importar", nomeCsv, kpz}).code != 0) return {};
        grandes_[lotes] = kpz;
        return kpz;
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::copy(kExemplos + "PL_001269_2009.KPZ", dir_.filePath("PL_001269_2009.KPZ")));
        const Result r = Run({"preencher", dir_.filePath("PL_001269_2009.KPZ"), "--documento", "12123123000199",
                              "--precos", kExemplos + "precos_exemplo.csv"});
        QCOMPARE(r.code, 0);
        proposta_ = dir_.filePath("PRP_001269_2009_12123123000199.PRO");
    }

    void pdf_com_lotes_itens_e_totais() {
        const QString pdf = dir_.filePath("proposta.pdf");
        const Result r = Run({"relatorio", proposta_, "--documento", "12.123.123/0001-99", "--saida", pdf});
        QCOMPARE(r.code, 0);
        const QString check = Reader("qpdf", {"--check", pdf});
        if (check.isNull()) QSKIP("qpdf não está instalado");
        QVERIFY2(check.contains("No syntax or stream encoding errors"), qPrintable(check));
        const QString text = Reader("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
        for (const char* t : {"PROCESSO LICITATÓRIO", "Lote: 0001 - MATERIAL DE EXPEDIENTE",
                              "0003 - GÊNEROS ALIMENTÍCIOS", "ALVORADA", "400,0000", "9,8500", "3.940,00",
                              "Total do Lote:", "4.836,50", "Total da Proposta:", "Municipío:"})
            QVERIFY2(text.contains(QString::fromUtf8(t)), t);
    }

    // The dotted separators of the items reach the PDF as a dash array at the
    // preview's period (six screen pixels), and pdftoppm draws their marks at it.
    void pdf_separadores_pontilhados() {
        const QString pdf = dir_.filePath("pontilhado.pdf");
        QCOMPARE(Run({"relatorio", proposta_, "--saida", pdf}).code, 0);
        const QString plain = dir_.filePath("pontilhado_qdf.pdf");
        Reader("qpdf", {"--qdf", "--object-streams=disable", pdf, plain});
        if (!QFile::exists(plain)) QSKIP("qpdf não está instalado");
        QFile f(plain);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString content = QString::fromLatin1(f.readAll());
        // The first dashed rule of page 1: its pattern, then its line.
        const QRegularExpression rule(QStringLiteral(
            "\\[([0-9.]+) ([0-9.]+)\\] 0 d\\r?\\n[0-9.]+ w\\r?\\n[^\\n]* RG\\r?\\n(\\d+) (\\d+) m (\\d+) \\d+ l s"));
        const QRegularExpressionMatch m = rule.match(content);
        QVERIFY2(m.hasMatch(), "no dash array for the dotted separators");
        const double period = m.captured(1).toDouble() + m.captured(2).toDouble();  // points
        QCOMPARE(period, 6 * 72.0 / 96);
        const int dpi = 192;
        const QString pgm = dir_.filePath("pontilhado");
        Reader("pdftoppm", {"-r", QString::number(dpi), "-gray", "-f", "1", "-l", "1", "-singlefile", pdf, pgm});
        Reader("pdftoppm", {"-r", "96", "-png", "-f", "1", "-l", "1", "-singlefile", pdf,
                            QStringLiteral(QUORIN_BINARY_DIR "/screenshots/relatorio_pdf_pontilhado")});
        QFile pgmFile(pgm + ".pgm");
        QVERIFY(pgmFile.open(QIODevice::ReadOnly));
        const QByteArray bytes = pgmFile.readAll();
        // P5, width, height, 255, one byte per pixel after a single white space.
        const QList<QByteArray> header = bytes.left(64).simplified().split(' ');
        QVERIFY(header.size() >= 4 && header[0] == "P5");
        const int width = header[1].toInt(), height = header[2].toInt();
        const QByteArray pixels = bytes.right(qsizetype(width) * height);
        QVERIFY(width > 0 && height > 0 && pixels.size() == qsizetype(width) * height);
        const auto darkAt = [&](int x, int r) { return uchar(pixels[qsizetype(r) * width + x]) < 128; };
        const double scale = dpi / 72.0;
        const int x1 = qRound(m.captured(3).toInt() * scale), x2 = qRound(m.captured(5).toInt() * scale);
        const int y = qRound((792 - m.captured(4).toInt()) * scale);
        // The row of the rule is the darkest near where the PDF puts it.
        int best = -1, bestDark = 0;
        for (int r = y - 3; r <= y + 3; ++r) {
            int dark = 0;
            for (int x = x1; x < x2; ++x) dark += darkAt(x, r);
            if (dark > bestDark) bestDark = dark, best = r;
        }
        QVERIFY(best >= 0);
        QList<int> starts;
        for (int x = x1; x < x2; ++x)
            if (darkAt(x, best) && !darkAt(x - 1, best)) starts.append(x);
        QVERIFY2(starts.size() > 50, qPrintable(QString::number(starts.size())));
        for (qsizetype i = 1; i < starts.size(); ++i)
            QVERIFY2(std::abs(starts[i] - starts[i - 1] - period * scale) <= 1.0,
                     qPrintable(QStringLiteral("marca %1 em %2").arg(i).arg(starts[i])));
    }

    // The example proposal's PDF, byte for byte as the writer has always
    // written it; only the time of printing is set aside.
    void pdf_do_exemplo_byte_a_byte() {
        const QString pdf = dir_.filePath("exemplo.pdf");
        QCOMPARE(Run({"relatorio", proposta_, "--saida", pdf}).code, 0);
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        static const QRegularExpression impresso(QStringLiteral("\\(\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\\) Tj"));
        QString texto = QString::fromLatin1(bytes);
        QCOMPARE(texto.count(impresso), 2);
        texto.replace(impresso, QStringLiteral("(00/00/0000 00:00:00) Tj"));
        bytes = texto.toLatin1();
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray("4507b448caead9a22bd05cea54dc7d3d5016eca7da02121484480122d2e29e2a"));
        if (const QString check = Reader("qpdf", {"--check", pdf}); !check.isNull())
            QVERIFY2(check.contains(QStringLiteral("No syntax or stream encoding errors")), qPrintable(check));
    }

    void cada_formato_pela_extensao_data() {
        QTest::addColumn<QString>("saida");
        QTest::addColumn<QStringList>("arquivos");
        QTest::newRow("pagina") << "proposta.qrp" << QStringList{"proposta.qrp"};
        QTest::newRow("texto") << "proposta.txt" << QStringList{"proposta.txt"};
        QTest::newRow("rtf") << "proposta.rtf" << QStringList{"proposta.rtf"};
        QTest::newRow("planilha") << "proposta.xls" << QStringList{"proposta.xls"};
        QTest::newRow("wmf, um por página") << "pag.wmf" << QStringList{"pag001.wmf", "pag002.wmf"};
        QTest::newRow("emf, um por página") << "pag.emf" << QStringList{"pag001.emf", "pag002.emf"};
    }
    void cada_formato_pela_extensao() {
        QFETCH(QString, saida);
        QFETCH(QStringList, arquivos);
        const Result r = Run({"relatorio", proposta_, "--saida", dir_.filePath(saida)});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QString escritos;  // the tool names the files it wrote, one a line
        for (const QString& f : arquivos) {
            QVERIFY2(QFileInfo(dir_.filePath(f)).size() > 0, qPrintable(f));
            escritos += dir_.filePath(f) + u'\n';
        }
        QCOMPARE(r.out, escritos);
        if (saida.endsWith(".txt")) {
            QFile f(dir_.filePath(saida));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            QVERIFY(text.contains(QString::fromUtf8("GÊNEROS ALIMENTÍCIOS")));
            QVERIFY(text.contains("Total da Proposta:"));
        }
    }

    // The example read back as a user's programs read it: the text file in an
    // editor, the RTF by LibreOffice Writer, the spreadsheet by xlrd. Every
    // text the page shows appears whole, on the row of the texts beside it.
    void lido_como_a_pagina_data() {
        QTest::addColumn<QString>("formato");
        QTest::newRow("texto") << "txt";
        QTest::newRow("rtf, pelo LibreOffice") << "rtf";
        QTest::newRow("planilha, pelo xlrd") << "xls";
    }
    void lido_como_a_pagina() {
        QFETCH(QString, formato);
        const QString saida = dir_.filePath("lido." + formato);
        const Result r = Run({"relatorio", proposta_, "--saida", saida});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QStringList linhas;
        if (formato == "txt") {
            QFile f(saida);
            QVERIFY(f.open(QIODevice::ReadOnly));
            linhas = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
        } else if (formato == "rtf") {
            // LibreOffice's text of the document: a paragraph a line, a tab between texts.
            const QString perfil = QStringLiteral("-env:UserInstallation=file://") + dir_.filePath("lo-txt");
            if (Reader("soffice", {"--headless", perfil, "--convert-to", "txt:Text (encoded):UTF8", "--outdir",
                                   dir_.filePath("lo"), saida})
                    .isNull()) {
                QSKIP("LibreOffice não está instalado");
            }
            QFile f(dir_.filePath("lo/lido.txt"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            linhas = QString::fromUtf8(f.readAll()).split(u'\n');
        } else {
            const char* script =
                "import sys, xlrd\n"
                "s = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252').sheet_by_index(0)\n"
                "for r in range(s.nrows):\n"
                "  print('\\t'.join(c.value if c.ctype == 1 else repr(c.value) for c in s.row(r) if c.ctype))\n"
                "cells = [c for r in range(s.nrows) for c in s.row(r)]\n"
                "print('codigo', [c.ctype for c in cells if c.value in ('010231', 10231.0)],\n"
                "      'preco', [c.ctype for c in cells if c.value in ('9,8500', 9.85)])\n";
            const QString lido = Reader("/usr/bin/python3", {"-c", script, saida});
            if (lido.isNull() || lido.contains("No module named")) QSKIP("python3-xlrd não está instalado");
            linhas = lido.split(u'\n');
            // The code keeps its zero as a text cell (type 1); the unit price is a number (type 2).
            QVERIFY2(lido.contains("codigo [1] preco [2]"), qPrintable(lido.right(200)));
        }
        for (const QStringList& linha : kLinhas) {
            QVERIFY2(NumaLinha(linhas, linha), qPrintable(linha.join(" | ") + "\n---\n" + linhas.join(u'\n')));
        }
    }

    // The example's spreadsheet, byte for byte but for the time the report prints.
    // When the report's layout changes on purpose, read the new file with xlrd
    // (lido_como_a_pagina) and take its fingerprint from the failure.
    void planilha_do_exemplo_byte_a_byte() {
        const QString saida = dir_.filePath("exemplo.xls");
        const Result r = Run({"relatorio", proposta_, "--saida", saida});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QFile f(saida);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        static const QRegularExpression hora("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d");
        const QString latin = QString::fromLatin1(bytes);
        QCOMPARE(latin.count(hora), 1);
        bytes = QString(latin).replace(hora, "00/00/0000 00:00:00").toLatin1();
        QCOMPARE(bytes.size(), 4242);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex(),
                 QByteArray("d85d4fcafbd614be5aa9ecd5e4e34eb588d7b986"));
    }

    // A big process whose spreadsheet fills most of the worksheet is read whole by
    // xlrd from the one worksheet: every item, down to the proposal's total. One of
    // 14,000 items (five rows each) continues on a second sheet of a workbook,
    // which xlrd and LibreOffice read whole: every item in order, the amounts as
    // numbers, the last item and the total on the last sheet, the same cells in both.
    void planilha_grande_inteira() {
        const QString cabe = GrandeProcesso(30);     // 3,000 items, about 15,000 rows
        const QString naoCabe = GrandeProcesso(140);  // 14,000 items, about 70,000 rows
        QVERIFY(!cabe.isEmpty() && !naoCabe.isEmpty());
        QTemporaryDir pasta;
        // The sheets, their rows and the last one's name; the item numbers out of order
        // (none) and how many, the codes, the lots, the quantities as numbers, the total.
        const char* script =
            "import sys, xlrd\n"
            "b = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252')\n"
            "lotes, itens = int(sys.argv[2]), int(sys.argv[3])\n"
            "print(b.nsheets, sum(s.nrows for s in b.sheets()), b.sheets()[-1].name.replace(' ', '_'))\n"
            "rows = [s.row(r) for s in b.sheets() for r in range(s.nrows)]\n"
            "texts = [c.value for row in rows for c in row if c.ctype == 1]\n"
            "firsts = [[c for c in row if c.ctype][0].value for row in rows if any(c.ctype for c in row)]\n"
            "numeros = [v for v in firsts if isinstance(v, str) and len(v) == 5 and v.isdigit()]\n"
            "queria = ['%05d' % i for l in range(lotes) for i in range(1, itens + 1)]\n"
            "print('fora de ordem', [i for i, (a, q) in enumerate(zip(numeros, queria)) if a != q][:3],\n"
            "      len(numeros), texts.count('010231'), texts.count('Lote:'),\n"
            "      len([c for row in rows for c in row if c.ctype == 2 and c.value == 400.0]),\n"
            "      [v for v in texts[-40:] if v.startswith('Total da Proposta')])\n";
        const QString saida = pasta.filePath("grande.xls");
        const Result r = Run({"relatorio", cabe, "--saida", saida});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(Entradas(pasta.path()) == QStringList{"grande.xls"});
        const QString lido = Reader("/usr/bin/python3", {"-c", script, saida, "30", "100"});
        if (lido.isNull() || lido.contains("No module named")) QSKIP("python3-xlrd não está instalado");
        const QStringList campos = lido.split(u'\n').first().split(u' ');
        QVERIFY2(campos.size() == 3 && campos[0] == "1" && campos[1].toInt() > 12000 && campos[1].toInt() <= 16384,
                 qPrintable(lido));
        QVERIFY2(lido.contains("fora de ordem [] 3000 3000 30 3000 ['Total da Proposta:']"), qPrintable(lido));

        const QString livro = pasta.filePath("livro.xls");
        const Result grande = Run({"relatorio", naoCabe, "--saida", livro});
        QVERIFY2(grande.code == 0, qPrintable(grande.err));
        QCOMPARE(grande.out, livro + u'\n');
        QCOMPARE(Entradas(pasta.path()), (QStringList{"grande.xls", "livro.xls"}));
        const QString todo = Reader("/usr/bin/python3", {"-c", script, livro, "140", "100"});
        const QStringList livroCampos = todo.split(u'\n').first().split(u' ');
        QVERIFY2(livroCampos.size() == 3 && livroCampos[0] == "2" && livroCampos[1].toInt() > 65536 &&
                     livroCampos[2] == "Planilha2",
                 qPrintable(todo));
        QVERIFY2(todo.contains("fora de ordem [] 14000 14000 140 14000 ['Total da Proposta:']"), qPrintable(todo));

        // LibreOffice writes every sheet as a CSV file of its own (the last option, -1).
        const QString perfil = QStringLiteral("-env:UserInstallation=file://") + dir_.filePath("lo-xls");
        if (Reader("soffice", {"--headless", perfil, "--convert-to",
                               "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                               "--outdir", pasta.filePath("csv"), livro})
                .isNull()) {
            QSKIP("LibreOffice não está instalado");
        }
        const char* compara =
            "import sys, csv, xlrd\n"
            "b = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252')\n"
            "diferentes, celulas = [], 0\n"
            "for s in b.sheets():\n"
            "  lo = list(csv.reader(open('%s/livro-%s.csv' % (sys.argv[2], s.name), encoding='utf-8')))\n"
            "  if len(lo) != s.nrows: diferentes.append((s.name, 'linhas', len(lo), s.nrows))\n"
            "  for r in range(min(len(lo), s.nrows)):\n"
            "    x = [(c, v.value) for c, v in enumerate(s.row(r)) if v.ctype]\n"
            "    o = [(c, float(v) if s.cell(r, c).ctype == 2 else v) for c, v in enumerate(lo[r]) if v != '']\n"
            "    celulas += len(x)\n"
            "    if x != o: diferentes.append((s.name, r, x, o))\n"
            "print('celulas', celulas, 'diferentes', diferentes[:2])\n";
        const QString iguais = Reader("/usr/bin/python3", {"-c", compara, livro, pasta.filePath("csv")});
        QVERIFY2(iguais.contains("diferentes []") && !iguais.contains("celulas 0 "), qPrintable(iguais));
    }

    // Writer lays the RTF out on as many pages as the report has, its texts
    // where the page has them; the pictures go to the build's screenshots.
    void rtf_nas_paginas_do_relatorio() {
        const QString pdf = dir_.filePath("paginas.pdf");
        const QString rtf = dir_.filePath("paginas.rtf");
        QCOMPARE(Run({"relatorio", proposta_, "--saida", pdf}).code, 0);
        QCOMPARE(Run({"relatorio", proposta_, "--saida", rtf}).code, 0);
        const QString perfil = QStringLiteral("-env:UserInstallation=file://") + dir_.filePath("lo-pdf");
        if (Reader("soffice", {"--headless", perfil, "--convert-to", "pdf", "--outdir", dir_.filePath("writer"), rtf})
                .isNull()) {
            QSKIP("LibreOffice não está instalado");
        }
        const QString writer = dir_.filePath("writer/paginas.pdf");
        const QString info = Reader("pdfinfo", {writer});
        if (info.isNull()) QSKIP("pdfinfo não está instalado");
        QVERIFY2(info.contains(QRegularExpression("Pages: +2\\n")), qPrintable(info));
        QVERIFY(Reader("pdfinfo", {pdf}).contains(QRegularExpression("Pages: +2\\n")));
        // The last text of the first page stands within a few points of where the report prints it.
        const auto topo = [](const QString& bbox, const QString& palavra) {
            const auto m = QRegularExpression("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">" + palavra + "<")
                               .match(bbox);
            return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
        };
        const double noRelatorio = topo(Reader("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"}), "Validade");
        const double noWriter = topo(Reader("pdftotext", {"-bbox", "-f", "1", "-l", "1", writer, "-"}), "Validade");
        QVERIFY2(noRelatorio > 600 && qAbs(noWriter - noRelatorio) < 6,
                 qPrintable(QStringLiteral("%1 / %2").arg(noRelatorio).arg(noWriter)));
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        Reader("pdftoppm", {"-r", "70", "-png", "-f", "1", "-l", "1", "-singlefile", writer,
                            QStringLiteral(QUORIN_BINARY_DIR "/screenshots/relatorio_rtf_writer")});
    }

    void erros_de_uso_e_de_arquivo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("extensão desconhecida") << QStringList{"relatorio", "X.KPZ", "--saida", "r.doc"} << 64
                                               << ".qrp, .pdf, .txt, .rtf, .xls, .emf ou .wmf";
        QTest::newRow("sem saída") << QStringList{"relatorio", "X.KPZ"} << 64 << "--saida";
        QTest::newRow("arquivo ausente") << QStringList{"relatorio", "nao-existe.KPZ", "--saida", "r.pdf"} << 1
                                         << "nao-existe.KPZ";
        QTest::newRow("documento ausente")
            << QStringList{"relatorio", kExemplos + "PL_001269_2009.KPZ", "--documento", "52998224725", "--saida",
                           "r.pdf"}
            << 2 << "não consta";
    }
    void erros_de_uso_e_de_arquivo() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, mensagem);
        const Result r = Run(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(mensagem), qPrintable(r.err));
    }

    // A run ended by a signal in the middle of its work leaves nothing: not beside the
    // target, not in the temporary folder.
    void sinal_no_meio_nao_deixa_temporarios_data() {
        QTest::addColumn<QString>("saida");
        QTest::addColumn<int>("sinal");
        QTest::newRow("páginas, SIGTERM") << "r.qrp" << int(SIGTERM);
        QTest::newRow("páginas, SIGINT") << "r.qrp" << int(SIGINT);
        QTest::newRow("pdf, SIGTERM") << "r.pdf" << int(SIGTERM);
        // (A spreadsheet this large is refused at once, so the text export stands in for it.)
        QTest::newRow("texto, SIGINT") << "r.txt" << int(SIGINT);
        QTest::newRow("metarquivos, SIGTERM") << "r.emf" << int(SIGTERM);
    }
    void sinal_no_meio_nao_deixa_temporarios() {
        QFETCH(QString, saida);
        QFETCH(int, sinal);
        const QString grande = GrandeProcesso();
        QTemporaryDir pasta, temporarios, execucao;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", temporarios.path());
        env.insert("XDG_RUNTIME_DIR", execucao.path());  // Qt's own folder, not a temporary
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORIN_PACOTE), {"relatorio", grande, "--saida", pasta.filePath(saida)});
        QVERIFY(p.waitForStarted());
        // Signalled while it writes: a temporary beside the target or in the temporary folder.
        const auto escrevendo = [&] {
            return !Entradas(pasta.path()).isEmpty() || !Entradas(temporarios.path()).isEmpty();
        };
        QDeadlineTimer prazo(30000);
        while (!escrevendo() && p.state() == QProcess::Running && !prazo.hasExpired()) QThread::msleep(2);
        QThread::msleep(20);  // well inside the writing, not at its first instant
        QVERIFY2(p.state() == QProcess::Running, "the run ended before it could be signalled");
        ::kill(pid_t(p.processId()), sinal);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QCOMPARE(Entradas(pasta.path()), QStringList());
        QCOMPARE(Entradas(temporarios.path()), QStringList());
    }

    // A metafile set is written whole or not at all: a write that fails on the second
    // page leaves the earlier set as it was and nothing of the new one; a shorter new
    // set replaces a longer one without leaving its last pages behind.
    void conjunto_de_metarquivos_inteiro_ou_nada_data() {
        QTest::addColumn<QString>("extensao");
        QTest::newRow("emf") << "emf";
        QTest::newRow("wmf") << "wmf";
    }
    void conjunto_de_metarquivos_inteiro_ou_nada() {
        QFETCH(QString, extensao);
        QTemporaryDir pasta;
        const auto nome = [&](int n) {
            return pasta.filePath(QStringLiteral("r%1.%2").arg(n, 3, 10, QChar(u'0')).arg(extensao));
        };
        const auto conteudo = [](const QString& f) {
            QFile file(f);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        for (int n = 1; n <= 3; ++n) {
            QFile velho(nome(n));
            QVERIFY(velho.open(QIODevice::WriteOnly));
            velho.write(QByteArray("conjunto anterior, página ") + QByteArray::number(n));
        }
        const QStringList antes = Entradas(pasta.path());
        // Files are limited to the smaller page's size, so the larger page's write fails:
        // on the first page or on the second, depending on the format.
        QTemporaryDir medida;
        QCOMPARE(Run({"relatorio", proposta_, "--saida", medida.filePath("m." + extensao)}).code, 0);
        const qint64 primeira = QFileInfo(medida.filePath("m001." + extensao)).size();
        const qint64 segunda = QFileInfo(medida.filePath("m002." + extensao)).size();
        if (primeira == segunda) QSKIP("both pages have the same size");
        const Result r = Run({"relatorio", proposta_, "--saida", pasta.filePath("r." + extensao)},
                             rlim_t(std::min(primeira, segunda)));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("o arquivo excede o tamanho permitido")), qPrintable(r.err));
        QCOMPARE(Entradas(pasta.path()), antes);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(conteudo(nome(n)), QByteArray("conjunto anterior, página ") + QByteArray::number(n));

        const Result ok = Run({"relatorio", proposta_, "--saida", pasta.filePath("r." + extensao)});
        QVERIFY2(ok.code == 0, qPrintable(ok.err));
        QCOMPARE(Entradas(pasta.path()), (QStringList{"r001." + extensao, "r002." + extensao}));
        // The new pages (the report prints the time, so compare what is not the old set).
        for (int n = 1; n <= 2; ++n) {
            QVERIFY(!conteudo(nome(n)).startsWith("conjunto anterior"));
            QVERIFY(qAbs(conteudo(nome(n)).size() - conteudo(medida.filePath(
                QStringLiteral("m%1.%2").arg(n, 3, 10, QChar(u'0')).arg(extensao))).size()) < 64);
        }
    }

    void pasta_sem_permissao_nao_deixa_arquivo() {
        const QString pasta = dir_.filePath("somente-leitura");
        QVERIFY(QDir().mkpath(pasta));
        QFile::setPermissions(pasta, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (QFileInfo(pasta).isWritable()) QSKIP("como root toda pasta aceita gravação");
        const Result r = Run({"relatorio", proposta_, "--saida", pasta + "/r.pdf"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("r.pdf"), qPrintable(r.err));
        QVERIFY(QDir(pasta).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRelatorio)
#include "tst_relatorio.moc"

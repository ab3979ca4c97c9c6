#include <QtTest>

#include "dataset/Crc32.h"
#include "domain/Rascunho.h"

using namespace quorin;

namespace {

const QByteArray kProcesso = QCryptographicHash::hash("process bytes", QCryptographicHash::Sha256);
const QString kDocumento = QStringLiteral("12123123000199");

TItemRascunho Item(int lote, int item, const QString& marca, double preco, double total) {
    TItemRascunho i;
    i.lote = lote;
    i.item = item;
    i.marca = marca;
    i.preco = preco;
    i.total = total;
    i.quando = QDateTime(QDate(2026, 12, 10), QTime(5, 13, item, 250), Qt::UTC);
    return i;
}

void ComparaItens(const QList<TItemRascunho>& lidos, const QList<TItemRascunho>& esperados) {
    QCOMPARE(lidos.size(), esperados.size());
    for (qsizetype n = 0; n < lidos.size(); ++n) {
        QCOMPARE(lidos[n].lote, esperados[n].lote);
        QCOMPARE(lidos[n].item, esperados[n].item);
        QCOMPARE(lidos[n].marca, esperados[n].marca);
        QCOMPARE(lidos[n].preco, esperados[n].preco);  // exact: the draft restores the very double
        QCOMPARE(lidos[n].total, esperados[n].total);
        QCOMPARE(lidos[n].quando, esperados[n].quando);
    }
}

QByteArray Conteudo(const QString& caminho) {
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Grava(const QString& caminho, const QByteArray& bytes) {
    QFile f(caminho);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

class TstRascunho : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pasta;

    // A draft of three items in a fresh folder; answers its file.
    QString TresItens() {
        TRascunho r;
        r.Usa(pasta, kProcesso, kDocumento);
        for (const TItemRascunho& i :
             {Item(1, 1, QStringLiteral("A"), 9.85, 3940), Item(1, 2, QStringLiteral("B"), 8.3, 415),
              Item(2, 1, QStringLiteral("C"), 4.75, 570)})
            if (!r.Registra(i))
                qFatal("cannot record");
        return r.Caminho();
    }

  private Q_SLOTS:
    void init() {
        QVERIFY(dir.isValid());
        pasta = dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        if (QTest::currentDataTag())
            pasta += u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
    }

    // Every value comes back exactly, whatever the brand holds; nothing is written
    // before the first record, and the draft lives only in the folder given.
    void recordsReadBackExactly() {
        TRascunho r;
        r.Usa(pasta, kProcesso, kDocumento);
        QVERIFY(r.EmUso());
        QVERIFY(!QFileInfo::exists(pasta));
        const QList<TItemRascunho> itens = {
            Item(1, 1, QStringLiteral("ALVORADA"), 9.85, 3940),
            Item(1, 2, QStringLiteral("TRAÇO FINO"), 0.1 + 0.2, 3 * (0.1 + 0.2)),
            Item(1, 3, QStringLiteral("a\tb\nc%41;\"d\" 100%"), 1e-9, 1e15 + 0.5),
            Item(2, 1, QString(), 123456789.1234, 4836.5),
            Item(1, 1, QStringLiteral("ALVORADA 2"), 9.9, 3960),
        };
        for (const TItemRascunho& i : itens)
            QVERIFY(r.Registra(i));
        QCOMPARE(QFileInfo(r.Caminho()).absolutePath(), QFileInfo(pasta).absoluteFilePath());

        const TLeituraRascunho lido = TRascunho::Le(r.Caminho());
        QVERIFY(lido.existe);
        QCOMPARE(lido.versao, TRascunho::Versao);
        QCOMPARE(lido.processo, kProcesso);
        QCOMPARE(lido.documento, kDocumento);
        QCOMPARE(lido.ignorados, 0);
        ComparaItens(lido.itens, itens);
        // The last record of each item, in lot and item order.
        ComparaItens(lido.UltimosPorItem(), {itens[4], itens[1], itens[2], itens[3]});
    }

    // The draft is named by the process file's bytes and the document: another
    // file of the same name, or another supplier, has a draft of its own.
    void namedByBytesAndDocument() {
        QVERIFY(QDir().mkpath(pasta + QStringLiteral("/a")) && QDir().mkpath(pasta + QStringLiteral("/b")));
        Grava(pasta + QStringLiteral("/a/PL.KPZ"), "first");
        Grava(pasta + QStringLiteral("/b/PL.KPZ"), "second");
        Grava(pasta + QStringLiteral("/copia.KPZ"), "first");
        const QByteArray a = TRascunho::ResumoArquivo(pasta + QStringLiteral("/a/PL.KPZ"));
        const QByteArray b = TRascunho::ResumoArquivo(pasta + QStringLiteral("/b/PL.KPZ"));
        QCOMPARE(a.size(), 32);
        QVERIFY(a != b);
        QCOMPARE(TRascunho::ResumoArquivo(pasta + QStringLiteral("/copia.KPZ")), a);
        QVERIFY(TRascunho::ResumoArquivo(pasta + QStringLiteral("/missing.KPZ")).isEmpty());

        const QString base = TRascunho::CaminhoRascunho(pasta, a, kDocumento);
        QVERIFY(base != TRascunho::CaminhoRascunho(pasta, b, kDocumento));
        QVERIFY(base != TRascunho::CaminhoRascunho(pasta, a, QStringLiteral("52998224725")));
        QCOMPARE(TRascunho::CaminhoRascunho(pasta, a, kDocumento), base);
    }

    // A power cut mid-write leaves a torn last record: it is ignored, every
    // earlier record is kept, and the next record starts on a line of its own.
    void tornLastRecord_data() {
        QTest::addColumn<QString>("dano");
        QTest::addColumn<int>("itensLidos");
        QTest::addColumn<int>("ignoradosDepois");  // once one more record was appended
        QTest::newRow("cut mid-record") << "cut 20" << 2 << 0;
        QTest::newRow("only the line end missing") << "cut 1" << 2 << 0;
        QTest::newRow("the start of one more record") << "add" << 3 << 0;
        QTest::newRow("complete line, bad checksum") << "flip" << 2 << 1;
    }
    void tornLastRecord() {
        QFETCH(QString, dano);
        QFETCH(int, itensLidos);
        QFETCH(int, ignoradosDepois);
        const QString caminho = TresItens();
        QByteArray bytes = Conteudo(caminho);
        if (dano.startsWith(QStringLiteral("cut")))
            bytes.chop(dano.mid(4).toInt());
        else if (dano == QStringLiteral("add"))
            bytes += "I\t3\t";
        else
            bytes[bytes.lastIndexOf("\tC\t") + 1] = 'X';
        Grava(caminho, bytes);

        TLeituraRascunho lido = TRascunho::Le(caminho);
        QVERIFY(lido.existe);
        QCOMPARE(lido.itens.size(), itensLidos);
        QCOMPARE(lido.ignorados, 1);
        QCOMPARE(lido.itens[0].marca, QStringLiteral("A"));
        QCOMPARE(lido.itens[1].marca, QStringLiteral("B"));

        TRascunho r;
        r.Usa(pasta, kProcesso, kDocumento);
        QVERIFY(r.Registra(Item(3, 1, QStringLiteral("D"), 1.5, 15)));
        lido = TRascunho::Le(caminho);
        QCOMPARE(lido.itens.size(), itensLidos + 1);
        QCOMPARE(lido.itens.constLast().marca, QStringLiteral("D"));
        QCOMPARE(lido.ignorados, ignoradosDepois);
    }

    // A header cut short holds nothing: the draft starts again. A draft of
    // another version of the program is neither read nor written.
    void damagedOrForeignHeader() {
        const QString caminho = TresItens();
        const QByteArray bytes = Conteudo(caminho);
        Grava(caminho, bytes.left(bytes.indexOf('\n') - 3));
        QVERIFY(!TRascunho::Le(caminho).existe);
        {
            TRascunho r;
            r.Usa(pasta, kProcesso, kDocumento);
            QVERIFY(r.Registra(Item(1, 1, QStringLiteral("A"), 2, 20)));
        }
        QCOMPARE(TRascunho::Le(caminho).itens.size(), 1);

        const QByteArray cabecalho = "QRRASCUNHO\t2\t" + kProcesso.toHex() + "\t" + kDocumento.toLatin1();
        const QByteArray outra =
            cabecalho + '\t' +
            QByteArray::number(Crc32(cabecalho.constData(), size_t(cabecalho.size())), 16)
                .rightJustified(8, '0') +
            "\nI\tnewer records\n";
        Grava(caminho, outra);
        const TLeituraRascunho lido = TRascunho::Le(caminho);
        QVERIFY(!lido.existe);
        QCOMPARE(lido.versao, 2);
        TRascunho r;
        r.Usa(pasta, kProcesso, kDocumento);
        QVERIFY(!r.Registra(Item(1, 1, QStringLiteral("A"), 2, 20)));
        QCOMPARE(Conteudo(caminho), outra);
    }

    // A folder that cannot be made, or a draft that cannot be opened, answers
    // false and throws nothing; nothing is left half-written.
    void unwritableFolder() {
        Grava(dir.filePath(QStringLiteral("arquivo")), "not a folder");
        TRascunho r;
        r.Usa(dir.filePath(QStringLiteral("arquivo/rascunhos")), kProcesso, kDocumento);
        QVERIFY(!r.Registra(Item(1, 1, QStringLiteral("A"), 2, 20)));
        QVERIFY(!r.Registra(Item(1, 2, QStringLiteral("B"), 2, 20)));

        TRascunho semPasta;
        semPasta.Usa(QString(), kProcesso, kDocumento);
        QVERIFY(!semPasta.EmUso());
        QVERIFY(!semPasta.Registra(Item(1, 1, QStringLiteral("A"), 2, 20)));
    }

    // Cancelling keeps the old draft aside under another name and starts a new
    // one; closing removes only the draft in use.
    void asideAndRemove() {
        const QString caminho = TresItens();
        TRascunho r;
        r.Usa(pasta, kProcesso, kDocumento);
        QVERIFY(r.PoeDeLado());
        QVERIFY(!QFileInfo::exists(caminho));
        const QStringList deLado = QDir(pasta).entryList(QDir::Files);
        QCOMPARE(deLado.size(), 1);
        QVERIFY(deLado[0].contains(QStringLiteral(".anterior-")));
        QCOMPARE(TRascunho::Le(pasta + u'/' + deLado[0]).itens.size(), 3);

        QVERIFY(r.Registra(Item(1, 1, QStringLiteral("NOVO"), 7, 70)));
        QCOMPARE(TRascunho::Le(caminho).itens.size(), 1);
        QVERIFY(r.PoeDeLado());
        QCOMPARE(QDir(pasta).entryList(QDir::Files).size(), 2);

        QVERIFY(r.Registra(Item(1, 1, QStringLiteral("OUTRO"), 7, 70)));
        QVERIFY(r.Remove());
        QVERIFY(!QFileInfo::exists(caminho));
        QCOMPARE(QDir(pasta).entryList(QDir::Files).size(), 2);
        QVERIFY(r.Remove());  // nothing there: nothing to do
    }
};

QTEST_GUILESS_MAIN(TstRascunho)
#include "tst_rascunho.moc"

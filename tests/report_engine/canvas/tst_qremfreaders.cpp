// Independent EMF readers accept what the recorder writes: emf2svg converts
// every recording with its texts, and Inkscape renders a page close to what
// our player draws. A test whose reader is not installed is skipped.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "CanvasScenes.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"

using namespace quorin;

namespace {

using Scene = void (*)(TQRCanvas&);

void OnlyTexts(TQRCanvas& canvas) {
    canvas.Font.Size = 8;
    canvas.TextOut(5, 5, QStringLiteral("Fornecedor: Ação & Cia <Ltda>"));
    canvas.Font.Bold = true;
    canvas.TextAlign = TAlignment::taRightJustify;
    canvas.TextOut(390, 40, QStringLiteral("R$ 10,00"));
}

void Empty(TQRCanvas&) {}

QByteArray Record(Scene scene, QSize page = QSize(400, 300)) {
    TQREmfRecorder recorder(page, 96);
    scene(recorder);
    return recorder.Finish().Data();
}

bool WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestEmfReaders : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void emf2svgConvertsEveryRecording_data() {
        QTest::addColumn<void*>("scene");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("report page") << reinterpret_cast<void*>(&scenes::ReportPage)
                                     << QStringList{QStringLiteral("Proposta de Preços — Lote 1"),
                                                    QStringLiteral("Página: 1"),
                                                    QStringLiteral("Especificação técnica"),
                                                    QStringLiteral("Depois do recorte")};
        QTest::newRow("texts only") << reinterpret_cast<void*>(&OnlyTexts)
                                    << QStringList{QStringLiteral("Fornecedor: Ação & Cia <Ltda>"),
                                                   QStringLiteral("R$ 10,00")};
        QTest::newRow("changing objects") << reinterpret_cast<void*>(&scenes::ManyObjects)
                                          << QStringList{QStringLiteral("Linha 0 çã"), QStringLiteral("Linha 39 çã")};
        QTest::newRow("empty page") << reinterpret_cast<void*>(&Empty) << QStringList{};
    }
    void emf2svgConvertsEveryRecording() {
        QFETCH(void*, scene);
        QFETCH(QStringList, texts);
        const QString converter = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
        if (converter.isEmpty()) {
            QSKIP("emf2svg-conv is not installed (Debian package emf2svg)");
        }
        QTemporaryDir dir;
        const QString emf = dir.filePath(QStringLiteral("p.emf"));
        const QString svg = dir.filePath(QStringLiteral("p.svg"));
        QVERIFY(WriteFile(emf, Record(reinterpret_cast<Scene>(scene))));
        QProcess process;
        process.start(converter, {QStringLiteral("-i"), emf, QStringLiteral("-o"), svg});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 process.readAllStandardError().constData());
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        for (const QString& text : texts) {
            QVERIFY2(content.contains(text), qPrintable(text));
        }
    }

    void inkscapeRendersWhatThePlayerDraws() {
        const QString inkscape = QStandardPaths::findExecutable(QStringLiteral("inkscape"));
        if (inkscape.isEmpty()) {
            QSKIP("inkscape is not installed (Debian package inkscape)");
        }
        QTemporaryDir dir;
        const QString emf = dir.filePath(QStringLiteral("p.emf"));
        const QString png = dir.filePath(QStringLiteral("o.png"));
        const QByteArray bytes = Record(&scenes::ReportPage);
        QVERIFY(WriteFile(emf, bytes));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        process.setProcessEnvironment(env);
        process.start(inkscape, {QStringLiteral("--export-type=png"), QStringLiteral("--export-dpi=96"),
                                 QStringLiteral("--export-background=white"),
                                 QStringLiteral("--export-filename=") + png, emf});
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        QImage rendered(png);
        QVERIFY(!rendered.isNull());
        rendered.save(scenes::ScreenshotDir() + QStringLiteral("/canvas_inkscape.png"));

        QImage played(rendered.size(), QImage::Format_RGB32);
        played.fill(Qt::white);
        {
            QPainter painter(&played);
            TQREmfPlayer::Play(bytes, painter, QRectF(QPointF(0, 0), QSizeF(400, 300)));
        }
        QCOMPARE(rendered.size(), QSize(400, 300));
        // Inkscape smooths edges and places glyphs by its own advances:
        // every pixel of one picture must have its like nearby in the other.
        QImage map = scenes::Difference(rendered, rendered, 0);
        const double share = std::max(scenes::UnmatchedShare(rendered, played, 2, 140, &map),
                                      scenes::UnmatchedShare(played, rendered, 2, 140, &map));
        qInfo("Inkscape and player differ in %.3f%% of the pixels", share * 100);
        map.save(scenes::ScreenshotDir() + QStringLiteral("/canvas_inkscape_diff.png"));
        QVERIFY2(share < 0.002, qPrintable(QStringLiteral("%1% of the pixels differ").arg(share * 100)));
    }
};

QTEST_MAIN(TestEmfReaders)
#include "tst_qremfreaders.moc"

// Recording a page and playing it back gives the page the painter canvas
// draws directly; the header describes the page and no object handle leaks.
#include <QtEndian>
#include <QtTest>

#include "CanvasScenes.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/canvas/TQRPainterCanvas.h"

using namespace quorin;

namespace {

constexpr QSize kPage(400, 300);

using Scene = void (*)(TQRCanvas&);

QImage Direct(Scene scene, int scale) {
    QImage image(kPage * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    TQRPainterCanvas canvas(painter, 96);
    scene(canvas);
    return image;
}

QImage Played(const TQRPageRecording& page, int scale) {
    QImage image(kPage * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TQREmfPlayer::Play(page, painter, QRectF(QPointF(0, 0), QSizeF(kPage * scale)));
    return image;
}

uint32_t U32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<uint32_t>(bytes.constData() + at);
}

}  // namespace

class TestEmfRoundTrip : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void playbackMatchesDirectDrawing_data() {
        QTest::addColumn<void*>("scene");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("name");
        void* report = reinterpret_cast<void*>(&scenes::ReportPage);
        void* objects = reinterpret_cast<void*>(&scenes::ManyObjects);
        QTest::newRow("report page, 96 dpi") << report << 1 << QStringLiteral("report");
        QTest::newRow("report page, 3x") << report << 3 << QStringLiteral("report");
        QTest::newRow("changing objects, 96 dpi") << objects << 1 << QStringLiteral("objects");
        QTest::newRow("changing objects, 2x") << objects << 2 << QStringLiteral("objects");
    }
    void playbackMatchesDirectDrawing() {
        QFETCH(void*, scene);
        QFETCH(int, scale);
        QFETCH(QString, name);
        TQREmfRecorder recorder(kPage, 96);
        reinterpret_cast<Scene>(scene)(recorder);
        const TQRPageRecording page = recorder.Finish();
        const QImage played = Played(page, scale);
        const QImage direct = Direct(reinterpret_cast<Scene>(scene), scale);
        played.save(scenes::ScreenshotDir() + QStringLiteral("/canvas_%1_played_x%2.png").arg(name).arg(scale));
        direct.save(scenes::ScreenshotDir() + QStringLiteral("/canvas_%1_direct_x%2.png").arg(name).arg(scale));
        const double share = scenes::DifferentShare(played, direct, 40);
        QVERIFY2(share < 0.002, qPrintable(QStringLiteral("%1% of the pixels differ").arg(share * 100)));
    }

    void headerDescribesThePage_data() {
        QTest::addColumn<void*>("scene");
        QTest::addColumn<int>("maxHandles");
        QTest::newRow("report page") << reinterpret_cast<void*>(&scenes::ReportPage) << 13;
        QTest::newRow("changing objects") << reinterpret_cast<void*>(&scenes::ManyObjects) << 13;
    }
    void headerDescribesThePage() {
        QFETCH(void*, scene);
        QFETCH(int, maxHandles);
        TQREmfRecorder recorder(QSize(816, 1056), 96);
        reinterpret_cast<Scene>(scene)(recorder);
        const TQRPageRecording page = recorder.Finish();
        QCOMPARE(page.Bounds(), QRect(QPoint(0, 0), QPoint(815, 1055)));
        QCOMPARE(page.Frame(), QRect(QPoint(0, 0), QPoint(21589, 27939)));
        QCOMPARE(page.DevicePixels(), QSize(1920, 1080));
        QCOMPARE(page.DeviceMillimeters(), QSize(508, 286));
        const QByteArray& bytes = page.Data();
        QCOMPARE(U32(bytes, 48), uint32_t(bytes.size()));

        // Walk the records: count them, follow every object handle.
        qsizetype at = 0;
        uint32_t records = 0;
        QSet<uint32_t> live;
        uint32_t highest = 0;
        uint32_t lastType = 0;
        while (at < bytes.size()) {
            const uint32_t type = U32(bytes, at);
            const uint32_t size = U32(bytes, at + 4);
            QVERIFY(size >= 8 && size % 4 == 0 && at + size <= bytes.size());
            if (type == 38 || type == 39 || type == 82) {
                const uint32_t handle = U32(bytes, at + 8);
                QVERIFY2(!live.contains(handle), "an object created into a handle still in use");
                live.insert(handle);
                highest = std::max(highest, handle);
            } else if (type == 40) {
                QVERIFY(live.remove(U32(bytes, at + 8)));
            }
            lastType = type;
            ++records;
            at += size;
        }
        QCOMPARE(lastType, 14u);
        QCOMPARE(U32(bytes, 52), records);
        QVERIFY2(live.isEmpty(), "objects left undeleted at the end of the page");
        QCOMPARE(uint32_t(qFromLittleEndian<uint16_t>(bytes.constData() + 56)), highest + 1);
        // A few live objects per kind, however many fonts and pens the page uses.
        QVERIFY(int(highest) + 1 <= maxHandles);
    }

    void textsListsEveryTextWithItsPosition() {
        TQREmfRecorder recorder(kPage, 96);
        scenes::ReportPage(recorder);
        const QList<TQREmfPlayer::TextRecord> texts = TQREmfPlayer::Texts(recorder.Finish().Data());
        QCOMPARE(texts.size(), 6);
        QCOMPARE(texts[0].Text, QStringLiteral("Proposta de Preços — Lote 1"));
        QCOMPARE(texts[0].Position, QPointF(10, 10));
        QCOMPARE(texts[1].Text, QStringLiteral("Página: 1"));
        QCOMPARE(texts[1].Position, QPointF(390, 30));
    }
};

QTEST_MAIN(TestEmfRoundTrip)
#include "tst_qremfroundtrip.moc"

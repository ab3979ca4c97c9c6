#pragma once

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <memory>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

/// A report over a small CDS_Relatorio built from definition tables, run
/// into recorded pages. Records i = 1..n: lot 3 for the first two, then lot
/// 4; item 6 + i; quantity 1234,5; totals 30,50, 1000 and 2000; brand "BIC";
/// a two-line description. Margins of 48 pixels (127 native units) on A4.
struct RunHarness {
    QObject owner;
    TMemoryDataSet data{&owner};
    std::unique_ptr<TQuickRep> report;

    explicit RunHarness(int records) {
        data.setObjectName(QStringLiteral("CDS_Relatorio"));
        data.AddIntegerField(QStringLiteral("NRO_LOTE"));
        data.AddIntegerField(QStringLiteral("NRO_ITEM"));
        data.AddFloatField(QStringLiteral("QTD_PRODUTO"), true);
        data.AddFloatField(QStringLiteral("VLR_TOTAL"), true);
        data.AddStringField(QStringLiteral("DES_MARCA"), 40);
        data.AddBlobField(QStringLiteral("DES_OBJETO"));
        data.AddBlobField(QStringLiteral("FOTO"));
        data.CreateDataSet();
        const double totals[] = {30.5, 1000, 2000};
        for (int i = 1; i <= records; ++i) {
            data.Append();
            data.FindField(QStringLiteral("NRO_LOTE"))->SetAsInteger(i <= 2 ? 3 : 4);
            data.FindField(QStringLiteral("NRO_ITEM"))->SetAsInteger(6 + i);
            data.FindField(QStringLiteral("QTD_PRODUTO"))->SetAsFloat(1234.5);
            data.FindField(QStringLiteral("VLR_TOTAL"))->SetAsFloat(totals[(i - 1) % 3]);
            data.FindField(QStringLiteral("DES_MARCA"))->SetAsString(QStringLiteral("BIC"));
            data.FindField(QStringLiteral("DES_OBJETO"))
                ->SetAsString(QStringLiteral("Caneta esferográfica\r\nazul, 0,7 mm"));
            data.Post();
        }
        data.First();
        report = std::make_unique<TQuickRep>(&owner);
        report->SetName(QStringLiteral("QRP_Teste"));
        report->SetDataSet(&data);
        report->SetUnits(TQRUnit::Native);
        report->Page().SetPaperSize(TQRPaperSize::A4);
        report->Page().SetLeftMargin(127);
        report->Page().SetRightMargin(127);
        report->Page().SetTopMargin(127);
        report->Page().SetBottomMargin(127);
    }

    void Build(const std::vector<TQRBandRow>& bands, const std::vector<TQRPrintableRow>& printables) {
        TQRDefinition::Build(*report, bands, printables);
    }

    /// One run on this thread into a fresh page sink.
    void Run() {
        report->SetQRPrinter(std::make_unique<TQRPrinter>(report.get()));
        report->CreateReport();
    }

    int PageCount() const { return report->QRPrinter()->GetPageCount(); }

    QList<TQREmfPlayer::TextRecord> Texts(int page) const {
        std::unique_ptr<TQRPageRecording> recording = report->QRPrinter()->GetPage(page);
        return recording ? TQREmfPlayer::Texts(recording->Data()) : QList<TQREmfPlayer::TextRecord>{};
    }
    QStringList TextsOf(int page) const {
        QStringList texts;
        for (const auto& t : Texts(page)) {
            texts << t.Text;
        }
        return texts;
    }

    /// The page played onto an image of its own pixels; saved as a PNG under
    /// build/screenshots when a name is given.
    QImage Render(int page, const QString& name) const {
        std::unique_ptr<TQRPageRecording> recording = report->QRPrinter()->GetPage(page);
        const QSize size = recording->Bounds().size();
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        TQREmfPlayer::Play(*recording, painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        if (!name.isEmpty()) {
            image.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/printables-%1.png").arg(name));
        }
        return image;
    }

    template <typename T>
    T* Find(const char* name) const {
        T* found = nullptr;
        for (QObject* o : report->findChildren<QObject*>(QString::fromLatin1(name))) {
            if (auto* t = dynamic_cast<T*>(o)) {
                found = t;
            }
        }
        if (found == nullptr) {
            qFatal("no printable %s", name);
        }
        return found;
    }

    static int Dpi() { return TQREmfRecorder::ScreenDotsPerInch(); }
    int LeftMarginPixels() const { return qRound(127.0 * Dpi() / 254); }
    int TopMarginPixels() const { return qRound(127.0 * Dpi() / 254); }
    static double LineHeightPixels(int fontSize) {
        TQREmfRecorder recorder(QSize(10, 10), Dpi());
        recorder.Font.Size = fontSize;
        return recorder.TextHeight(QStringLiteral("W"));
    }
};

/// A band row of a definition table.
inline TQRBandRow Band(const QString& name, TQRBandType type, int height,
                       const QString& kind = QStringLiteral("Band"), const QVariantMap& properties = {}) {
    TQRBandRow row;
    row.Name = name;
    row.Type = type;
    row.Height = height;
    row.Kind = kind;
    row.Properties = properties;
    return row;
}

/// Counts what a run hands to an export filter.
struct CapturingFilter : TQRExportFilter {
    CapturingFilter() : TQRExportFilter(QString()) {}
    int shapes = 0;
    int images = 0;
    QStringList texts;
    void AcceptGraphic(int, int, const TQRExportGraphic& graphic) override {
        (graphic.Kind == TQRExportGraphic::TKind::Shape ? shapes : images) += 1;
    }
    void TextOut(double, double, const TQRFont&, const QColor&, TAlignment, const QString& text) override {
        texts << text;
    }
};

}  // namespace quorin

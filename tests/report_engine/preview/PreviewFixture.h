#pragma once

// Helpers shared by the preview tests: printers filled by hand, fake print
// jobs that log each job's page range, and answers for the window's dialogs.
#include <QDir>
#include <QImage>
#include <QPicture>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/preview/QRPreviewDialogs.h"
#include "report_engine/printer/QRFakePrinterDriver.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin::test {

/// The page range of each print job and how many pages it printed.
struct TJob {
    int First = 0;
    int Last = 0;
    int Pages = 0;
};

class FakeJob : public TQRPrintJob {
  public:
    FakeJob(std::vector<TJob>& log, const TQRPrinter& printer) : log_(log), printer_(printer) {}
    bool Begin(const QString&) override {
        log_.push_back({printer_.FirstPage, printer_.LastPage, 1});
        return painter_.begin(&picture_);
    }
    bool NewPage() override {
        ++log_.back().Pages;
        return true;
    }
    bool End() override { return painter_.end(); }
    void Abort() override {
        if (painter_.isActive()) painter_.end();
    }
    bool Active() const override { return painter_.isActive(); }
    QPainter& Painter() override { return painter_; }
    int DotsPerInchX() const override { return 300; }
    int DotsPerInchY() const override { return 300; }
    QSize PrintableSize() const override { return {2480, 3508}; }
    QString PrinterName() const override { return QStringLiteral("Impressora de teste"); }

  private:
    std::vector<TJob>& log_;
    const TQRPrinter& printer_;
    QPicture picture_;
    QPainter painter_;
};

/// A printer that prints stored pages into fake jobs logged in Jobs.
struct TTestPrinter {
    TQRFakePrinterDriver Driver;
    std::unique_ptr<TQRPrinter> Printer = std::make_unique<TQRPrinter>();
    std::vector<TJob> Jobs;

    TTestPrinter() {
        Printer->SetPrinterDriver(&Driver);
        Printer->CreatePrintJob = [this] { return std::make_unique<FakeJob>(Jobs, *Printer); };
    }
    TQRPrinter* operator->() { return Printer.get(); }
    TQRPrinter& operator*() { return *Printer; }
};

/// What a hand-made page says: a title, its number and any extra lines.
inline void DrawPage(TQRPrinter& printer, int page, const QStringList& extra = {}) {
    TQRCanvas* canvas = printer.GetCanvas();
    if (canvas == nullptr) return;
    canvas->Font.Size = 14;
    canvas->Font.Bold = true;
    canvas->TextOut(printer.XPos(150), printer.YPos(150), QStringLiteral("Relatório de Teste"));
    canvas->Font.Size = 10;
    canvas->Font.Bold = false;
    canvas->Pen.Width = 1;
    canvas->MoveTo(printer.XPos(150), printer.YPos(230));
    canvas->LineTo(printer.XPos(1950), printer.YPos(230));
    for (int row = 0; row < 20; ++row) {
        const int y = printer.YPos(280 + row * 55);
        canvas->TextOut(printer.XPos(150), y, QStringLiteral("Item %1").arg((page - 1) * 20 + row + 1));
        canvas->TextOut(printer.XPos(700), y, QStringLiteral("Descrição do item da linha %1").arg(row + 1));
        canvas->TextAlign = TAlignment::taRightJustify;
        canvas->TextOut(printer.XPos(1950), y, QStringLiteral("%1,00").arg(1000 + row * 37));
        canvas->TextAlign = TAlignment::taLeftJustify;
    }
    int y = 1450;
    for (const QString& line : extra) {
        canvas->TextOut(printer.XPos(150), printer.YPos(y), line);
        y += 60;
    }
    canvas->Brush.Style = TQRBrushStyle::bsClear;
    canvas->Rectangle(printer.XPos(100), printer.YPos(100), printer.XPos(2000), printer.YPos(2870));
    canvas->Brush.Style = TQRBrushStyle::bsSolid;
    canvas->TextOut(printer.XPos(900), printer.YPos(2780), QStringLiteral("Página %1").arg(page));
}

/// A finished run of pages into the page store; extra(page) adds lines.
inline void Fill(TQRPrinter& printer, int pages,
                 const std::function<QStringList(int)>& extra = [](int) { return QStringList(); }) {
    printer.BeginDoc();
    for (int page = 1; page <= pages; ++page) {
        printer.NewPage();
        DrawPage(printer, page, extra(page));
    }
    printer.EndDoc();
}

/// Answers the window's dialogs and records what they were asked.
struct TDialogAnswers {
    QStringList Messages;       // "caption|text"
    QStringList InputAnswers;   // consumed in order; an answer "<cancel>" cancels
    QStringList Prompts;        // "caption|prompt|initial"
    QStringList SearchAnswers;  // "text" or "text|exact"; "<cancel>" cancels
    QStringList SearchOffered;  // the text each search dialog came up with
    QString SaveName;
    int SaveFilter = 1;
    QStringList SaveAsked;      // "caption|proposed|extension|filters joined by ;;"
    QString OpenName;
    bool OpenCancels = false;
    QStringList OpenAsked;      // "caption|filters"

    TDialogAnswers() {
        TQRPreviewDialogs::MessageBox = [this](QWidget*, const QString& caption, const QString& text) {
            Messages << caption + u'|' + text;
        };
        TQRPreviewDialogs::InputQuery = [this](QWidget*, const QString& caption, const QString& prompt,
                                               QString& value) {
            Prompts << caption + u'|' + prompt + u'|' + value;
            if (InputAnswers.isEmpty()) return false;
            const QString answer = InputAnswers.takeFirst();
            if (answer == u"<cancel>") return false;
            value = answer;
            return true;
        };
        TQRPreviewDialogs::SearchText = [this](QWidget*, QString& text, bool& exact) {
            SearchOffered << text;
            if (SearchAnswers.isEmpty()) return false;
            const QStringList answer = SearchAnswers.takeFirst().split(u'|');
            if (answer.first() == u"<cancel>") return false;
            text = answer.first();
            exact = answer.size() > 1;
            return true;
        };
        TQRPreviewDialogs::SaveFile = [this](QWidget*, const QString& caption, const QString& proposed,
                                             const QString& extension, const QStringList& filters,
                                             QString& fileName, int& filterIndex) {
            SaveAsked << caption + u'|' + proposed + u'|' + extension + u'|' + filters.join(QStringLiteral(";;"));
            if (SaveName.isEmpty()) return false;
            fileName = SaveName;
            filterIndex = SaveFilter;
            return true;
        };
        TQRPreviewDialogs::OpenFile = [this](QWidget*, const QString& caption, const QStringList& filters,
                                             QString& fileName) {
            OpenAsked << caption + u'|' + filters.join(QStringLiteral(";;"));
            if (OpenCancels) return false;
            fileName = OpenName;
            return true;
        };
    }
    ~TDialogAnswers() { TQRPreviewDialogs::Reset(); }
    TDialogAnswers(const TDialogAnswers&) = delete;
    TDialogAnswers& operator=(const TDialogAnswers&) = delete;
};

/// build/screenshots, created on demand.
inline QString ScreenshotPath(const QString& name) {
    const QString dir = QStringLiteral(QUORIN_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    return dir + u'/' + name;
}

}  // namespace quorin::test

// Generation speed: a list report of 50,000 records (one detail band with five
// data texts and an expression, numbers through masks as the program's report
// prints them; a group per 100 records with header and footer expressions;
// page header and footer) made of the engine's own printables and generated
// into the page store, beside the same rows painted with QPainter onto page
// images. Prints pages per second and the peak memory.

#include <sys/resource.h>
#include <time.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRPrintableKinds.h"
#include "report_engine/printer/QRFakePrinterDriver.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

std::unique_ptr<TMemoryDataSet> Items(int count) {
    auto data = std::make_unique<TMemoryDataSet>();
    data->setObjectName(QStringLiteral("CDS_Relatorio"));
    data->AddIntegerField(QStringLiteral("NRO_LOTE"));
    data->AddIntegerField(QStringLiteral("NRO_ITEM"));
    data->AddStringField(QStringLiteral("DESCRICAO"), 60);
    data->AddStringField(QStringLiteral("MARCA"), 30);
    data->AddFloatField(QStringLiteral("QTD"));
    data->AddFloatField(QStringLiteral("PRECO"));
    data->CreateDataSet();
    for (int i = 0; i < count; ++i) {
        data->Append();
        data->Fields()[0]->SetAsInteger(i / 100 + 1);
        data->Fields()[1]->SetAsInteger(i + 1);
        data->Fields()[2]->SetAsString(QStringLiteral("Item de material de consumo número %1").arg(i + 1));
        data->Fields()[3]->SetAsString(QStringLiteral("Marca %1").arg(i % 37));
        data->Fields()[4]->SetAsFloat(1 + i % 50);
        data->Fields()[5]->SetAsFloat(10.25 + i % 13);
        data->Post();
    }
    data->First();
    return data;
}

TQRPrintableRow Printable(const char* kind, const QString& band, int left, int width, QVariantMap properties) {
    TQRPrintableRow row;
    row.Kind = QString::fromLatin1(kind);
    row.Band = band;
    row.Left = left;
    row.Top = 2;
    row.Width = width;
    row.Height = 14;
    properties.insert(QStringLiteral("AutoSize"), false);
    row.Properties = std::move(properties);
    return row;
}

/// A data text of the report's data set, as the program's report places its fields.
TQRPrintableRow Field(const QString& field, int left, int width, const QString& mask = {},
                      const char* alignment = "left") {
    return Printable("TQRDBText", QStringLiteral("D"), left, width,
                     {{QStringLiteral("DataSet"), QStringLiteral("CDS_Relatorio")},
                      {QStringLiteral("DataField"), field},
                      {QStringLiteral("Mask"), mask},
                      {QStringLiteral("Alignment"), QString::fromLatin1(alignment)}});
}

TQRPrintableRow Expr(const QString& band, const QString& expression, int left, int width, const QString& mask = {},
                     const char* alignment = "left") {
    return Printable("TQRExpr", band, left, width,
                     {{QStringLiteral("Expression"), expression},
                      {QStringLiteral("Mask"), mask},
                      {QStringLiteral("Alignment"), QString::fromLatin1(alignment)}});
}

TQRBandRow Band(const QString& name, TQRBandType type, int height) {
    TQRBandRow row;
    row.Name = name;
    row.Type = type;
    row.Height = height;
    return row;
}

long CurrentKb() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * 4;
}

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

/// Wall-clock and CPU seconds of the generating thread (the machine may be shared).
struct Result {
    int pages = 0;
    double seconds = 0;
    double cpu = 0;
    long kbBefore = 0;  // resident memory when generation starts (data set built)
    long kbAfter = 0;   // and when it ends, with every page in the page store
};

Result Generate(int records) {
    static TQRFakePrinterDriver driver;
    driver.Codes = {9, 256};
    auto data = Items(records);
    TQuickRep report;
    report.PrinterFactory = [](TCustomQuickRep& r) {
        auto printer = std::make_unique<TQRPrinter>(&r);
        printer->SetPrinterDriver(&driver);
        return printer;
    };
    report.Page().SetPaperSize(TQRPaperSize::A4);
    report.SetDataSet(data.get());
    TQRBandRow group = Band(QStringLiteral("GH"), rbGroupHeader, 20);
    group.Kind = QStringLiteral("Group");
    group.Properties = {{QStringLiteral("Expression"), QStringLiteral("NRO_LOTE")},
                        {QStringLiteral("Footer"), QStringLiteral("GF")}};
    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 9;
    report.SetFont(font);
    TQRDefinition::Build(
        report,
        {Band(QStringLiteral("PH"), rbPageHeader, 24), group, Band(QStringLiteral("D"), rbDetail, 18),
         Band(QStringLiteral("GF"), rbGroupFooter, 20), Band(QStringLiteral("PF"), rbPageFooter, 20)},
        {Printable("TQRLabel", QStringLiteral("PH"), 0, 300,
                   {{QStringLiteral("Caption"), QStringLiteral("Relatório de propostas")}}),
         Expr(QStringLiteral("GH"), QStringLiteral("'Lote ' + STR(NRO_LOTE)"), 0, 200),
         Field(QStringLiteral("NRO_ITEM"), 0, 50, QStringLiteral("00000"), "center"),
         Field(QStringLiteral("DESCRICAO"), 55, 250), Field(QStringLiteral("MARCA"), 310, 90),
         Field(QStringLiteral("QTD"), 405, 60, QStringLiteral("#,##0.0000"), "right"),
         Field(QStringLiteral("PRECO"), 470, 80, QStringLiteral("#,##0.0000"), "right"),
         Expr(QStringLiteral("D"), QStringLiteral("QTD * PRECO"), 555, 100, QStringLiteral("#,##0.00"), "right"),
         Expr(QStringLiteral("GF"), QStringLiteral("'Fim do lote ' + STR(NRO_LOTE)"), 0, 200),
         Expr(QStringLiteral("PF"), QStringLiteral("'Página ' + STR(PAGENUMBER)"), 0, 200)});
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    Result result;
    result.kbBefore = CurrentKb();
    report.Prepare();
    result.kbAfter = CurrentKb();
    result.seconds = timer.nsecsElapsed() / 1e9;
    result.cpu = CpuSeconds() - cpu;
    result.pages = report.QRPrinter()->GetPageCount();
    return result;
}

/// The peer: the same rows laid out by hand and painted with QPainter onto an A4 page image.
Result Paint(int records) {
    auto data = Items(records);
    QImage page(794, 1123, QImage::Format_RGB32);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    Result result;
    QPainter painter;
    int y = 2000;
    int lot = -1;
    auto newPage = [&] {
        if (painter.isActive()) {
            painter.drawText(38, 1123 - 58, QStringLiteral("Página %1").arg(result.pages));
            painter.end();
        }
        page.fill(Qt::white);
        painter.begin(&page);
        painter.setFont(font);
        ++result.pages;
        painter.drawText(38, 50, QStringLiteral("Relatório de propostas"));
        y = 62;
    };
    auto row = [&](int height) {
        if (y + height > 1123 - 38 - 20) {
            newPage();
        }
        const int top = y;
        y += height;
        return top + 14;
    };
    for (data->First(); !data->Eof(); data->Next()) {
        const int thisLot = data->Fields()[0]->AsInteger();
        if (thisLot != lot) {
            if (lot != -1) {
                painter.drawText(38, row(20), QStringLiteral("Fim do lote %1").arg(lot));
            }
            lot = thisLot;
            painter.drawText(38, row(20), QStringLiteral("Lote %1").arg(lot));
        }
        const int base = row(18);
        painter.drawText(38, base, FormatFloat(QStringLiteral("00000"), data->Fields()[1]->AsInteger()));
        painter.drawText(93, base, data->Fields()[2]->AsString());
        painter.drawText(348, base, data->Fields()[3]->AsString());
        painter.drawText(443, base, FormatFloat(QStringLiteral("#,##0.0000"), data->Fields()[4]->AsFloat()));
        painter.drawText(508, base, FormatFloat(QStringLiteral("#,##0.0000"), data->Fields()[5]->AsFloat()));
        painter.drawText(593, base,
                         FormatFloat(QStringLiteral("#,##0.00"), data->Fields()[4]->AsFloat() * data->Fields()[5]->AsFloat()));
    }
    painter.drawText(38, row(20), QStringLiteral("Fim do lote %1").arg(lot));
    painter.end();
    result.seconds = timer.nsecsElapsed() / 1e9;
    result.cpu = CpuSeconds() - cpu;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    FormatSettings::setCurrent(FormatSettings::brazilian());
    QRRegisterPrintableKinds();
    std::printf("%-44s %7s %9s %9s %9s %11s %10s %10s %10s\n", "run", "pages", "wall s", "pages/s", "cpu s",
                "pages/cpu-s", "RSS0 KB", "RSS1 KB", "peak KB");
    auto line = [](const QString& name, const Result& r) {
        std::printf("%-44s %7d %9.3f %9.0f %9.3f %11.0f %10ld %10ld %10ld\n", qPrintable(name), r.pages, r.seconds,
                    r.pages / r.seconds, r.cpu, r.pages / r.cpu, r.kbBefore, r.kbAfter, PeakKb());
    };
    const bool engineOnly = argc > 1 && QByteArray(argv[1]) == "engine";
    for (int records : {10000, 50000}) {
        if (engineOnly && records != 50000) {
            continue;
        }
        line(QStringLiteral("report engine, %1 records, page store").arg(records), Generate(records));
    }
    if (engineOnly) {
        return 0;
    }
    line(QStringLiteral("peer: QPainter on page images, 50000 rows"), Paint(50000));
    return 0;
}

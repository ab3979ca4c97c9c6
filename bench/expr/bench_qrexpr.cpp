// Prints evaluations per second of the proposal report's lot caption and of a
// SUM aggregate pass, each prepared once, over a 50,000-item report data set
// (500 lots x 100 items); median of several runs. The caption built directly in
// C++ from the same fields is the reference for the evaluator's own overhead.
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/expr/TQREvaluator.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

constexpr int kLots = 500;
constexpr int kItems = 100;
constexpr int kRuns = 5;

void Fill(TMemoryDataSet& ds) {
    ds.setObjectName(QStringLiteral("CDS_Relatorio"));
    ProposalSchema::DeclareRelatorio(ds);
    ds.CreateDataSet();
    TField* lote = ds.FieldByName(QStringLiteral("NRO_LOTE"));
    TField* desLote = ds.FieldByName(QStringLiteral("DES_LOTE"));
    TField* item = ds.FieldByName(QStringLiteral("NRO_ITEM"));
    TField* total = ds.FieldByName(QStringLiteral("vlr_total"));
    for (int l = 1; l <= kLots; ++l) {
        const QString name = QStringLiteral("Lote de materiais de consumo %1").arg(l);
        for (int i = 1; i <= kItems; ++i) {
            ds.Append();
            lote->SetAsInteger(l);
            desLote->SetAsString(name);
            item->SetAsInteger(i);
            total->SetAsFloat(l * 10.0 + i * 0.0125);
            ds.Post();
        }
    }
}

// Records per second of one walk over the data set, median of kRuns walks.
template <typename PerRecord>
double MedianRate(TMemoryDataSet& ds, PerRecord perRecord) {
    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) {
        int n = 0;
        const auto start = std::chrono::steady_clock::now();
        for (ds.First(); !ds.Eof(); ds.Next()) {
            perRecord();
            ++n;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        rates.push_back(n / elapsed.count());
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

}  // namespace

int main() {
    FormatSettings::setCurrent(FormatSettings::brazilian());
    TMemoryDataSet ds;
    Fill(ds);
    TQRDataSetList dataSets{&ds};
    size_t sink = 0;

    const double walkRate = MedianRate(ds, [] {});

    TQREvaluator caption;
    caption.SetDatasets(&dataSets);
    caption.Prepare(
        QStringLiteral("FORMATNUMERIC('0000 - ',CDS_Relatorio.NRO_LOTE) + CDS_Relatorio.DES_LOTE"));
    const double captionRate =
        MedianRate(ds, [&] { sink += static_cast<size_t>(caption.Value().StringLength()); });

    TField* lote = ds.FieldByName(QStringLiteral("NRO_LOTE"));
    TField* desLote = ds.FieldByName(QStringLiteral("DES_LOTE"));
    const QString mask = QStringLiteral("0000 - ");
    const double directRate = MedianRate(ds, [&] {
        sink += static_cast<size_t>((FormatFloat(mask, lote->AsInteger()) + desLote->AsString()).size());
    });

    TQREvaluator sum;
    sum.SetDatasets(&dataSets);
    sum.Prepare(QStringLiteral("SUM(CDS_Relatorio.vlr_total)"));
    std::vector<double> passRates;
    std::vector<double> passSeconds;
    for (int run = 0; run < kRuns; ++run) {
        sum.Reset();
        int n = 0;
        const auto start = std::chrono::steady_clock::now();
        for (ds.First(); !ds.Eof(); ds.Next()) {
            sum.DoAggregate();
            ++n;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        passRates.push_back(n / elapsed.count());
        passSeconds.push_back(elapsed.count());
    }
    std::sort(passRates.begin(), passRates.end());
    std::sort(passSeconds.begin(), passSeconds.end());
    const TQREvResult total = sum.Value();

    std::printf("data set: %d records (%d lots x %d items); median of %d runs\n", kLots * kItems, kLots,
                kItems, kRuns);
    std::printf("cursor walk alone:                 %10.0f records/s\n", walkRate);
    std::printf("lot caption, evaluator:            %10.0f evaluations/s\n", captionRate);
    std::printf("lot caption, direct C++ reference: %10.0f evaluations/s\n", directRate);
    std::printf("SUM(CDS_Relatorio.vlr_total) pass: %10.0f aggregate passes/s, %.1f ms for all records\n",
                passRates[passRates.size() / 2], passSeconds[passSeconds.size() / 2] * 1000.0);
    std::printf("(total %s, checksum %zu)\n", QREvResultToString(total).toUtf8().constData(), sink);
    return 0;
}

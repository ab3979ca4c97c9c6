// Prints how many numbers per second FormatFloat writes with the price picture
// "#,##0.0000", and the general form for comparison (median of several runs).
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "runtime/FormatFloat.h"

using namespace quorin;

namespace {

template <typename F>
double MedianRate(const std::vector<double>& values, F format) {
    std::vector<double> rates;
    size_t sink = 0;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (const double v : values) {
            sink += static_cast<size_t>(format(v).size());
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        rates.push_back(static_cast<double>(values.size()) / elapsed.count());
    }
    std::sort(rates.begin(), rates.end());
    if (sink == 0) {
        std::puts("");
    }
    return rates[rates.size() / 2];
}

}  // namespace

int main() {
    FormatSettings::setCurrent(FormatSettings::brazilian());
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> price(0.0, 100000.0);
    std::vector<double> values(200000);
    for (double& v : values) {
        v = price(rng);
    }
    const QString picture = QStringLiteral("#,##0.0000");
    const double pictureRate = MedianRate(values, [&](double v) { return FormatFloat(picture, v); });
    const double generalRate = MedianRate(values, [](double v) { return FormatGeneral(v); });
    const double qtRate = MedianRate(values, [](double v) { return QString::number(v, 'f', 4); });
    std::printf("FormatFloat(\"#,##0.0000\"): %.0f numbers/s (median of 7 runs of %zu)\n", pictureRate,
                values.size());
    std::printf("FormatGeneral:              %.0f numbers/s\n", generalRate);
    std::printf("QString::number(v,'f',4):   %.0f numbers/s (reference, no grouping)\n", qtRate);
    return 0;
}

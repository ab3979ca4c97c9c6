// Prints how many lines per second the text controls' line breaker makes from
// 50,000 product descriptions of 80 to 500 characters in a 390-pixel column in
// Arial 8, beside QTextLayout breaking the same texts in the same run (median
// of several runs). Run with QT_QPA_PLATFORM=offscreen when there is no display.
#include <QGuiApplication>
#include <QImage>
#include <QTextLayout>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "report_engine/printables/QRFormatLines.h"
#include "report_engine/printables/TQRTextMeasurer.h"

using namespace quorin;

namespace {

constexpr int kTexts = 50000;
constexpr int kWidth = 390;
constexpr int kRuns = 5;

std::vector<QString> MakeDescriptions() {
    const QStringList words =
        QStringLiteral(
            "caneta esferográfica azul corpo sextavado transparente ponta média tinta à base de óleo "
            "papel sulfite A4 75 g/m² resma com 500 folhas branco alcalino cartucho de toner preto "
            "compatível impressora laser rendimento mínimo 2.500 páginas detergente líquido neutro "
            "frasco 500 ml biodegradável água sanitária galão 5 litros luva de látex tamanho M "
            "caixa com 100 unidades álcool etílico hidratado 70% INPM arroz tipo 1 pacote 5 kg "
            "feijão carioca grupo 1 classe cores açúcar cristal café torrado e moído embalagem a "
            "vácuo 500 g leite em pó integral lata 400 g óleo de soja refinado garrafa PET 900 ml "
            "para-choque auto-adesivo anti-derrapante micro-ondas guarda-chuva")
            .split(u' ', Qt::SkipEmptyParts);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> length(80, 500);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(words.size()) - 1);
    std::vector<QString> texts;
    texts.reserve(kTexts);
    for (int i = 0; i < kTexts; ++i) {
        const int target = length(rng);
        QString text;
        while (text.size() < target) {
            if (!text.isEmpty()) {
                text += u' ';
            }
            text += words[pick(rng)];
        }
        text.truncate(target);
        texts.push_back(text);
    }
    return texts;
}

template <typename F>
void Measure(const char* name, F breakAll, double& bestRate, long long& lines) {
    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        lines = breakAll();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        rates.push_back(static_cast<double>(lines) / elapsed.count());
    }
    std::sort(rates.begin(), rates.end());
    bestRate = rates[rates.size() / 2];
    std::printf("%-34s %10.0f lines/s  (%lld lines, median of %d runs)\n", name, bestRate, lines, kRuns);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const std::vector<QString> texts = MakeDescriptions();
    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 8;
    const int dotsPerInch = 96;

    double ourRate = 0;
    long long ourLines = 0;
    Measure(
        "line breaker (cached advances)",
        [&] {
            TQRTextMeasurer measure(font, dotsPerInch);
            const TQRLineRules rules{false, true, kWidth};
            long long count = 0;
            QStringList lines;
            for (const QString& text : texts) {
                lines.clear();
                QRFormatParagraphs(text, measure, rules, lines);
                count += lines.size();
            }
            return count;
        },
        ourRate, ourLines);

    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    device.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    const QFont qfont = QRMakeFont(font);
    double peerRate = 0;
    long long peerLines = 0;
    Measure(
        "QTextLayout",
        [&] {
            long long count = 0;
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            for (const QString& text : texts) {
                QTextLayout layout(text, qfont, &device);
                layout.setTextOption(option);
                layout.beginLayout();
                for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                    line.setLineWidth(kWidth);
                    ++count;
                }
                layout.endLayout();
            }
            return count;
        },
        peerRate, peerLines);

    std::printf("ratio line breaker / QTextLayout: %.2f\n", ourRate / peerRate);
    return 0;
}

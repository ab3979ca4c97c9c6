// The page coder beside zlib on EMF-like page recordings (throughput both
// ways and size ratio, median of several runs), then a 2,000-page report of
// 20 KB pages added to and read back from the page store.
#include <zlib.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "report_engine/pages/QRCompress.h"
#include "report_engine/pages/QRPageList.h"

using namespace quorin;

namespace {

constexpr int kRuns = 5;
constexpr int kPageBytes = 20 * 1024;

void Record(QByteArray& out, uint32_t type, const QByteArray& body) {
    char head[8];
    qToLittleEndian<uint32_t>(type, head);
    qToLittleEndian<uint32_t>(static_cast<uint32_t>(8 + body.size()), head + 4);
    out.append(head, 8);
    out.append(body);
}

QByteArray Ints(std::initializer_list<int32_t> values) {
    QByteArray b;
    for (const int32_t v : values) {
        char c[4];
        qToLittleEndian<int32_t>(v, c);
        b.append(c, 4);
    }
    return b;
}

// The records a banded report page is made of: fonts, colours, text runs with
// their character advances, frame lines. Roughly what a recording canvas writes.
TQRPageRecording EmfLikePage(int pageNumber, std::mt19937& rng) {
    static const char* const kWords[] = {"Caneta", "esferográfica", "azul", "Papel", "A4",
                                         "resma",  "Lote",          "Item", "Marca", "UN",
                                         "CX",     "Grampeador",    "Pasta"};
    QByteArray records;
    uint32_t count = 0;
    int y = 200;
    while (records.size() < kPageBytes - 400) {
        Record(records, 37, Ints({static_cast<int32_t>(rng() % 4)}));  // select object
        Record(records, 24, Ints({0}));                                // text colour
        QString text = QStringLiteral("%1 %2 %3 %4,%5")
                           .arg(QString::number(rng() % 900 + 1).rightJustified(4, u'0'),
                                QString::fromUtf8(kWords[rng() % 13]), QString::fromUtf8(kWords[rng() % 13]))
                           .arg(rng() % 10000)
                           .arg(rng() % 10000, 4, 10, QChar(u'0'));
        if (text.size() % 2) {
            text.append(u' ');
        }
        const int x = 100 + static_cast<int>(rng() % 5) * 300;
        QByteArray body = Ints({x, y, x + 900, y + 40, 1, 0, 0});
        body += Ints({x, y, static_cast<int32_t>(text.size()), 76, 0, 0, 0, 0, 0, 76 + int(text.size()) * 2});
        body.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        for (qsizetype i = 0; i < text.size(); ++i) {
            body += Ints({static_cast<int32_t>(16 + rng() % 4)});
        }
        Record(records, 84, body);  // text out
        Record(records, 27, Ints({100, y + 44}));
        Record(records, 54, Ints({2000, y + 44}));  // rule under the line
        count += 5;
        y += 48 + (pageNumber % 3);
    }
    return TQRPageRecording::FromRecords(QSize(794, 1123), records, count);
}

template <typename F>
double MedianSeconds(F run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct CodecResult {
    double encodeMBs;
    double decodeMBs;
    double ratio;
};

CodecResult MeasureSplay(const std::vector<TQRPageRecording>& pages, qint64 total) {
    std::vector<QByteArray> coded(pages.size());
    const double enc = MedianSeconds([&] {
        for (size_t i = 0; i < pages.size(); ++i) {
            coded[i].clear();
            TQRCodeBuffer out(&coded[i]);
            TQRCompress coder(out, true);
            for (const char c : pages[i].Data()) {
                coder.Compress(static_cast<uint8_t>(c));
            }
        }
    });
    qint64 codedTotal = 0;
    for (const QByteArray& c : coded) {
        codedTotal += c.size();
    }
    QByteArray plain;
    const double dec = MedianSeconds([&] {
        for (size_t i = 0; i < pages.size(); ++i) {
            plain.resize(pages[i].Size());
            TQRCodeBuffer in(coded[i]);
            TQRCompress decoder(in, false);
            for (qsizetype k = 0; k < plain.size(); ++k) {
                uint8_t b = 0;
                decoder.Expand(b);
                plain[k] = static_cast<char>(b);
            }
        }
    });
    return {total / enc / 1e6, total / dec / 1e6, double(codedTotal) / double(total)};
}

CodecResult MeasureZlib(const std::vector<TQRPageRecording>& pages, qint64 total, int level) {
    std::vector<QByteArray> coded(pages.size());
    const double enc = MedianSeconds([&] {
        for (size_t i = 0; i < pages.size(); ++i) {
            uLongf size = compressBound(static_cast<uLong>(pages[i].Size()));
            coded[i].resize(static_cast<qsizetype>(size));
            compress2(reinterpret_cast<Bytef*>(coded[i].data()), &size,
                      reinterpret_cast<const Bytef*>(pages[i].Data().constData()),
                      static_cast<uLong>(pages[i].Size()), level);
            coded[i].resize(static_cast<qsizetype>(size));
        }
    });
    qint64 codedTotal = 0;
    for (const QByteArray& c : coded) {
        codedTotal += c.size();
    }
    QByteArray plain;
    const double dec = MedianSeconds([&] {
        for (size_t i = 0; i < pages.size(); ++i) {
            plain.resize(pages[i].Size());
            uLongf size = static_cast<uLongf>(plain.size());
            uncompress(reinterpret_cast<Bytef*>(plain.data()), &size,
                       reinterpret_cast<const Bytef*>(coded[i].constData()),
                       static_cast<uLong>(coded[i].size()));
        }
    });
    return {total / enc / 1e6, total / dec / 1e6, double(codedTotal) / double(total)};
}

void PageStore(const std::vector<TQRPageRecording>& pages, bool compressed) {
    constexpr int kPages = 2000;
    TQRPageList list;
    auto stream = std::make_shared<TQRStream>(100000);
    list.SetStream(stream);
    list.SetCompression(compressed);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kPages; ++i) {
        list.AddPage(pages[static_cast<size_t>(i) % pages.size()]);
    }
    list.Finish();
    const double add = timer.nsecsElapsed() / 1e9;
    timer.restart();
    qint64 sink = 0;
    for (int n = 1; n <= kPages; ++n) {
        sink += list.GetPage(n)->Size();
    }
    const double forward = timer.nsecsElapsed() / 1e9;
    timer.restart();
    for (int n = kPages; n >= 1; --n) {
        sink += list.GetPage(n)->Size();
    }
    const double backward = timer.nsecsElapsed() / 1e9;
    std::mt19937 rng(7);
    constexpr int kRandom = 200;
    timer.restart();
    for (int i = 0; i < kRandom; ++i) {
        sink += list.GetPage(static_cast<int>(rng() % kPages) + 1)->Size();
    }
    const double random = timer.nsecsElapsed() / 1e9;
    std::printf(
        "%-10s 2000 pages of 20 KB: store %.1f MB (%s); add %.0f pages/s; fetch forwards %.0f pages/s, "
        "backwards %.0f pages/s, random %.0f pages/s%s\n",
        compressed ? "compressed" : "plain", stream->Size() / 1e6,
        stream->InMemory() ? "in memory" : "spilled to a QRP file", kPages / add, kPages / forward,
        kPages / backward, kRandom / random, sink == 0 ? "!" : "");
}

}  // namespace

int main() {
    std::mt19937 rng(2024);
    std::vector<TQRPageRecording> pages;
    qint64 total = 0;
    for (int i = 0; i < 100; ++i) {
        pages.push_back(EmfLikePage(i + 1, rng));
        total += pages.back().Size();
    }
    std::printf(
        "EMF-like page recordings: %zu pages, %.2f MB (median of %d runs, per page as the store codes)\n",
        pages.size(), total / 1e6, kRuns);
    const CodecResult splay = MeasureSplay(pages, total);
    std::printf("splay coder   encode %7.1f MB/s  decode %7.1f MB/s  size %5.1f %%\n", splay.encodeMBs,
                splay.decodeMBs, splay.ratio * 100);
    for (const int level : {1, 6}) {
        const CodecResult z = MeasureZlib(pages, total, level);
        std::printf("zlib level %d  encode %7.1f MB/s  decode %7.1f MB/s  size %5.1f %%\n", level,
                    z.encodeMBs, z.decodeMBs, z.ratio * 100);
    }
    PageStore(pages, false);
    PageStore(pages, true);
    return 0;
}

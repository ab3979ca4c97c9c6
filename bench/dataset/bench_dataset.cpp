// Prints medians for the data set operations the program leans on, over a process
// of 500 lots x 100 items generated here: load, save, switching the lot filter,
// find by value and a full scan that sums vlr_total; and the same lot filter on
// SQLite in memory with an index, as the peer.
#include <QApplication>
#include <QCoreApplication>
#include <unistd.h>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/OpenDialog.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "dataset/CsvInterchange.h"
#include "dataset/ProposalSchema.h"
#include "domain/RegrasProposta.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Currency.h"
#include "runtime/FormatSettings.h"

#ifdef QUORIN_WITH_SQLITE
#include <sqlite3.h>
#endif

using namespace quorin;
using Clock = std::chrono::steady_clock;

namespace {

}  // namespace

namespace quorin_bench {
constexpr int kLots = 500;
constexpr int kItems = 100;
}  // namespace quorin_bench

namespace {

using quorin_bench::kItems;
using quorin_bench::kLots;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs fn `runs` times and returns the median in milliseconds divided by `per`.
double Measure(int runs, int per, const std::function<void()>& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        fn();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / per);
    }
    return Median(ms);
}

void Generate(TMemoryDataSet& ds, int kLots = quorin_bench::kLots, int kItems = quorin_bench::kItems) {
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    const QString objeto = QStringLiteral(
        "Registro de preços para eventual aquisição de material de expediente, material de limpeza e gêneros "
        "alimentícios destinados às secretarias municipais, conforme especificações do Termo de Referência.");
    auto set = [&ds](const char* name, const QString& v) {
        ds.FieldByName(QLatin1String(name))->SetAsString(v);
    };
    auto seti = [&ds](const char* name, int v) { ds.FieldByName(QLatin1String(name))->SetAsInteger(v); };
    auto setf = [&ds](const char* name, double v) { ds.FieldByName(QLatin1String(name))->SetAsFloat(v); };
    ds.DisableControls();
    for (int lote = 1; lote <= kLots; ++lote) {
        for (int item = 1; item <= kItems; ++item) {
            ds.Append();
            seti("nro_lote", lote);
            seti("nro_item", item);
            seti("cod_produto", lote * 1000 + item);
            seti("cod_unidademedida", item % 12);
            set("des_especificacao",
                QStringLiteral("Especificação do item %1 do lote %2.\nEmbalagem com %3 unidades; "
                               "entrega parcelada conforme o edital.")
                    .arg(item)
                    .arg(lote)
                    .arg(item * 10));
            setf("qtd_produto", item * 3);
            set("des_lote", QStringLiteral("LOTE %1 - MATERIAL DE EXPEDIENTE").arg(lote));
            set("des_produto",
                QStringLiteral("PRODUTO %1, EMBALAGEM PADRÃO, MARCA DE REFERÊNCIA").arg(lote * 1000 + item));
            set("des_unidademedida", QStringLiteral("UNIDADE"));
            setf("vlr_lance", lote * 1234.5);
            seti("nro_cuc", 88);
            seti("cod_entidade", 311);
            seti("ano_exercicio", 2009);
            seti("nro_processo", 1269);
            seti("cod_modalidadelicitacao", 5);
            seti("seq_modalidadelicitacao", 7);
            ds.FieldByName(QStringLiteral("dat_processo"))
                ->SetAsDateTime(QDateTime(QDate(2009, 3, 15), QTime(0, 0)));
            set("idt_tipoapuracao", QStringLiteral("2"));
            set("des_tipoapuracao", QStringLiteral("MENOR PREÇO POR LOTE"));
            set("cod_objeto", QStringLiteral("OBJ-2009/044"));
            set("des_municipio", QStringLiteral("SANTA RITA DO VALE"));
            set("des_tipoentidade", QStringLiteral("PREFEITURA MUNICIPAL DE SANTA RITA DO VALE"));
            set("des_nome", QStringLiteral("PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA"));
            set("nro_documento", QStringLiteral("12123123000199"));
            set("des_marca", QStringLiteral("MARCA %1").arg(item));
            setf("vlr_realinhamento", 1.25 * item);
            setf("vlr_total", 3.75 * item * item);
            set("des_objeto", objeto);
            set("des_modalidadelicitacao", QStringLiteral("PREGÃO PRESENCIAL"));
            set("flg_encerrado", QStringLiteral("0"));
            ds.Post();
        }
    }
    ds.EnableControls();
}

void LotFilter(TMemoryDataSet& ds, int lote) {
    ds.SetFiltered(false);
    ds.SetFilter(QStringLiteral("nro_lote = ") + QString::number(lote));
    ds.SetFiltered(true);
}

// Resident memory of this process now, in MB.
double ResidentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1e6 : -1;
}

// Highest resident memory of this process so far, in MB. Unlike ru_maxrss, it
// starts afresh in a process started by exec.
double PeakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
        }
    }
    return -1;
}

// Each memory figure comes from a process of its own, started afresh, so that
// nothing else of this program counts (a forked copy would also share the
// parent's pages, and a GUI process may hang on its locks when forked).
QString Measured(const QStringList& arguments) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return QString::fromUtf8(child.readAllStandardOutput());
}

double Elapsed(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Loads `path` and prints the time, the peak and what the rows hold.
int LoadMode(const QString& path) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    const double before = ResidentMb();
    const auto t0 = Clock::now();
    ds.LoadFromFile(path);
    const double ms = Elapsed(t0);
    std::printf("  carregar LoadFromFile               %9.1f ms, pico de memória %.0f MB\n", ms, PeakMb());
    std::printf("  memória das linhas carregadas       %9.0f MB\n", ResidentMb() - before);
    return 0;
}

// The peer: the layout the data set had before, a variant of 32 bytes per value
// in a vector per row, texts equal to the row above shared as its loader shared them.
int PeerMode(const QString& path) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.LoadFromFile(path);
    const double before = ResidentMb();
    std::vector<std::vector<TFieldValue>> rows(size_t(ds.StoredRowCount()));
    const int width = static_cast<int>(ds.AllColumns().size());
    for (int r = 0; r < ds.StoredRowCount(); ++r) {
        rows[size_t(r)].resize(size_t(width));
        for (int c = 0; c < width; ++c) {
            TFieldValue v = ds.StoredValue(r, c);
            if (r > 0 && v == rows[size_t(r) - 1][size_t(c)]) {
                v = rows[size_t(r) - 1][size_t(c)];
            }
            rows[size_t(r)][size_t(c)] = std::move(v);
        }
    }
    std::printf("  par: as linhas com um variant/valor %9.0f MB\n", ResidentMb() - before);
    return 0;
}

// The companion tool's importar: a CSV of the interchange form into a process file.
int ImportMode(const QString& csvPath, const QString& output) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    const auto t0 = Clock::now();
    TCsvInterchange::ImportFile(ds, csvPath);
    ds.SaveToFile(output);
    std::printf("  importar CSV de %.0f MB e gravar    %9.1f ms, pico de memória %.0f MB\n",
                QFileInfo(csvPath).size() / 1e6, Elapsed(t0), PeakMb());
    return 0;
}

// Opens `path` in the program's window and prints the time and memory it took.
int OpenInTheWindow(const QString& path, const QString& folder) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder + QStringLiteral("/dados")));
    TFRM_QuorinRealinhamentoPreco w;
    w.MensagemSeam = [](const QString&, bool, const QString&) { return true; };
    w.OPG_Arquivo->Responder = [&path](TOpenDialog& d) {
        d.FileName = path;
        return true;
    };
    w.show();
    QApplication::processEvents();
    const double before = ResidentMb();
    const auto t0 = Clock::now();
    w.BBT_ArquivoClick();
    QApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    std::printf("  abrir na janela do programa         %9.1f ms, pico de memória %.0f MB (%.0f MB a mais)\n", ms,
                PeakMb(), ResidentMb() - before);
    return w.CDS_Processo->StoredRowCount() > 0 ? 0 : 1;
}

// The window's lot switch at a million items: the item grid bound to the process,
// the filter moved from lot to lot as the lot grid does.
void MillionItems(const QString& folder) {
    constexpr int lots = 10000;
    constexpr int items = 100;
    const QString path = folder + QStringLiteral("/PL_1000000.KPZ");
    double generateMs = 0;
    {
        TMemoryDataSet source;
        const auto g0 = Clock::now();
        Generate(source, lots, items);
        generateMs = std::chrono::duration<double, std::milli>(Clock::now() - g0).count();
        source.SaveToFile(path);
    }
    const QString csvPath = folder + QStringLiteral("/PL_1000000.csv");
    {
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        ds.LoadFromFile(path);
        TCsvInterchange::ExportFile(ds, csvPath);
    }

    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.LoadFromFile(path);
    ds.SetIndexFieldNames(QStringLiteral("nro_lote;nro_item"));
    TDataSetGridModel model;
    model.SetDataSet(&ds);
    model.SetColumns({{QStringLiteral("nro_item"), QStringLiteral("Item"), Qt::AlignRight, 39},
                      {QStringLiteral("des_produto"), QStringLiteral("Descrição"), Qt::AlignLeft, 512},
                      {QStringLiteral("vlr_total"), QStringLiteral("Valor Total"), Qt::AlignRight, 100}});
    TDBGrid grid;
    grid.SetDataSource(&model);
    grid.resize(999, 226);
    grid.show();
    QApplication::processEvents();
    int next = 0;
    auto troca = [&] {
        next = (next + 1733) % lots;
        RegrasProposta::FiltraLote(ds, next + 1);
        grid.repaint();
    };
    troca();  // the first switch leaves the whole process behind
    const double switchMs = Measure(25, 1, troca);
    std::printf("\nProcesso de %d itens (%d lotes x %d), arquivo de %.1f MB\n", lots * items, lots, items,
                QFileInfo(path).size() / 1e6);
    std::printf("  gerar (Append/Post)                 %9.1f ms (uma vez)\n", generateMs);
    std::printf("%s", qPrintable(Measured({QStringLiteral("--carregar"), path})));
    std::printf("%s", qPrintable(Measured({QStringLiteral("--par"), path})));
    std::printf("%s", qPrintable(Measured(
                          {QStringLiteral("--importar"), csvPath, folder + QStringLiteral("/importado.KPZ")})));
    std::printf("  trocar de lote na grade de itens    %9.3f ms   (meta: < 20 ms; %d linhas na grade)\n",
                switchMs, model.rowCount());

    std::printf("%s", qPrintable(Measured({QStringLiteral("--janela"), path, folder})));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FormatSettings::setCurrent(FormatSettings::brazilian());
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--carregar")) {
        return LoadMode(args[2]);
    }
    if (args.size() == 3 && args[1] == QLatin1String("--par")) {
        return PeerMode(args[2]);
    }
    if (args.size() == 4 && args[1] == QLatin1String("--importar")) {
        return ImportMode(args[2], args[3]);
    }
    if (args.size() == 4 && args[1] == QLatin1String("--janela")) {
        return OpenInTheWindow(args[2], args[3]);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PL_050000.KPZ"));

    TMemoryDataSet source;
    const auto g0 = Clock::now();
    Generate(source);
    const double generateMs = std::chrono::duration<double, std::milli>(Clock::now() - g0).count();
    const double saveMs = Measure(7, 1, [&] { source.SaveToFile(path); });
    QByteArray encoded;
    const double encodeMs = Measure(7, 1, [&] { encoded = source.SaveToBytes(); });
    const qint64 fileSize = QFileInfo(path).size();

    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    const double loadMs = Measure(7, 1, [&] { ds.LoadFromFile(path); });

    // The window's lot switch: Filtered off, Filter, Filtered on; the lots in a scattered order.
    int next = 0;
    const double filterMs = Measure(15, kLots, [&] {
        for (int i = 0; i < kLots; ++i) {
            next = (next + 173) % kLots;
            LotFilter(ds, next + 1);
        }
    });
    if (ds.RecordCount() != kItems) {
        std::fprintf(stderr, "filtro errado: %d linhas\n", ds.RecordCount());
        return 1;
    }
    // A filter on a field that is not the leading index field scans every row.
    const double scanFilterMs = Measure(7, 1, [&] {
        ds.SetFiltered(false);
        ds.SetFilter(QStringLiteral("cod_produto = 250050"));
        ds.SetFiltered(true);
    });
    ds.SetFiltered(false);

    bool found = true;
    const double findIndexMs = Measure(15, 100, [&] {
        for (int i = 0; i < 100; ++i) {
            found = ds.Locate(QStringLiteral("nro_lote"), 1 + (i * 7) % kLots) && found;
        }
    });
    const double findScanMs =
        Measure(7, 1, [&] { found = ds.Locate(QStringLiteral("cod_produto"), 499100) && found; });
    const double findTextMs = Measure(
        7, 1, [&] { found = ds.Locate(QStringLiteral("des_marca"), QStringLiteral("não existe")) || found; });

    Currency total;
    const double scanMs = Measure(7, 1, [&] {
        total = Currency();
        TField* f = ds.FieldByName(QStringLiteral("vlr_total"));
        for (ds.First(); !ds.Eof(); ds.Next()) {
            total += Currency::FromDouble(f->AsFloat());
        }
    });

    std::printf("Conjunto de dados: processo de %d itens (%d lotes x %d), arquivo de %.1f MB\n",
                kLots * kItems, kLots, kItems, fileSize / 1e6);
    std::printf("  gerar (Append/Post)                 %9.3f ms (uma vez)\n", generateMs);
    std::printf("  carregar LoadFromFile               %9.3f ms   (meta: < 250 ms)\n", loadMs);
    std::printf("  gravar SaveToFile                   %9.3f ms\n", saveMs);
    std::printf("  codificar SaveToBytes (sem disco)   %9.3f ms\n", encodeMs);
    std::printf(
        "  trocar o filtro de lote             %9.4f ms   (meta: < 1 ms e não mais lento que o SQLite)\n",
        filterMs);
    std::printf("  filtro fora do índice (varredura)   %9.3f ms\n", scanFilterMs);
    std::printf("  Locate no campo do índice           %9.4f ms\n", findIndexMs);
    std::printf("  Locate inteiro, quase no fim        %9.3f ms\n", findScanMs);
    std::printf("  Locate texto ausente                %9.3f ms\n", findTextMs);
    std::printf("  varredura somando vlr_total         %9.3f ms (total %.2f)\n", scanMs, total.ToDouble());
    if (!found) {
        std::fprintf(stderr, "Locate falhou\n");
        return 1;
    }

#ifdef QUORIN_WITH_SQLITE
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(
        db,
        "CREATE TABLE itens(nro_lote INTEGER, nro_item INTEGER, cod_produto INTEGER, des_produto TEXT, "
        "vlr_total REAL); CREATE INDEX itens_lote ON itens(nro_lote, nro_item);",
        nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO itens VALUES(?,?,?,?,?)", -1, &ins, nullptr);
    for (int lote = 1; lote <= kLots; ++lote) {
        for (int item = 1; item <= kItems; ++item) {
            sqlite3_bind_int(ins, 1, lote);
            sqlite3_bind_int(ins, 2, item);
            sqlite3_bind_int(ins, 3, lote * 1000 + item);
            sqlite3_bind_text(ins, 4, "PRODUTO", -1, SQLITE_STATIC);
            sqlite3_bind_double(ins, 5, 3.75 * item * item);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    // The peer of a lot switch: the rows of one lot, in item order, as row ids.
    sqlite3_stmt* sel = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM itens WHERE nro_lote = ? ORDER BY nro_item", -1, &sel, nullptr);
    std::vector<sqlite3_int64> rows;
    int lotePeer = 0;
    const double sqliteMs = Measure(15, kLots, [&] {
        for (int i = 0; i < kLots; ++i) {
            lotePeer = (lotePeer + 173) % kLots;
            rows.clear();
            sqlite3_bind_int(sel, 1, lotePeer + 1);
            while (sqlite3_step(sel) == SQLITE_ROW) {
                rows.push_back(sqlite3_column_int64(sel, 0));
            }
            sqlite3_reset(sel);
        }
    });
    sqlite3_finalize(sel);
    sqlite3_close(db);
    std::printf("  SQLite em memória, mesmo filtro     %9.4f ms (%zu linhas; índice em nro_lote, nro_item)\n",
                sqliteMs, rows.size());
    std::printf("  razão TMemoryDataSet / SQLite       %9.2f\n", filterMs / sqliteMs);
#else
    std::printf("  SQLite: não encontrado na compilação; sem comparação\n");
#endif
    MillionItems(dir.path());
    return 0;
}

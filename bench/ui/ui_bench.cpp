// The desktop list on 100,000 rows: filling it from a scan (time to the last row shown, the
// longest the event loop waits meanwhile, and the memory each row costs beyond its texts), a
// header-click sort, a keystroke in the filter box, and drawing one screen of rows. Each against
// a yardstick measured in the same run: the catalogue without a view, a plain std::sort of the
// same texts, one pass of memmem over the cells, and Qt's own table drawn by its default
// delegate.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <thread>

#include "catalogue/catalogue.h"
#include "ui/catalog_table_model.h"
#include "ui/scan_event_pump.h"
#include "ui/sort_list_ctrl.h"

namespace {

using namespace vorne;
using namespace vorne::ui;

constexpr int kRows = 100'000;
constexpr int kBatch = 256;  // rows per request, as the scan sends them

QApplication& App() {
    static int argc = 1;
    static char name[] = "vorne_ui_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Made once and never destroyed: at exit Qt's own globals may already be gone, and a
    // QApplication destroyed after them crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// NES-like rows; one in ten duplicates an earlier image.
std::vector<CatalogRow> MakeRows() {
    std::mt19937 random(7);
    std::vector<CatalogRow> rows;
    rows.reserve(kRows);
    std::vector<unsigned> crcs;
    char crc[9];
    for (int i = 0; i < kRows; ++i) {
        unsigned value = (i % 10 == 9) ? crcs[random() % crcs.size()] : static_cast<unsigned>(random());
        crcs.push_back(value);
        std::snprintf(crc, sizeof crc, "%08x", value);
        rows.push_back(CatalogRow{{crc, "folder/Some Game Title " + std::to_string(i) + " (U).nes", "40976",
                                   std::to_string(value % 5), "32k", "8k", "Horizontal", "No", "No", "No", "",
                                   "", i % 3 ? "Some Game Title (U) [!]" : ""}});
    }
    return rows;
}

std::size_t TextBytes(const std::vector<CatalogRow>& rows) {
    std::size_t bytes = 0;
    for (const CatalogRow& row : rows) {
        for (const std::string& cell : row.cells) bytes += cell.size();
    }
    return bytes;
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// A scan's requests from a worker thread, as fast as it can send them.
void SendScan(ScanEventSink& sink, std::vector<CatalogRow> rows) {
    sink.Post(ScanStarted{});
    for (std::size_t first = 0; first < rows.size(); first += kBatch) {
        RowsFound found;
        const std::size_t end = std::min(rows.size(), first + kBatch);
        found.rows.assign(std::make_move_iterator(rows.begin() + first), std::make_move_iterator(rows.begin() + end));
        sink.Post(std::move(found));
    }
    sink.Post(WalkDone{std::chrono::steady_clock::now()});
}

// The list as the window shows it, on the offscreen platform.
struct ListWindow {
    Catalogue catalogue;
    CatalogTableModel table{catalogue};
    ScanEventPump pump{catalogue};
    CSortListCtrl list;

    ListWindow() {
        catalogue.ChooseKind(RomType::Nes);
        list.SetCatalogModel(&table);
        list.resize(1000, 600);
        list.show();
        QApplication::processEvents();
    }
};

void Fill(benchmark::State& state) {
    App();
    const std::vector<CatalogRow> rows = MakeRows();
    double longestStall = 0;
    double bytesPerRow = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t heapBefore = HeapInUse();
        std::vector<CatalogRow> copy = rows;  // moves into the catalogue: counted as the catalogue's
        auto window = std::make_unique<ListWindow>();
        bool done = false;
        QObject::connect(&window->pump, &ScanEventPump::scanFinished, [&done] { done = true; });
        double stall = 0;
        state.ResumeTiming();
        std::thread worker(SendScan, std::ref(window->pump), std::move(copy));
        std::vector<double> passes;
        // Each pass of the event loop runs what was posted before it began; the longest pass is
        // the longest the window could not answer.
        QElapsedTimer pass;
        while (!done) {
            pass.start();
            QApplication::processEvents();
            stall = std::max(stall, pass.nsecsElapsed() / 1e6);
            passes.push_back(pass.nsecsElapsed() / 1e6);
        }
        if (qEnvironmentVariableIsSet("VORNE_BENCH_PASSES")) {
            std::sort(passes.rbegin(), passes.rend());
            for (std::size_t i = 0; i < std::min<std::size_t>(5, passes.size()); ++i) std::fprintf(stderr, "pass %.1f ms\n", passes[i]);
        }
        window->list.scrollToBottom();
        window->list.viewport()->repaint();  // the last row shown
        worker.join();
        state.PauseTiming();
        longestStall = std::max(longestStall, stall);
        bytesPerRow = (double(HeapInUse()) - double(heapBefore) - double(TextBytes(rows))) / kRows;
        window.reset();
        state.ResumeTiming();
    }
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["heap_bytes_per_row_beyond_texts"] = bytesPerRow;
}

void FillModelOnly(benchmark::State& state) {
    const std::vector<CatalogRow> rows = MakeRows();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<CatalogRow> copy = rows;
        auto catalogue = std::make_unique<Catalogue>();
        catalogue->ChooseKind(RomType::Nes);
        state.ResumeTiming();
        catalogue->Apply(ScanStarted{});
        for (std::size_t first = 0; first < copy.size(); first += kBatch) {
            RowsFound found;
            const std::size_t end = std::min(copy.size(), first + kBatch);
            found.rows.assign(std::make_move_iterator(copy.begin() + first), std::make_move_iterator(copy.begin() + end));
            catalogue->Apply(std::move(found));
        }
        catalogue->Apply(WalkDone{std::chrono::steady_clock::now()});
        state.PauseTiming();
        catalogue.reset();
        state.ResumeTiming();
    }
}

// A selection as a user makes one: a hundred runs of five rows, spread over the list.
QItemSelection UserSelection(const QAbstractItemModel& model, int rows) {
    QItemSelection selection;
    for (int r = 0; r + 5 < rows; r += std::max(rows / 100, 10)) selection.select(model.index(r, 0), model.index(r + 4, model.columnCount() - 1));
    return selection;
}

// A window over a finished scan with a user's selection.
std::unique_ptr<ListWindow> FilledWindow() {
    auto window = std::make_unique<ListWindow>();
    std::vector<CatalogRow> rows = MakeRows();
    window->pump.Post(ScanStarted{});
    window->pump.Post(RowsFound{std::move(rows)});
    window->pump.Post(WalkDone{std::chrono::steady_clock::now()});
    window->pump.DrainAll();
    window->list.selectionModel()->select(UserSelection(window->table, kRows), QItemSelectionModel::Select);
    QApplication::processEvents();
    return window;
}

void HeaderSort(benchmark::State& state) {
    App();
    auto window = FilledWindow();
    int click = 0;
    for (auto _ : state) {
        // Filename, then CRC-32: each sort starts from the other column's order.
        window->list.OnHeaderClick(click++ % 2 == 0 ? 1 : 0, Qt::LeftButton);
        QApplication::processEvents();
    }
}

void SortFloor(benchmark::State& state) {
    const std::vector<CatalogRow> rows = MakeRows();
    int click = 0;
    std::vector<int> order(kRows);
    for (auto _ : state) {
        const int column = click++ % 2 == 0 ? 1 : 0;
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return rows[a].cells[column] < rows[b].cells[column]; });
        benchmark::DoNotOptimize(order.data());
    }
}

// Texts a user may type into the filter box, none holding the one before it: every keystroke
// looks at every row again, as the first letter or a pasted text does. Half match nothing.
constexpr const char* kFilterTexts[] = {"title 4242 (", "No match here", "(u).nes", "zzzz"};

// One keystroke in the filter box over 100,000 selected-here-and-there rows: the rows matched,
// the model reset, the selection of the rows still shown given back, and one screen drawn.
void FilterKeystroke(benchmark::State& state) {
    App();
    auto window = FilledWindow();
    int key = 0;
    for (auto _ : state) {
        window->list.SetFilter(QString::fromLatin1(kFilterTexts[key++ % 4]));
        QApplication::processEvents();
    }
    state.counters["rows_shown"] = window->table.ShownCount();
}

// The floor: one pass of memmem over every cell for the same texts, case and all.
void FilterFloor(benchmark::State& state) {
    const std::vector<CatalogRow> rows = MakeRows();
    int key = 0;
    for (auto _ : state) {
        const std::string_view text = kFilterTexts[key++ % 4];
        int found = 0;
        for (const CatalogRow& row : rows) {
            for (const std::string& cell : row.cells) {
                if (memmem(cell.data(), cell.size(), text.data(), text.size()) != nullptr) {
                    ++found;
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(found);
    }
}

void DrawScreen(benchmark::State& state) {
    App();
    auto window = FilledWindow();
    window->list.scrollTo(window->table.index(kRows / 2, 0));
    QImage image(window->list.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        window->list.viewport()->render(&painter);
    }
    state.counters["rows_on_screen"] = window->list.viewport()->height() / window->list.rowHeight(0);
}

// Qt's own table with its default delegate, holding the same rows that are on screen.
void DrawScreenQtDefault(benchmark::State& state) {
    App();
    const std::vector<CatalogRow> rows = MakeRows();
    QStandardItemModel model(60, 13);
    for (int r = 0; r < 60; ++r) {
        for (int c = 0; c < 13; ++c) {
            model.setItem(r, c, new QStandardItem(QString::fromStdString(rows[kRows / 2 + r].cells[c])));
        }
    }
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.selectionModel()->select(UserSelection(model, 60), QItemSelectionModel::Select);
    view.resize(1000, 600);
    view.show();
    QApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        view.viewport()->render(&painter);
    }
}

BENCHMARK(Fill)->Name("ui-fill-from-scan/100k-rows/vorne")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FillModelOnly)->Name("ui-fill-from-scan/100k-rows/catalogue-without-view")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(HeaderSort)->Name("ui-header-sort/100k-rows/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK(SortFloor)->Name("ui-header-sort/100k-rows/std-sort-floor")->Unit(benchmark::kMillisecond);
BENCHMARK(FilterKeystroke)->Name("ui-filter-keystroke/100k-rows/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK(FilterFloor)->Name("ui-filter-keystroke/100k-rows/memmem-floor")->Unit(benchmark::kMillisecond);
BENCHMARK(DrawScreen)->Name("ui-draw-one-screen/vorne")->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawScreenQtDefault)->Name("ui-draw-one-screen/qt-default-delegate")->Unit(benchmark::kMicrosecond);

}  // namespace

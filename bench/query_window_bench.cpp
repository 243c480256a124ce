// query_window_bench [RECORDS [DIRECTORY]]: the data-query window on a store of 1,000,000 records
// (by default), beside sqlite3 reading the same newest 1000 rows.
// query_window_bench --store FILE [DIRECTORY]: the same on an existing records file, which is only
// read (the window opens it through a link named as the program's store).
//
// A click on "数据查询" is timed as the program makes it: through the event gate, the main
// window's navigator opens the window inside the click's handler (shows it, and makes it first
// when it is not made yet), the fill runs through the gate once that handler has returned, and
// events are processed until the grid's last row is filled (the store is read on the window's own
// thread meanwhile); "返回" closes it again. Each run times three clicks, each with a navigator
// of its own that is destroyed after the run, with its window, reading thread and store:
// - cold: the window is made inside the click and opens the store (a click so soon after start
//   that the navigator has not made the window ahead yet);
// - first: the first opening of the window the navigator made ahead (the first click after
//   start, later than that);
// - again: the next opening of the same window, kept hidden since its close with its store open.
// Each sqlite3 run opens the store, reads the newest rows, every text, and closes it. window_ms
// and ratio are the click again; the first and cold clicks are printed beside it. Runs under Qt's
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "records/form4.h"
#include "records/records_query.h"
#include "records/records_store.h"
#include "records/sql/store_factory.h"
#include "shell/navigator.h"
#include "shell/window_list.h"

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;
using bench::threadCpuMs;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kRuns = 21;
constexpr auto kFillLimit = std::chrono::seconds(60);

[[noreturn]] void die(const std::string& what, sqlite3* db) {
    std::fprintf(stderr, "query_window_bench: %s%s%s\n", what.c_str(), db ? ": " : "",
                 db ? sqlite3_errmsg(db) : "");
    std::exit(1);
}

std::string quoted(const std::string& name) {
    return '"' + name + '"';
}

std::string fieldList() {
    std::string list;
    for (const std::string& field : records::kFieldNames) {
        list += (list.empty() ? "" : ",") + quoted(field);
    }
    return list;
}

// Records that differ from one another in station, time, flow and total, in one statement.
void buildStore(long count) {
    sqlite3* db = nullptr;
    if (sqlite3_open(records::kDatabaseFile, &db) != SQLITE_OK) {
        die("create the store", db);
    }
    const std::string sql =
        records::createTableStatement() + ";INSERT INTO " + quoted(records::kTable) + "(" +
        fieldList() +
        ") WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(count) +
        ") SELECT i % 16 + 1, '2007-10-10/' || (i / 60 % 24) || ':' || (i % 60), '100', "
        "'+' || (i % 5000) || '.56m3/h', '+45.6%', '1:2', '+1.25', i || '.78m3', '.5m3', "
        "'通讯正常' FROM n";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        die("fill the store", db);
    }
    sqlite3_close(db);
}

// The newest 1000 rows with plain SQL, oldest first as the grid lists them.
Rows newestDirect() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(records::kDatabaseFile, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        die("open the store", db);
    }
    const std::string sql = "SELECT " + fieldList() + " FROM " + quoted(records::kTable) +
                            " ORDER BY rowid DESC LIMIT " + std::to_string(records::kListedRecords);
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &select, nullptr) != SQLITE_OK) {
        die("prepare", db);
    }
    Rows rows;
    while (sqlite3_step(select) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int i = 0; i < static_cast<int>(records::kFieldNames.size()); ++i) {
            const unsigned char* text = sqlite3_column_text(select, i);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

Rows gridRows(const records::Form4& window) {
    Rows rows;
    for (int row = 1; row < records::Form4::kGridRows; ++row) {
        std::vector<std::string>& texts = rows.emplace_back();
        for (int column = 2; column < records::Form4::kGridColumns; ++column) {
            texts.push_back(window.TextMatrix(row, column).toStdString());
        }
    }
    return rows;
}

// Runs the event loop until `done` holds, waiting for events as the program's loop does (the
// store is read on another thread, which a spinning loop would compete with for a processor).
template <typename Done>
void waitUntil(Clock::time_point start, Done done) {
    QTimer limit;  // wakes the loop once the limit is reached
    limit.setSingleShot(true);
    limit.start(std::chrono::duration_cast<std::chrono::milliseconds>(kFillLimit));
    while (!done() && Clock::now() - start < kFillLimit) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool filled(const records::Form4& window) {
    return !window.TextMatrix(records::Form4::kGridRows - 1, records::Form4::kGridColumns - 1)
                .isEmpty();
}

// Sees the grid drawn with its records: a paint of its viewport once its last row is filled.
class GridPaintWatch final : public QObject {
  public:
    explicit GridPaintWatch(const QPointer<records::Form4>& window) : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~GridPaintWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    [[nodiscard]] bool drawnFilled() const { return drawn_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!drawn_ && event->type() == QEvent::Paint && window_ &&
            watched == window_->MSFlexGrid1->viewport() && filled(*window_)) {
            drawn_ = true;
        }
        return false;
    }

  private:
    const QPointer<records::Form4>& window_;
    bool drawn_ = false;
};

struct ClickTimes {
    double filled;   // the click to the records in the grid
    double cpu;      // the processor time of the same
    double painted;  // the click to the grid drawn with its records
};

// The main window's navigator over the list of one window, the data-query window.
class Opener {
  public:
    Opener(platform::Dialogs& dialogs, platform::Clock& clock)
        : list_{{"Command3", "数据查询",
                 [this, &dialogs, &clock]() -> QWidget* {
                     // "导出..." is never clicked here, so the window needs no file writer.
                     window_ = new records::Form4({records::sql::readingStores(clock), nullptr,
                                                   nullptr, dialogs, gate_, clock});
                     return window_;
                 },
                 true}},
          navigator_([] { return std::unique_ptr<shell::OwnedWindow>(); }, list_) {}

    // Makes the window as the navigator does a moment after start-up; returns once its first
    // read (which opens the store) is done.
    void makeAhead() {
        navigator_.makeAhead();
        const auto start = Clock::now();
        waitUntil(start, [&] { return !window_ || !window_->reading(); });
    }

    // One click on "数据查询"; the window is checked against `expected`.
    ClickTimes click(const Rows& expected) {
        const GridPaintWatch paints(window_);
        const auto start = Clock::now();
        const double cpuStart = threadCpuMs();
        gate_.run([&] { navigator_.openWindow(0); });
        waitUntil(start, [&] { return !window_ || filled(*window_); });
        ClickTimes times{msSince(start), threadCpuMs() - cpuStart, 0};
        waitUntil(start, [&] { return !window_ || paints.drawnFilled(); });
        times.painted = msSince(start);
        if (!window_ || gridRows(*window_) != expected) {
            die("the grid does not list the newest records", nullptr);
        }
        return times;
    }

    // One more fill of the open window, as switching back to it does.
    double refill() {
        const auto start = Clock::now();
        gate_.run([&] { window_->Form_Activate(); });
        waitUntil(start, [&] { return !window_->reading(); });
        return msSince(start);
    }

    // "返回".
    void close() {
        window_->Command2->click();
        QCoreApplication::processEvents();
    }

  private:
    platform::EventGate gate_;
    QPointer<records::Form4> window_;
    shell::WindowList list_;
    shell::Navigator navigator_;
};

double directMs() {
    const auto start = Clock::now();
    const Rows rows = newestDirect();
    const double ms = msSince(start);
    if (rows.size() != records::kListedRecords) {
        die("sqlite3 read " + std::to_string(rows.size()) + " rows", nullptr);
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const bool given = argc > 2 && std::string(argv[1]) == "--store";
    const QString store =
        given ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString();
    const int dirArgument = given ? 3 : 2;
    const long count = given ? 0 : argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir dir(argc > dirArgument
                          ? QDir(QString::fromLocal8Bit(argv[dirArgument])).filePath("bench-XXXXXX")
                          : QDir::tempPath() + "/query-window-bench-XXXXXX");
    if ((given ? !QFileInfo(store).isFile() : count < static_cast<long>(records::kListedRecords)) ||
        !dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr,
                     "usage: query_window_bench [RECORDS >= 1000 [DIRECTORY]]\n"
                     "       query_window_bench --store FILE [DIRECTORY]\n");
        return 2;
    }
    if (given) {
        if (!QFile::link(store, QString::fromUtf8(records::kDatabaseFile))) {
            die("cannot link " + store.toStdString(), nullptr);
        }
        std::printf("store %s\n", qPrintable(store));
    } else {
        const auto buildStart = Clock::now();
        buildStore(count);
        std::printf("store of %ld records built in %.0f ms\n", count, msSince(buildStart));
    }

    platform::qt::QtDialogs dialogs;  // asked only by "记录清除", which is never clicked here
    platform::qt::QtClock clock;
    const Rows expected = newestDirect();
    std::vector<double> cold, coldCpu, first, firstCpu, again, againCpu, painted, refill, direct;
    for (int run = 0; run < kRuns; ++run) {
        {
            Opener opener(dialogs, clock);
            const ClickTimes times = opener.click(expected);
            cold.push_back(times.filled);
            coldCpu.push_back(times.cpu);
        }
        {
            Opener opener(dialogs, clock);
            opener.makeAhead();
            const ClickTimes firstTimes = opener.click(expected);
            first.push_back(firstTimes.filled);
            firstCpu.push_back(firstTimes.cpu);
            opener.close();
            const ClickTimes againTimes = opener.click(expected);
            again.push_back(againTimes.filled);
            againCpu.push_back(againTimes.cpu);
            painted.push_back(againTimes.painted);
            refill.push_back(opener.refill());
            opener.close();
        }
        direct.push_back(directMs());
    }
    const double sqlite = median(direct);
    std::printf(
        "runs %d\nwindow_ms %.2f\nwindow_cpu_ms %.2f\npainted_ms %.2f\nrefill_ms %.2f\n"
        "first_click_ms %.2f\nfirst_click_cpu_ms %.2f\nfirst_click_ratio %.2f\n"
        "cold_click_ms %.2f\ncold_click_cpu_ms %.2f\ncold_click_ratio %.2f\n"
        "sqlite3_ms %.2f\nratio %.2f\n",
        kRuns, median(again), median(againCpu), median(painted), median(refill), median(first),
        median(firstCpu), median(first) / sqlite, median(cold), median(coldCpu),
        median(cold) / sqlite, sqlite, median(again) / sqlite);
    return 0;
}

// The charts of arrears opening on the demo school, from the first query to
// the window drawn (goal under 300 ms, the first time), against the floor:
// the same figures read for the table alone.
#include <QApplication>
#include <QDialog>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "BenchSchool.h"
#include "data/FeeDatabase.h"
#include "host/demo/DemoSchool.h"
#include "qt/ArrearsCharts.h"
#include "reports/ArrearsAnalysis.h"

int main(int argc, char** argv) {
    using namespace fo;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto dir = std::filesystem::temp_directory_path() / ("feeoffice-charts-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "demo.db").string();
    DemoOptions options;
    options.today = "2026-12-06";
    writeDemoSchool(path, options);
    ConnectionPtr cn = openFeeDatabase(sqliteConnectionString(path));
    // The first opening also pays for the fonts and the chart classes, as
    // the clerk's first look does; it is the figure held to the goal.
    double first = 0, best = 1e9, floor = 1e9;
    for (int run = 0; run < 5; ++run) {
        floor = std::min(floor, bench::millisecondsOf([&] { arrearsview::cells(*cn); }));
        const double ms = bench::millisecondsOf([&] {
            QDialog* charts = qt::makeArrearsCharts(nullptr, cn);
            charts->show();
            QApplication::processEvents();
            charts->close();
            delete charts;
        });
        if (run == 0) first = ms;
        best = std::min(best, ms);
    }
    std::filesystem::remove_all(dir);
    std::printf("arrears charts opening, demo school (SQLite): %.1f ms the first time, %.1f ms at best of five"
                " (floor %.1f ms; goal under 300 ms)\n", first, best, floor);
    return first < 300 ? 0 : 1;
}

// Appending lines to the output pane: 25,000 and then 100,000 lines through the headless window and
// the Qt window (offscreen), there inside a command as every operation appends. The pane sends only
// what was appended to its control, so four times the lines should take about four times as long.
#include <cstdlib>
#include <memory>
#include <string>

#include "BenchKit.h"
#include "platform/headless/HeadlessWindow.h"
#include "state/OutputPane.h"
#ifdef CARTOVEX_BENCH_QT
#include <QAction>
#include <QApplication>

#include "platform/qt/QtWindow.h"
#include "state/MenuModel.h"
#endif

using namespace cartovex;
using namespace cartovex::bench;

namespace {

double AppendSeconds(Window& window, int lines) {
    OutputPane pane(window);
    pane.AppendLine("start");
    return Timed([&] {
        for (int i = 0; i < lines; ++i)
            pane.AppendLine("Opened (Bench Disc " + std::to_string(i) + ".iso) Successfully!");
    });
}

void Report(const char* backend, double small, double large) {
    Figure(std::string(backend) + ", 25,000 lines", small * 1e3, "ms");
    Figure(std::string(backend) + ", 100,000 lines", large * 1e3, "ms");
    Ratio(std::string(backend) + ", 100,000 / 25,000 lines", large / small, 4.4);
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("Appending lines to the pane:\n");
    {
        HeadlessWindow a, b;
        const double small = AppendSeconds(a, 25000);
        const double large = AppendSeconds(b, 100000);
        Report("headless", small, large);
    }
#ifdef CARTOVEX_BENCH_QT
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    {
        // The appends run as a command does, with the pane brought up to date at its end.
        auto inCommand = [](int lines) {
            QtWindow window;
            window.show();
            window.SetHandler({{}, {}, [&](int, int) { AppendSeconds(window, lines); }});
            return Timed([&] { window.MenuAction(CMD_ABOUT)->trigger(); });
        };
        const double small = inCommand(25000);
        const double large = inCommand(100000);
        Report("Qt (offscreen)", small, large);
    }
#else
    (void)argc;
    (void)argv;
    std::printf("  Qt backend not built: no Qt figures\n");
#endif
    return 0;
}

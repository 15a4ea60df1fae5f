// Appending lines to a memo, as a listing fills the message pane: the time
// per line must not grow with the lines already there. Also the cost of
// painting a label through the canvas.
//
//   QT_QPA_PLATFORM=offscreen ./framework_controls_bench

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void appendLines(TApplication &application, int count, bool shown)
{
    auto *form = new TForm(&application);
    form->SetBounds(0, 0, 400, 300);
    auto *memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(8, 8, 369, 77);
    memo->SetReadOnly(true);
    memo->SetScrollBars(ssVertical);
    if (shown)
        form->Show();
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    double slowestTenth = 0;
    for (int i = 0; i < count; ++i) {
        memo->Lines()->Add("Account " + std::to_string(i) + " is locked out");
        if (shown && i % 64 == 0)
            application.ProcessMessages();
        if ((i + 1) % (count / 10) == 0) {
            slowestTenth = std::max(slowestTenth, secondsSince(last));
            last = std::chrono::steady_clock::now();
        }
    }
    application.ProcessMessages();
    const double total = secondsSince(start);
    std::printf("memo append %-6s %7d lines: %8.1f ms total, %6.2f us/line, slowest tenth %6.1f ms"
                " (%d lines kept)\n",
                shown ? "shown" : "hidden", count, total * 1e3, total * 1e6 / count,
                slowestTenth * 1e3, memo->Lines()->Count());
    delete form;
}

void paintLabels(TApplication &application, int count)
{
    auto *form = new TForm(&application);
    auto *label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("Visit the Marrowlight homepage");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        label->Widget()->grab();
    const double total = secondsSince(start);
    std::printf("label paint + grab %d times: %6.2f us each\n", count, total * 1e6 / count);
    delete form;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TApplication application(argc, argv);
    application.Initialize();
    for (const int count : {10000, 100000}) {
        appendLines(application, count, false);
        appendLines(application, count, true);
    }
    paintLabels(application, 2000);
    return 0;
}

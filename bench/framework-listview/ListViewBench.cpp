// Appending rows to a shown list with and without pumping messages after each
// row, and sorting rows with a comparison function against std::stable_sort of
// the same keys with the same comparison. Prints its figures; runs offscreen
// unless QT_QPA_PLATFORM names another platform (xcb under Xvfb).

#include "framework/ComCtrls.h"
#include "framework/Forms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <random>

namespace {

constexpr int Rows = 100000;
constexpr int Rounds = 5;

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

std::vector<String> makeNames(int count)
{
    std::mt19937 random(42);
    std::vector<String> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back("user" + std::to_string(random() % 1000000));
    return names;
}

double msSince(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void pumpAll()
{
    Application->ProcessMessages();
}

// For comparison: a pump that delivers posted events (repaints, deferred work)
// on every call but asks the system for input and timers at most once a
// millisecond, which is what a cheaper ProcessMessages could do.
void pumpThrottled()
{
    static QElapsedTimer last;
    QCoreApplication::sendPostedEvents();
    if (!last.isValid() || last.nsecsElapsed() >= 1000000) {
        QApplication::processEvents();
        last.restart();
    }
}

struct Fill
{
    double ms;
    int paints;
};

// Appends the rows as an account listing does, pumping after each when asked;
// both ways end once the last row has been painted.
template <class Pump> Fill fill(TListView &list, const std::vector<String> &names, Pump pump)
{
    list.Items()->Clear();
    pumpAll();
    PaintCounter counter;
    QWidget *viewport = list.Widget()->findChild<QWidget *>("qt_scrollarea_viewport");
    viewport->installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    for (const String &name : names) {
        TListItem *item = list.Items()->Add();
        item->SetImageIndex(-1);
        item->SetStateIndex(-1);
        item->SetCaption(name);
        item->SubItems()->Add("Full Name of " + name);
        pump();
    }
    list.Items()->BeginUpdate(); // shows what is still waiting for its frame
    list.Items()->EndUpdate();
    list.Widget()->repaint();
    const double ms = msSince(clock);
    viewport->removeEventFilter(&counter);
    return {ms, counter.paints};
}

int byteCompare(TListItem *a, TListItem *b, std::intptr_t)
{
    return a->Caption().compare(b->Caption());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    const std::vector<String> names = makeNames(Rows);

    TListView list(nullptr);
    list.SetViewStyle(vsReport);
    list.Columns()->Add()->SetCaption("Logon");
    list.Columns()->Add()->SetCaption("Full name");
    list.SetBounds(0, 0, 369, 153);
    list.Widget()->show();
    pumpAll();

    std::printf("platform %s, %d rows, median of %d rounds\n",
                qPrintable(QGuiApplication::platformName()), Rows, Rounds);
    std::vector<double> quiet, pumped, throttled, ratios, throttledRatios;
    int paints = 0;
    int throttledPaints = 0;
    for (int round = 0; round < Rounds; ++round) {
        const Fill q = fill(list, names, [] {});
        const Fill p = fill(list, names, pumpAll);
        const Fill t = fill(list, names, pumpThrottled);
        quiet.push_back(q.ms);
        pumped.push_back(p.ms);
        throttled.push_back(t.ms);
        ratios.push_back(p.ms / q.ms);
        throttledRatios.push_back(t.ms / q.ms);
        paints = p.paints;
        throttledPaints = t.paints;
    }
    // What the pump itself costs with a shown list and nothing to do.
    QElapsedTimer pumpClock;
    pumpClock.start();
    for (int i = 0; i < Rows; ++i)
        pumpAll();
    std::printf("ProcessMessages alone, %d calls:  %7.1f ms\n", Rows, msSince(pumpClock));
    std::printf("append, no pumping:                 %7.1f ms\n", median(quiet));
    std::printf("append, ProcessMessages after each: %7.1f ms (ratio %.2f; %d paints while "
                "filling)\n",
                median(pumped), median(ratios), paints);
    std::printf("append, throttled pump after each:  %7.1f ms (ratio %.2f; %d paints while "
                "filling)\n",
                median(throttled), median(throttledRatios), throttledPaints);

    std::vector<double> plain, custom, sortRatios;
    for (int round = 0; round < Rounds; ++round) {
        // The same keys in the same order, sorted both ways with one comparison.
        std::vector<String> keys = names;
        QElapsedTimer clock;
        clock.start();
        std::stable_sort(keys.begin(), keys.end(),
                         [](const String &a, const String &b) { return a.compare(b) < 0; });
        plain.push_back(msSince(clock));

        list.Items()->BeginUpdate();
        list.Items()->Clear();
        for (const String &name : names)
            list.Items()->Add()->SetCaption(name);
        list.Items()->EndUpdate();
        pumpAll();
        clock.restart();
        list.CustomSort(byteCompare, 0);
        custom.push_back(msSince(clock));
        sortRatios.push_back(custom.back() / plain.back());
        pumpAll();
    }
    std::printf("sort, std::stable_sort of the keys: %7.1f ms\n", median(plain));
    std::printf("sort, CustomSort:                   %7.1f ms (ratio %.2f)\n", median(custom),
                median(sortRatios));
    return 0;
}

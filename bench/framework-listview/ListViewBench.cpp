// Appending rows to a shown list with and without pumping messages after each
// row, and sorting rows with a comparison function against std::stable_sort of
// the same keys. Prints its figures; run offscreen or on a display.

#include "framework/ComCtrls.h"
#include "framework/ListView_p.h"

#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <random>

namespace {

constexpr int Rows = 100000;

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

struct Fill
{
    double ms;
    int paints;
};

Fill fill(TListItems &items, listview_detail::ListTreeView &view, const std::vector<String> &names,
          bool pump)
{
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    for (const String &name : names) {
        TListItem *item = items.Add();
        item->SetImageIndex(-1);
        item->SetCaption(name);
        item->SubItems()->Add("Full Name of " + name);
        if (pump)
            QApplication::processEvents();
    }
    // Both runs end with the last rows on screen.
    items.Model().flush();
    QApplication::processEvents();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    view.viewport()->removeEventFilter(&counter);
    return {ms, counter.paints};
}

TLVCompare byteCompare = [](TListItem *a, TListItem *b, std::intptr_t) {
    return a->Caption().compare(b->Caption());
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const std::vector<String> names = makeNames(Rows);

    TListItems items(nullptr);
    listview_detail::ListTreeView view;
    view.setListModel(&items.Model());
    items.Model().setColumns({"Logon", "Full name"});
    view.resize(369, 153);
    view.show();
    QApplication::processEvents();

    std::printf("platform: %s, rows: %d\n", qPrintable(QGuiApplication::platformName()), Rows);
    for (int round = 0; round < 3; ++round) {
        items.Clear();
        QApplication::processEvents();
        const Fill quiet = fill(items, view, names, false);
        items.Clear();
        QApplication::processEvents();
        const Fill pumped = fill(items, view, names, true);
        std::printf("append: no pumping %.1f ms (%d paints); pumping after each row %.1f ms (%d "
                    "paints); ratio %.2f\n",
                    quiet.ms, quiet.paints, pumped.ms, pumped.paints, pumped.ms / quiet.ms);
    }

    for (int round = 0; round < 3; ++round) {
        // The same keys in the same order, sorted both ways.
        std::vector<String> keys = names;
        QElapsedTimer clock;
        clock.start();
        std::stable_sort(keys.begin(), keys.end(),
                         [](const String &a, const String &b) { return a.compare(b) < 0; });
        const double plain = static_cast<double>(clock.nsecsElapsed()) / 1e6;

        items.BeginUpdate();
        items.Clear();
        for (const String &name : names)
            items.Add()->SetCaption(name);
        items.EndUpdate();
        QApplication::processEvents();
        clock.restart();
        items.Model().sort(byteCompare, 0);
        QApplication::processEvents();
        const double custom = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        std::printf(
            "sort (byte compare): std::stable_sort %.1f ms; CustomSort %.1f ms; ratio %.2f\n",
            plain, custom, custom / plain);
    }
    return 0;
}

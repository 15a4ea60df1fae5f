// Adding to a recently-used list that mirrors itself into a sub-menu, against
// the same QMenu updated directly: insert the new QAction at the top and
// remove the last ("direct"), and the same plus giving the 35 shifted actions
// their new numbered captions ("direct+renumber"), which is what the menu on
// screen must show after an addition with numbered accelerators. The list is
// measured with numbered captions (the default) and without them, where an
// addition changes no other caption.
//
//   QT_QPA_PLATFORM=offscreen ./mru_bench [additions [hidden]]

#include "components/mru/JMRU.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int maxItems = 36;
constexpr int rotating = 100; // more texts than the list holds: each is new

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<String> texts()
{
    std::vector<String> out;
    for (int i = 0; i < rotating; ++i)
        out.push_back("C:\\Documents\\Reports\\Report " + std::to_string(i) + ".txt");
    return out;
}

double throughList(int additions, bool shown, bool numbered)
{
    TComponent owner(nullptr);
    auto *menu = new TPopupMenu(&owner);
    auto *recent = new TMenuItem(&owner);
    recent->SetCaption("&Recent");
    menu->Items()->Add(recent);
    auto *list = new TJMostRecentlyUsedList(&owner);
    list->SetAutoSave(false);
    list->SetMaxItems(maxItems);
    list->SetRootMenuItem(recent);
    list->SetNumberAccelerators(numbered);
    const auto names = texts();
    for (int i = 0; i < maxItems; ++i)
        list->Add(names[static_cast<std::size_t>(i)]);
    if (shown)
        recent->SubMenu()->popup(QPoint(0, 0));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < additions; ++i) {
        list->Add(names[static_cast<std::size_t>((maxItems + i) % rotating)]);
        if (shown)
            QCoreApplication::processEvents();
    }
    const double seconds = secondsSince(start);
    if (list->GetCount() != maxItems || recent->Count() != maxItems)
        std::fprintf(stderr, "unexpected: %d entries, %d items\n", list->GetCount(),
                     recent->Count());
    return seconds;
}

QString numberedCaption(int number, const String &text)
{
    static const char accelerators[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const String name = text.substr(text.find_last_of('\\') + 1);
    return QString("&%1 %2").arg(accelerators[number]).arg(QString::fromStdString(name));
}

double direct(int additions, bool shown, bool renumber)
{
    QMenu menu;
    const auto names = texts();
    std::vector<std::unique_ptr<QAction>> actions;
    for (int i = 0; i < maxItems; ++i) {
        actions.insert(actions.begin(), std::make_unique<QAction>(QString::fromStdString(
                                            names[static_cast<std::size_t>(i)])));
        menu.insertAction(menu.actions().value(0), actions.front().get());
    }
    if (shown)
        menu.popup(QPoint(0, 0));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < additions; ++i) {
        const String &text = names[static_cast<std::size_t>((maxItems + i) % rotating)];
        auto action = std::make_unique<QAction>(QString::fromStdString(text));
        menu.insertAction(actions.front().get(), action.get());
        actions.insert(actions.begin(), std::move(action));
        actions.pop_back(); // its destructor takes it out of the menu
        if (renumber)
            for (int n = 0; n < maxItems; ++n)
                actions[static_cast<std::size_t>(n)]->setText(numberedCaption(
                    n, names[static_cast<std::size_t>((maxItems + i - n + rotating) % rotating)]));
        if (shown)
            QCoreApplication::processEvents();
    }
    return secondsSince(start);
}

void report(int additions, bool shown)
{
    // Best of three runs of each, so a busy machine weighs less.
    double numbered = 1e9, plain = 1e9, bare = 1e9, renumbered = 1e9;
    for (int run = 0; run < 3; ++run) {
        numbered = std::min(numbered, throughList(additions, shown, true));
        plain = std::min(plain, throughList(additions, shown, false));
        bare = std::min(bare, direct(additions, shown, false));
        renumbered = std::min(renumbered, direct(additions, shown, true));
    }
    const auto line = [&](const char *what, double seconds) {
        std::printf("  %-28s %9.1f ms %8.2f us/add  %5.2fx direct  %5.2fx direct+renumber\n", what,
                    seconds * 1e3, seconds * 1e6 / additions, seconds / bare, seconds / renumbered);
    };
    std::printf("%s menu, %d additions, %d items:\n", shown ? "open" : "closed", additions,
                maxItems);
    line("direct QMenu", bare);
    line("direct QMenu + renumber", renumbered);
    line("list, numbered captions", numbered);
    line("list, plain captions", plain);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int additions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    report(additions, false);
    // An open menu repaints on every event round; fewer additions suffice.
    if (argc < 3 || std::string(argv[2]) != "hidden")
        report(std::max(1, additions / 50), true);
    return 0;
}

// Lists 100,000 accounts of a directory file through the main window, with
// "Show all users" ticked (a row per account) and unticked (a row per locked
// out account), against the same listing with a view that does nothing and no
// window at all. A second run of each window listing keeps a 0 ms timer going
// and records how long the event loop went between two of its ticks. Then a
// view that adds rows through the window's own routine, timed part by part,
// shows where the window's time goes. Prints its figures; runs offscreen unless QT_QPA_PLATFORM
// names another platform.
//
// With --peers, the same listings and gaps, "Show all users" ticked, of the
// Samba domain controller that samba-peers.sh runs (as root, in the peers'
// network namespace), with however many accounts it was started with:
//   PEERS_DC_BULK=10000 tests/peers/samba-peers.sh start build/peers
//
//   bench_app_listing [--accounts N] [--rounds N] [--profile] [--peers]

#include "app/AccountListing.h"
#include "app/Main.h"
#include "app/Session.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Accounts = 100000;
int Rounds = 5;
const char *Server = "big.corp.example.com";

double msSince(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Sorts in place and returns the value at fraction p (0..1) of the way up.
double percentile(std::vector<double> &v, double p)
{
    std::sort(v.begin(), v.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[index];
}

// The same calls as the window makes, with nowhere for rows and lines to go.
class NullView final : public ListingView
{
public:
    explicit NullView(bool all) : m_all(all) {}
    bool ShowAllUsers() const override { return m_all; }
    void AddRow(const ListedAccount &) override { ++m_rows; }
    int RowCount() const override { return m_rows; }
    void AddLine(const std::string &) override {}
    bool AfterBatch() override { return true; }
    bool AskForLogon(const std::string &) override { return false; }

private:
    bool m_all;
    int m_rows = 0;
};

double listWithoutWindow(bool all)
{
    NullView view(all);
    QElapsedTimer clock;
    clock.start();
    RunAccountListing(Server, view);
    return msSince(clock);
}

// A view onto the window's rows that shows no lines and asks nothing; the
// views below differ in how they add rows and pump.
class FormRowsView : public ListingView
{
public:
    FormRowsView(TMainForm &form, bool all) : m_form(form), m_all(all) {}
    bool ShowAllUsers() const override { return m_all; }
    int RowCount() const override { return m_form.lvUsers->Items()->Count(); }
    void AddLine(const std::string &) override {}
    bool AskForLogon(const std::string &) override { return false; }

protected:
    TMainForm &m_form;

private:
    bool m_all;
};

// The window's side taken apart: a view that adds rows through the window's
// own routine and pumps after every batch, timing each part.
class TimedView final : public FormRowsView
{
public:
    using FormRowsView::FormRowsView;
    void AddRow(const ListedAccount &account) override
    {
        m_clock.start();
        m_form.AddAccountRow(account);
        rowsMs += msSince(m_clock);
    }
    bool AfterBatch() override
    {
        m_clock.start();
        Application->ProcessMessages();
        const double ms = msSince(m_clock);
        pumpMs += ms;
        // A pass that painted or laid out (a frame) against one that found
        // nothing much to do.
        if (ms >= 0.5) {
            ++longPumps;
            longPumpMs += ms;
        }
        return true;
    }

    double rowsMs = 0, pumpMs = 0, longPumpMs = 0;
    int longPumps = 0;

private:
    QElapsedTimer m_clock;
};

// Times the handling of every event that reaches a widget while installed,
// by handing the event on itself: the time of nested events is taken off the
// outer one, so each figure is the handler's own work.
class EventCosts final : public QObject
{
public:
    struct Cost
    {
        double ms = 0;
        int count = 0;
    };
    std::map<std::string, Cost> costs;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event == m_passing || !watched->isWidgetType())
            return false;
        QEvent *const outerPassing = m_passing;
        const double outerNested = m_nested;
        m_passing = event;
        m_nested = 0;
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(watched, event);
        const double ms = msSince(clock);
        Cost &cost =
            costs[std::string(watched->metaObject()->className()) + " " + eventName(event->type())];
        cost.ms += ms - m_nested;
        ++cost.count;
        m_passing = outerPassing;
        m_nested = outerNested + ms;
        return true;
    }

private:
    static std::string eventName(QEvent::Type type)
    {
        switch (type) {
        case QEvent::Paint:
            return "paint";
        case QEvent::Timer:
            return "timer (delayed layout)";
        case QEvent::LayoutRequest:
            return "layout request";
        case QEvent::UpdateRequest:
            return "update request (repaint pass)";
        case QEvent::Resize:
            return "resize";
        default:
            return "event " + std::to_string(static_cast<int>(type));
        }
    }

    QEvent *m_passing = nullptr;
    double m_nested = 0;
};

void emptyWindow(TMainForm &form);

void listTimed(TMainForm &form, bool all)
{
    emptyWindow(form);
    TimedView view(form, all);
    EventCosts events;
    qApp->installEventFilter(&events);
    QElapsedTimer clock;
    clock.start();
    RunAccountListing(Server, view);
    const double total = msSince(clock);
    qApp->removeEventFilter(&events);
    std::printf("  where the time goes (one listing through a copy of the window's view, "
                "%.1f ms):\n",
                total);
    std::printf("    the account calls and the listing itself  %8.1f ms\n",
                total - view.rowsMs - view.pumpMs);
    std::printf("    adding the rows to the list                %8.1f ms\n", view.rowsMs);
    std::printf("    ProcessMessages after each batch           %8.1f ms, of which %d passes of "
                ">= 0.5 ms took %.1f ms\n",
                view.pumpMs, view.longPumps, view.longPumpMs);
    std::vector<std::pair<std::string, EventCosts::Cost>> sorted(events.costs.begin(),
                                                                 events.costs.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.second.ms > b.second.ms; });
    for (std::size_t i = 0; i < sorted.size() && i < 6; ++i)
        std::printf("      %-50s %8.1f ms in %d\n", sorted[i].first.c_str(), sorted[i].second.ms,
                    sorted[i].second.count);
}

// For comparison: the window's rows with a pump that delivers posted events
// (repaints, deferred layout) after every batch but asks the system for input
// and timers at most once a millisecond, which a cheaper ProcessMessages could
// do.
class ThrottledView final : public FormRowsView
{
public:
    using FormRowsView::FormRowsView;
    void AddRow(const ListedAccount &account) override { m_form.AddAccountRow(account); }
    bool AfterBatch() override
    {
        QCoreApplication::sendPostedEvents();
        if (!m_last.isValid() || m_last.nsecsElapsed() >= 1000000) {
            Application->ProcessMessages();
            m_last.restart();
        }
        return true;
    }

private:
    QElapsedTimer m_last;
};

double listThrottled(TMainForm &form, bool all)
{
    emptyWindow(form);
    ThrottledView view(form, all);
    QElapsedTimer clock;
    clock.start();
    RunAccountListing(Server, view);
    Application->ProcessMessages();
    return msSince(clock);
}

double pumpAlone(int times)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < times; ++i)
        Application->ProcessMessages();
    return msSince(clock);
}

// Empties the window outside the timed part, so that a round does not pay
// for taking down the rows of the one before.
void emptyWindow(TMainForm &form)
{
    form.lvUsers->Items()->Clear();
    form.Memo1->Lines()->Clear();
    Application->ProcessMessages();
}

double listThroughWindow(TMainForm &form, bool all)
{
    emptyWindow(form);
    form.tbServer->SetText(Server);
    form.cbAll->SetChecked(all);
    QElapsedTimer clock;
    clock.start();
    form.btnConnect->Click();
    return msSince(clock);
}

struct Gaps
{
    double longest = 0;
    double p99 = 0;
    double median = 0;
    std::size_t ticks = 0;
};

// A timer of 0 ms fires on every pass of the event loop; the time between two
// of its ticks is how long the window could not answer. The first gap starts
// at the click and the last ends when the click returns.
Gaps gapsThroughWindow(TMainForm &form, bool all)
{
    emptyWindow(form);
    form.tbServer->SetText(Server);
    form.cbAll->SetChecked(all);
    std::vector<double> gaps;
    gaps.reserve(Accounts * 2);
    QElapsedTimer clock;
    qint64 last = 0;
    bool running = false;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!running)
            return;
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
    });
    timer.start();
    Application->ProcessMessages();
    clock.start();
    running = true;
    form.btnConnect->Click();
    running = false;
    gaps.push_back(static_cast<double>(clock.nsecsElapsed() - last) / 1e6);
    timer.stop();

    Gaps out;
    out.ticks = gaps.size() - 1;
    out.median = percentile(gaps, 0.5);
    out.p99 = percentile(gaps, 0.99);
    out.longest = gaps.back();
    return out;
}

void writeDirectory(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(QStringLiteral(R"({ "servers": [ { "name": "%1", "accounts": [],
  "generate": { "count": %2, "prefix": "user", "lockedOutEvery": 10, "disabledEvery": 7 } } ] })")
                   .arg(QLatin1String(Server))
                   .arg(Accounts)
                   .toUtf8());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    if (!scratch.isValid())
        qFatal("no temporary folder");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QDir(scratch.path()).mkdir(QStringLiteral("runtime"));
        QFile::setPermissions(scratch.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", scratch.filePath(QStringLiteral("runtime")).toLocal8Bit());
    }
    TApplication app(argc, argv);
    // --profile: one listing without the window and one through it, ticked,
    // for a profiler (valgrind --tool=callgrind) to take apart.
    bool profile = false;
    bool peers = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--profile") == 0)
            profile = true;
        else if (std::strcmp(argv[i], "--peers") == 0)
            peers = true;
        else if (i + 1 == argc)
            break;
        else if (std::strcmp(argv[i], "--accounts") == 0)
            Accounts = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--rounds") == 0)
            Rounds = std::atoi(argv[++i]);
    }
    if (Accounts < 1 || Rounds < 1)
        qFatal("usage: bench_app_listing [--accounts N] [--rounds N] [--profile]");
    registry::setStoreFolder(scratch.filePath(QStringLiteral("registry")));
    if (peers) {
        const int ns = open(TUMBLERSET_PEERS_DIR "/netns", O_RDONLY | O_CLOEXEC);
        if (ns < 0 || setns(ns, CLONE_NEWNET) != 0)
            qFatal("no peers in " TUMBLERSET_PEERS_DIR ": as root, run "
                   "PEERS_DC_BULK=10000 tests/peers/samba-peers.sh start " TUMBLERSET_PEERS_DIR);
        close(ns);
        Server = "127.0.0.3";
        // Samba's usual sources, as an operator's environment gives them.
        qputenv("USER", "TEST\\Administrator");
        qputenv("PASSWD", "Adm1n-Pass!9");
        qputenv("KRB5CCNAME", "FILE:" TUMBLERSET_PEERS_DIR "/no-ticket");
        InstallAccountProviders({});
    } else {
        const QString directory = scratch.filePath(QStringLiteral("directory.json"));
        writeDirectory(directory);
        InstallAccountProviders(directory.toStdString());
    }

    Application->Initialize();
    Application->SetTitle("Tumblerset");
    Application->CreateForm(MainForm);
    MainForm->Show();
    Application->ProcessMessages();

    if (profile) {
        std::printf("no window %.1f ms, through the window %.1f ms\n", listWithoutWindow(true),
                    listThroughWindow(*MainForm, true));
        return 0;
    }
    if (peers) {
        // The first listing loads the Samba module and logs on; the rounds
        // after it reuse the connection, as a window's later listings do.
        listWithoutWindow(true);
        std::printf("platform %s, the domain controller %s, median of %d rounds\n",
                    qPrintable(QGuiApplication::platformName()), Server, Rounds);
    } else {
        std::printf("platform %s, %d accounts (every 10th locked out), median of %d rounds\n",
                    qPrintable(QGuiApplication::platformName()), Accounts, Rounds);
    }
    for (const bool all : {true, false}) {
        if (peers && !all)
            break;
        std::vector<double> bare, window, ratios;
        for (int round = 0; round < Rounds; ++round) {
            const double b = listWithoutWindow(all);
            const double w = listThroughWindow(*MainForm, all);
            bare.push_back(b);
            window.push_back(w);
            ratios.push_back(w / b);
        }
        const int rows = MainForm->lvUsers->Items()->Count();
        std::printf("\"Show all users\" %s (%d rows):\n", all ? "ticked" : "unticked", rows);
        std::printf("  no window, view that does nothing: %8.1f ms\n", median(bare));
        std::printf("  through the window:                %8.1f ms (ratio %.2f, target <= 2; "
                    "first round %.1f ms)\n",
                    median(window), median(ratios), window.front());

        std::vector<double> longest, p99, typical;
        std::size_t ticks = 0;
        for (int round = 0; round < Rounds; ++round) {
            const Gaps g = gapsThroughWindow(*MainForm, all);
            longest.push_back(g.longest);
            p99.push_back(g.p99);
            typical.push_back(g.median);
            ticks = g.ticks;
        }
        std::printf("  event loop gaps (%zu ticks): longest %.2f ms (target < %d), 99th "
                    "percentile %.3f ms, median %.3f ms; worst round's longest %.2f ms\n",
                    ticks, median(longest), peers ? 100 : 50, median(p99), median(typical),
                    *std::max_element(longest.begin(), longest.end()));
        if (peers) {
            // The same, each listing with a logon of its own, as the first
            // one after the window opens or after new credentials.
            longest.clear();
            for (int round = 0; round < Rounds; ++round) {
                ApplyCredentials(netapi::Credentials{"TEST\\Administrator", "Adm1n-Pass!9"});
                longest.push_back(gapsThroughWindow(*MainForm, all).longest);
            }
            std::printf("  the same, each listing logging on afresh: longest %.2f ms; worst "
                        "round's %.2f ms\n",
                        median(longest), *std::max_element(longest.begin(), longest.end()));
            continue;
        }

        listTimed(*MainForm, all);
        std::vector<double> throttled, throttledRatios;
        for (int round = 0; round < Rounds; ++round) {
            const double b = listWithoutWindow(all);
            const double t = listThrottled(*MainForm, all);
            throttled.push_back(t);
            throttledRatios.push_back(t / b);
        }
        std::printf("  for comparison, the window's rows with a pump that polls at most once a "
                    "ms: %.1f ms (ratio %.2f)\n",
                    median(throttled), median(throttledRatios));
    }
    if (peers)
        return 0;
    emptyWindow(*MainForm);
    std::vector<double> idle;
    for (int round = 0; round < Rounds; ++round)
        idle.push_back(pumpAlone(Accounts));
    std::printf("ProcessMessages alone, %d calls, window shown and idle: %.1f ms\n", Accounts,
                median(idle));
    emptyWindow(*MainForm);
    return 0;
}

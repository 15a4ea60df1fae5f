// Lists 100,000 accounts of a directory file through the main window, with
// "Show all users" ticked (a row per account) and unticked (a row per locked
// out account), against the same listing with a view that does nothing and no
// window at all. A second run of each window listing keeps a 0 ms timer going
// and records how long the event loop went between two of its ticks. Prints
// its figures; runs offscreen unless QT_QPA_PLATFORM names another platform.

#include "app/AccountListing.h"
#include "app/Main.h"
#include "app/Session.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Accounts = 100000;
constexpr int Rounds = 5;
const char *const Server = "big.corp.example.com";

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
    registry::setStoreFolder(scratch.filePath(QStringLiteral("registry")));
    const QString directory = scratch.filePath(QStringLiteral("directory.json"));
    writeDirectory(directory);
    InstallAccountProviders(directory.toStdString());

    Application->Initialize();
    Application->SetTitle("Tumblerset");
    Application->CreateForm(MainForm);
    MainForm->Show();
    Application->ProcessMessages();

    std::printf("platform %s, %d accounts (every 10th locked out), median of %d rounds\n",
                qPrintable(QGuiApplication::platformName()), Accounts, Rounds);
    for (const bool all : {true, false}) {
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
        std::printf("  through the window:                %8.1f ms (ratio %.2f, target <= 2)\n",
                    median(window), median(ratios));

        std::vector<double> longest, p99, typical;
        std::size_t ticks = 0;
        for (int round = 0; round < Rounds; ++round) {
            const Gaps g = gapsThroughWindow(*MainForm, all);
            longest.push_back(g.longest);
            p99.push_back(g.p99);
            typical.push_back(g.median);
            ticks = g.ticks;
        }
        std::printf("  event loop gaps (%zu ticks): longest %.2f ms (target < 50), 99th "
                    "percentile %.3f ms, median %.3f ms; worst round's longest %.2f ms\n",
                    ticks, median(longest), median(p99), median(typical),
                    *std::max_element(longest.begin(), longest.end()));
    }
    emptyWindow(*MainForm);
    return 0;
}

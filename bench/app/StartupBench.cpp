// Start-up to the shown and painted main window, against a bare Qt window with
// the same kinds of widgets at the same places (bench_app_startup_bare).
//
// Without arguments this program is the driver: it starts each kind of window
// as a child process, a round at a time, and prints the medians. With
// --window it is such a child: it makes the main window as the program does,
// linked in, and ends once the main window has been painted for the first
// time. The program itself is the third kind: started as users start it (the
// program, then the window's module), with bench_app_window_probe preloaded to
// note its first paint and end it. Each child prints
// the monotonic clock at main() and after the first paint; the driver notes
// the same clock just before it starts the child, so the figures run from
// process start, and loading the libraries is part of them.
//
// Runs offscreen unless QT_QPA_PLATFORM names another platform, e.g.
//   QT_QPA_PLATFORM=xcb xvfb-run -a bench_app_startup

#include "app/Main.h"
#include "app/Session.h"
#include "bench/app/FirstPaint.h"
#include "framework/Forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int Rounds = 21;

// The window as the program's entry point makes it, without a directory file:
// this computer's accounts and Samba for named servers.
int runWindowChild(int argc, char **argv, qint64 mainNs)
{
    TApplication application(argc, argv);
    const qint64 applicationNs = monotonicNs();
    InstallAccountProviders("");
    const qint64 providersNs = monotonicNs();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tumblerset-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    Application->Initialize();
    Application->SetTitle("Tumblerset");
    Application->CreateForm(MainForm);
    const qint64 formNs = monotonicNs();
    // Before the paint's line, which ends the output.
    std::printf("steps %lld %lld %lld\n", static_cast<long long>(applicationNs),
                static_cast<long long>(providersNs), static_cast<long long>(formNs));
    FirstPaint firstPaint(MainForm->Widget(), mainNs);
    Application->Run();
    return firstPaint.painted() ? 0 : 1;
}

struct Start
{
    double toMain = 0;    // process start to main(): loading and static set-up
    double toPainted = 0; // process start to the first paint
    // The main window only, from main(): the application object made, the
    // account providers installed, the form read and created.
    double toApplication = 0, toProviders = 0, toForm = 0;
};

bool startChild(const QString &program, const QStringList &arguments,
                const QProcessEnvironment &environment, Start &out)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 started = monotonicNs();
    child.start(program, arguments);
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n%s", qPrintable(program),
                     qPrintable(child.errorString()), child.readAllStandardError().constData());
        return false;
    }
    long long mainNs = 0, paintedNs = 0, applicationNs = 0, providersNs = 0, formNs = 0;
    const QByteArray output = child.readAllStandardOutput();
    const char *paintedLine = output.constData();
    if (std::sscanf(paintedLine, "steps %lld %lld %lld", &applicationNs, &providersNs, &formNs) ==
        3)
        paintedLine = std::strchr(paintedLine, '\n') + 1;
    if (std::sscanf(paintedLine, "main %lld painted %lld", &mainNs, &paintedNs) != 2) {
        std::fprintf(stderr, "%s printed no times: %s\n", qPrintable(program), output.constData());
        return false;
    }
    const auto ms = [](long long from, long long to) {
        return static_cast<double>(to - from) / 1e6;
    };
    out.toMain = ms(started, mainNs);
    out.toPainted = ms(started, paintedNs);
    if (formNs != 0) {
        out.toApplication = ms(mainNs, applicationNs);
        out.toProviders = ms(mainNs, providersNs);
        out.toForm = ms(mainNs, formNs);
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int runDriver(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    // A user with nothing remembered, and no warnings from Qt about the
    // runtime folder.
    QDir(scratch.path()).mkdir(QStringLiteral("config"));
    QDir(scratch.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(scratch.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       scratch.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       scratch.filePath(QStringLiteral("runtime")));
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString self = QCoreApplication::applicationFilePath();
    const QString bare =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_app_startup_bare");

    // One unmeasured start of each fills the file caches and the font cache.
    Start ignored;
    if (!startChild(self, {QStringLiteral("--window")}, environment, ignored) ||
        !startChild(bare, {}, environment, ignored))
        return 1;

    QProcessEnvironment probed = environment;
    probed.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(WINDOW_PROBE));
    const QString program = QStringLiteral(TUMBLERSET_EXECUTABLE);
    if (!startChild(program, {}, probed, ignored))
        return 1;

    std::vector<double> windowMain, windowPainted, bareMain, barePainted, ratios;
    std::vector<double> application, providers, form;
    std::vector<double> programMain, programPainted, programRatios;
    for (int round = 0; round < Rounds; ++round) {
        Start w, b, p;
        if (!startChild(self, {QStringLiteral("--window")}, environment, w) ||
            !startChild(bare, {}, environment, b) || !startChild(program, {}, probed, p))
            return 1;
        programMain.push_back(p.toMain);
        programPainted.push_back(p.toPainted);
        programRatios.push_back(p.toPainted / b.toPainted);
        windowMain.push_back(w.toMain);
        application.push_back(w.toApplication);
        providers.push_back(w.toProviders);
        form.push_back(w.toForm);
        windowPainted.push_back(w.toPainted);
        bareMain.push_back(b.toMain);
        barePainted.push_back(b.toPainted);
        ratios.push_back(w.toPainted / b.toPainted);
    }
    std::printf("platform %s, median of %d starts each (process start to main(), to the first "
                "paint)\n",
                qPrintable(environment.value(QStringLiteral("QT_QPA_PLATFORM"))), Rounds);
    std::printf("  main window:     %6.1f ms to main(), %6.1f ms to painted\n", median(windowMain),
                median(windowPainted));
    std::printf("    from main(): %.1f ms to the application object, %.1f ms to the providers "
                "installed, %.1f ms to the form created\n",
                median(application), median(providers), median(form));
    std::printf("  bare Qt window:  %6.1f ms to main(), %6.1f ms to painted\n", median(bareMain),
                median(barePainted));
    std::printf("  ratio %.2f (median of per-round ratios; target <= 1.5)\n", median(ratios));
    std::printf("  the program, its window from its module: %6.1f ms to main(), %6.1f ms to "
                "painted\n",
                median(programMain), median(programPainted));
    std::printf("  ratio %.2f to the bare Qt window (median of per-round ratios; target <= 1.5)\n",
                median(programRatios));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 mainNs = monotonicNs();
    if (argc > 1 && std::strcmp(argv[1], "--window") == 0)
        return runWindowChild(argc, argv, mainNs);
    return runDriver(argc, argv);
}

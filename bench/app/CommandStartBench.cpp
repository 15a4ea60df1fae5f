// The command line's start: `tumblerset --directory DEMO --list` of the demo
// directory, and `tumblerset --version` (the start alone), against a program
// linked to Qt's core only that makes its core application and ends
// (bench_app_command_start_bare). Each round starts one
// of each, in turn, and times it from just before the start to its end, and
// takes the processor time it used (user and system, from wait4), which a
// busy machine disturbs less; the figures are the medians, and the ratios the
// medians of the rounds' ratios.
//
//   bench_app_command_start [ROUNDS [PROGRAM]]
//
// PROGRAM stands in for the built tumblerset, e.g. an older build of it.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

double nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Run
{
    double elapsedMs = -1; // negative when the command failed
    double processorMs = 0;
};

double ms(const timeval &t)
{
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// The command run once, its output thrown away.
Run timeRun(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const double started = nowMs();
    pid_t child = 0;
    const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (error != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", command.front().c_str());
        return {};
    }
    return {nowMs() - started, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 101;
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    // A copy in a private folder, as the demo script makes; no display, so
    // nothing could open a window.
    const QString demo = scratch.filePath(QStringLiteral("demo-directory.json"));
    if (!QFile::copy(QStringLiteral(TUMBLERSET_DEMO_DIRECTORY), demo))
        return 1;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string executable = argc > 2 ? argv[2] : TUMBLERSET_EXECUTABLE;
    // The listing, and the start alone: --version reads no file.
    struct Measured
    {
        const char *label;
        std::vector<std::string> command;
        std::vector<double> elapsed{}, processor{}, ratios{}, processorRatios{};
    };
    std::vector<Measured> measured{{"tumblerset --list of the demo",
                                    {executable, "--directory", demo.toStdString(), "--list"}},
                                   {"tumblerset --version", {executable, "--version"}}};
    Measured bare{
        "Qt core only",
        {(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_app_command_start_bare"))
             .toStdString()}};

    // One unmeasured start of each fills the file caches.
    for (const Measured &m : measured)
        if (timeRun(m.command).elapsedMs < 0)
            return 1;
    if (timeRun(bare.command).elapsedMs < 0)
        return 1;
    for (int round = 0; round < rounds; ++round) {
        std::vector<Run> runs;
        for (const Measured &m : measured)
            runs.push_back(timeRun(m.command));
        const Run b = timeRun(bare.command);
        if (b.elapsedMs < 0)
            return 1;
        bare.elapsed.push_back(b.elapsedMs);
        bare.processor.push_back(b.processorMs);
        for (std::size_t i = 0; i < measured.size(); ++i) {
            const Run &r = runs[i];
            if (r.elapsedMs < 0)
                return 1;
            measured[i].elapsed.push_back(r.elapsedMs);
            measured[i].processor.push_back(r.processorMs);
            measured[i].ratios.push_back(r.elapsedMs / b.elapsedMs);
            if (b.processorMs > 0)
                measured[i].processorRatios.push_back(r.processorMs / b.processorMs);
        }
    }
    std::printf("median of %d starts each: start to end of the process, processor time; ratios "
                "to Qt core only (medians of per-round ratios; target <= 1.5)\n",
                rounds);
    std::printf("  %-30s %6.2f ms, %6.2f ms\n", bare.label, median(bare.elapsed),
                median(bare.processor));
    for (const Measured &m : measured)
        std::printf("  %-30s %6.2f ms, %6.2f ms, ratio %.2f, processor time %.2f\n", m.label,
                    median(m.elapsed), median(m.processor), median(m.ratios),
                    m.processorRatios.empty() ? 0.0 : median(m.processorRatios));
    return 0;
}

// The command line's start: `tumblerset --directory DEMO --list` of the demo
// directory against a program linked to Qt's core only that makes its core
// application and ends (bench_app_command_start_bare). Each round starts one
// of each, in turn, and times it from just before the start to its end; the
// figures are the medians, and the ratio the median of the rounds' ratios.
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

// Milliseconds from the start to the end of the command, its output thrown
// away; negative when it failed.
double timeRun(const std::vector<std::string> &command)
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
    if (error != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", command.front().c_str());
        return -1;
    }
    return nowMs() - started;
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
    const std::vector<std::string> program{argc > 2 ? argv[2] : TUMBLERSET_EXECUTABLE,
                                           "--directory", demo.toStdString(), "--list"};
    const std::vector<std::string> bare{
        (QCoreApplication::applicationDirPath() + QStringLiteral("/bench_app_command_start_bare"))
            .toStdString()};

    // One unmeasured start of each fills the file caches.
    if (timeRun(program) < 0 || timeRun(bare) < 0)
        return 1;
    std::vector<double> programMs, bareMs, ratios;
    for (int round = 0; round < rounds; ++round) {
        const double p = timeRun(program);
        const double b = timeRun(bare);
        if (p < 0 || b < 0)
            return 1;
        programMs.push_back(p);
        bareMs.push_back(b);
        ratios.push_back(p / b);
    }
    std::printf("median of %d starts each (start to end of the process)\n", rounds);
    std::printf("  tumblerset --list of the demo: %6.2f ms\n", median(programMs));
    std::printf("  Qt core only:                  %6.2f ms\n", median(bareMs));
    std::printf("  ratio %.2f (median of per-round ratios; target <= 1.5)\n", median(ratios));
    return 0;
}

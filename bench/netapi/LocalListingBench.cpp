// `tumblerset --list --all` of this computer against the floor program (the
// reads and writes the same lines need, nothing more), side by side on a
// generated computer of 100,000 accounts with 10,000 tallies. Each run is a
// child process writing to a file of its own; its processor time (user and
// system) is what counts, so other work on a shared machine does not. The
// outputs must match byte for byte. Prints both times and the ratio; the
// limit is 1.3.
//
//   local_listing_bench [ROUNDS [tool|floor]]
//
// With "tool" or "floor" only that side runs, for a profiler to look at.

#include "app/CommandLine.h"
#include "app/Session.h"
#include "bench/netapi/LocalFloor.h"
#include "bench/netapi/LocalRoot.h"
#include "platform/netapi/LocalProvider.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Times
{
    double user = 0;
    double system = 0;
    double total() const { return user + system; }
};

// Runs `work` in a child whose standard output goes to `outputPath`;
// processor seconds of the child, negative when it failed.
template <typename Work> Times inChild(const std::string &outputPath, Work &&work)
{
    std::fflush(nullptr);
    // The last run's output goes here, not in the child's time.
    ::unlink(outputPath.c_str());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
            ::_exit(99);
        ::close(fd);
        const int status = work();
        std::cout.flush();
        std::fflush(nullptr);
        ::_exit(status);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a run failed (status %d)\n", status);
        return {-1, 0};
    }
    const auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string only = argc > 2 ? argv[2] : "";
    QTemporaryDir dir;
    const QString root = dir.filePath("root");
    if (!localroot::writeRoot(root, std::time(nullptr))) {
        std::fprintf(stderr, "cannot write the generated files under %s\n", qPrintable(dir.path()));
        return 1;
    }
    const std::string rootPath = root.toStdString();
    const std::string toolOutput = dir.filePath("tool.txt").toStdString();
    const std::string floorOutput = dir.filePath("floor.txt").toStdString();

    const auto runTool = [&] {
        netapi::LocalProvider::Options options;
        options.root = rootPath;
        InstallLocalProvider(std::make_shared<netapi::LocalProvider>(options));
        StartupOptions startup;
        startup.mode = StartupOptions::Mode::List;
        startup.allUsers = true;
        return RunListCommand(startup);
    };
    const auto runFloor = [&] { return localfloor::listAll(rootPath.c_str(), STDOUT_FILENO); };

    // Best of several runs, alternating, so that a busy moment on a shared
    // machine does not decide the figure.
    Times tool{1e9, 0}, floor{1e9, 0};
    for (int round = 0; round < rounds; ++round) {
        const Times t = only == "floor" ? Times{} : inChild(toolOutput, runTool);
        const Times f = only == "tool" ? Times{} : inChild(floorOutput, runFloor);
        if (t.user < 0 || f.user < 0)
            return 1;
        if (t.total() < tool.total())
            tool = t;
        if (f.total() < floor.total())
            floor = f;
    }

    if (!only.empty()) {
        std::printf("%s: %.3f s\n", only.c_str(), only == "tool" ? tool.total() : floor.total());
        return 0;
    }
    QFile a(QString::fromStdString(toolOutput)), b(QString::fromStdString(floorOutput));
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray toolText = a.readAll(), floorText = b.readAll();
    const bool same = toolText == floorText;
    if (!same) {
        qsizetype at = 0;
        while (at < toolText.size() && at < floorText.size() && toolText[at] == floorText[at])
            ++at;
        std::fprintf(stderr, "the outputs differ from byte %lld: tool \"%s\", floor \"%s\"\n",
                     static_cast<long long>(at), toolText.mid(at, 40).constData(),
                     floorText.mid(at, 40).constData());
    }
    const double ratio = tool.total() / floor.total();
    std::printf("--list --all of 100,000 local accounts, 10,000 tallies (processor seconds, best "
                "of %d)\n"
                "  tumblerset:    %.3f s (user %.3f s, system %.3f s)\n"
                "  floor program: %.3f s (user %.3f s, system %.3f s)\n"
                "  outputs:       %s (%lld bytes)\n"
                "  ratio:         %.2f (limit 1.3)\n",
                rounds, tool.total(), tool.user, tool.system, floor.total(), floor.user,
                floor.system, same ? "identical" : "DIFFERENT",
                static_cast<long long>(toolText.size()), ratio);
    return same && ratio <= 1.3 ? 0 : 1;
}

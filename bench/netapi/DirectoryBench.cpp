// The directory-file provider must cost constant time per account: listing
// 100,000 accounts the way the tool does (one per call) with one lookup each
// may take at most 10 times as long as 10,000. Prints both times and the ratio
// for a generated server and for one whose accounts are all in the file.
//
// Then the memory a listing of a file of 100,000 accounts takes at its peak,
// against the file's size, in a process of its own (this program run again
// with --peak FILE): its peak resident size in all, and above what it held
// before it read the file. The limit is 3 times the file's size.

#include "bench/netapi/ListAccounts.h"
#include "platform/netapi/DirectoryProvider.h"
#include "platform/netapi/NetApi.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string writeDirectory(const QTemporaryDir &dir, int count, bool generated)
{
    QByteArray json = "{ \"servers\": [ { \"name\": \"bench.example.com\", ";
    if (generated) {
        // Generated names grow by a digit with every tenfold count; a prefix
        // one letter longer for the smaller count keeps the average name
        // length of both sizes the same, so both move the same amount of text.
        const QByteArray prefix = count < 100'000 ? "userx" : "user";
        json += "\"generate\": { \"count\": " + QByteArray::number(count) + ", \"prefix\": \"" +
                prefix + "\", \"lockedOutEvery\": 10, \"disabledEvery\": 7 } } ] }";
    } else {
        json += "\"accounts\": [\n";
        for (int i = 1; i <= count; ++i) {
            // Names of one width, so both sizes move the same amount of text.
            const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
            json += "{ \"name\": \"acct" + n + "\", \"fullName\": \"Person " + n +
                    "\", \"lockedOut\": " + (i % 10 ? "false" : "true") + " }" +
                    (i < count ? ",\n" : "\n");
        }
        json += "] } ] }";
    }
    const QString path =
        dir.filePath(QStringLiteral("%1-%2.json").arg(generated ? "gen" : "list").arg(count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return path.toStdString();
}

// Loads the file, then lists and looks every account up as the tool does.
double run(const std::string &path, int expected, double &loadSeconds)
{
    // Processor time of this process: other work on a shared machine does
    // not count against it.
    const std::clock_t start = std::clock();
    const auto provider = std::make_shared<netapi::DirectoryProvider>(path);
    netapi::installProviders(provider, provider);
    loadSeconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    const char16_t *server = u"\\\\bench.example.com";
    const ListingTally tally = listAccounts(server);
    const NET_API_STATUS status = tally.status;
    const int seen = tally.seen, locked = tally.locked;
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    netapi::installProviders(nullptr, nullptr);
    if (status != NERR_Success || seen != expected || locked != expected / 10)
        std::fprintf(stderr, "unexpected listing: status %u, %d accounts, %d locked\n", status,
                     seen, locked);
    return seconds;
}

// The peak resident size of this process so far, in KiB.
long peakKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

// The child's side: load and list the file, then say the peaks.
int measurePeak(const char *path)
{
    const long before = peakKiB();
    double load = 0;
    struct stat st
    {};
    if (::stat(path, &st) != 0)
        return 1;
    const int expected = 100'000;
    run(path, expected, load);
    const long peak = peakKiB();
    const double fileKiB = static_cast<double>(st.st_size) / 1024;
    std::printf("a file of 100,000 accounts, %.1f MB, loaded and listed\n"
                "  peak resident size:     %.1f MB (%.1f times the file)\n"
                "  above the start (%.1f MB): %.1f MB (%.1f times the file; limit 3)\n",
                static_cast<double>(st.st_size) / 1e6, static_cast<double>(peak) * 1024 / 1e6,
                static_cast<double>(peak) / fileKiB, static_cast<double>(before) * 1024 / 1e6,
                static_cast<double>(peak - before) * 1024 / 1e6,
                static_cast<double>(peak - before) / fileKiB);
    return static_cast<double>(peak - before) / fileKiB > 3 ? 1 : 0;
}

// Runs this program again to measure the peak of a fresh process.
int peakInChild(const std::string &path)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/proc/self/exe", "netapi_bench", "--peak", path.c_str(),
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 1;
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0)
        return measurePeak(argv[2]);
    QTemporaryDir dir;
    int worst = 0;
    for (const bool generated : {true, false}) {
        const std::string smallFile = writeDirectory(dir, 10'000, generated);
        const std::string largeFile = writeDirectory(dir, 100'000, generated);
        // Best of several runs, alternating, so that a busy moment on a shared
        // machine does not decide the figure.
        double small = 1e9, large = 1e9, smallLoad = 1e9, largeLoad = 1e9;
        for (int round = 0; round < 5; ++round) {
            double load = 0;
            small = std::min(small, run(smallFile, 10'000, load));
            smallLoad = std::min(smallLoad, load);
            large = std::min(large, run(largeFile, 100'000, load));
            largeLoad = std::min(largeLoad, load);
        }
        const double ratio = large / small;
        std::printf("%s\n  10,000: %.3f s (load %.3f s)   100,000: %.3f s (load %.3f s)   "
                    "ratio %.2f (limit 10)\n",
                    generated ? "generated accounts" : "accounts listed in the file", small,
                    smallLoad, large, largeLoad, ratio);
        worst = ratio > 10.0 ? 1 : worst;
    }
    if (peakInChild(writeDirectory(dir, 100'000, false)) != 0)
        worst = 1;
    return worst;
}

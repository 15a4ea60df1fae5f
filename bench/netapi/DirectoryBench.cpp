// The directory-file provider must cost constant time per account: listing
// 100,000 accounts the way the tool does (one per call) with one lookup each
// may take at most 10 times as long as 10,000. Prints both times and the ratio
// for a generated server and for one whose accounts are all in the file.

#include "bench/netapi/ListAccounts.h"
#include "platform/netapi/DirectoryProvider.h"
#include "platform/netapi/NetApi.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

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

} // namespace

int main()
{
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
    return worst;
}

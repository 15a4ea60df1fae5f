// Time of a standalone server's listing when every account's lockout details
// are asked for as well, as the window does (a lookup, then the details, per
// account), against the listing alone and against reading each account's
// details on its own. A listed account's details are read by its RID, with
// the domain's lockout duration once per listing; targets: the listing with
// details at most 2x the listing alone, and the details' share of it at
// least 1.5x faster than the reads one by one (by name, duration each time).
//
// Joins the peers' network namespace (samba-peers.sh), so it runs as root:
//   PEERS_BULK=2000 tests/peers/samba-peers.sh start build/peers

#include "platform/netapi/remote/RemoteProvider.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string server = "127.0.0.2";
const netapi::Credentials admin{"root", "Adm1n-Pass!"};
constexpr int rounds = 5;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A whole listing the way the window makes it, on a fresh connection; the
// names listed go to names. Negative when a call failed.
double listing(bool withDetails, std::vector<std::string> &names)
{
    auto provider = netapi::createRemoteProvider();
    provider->setCredentials(admin);
    names.clear();
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t resume = 0;
    std::uint32_t code = 0;
    do {
        std::vector<netapi::AccountEntry> batch;
        code = provider->enumerate(server, 2, 1, resume, batch);
        for (const netapi::AccountEntry &entry : batch) {
            netapi::AccountInfo info;
            netapi::AccountDetails details;
            if (provider->getInfo(server, entry.name, info) != 0 ||
                (withDetails && provider->getDetails(server, entry.name, details) != 0))
                return -1;
            names.push_back(entry.name);
        }
    } while (code == 234);
    return code == 0 ? secondsSince(start) : -1;
}

double oneByOne(const std::vector<std::string> &names)
{
    auto provider = netapi::createRemoteProvider();
    provider->setCredentials(admin);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string &name : names) {
        netapi::AccountDetails details;
        if (provider->getDetails(server, name, details) != 0)
            return -1;
    }
    return secondsSince(start);
}

} // namespace

int main()
{
    const int ns = open(TUMBLERSET_PEERS_DIR "/netns", O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
        std::fprintf(stderr,
                     "no peers in %s: as root, run\n"
                     "  PEERS_BULK=2000 tests/peers/samba-peers.sh start %s\n",
                     TUMBLERSET_PEERS_DIR, TUMBLERSET_PEERS_DIR);
        return 1;
    }
    close(ns);

    std::vector<double> alone, withDetails, single;
    std::vector<std::string> names;
    for (int round = 0; round < rounds; ++round) {
        alone.push_back(listing(false, names));
        withDetails.push_back(listing(true, names));
        single.push_back(oneByOne(names));
    }
    if (*std::min_element(alone.begin(), alone.end()) < 0 ||
        *std::min_element(withDetails.begin(), withDetails.end()) < 0 ||
        *std::min_element(single.begin(), single.end()) < 0) {
        std::fprintf(stderr, "a call failed\n");
        return 1;
    }
    const double cost = median(withDetails) / median(alone);
    const double gain = median(single) / (median(withDetails) - median(alone));
    std::printf("smbd, %zu accounts (median of %d)\n", names.size(), rounds);
    std::printf("  listing alone:                         %.3f s\n", median(alone));
    std::printf("  listing with every account's details:  %.3f s\n", median(withDetails));
    std::printf("  each account's details on its own:     %.3f s\n", median(single));
    std::printf("  with details / alone:                  %.2f (target: at most 2)\n", cost);
    std::printf("  one by one / the details' share:       %.1f (target: at least 1.5)\n", gain);
    return cost <= 2 && gain >= 1.5 ? 0 : 1;
}

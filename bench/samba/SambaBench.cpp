// Time of one account lookup per account of a Samba server with 1,000 bulk
// accounts: through the remote provider, and with the same libnetapi calls
// made directly. The provider should cost at most 10% more.
//
// Joins the peers' network namespace (samba-peers.sh), so it runs as root.

#include "bench/samba/SambaBenchDirect.h"
#include "platform/netapi/remote/RemoteProvider.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

const std::string server = "127.0.0.2";
const netapi::Credentials admin{"root", "Adm1n-Pass!"};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    const int ns = open(TUMBLERSET_PEERS_DIR "/netns", O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
        std::fprintf(stderr,
                     "no peers in %s: as root, run\n"
                     "  PEERS_BULK=1000 tests/peers/samba-peers.sh start %s\n",
                     TUMBLERSET_PEERS_DIR, TUMBLERSET_PEERS_DIR);
        return 1;
    }
    close(ns);

    // The bulk accounts' names, listed once.
    std::vector<std::string> names;
    std::uint32_t code = 0;
    {
        auto lister = netapi::createRemoteProvider();
        lister->setCredentials(admin);
        std::vector<netapi::AccountEntry> entries;
        std::uint32_t resume = 0;
        do {
            code = lister->enumerate(server, 2, 0xFFFFFFFF, resume, entries);
        } while (code == 234);
        for (const netapi::AccountEntry &entry : entries) {
            if (entry.name.rfind("bulk", 0) == 0)
                names.push_back(entry.name);
        }
    } // the lister gives libnetapi's one context back
    if (code != 0 || names.size() < 1000) {
        std::fprintf(stderr,
                     "listing gave %u and %zu bulk accounts; start the peers with them:\n"
                     "  PEERS_BULK=1000 tests/peers/samba-peers.sh start %s\n",
                     code, names.size(), TUMBLERSET_PEERS_DIR);
        return 1;
    }

    // Rounds alternate, so a busy moment on the machine falls on both sides.
    // Each round starts with an open connection: the figures compare lookups.
    const int rounds = 5;
    int failed = 0;
    double direct = 0;
    double viaProvider = 0;
    for (int round = 0; round < rounds; ++round) {
        const double directRound =
            bench::directLookups(server, admin.user, admin.password, names, 1, failed);
        if (directRound < 0) {
            std::fprintf(stderr, "libnetapi did not start\n");
            return 1;
        }
        direct += directRound;

        auto provider = netapi::createRemoteProvider();
        provider->setCredentials(admin);
        netapi::AccountInfo info;
        if (provider->getInfo(server, names.front(), info) != 0)
            ++failed;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string &name : names) {
            if (provider->getInfo(server, name, info) != 0)
                ++failed;
        }
        viaProvider += secondsSince(start);
    } // each provider gives libnetapi's one context back before the next round

    const double lookups = static_cast<double>(names.size()) * rounds;
    std::printf("accounts: %zu, rounds: %d, failed lookups: %d\n", names.size(), rounds, failed);
    std::printf("provider: %.3f s (%.1f us per lookup)\n", viaProvider,
                viaProvider / lookups * 1e6);
    std::printf("direct:   %.3f s (%.1f us per lookup)\n", direct, direct / lookups * 1e6);
    std::printf("ratio provider/direct: %.3f (target: at most 1.1)\n", viaProvider / direct);
    return failed == 0 ? 0 : 1;
}

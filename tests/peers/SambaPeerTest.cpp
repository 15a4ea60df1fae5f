// The remote provider against real Samba servers: a standalone smbd and an AD
// domain controller that samba-peers.sh starts in a network namespace of their
// own. This program joins that namespace before anything else runs, so every
// packet it sends stays on the namespace's loopback device.

#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "tests/peers/PeerNamespace.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using netapi::AccountEntry;
using netapi::AccountInfo;

const std::string smbd = "127.0.0.2";
const std::string dc = "127.0.0.3";
const netapi::Credentials smbdAdmin{"root", "Adm1n-Pass!"};
const netapi::Credentials smbdUser{"bob", "User-Pass1"};
const netapi::Credentials dcAdmin{"TEST\\Administrator", "Adm1n-Pass!9"};
const netapi::Credentials dcUser{"TEST\\worker", "User-Pass1x"};

// A descriptor closed when its owner goes.
struct Socket
{
    int fd = -1;
    explicit Socket(int descriptor) : fd(descriptor) {}
    ~Socket()
    {
        if (fd >= 0)
            close(fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
};

sockaddr_in addressOf(const std::string &ip, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    return address;
}

// Passes SMB from `from`:445 to the domain controller's, and nothing else:
// the directory's port of `from` has no one behind it, as behind a firewall
// that lets only SMB through.
class SmbForwarder
{
public:
    explicit SmbForwarder(const std::string &from)
        : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const int on = 1;
        setsockopt(listener_.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in address = addressOf(from, 445);
        listening_ =
            bind(listener_.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
            listen(listener_.fd, 16) == 0;
        if (listening_)
            acceptor_ = std::thread([this] { acceptAll(); });
    }
    ~SmbForwarder()
    {
        stopping_ = true;
        if (acceptor_.joinable())
            acceptor_.join();
        for (std::thread &pump : pumps_)
            pump.join();
    }
    SmbForwarder(const SmbForwarder &) = delete;
    SmbForwarder &operator=(const SmbForwarder &) = delete;

    bool listening() const { return listening_; }

private:
    void acceptAll()
    {
        while (!stopping_) {
            pollfd waiting{listener_.fd, POLLIN, 0};
            if (poll(&waiting, 1, 50) != 1)
                continue;
            const int client = accept4(listener_.fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            pumps_.emplace_back([this, client] { pump(client); });
        }
    }

    // Copies both ways until either side closes or the forwarder stops.
    void pump(int clientFd)
    {
        const Socket client(clientFd);
        const Socket server(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const sockaddr_in address = addressOf(peers::dc, 445);
        if (connect(server.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return;
        pollfd ends[2] = {{client.fd, POLLIN, 0}, {server.fd, POLLIN, 0}};
        char buffer[65536];
        while (!stopping_) {
            if (poll(ends, 2, 50) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(ends[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = read(ends[i].fd, buffer, sizeof buffer);
                if (n <= 0)
                    return;
                for (ssize_t sent = 0; sent < n;) {
                    const ssize_t w =
                        write(ends[1 - i].fd, buffer + sent, static_cast<std::size_t>(n - sent));
                    if (w <= 0)
                        return;
                    sent += w;
                }
            }
        }
    }

    Socket listener_;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::list<std::thread> pumps_; // touched by the acceptor only, until it is joined
};

class SambaPeer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "the Samba peers need root (network namespace, port 445)";
        ASSERT_TRUE(joinedPeerNamespace())
            << "no peers in " TUMBLERSET_PEERS_DIR
               ": run tests/peers/samba-peers.sh start " TUMBLERSET_PEERS_DIR;
        // Only what a test sets: no ticket or password of whoever runs it.
        setenv("KRB5CCNAME", "FILE:" TUMBLERSET_PEERS_DIR "/no-ticket", 1);
        unsetenv("PASSWD");
        unsetenv("PASSWD_FILE");
        unsetenv("PASSWD_FD");
        setenv("USER", "nobody", 1);
    }

    static std::shared_ptr<netapi::RemoteProvider> as(const netapi::Credentials &credentials)
    {
        auto provider = netapi::createRemoteProvider();
        provider->setCredentials(credentials);
        return provider;
    }

    // A whole listing the way the tool makes it; counts the calls.
    static std::uint32_t list(netapi::AccountProvider &provider, const std::string &server,
                              std::uint32_t prefMaxLen, std::vector<AccountEntry> &out, int &calls)
    {
        std::uint32_t resume = 0;
        std::uint32_t code = 0;
        calls = 0;
        do {
            code = provider.enumerate(server, 2, prefMaxLen, resume, out);
            ++calls;
        } while (code == 234 && calls < 10000);
        return code;
    }

    static std::uint32_t flagsOf(netapi::AccountProvider &provider, const std::string &server,
                                 const std::string &user)
    {
        AccountInfo info;
        EXPECT_EQ(provider.getInfo(server, user, info), 0u) << user;
        return info.flags;
    }

    static const AccountEntry *find(const std::vector<AccountEntry> &entries,
                                    const std::string &name)
    {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const AccountEntry &e) { return e.name == name; });
        return it == entries.end() ? nullptr : &*it;
    }
};

TEST_F(SambaPeer, DomainControllerListsInSmallBatchesWithNonAsciiNames)
{
    auto provider = as(dcAdmin);
    std::vector<AccountEntry> entries;
    int calls = 0;
    ASSERT_EQ(list(*provider, dc, 1, entries, calls), 0u);
    EXPECT_GT(calls, 3) << "a preferred length of 1 should take one batch per few accounts";

    std::set<std::string> names;
    for (const AccountEntry &e : entries)
        names.insert(e.name);
    EXPECT_EQ(names.size(), entries.size()) << "an account came twice";
    for (const char *name : {"Administrator", "victim", "worker", "normal2", "both"})
        EXPECT_TRUE(names.count(name)) << name;
    const AccountEntry *juergen = find(entries, "jürgen");
    ASSERT_NE(juergen, nullptr);
    EXPECT_EQ(juergen->fullName, "Jürgen Größe-Øster");
}

TEST_F(SambaPeer, StandaloneServerListsItsAccounts)
{
    auto provider = as(smbdAdmin);
    std::vector<AccountEntry> entries;
    int calls = 0;
    ASSERT_EQ(list(*provider, smbd, 1, entries, calls), 0u);
    for (const char *name : {"alice", "bob", "carol", "dave", "erin"})
        EXPECT_NE(find(entries, name), nullptr) << name;
    const AccountEntry *carol = find(entries, "carol");
    ASSERT_NE(carol, nullptr);
    EXPECT_EQ(carol->fullName, "Full Carol");
}

TEST_F(SambaPeer, LookupsShowLockedOutAndDisabledAccounts)
{
    auto dcProvider = as(dcAdmin);
    // victim was locked out by three bad logons when the DC started.
    EXPECT_EQ(flagsOf(*dcProvider, dc, "victim") & (UF_LOCKOUT | UF_ACCOUNTDISABLE), UF_LOCKOUT);
    EXPECT_EQ(flagsOf(*dcProvider, dc, "normal2") & (UF_LOCKOUT | UF_ACCOUNTDISABLE),
              UF_ACCOUNTDISABLE);
    EXPECT_EQ(flagsOf(*dcProvider, dc, "worker") & (UF_LOCKOUT | UF_ACCOUNTDISABLE), 0u);

    AccountInfo juergen;
    ASSERT_EQ(dcProvider->getInfo(dc, "jürgen", juergen), 0u);
    EXPECT_EQ(juergen.name, "jürgen");
    EXPECT_EQ(juergen.fullName, "Jürgen Größe-Øster");

    auto smbdProvider = as(smbdAdmin);
    EXPECT_EQ(flagsOf(*smbdProvider, smbd, "dave") & (UF_LOCKOUT | UF_ACCOUNTDISABLE), UF_LOCKOUT);
    EXPECT_EQ(flagsOf(*smbdProvider, smbd, "carol") & (UF_LOCKOUT | UF_ACCOUNTDISABLE),
              UF_ACCOUNTDISABLE);
    EXPECT_EQ(flagsOf(*smbdProvider, smbd, "alice") & (UF_LOCKOUT | UF_ACCOUNTDISABLE), 0u);
}

// A listing as the tool makes it: one account per call, each looked up right
// after it came. Gives each account's lockout and disabled marks.
std::map<std::string, std::uint32_t> marksOfListing(netapi::AccountProvider &provider,
                                                    const std::string &server)
{
    std::map<std::string, std::uint32_t> marks;
    std::uint32_t resume = 0;
    std::uint32_t code = 0;
    int calls = 0;
    do {
        std::vector<AccountEntry> batch;
        code = provider.enumerate(server, 2, 1, resume, batch);
        for (const AccountEntry &entry : batch) {
            AccountInfo info;
            EXPECT_EQ(provider.getInfo(server, entry.name, info), 0u) << entry.name;
            EXPECT_EQ(info.name, entry.name);
            EXPECT_EQ(info.fullName, entry.fullName) << entry.name;
            marks[entry.name] = info.flags & (UF_LOCKOUT | UF_ACCOUNTDISABLE);
        }
    } while (code == 234 && ++calls < 100000);
    EXPECT_EQ(code, 0u);
    return marks;
}

TEST_F(SambaPeer, ListingsMarkAccountsAsSingleLookupsDo)
{
    // The domain controller once more, at an address where only SMB reaches
    // it: its directory cannot be used, and its display information carries
    // no lockout, so each account is read over SAMR.
    const std::string forwarded = "127.0.0.4";
    const SmbForwarder forwarder(forwarded);
    ASSERT_TRUE(forwarder.listening());
    struct Case
    {
        std::string server;
        netapi::Credentials admin;
        std::map<std::string, std::uint32_t> known;
    };
    const Case cases[] = {
        {smbd,
         smbdAdmin,
         {{"alice", 0},
          {"carol", UF_ACCOUNTDISABLE},
          {"dave", UF_LOCKOUT},
          {"erin", UF_LOCKOUT | UF_ACCOUNTDISABLE}}},
        {dc,
         dcAdmin,
         {{"worker", 0},
          {"normal2", UF_ACCOUNTDISABLE},
          {"victim", UF_LOCKOUT},
          {"both", UF_LOCKOUT | UF_ACCOUNTDISABLE}}},
        {forwarded,
         dcAdmin,
         {{"worker", 0},
          {"normal2", UF_ACCOUNTDISABLE},
          {"victim", UF_LOCKOUT},
          {"both", UF_LOCKOUT | UF_ACCOUNTDISABLE}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.server);
        const auto listed = marksOfListing(*as(c.admin), c.server);
        for (auto [name, marks] : c.known) {
            ASSERT_TRUE(listed.count(name)) << name;
            // The reset test clears the lockout of the locked and disabled
            // account, and the peers are shared: expect what is there now.
            if (marks == (UF_LOCKOUT | UF_ACCOUNTDISABLE))
                marks = UF_ACCOUNTDISABLE | (flagsOf(*as(c.admin), c.server, name) & UF_LOCKOUT);
            EXPECT_EQ(listed.at(name), marks) << name;
        }
        // Every account, one fresh lookup each, on a connection of its own.
        auto single = as(c.admin);
        for (const auto &[name, marks] : listed)
            EXPECT_EQ(flagsOf(*single, c.server, name) & (UF_LOCKOUT | UF_ACCOUNTDISABLE), marks)
                << name;
    }
}

// The window asks for each account's details right after its lookup: over
// SAMR they are read for the listing's page at once, and must be the ones a
// single read gives. The standalone server, and the DC where only SMB reaches
// it; frank and victim were locked out by three bad logons.
TEST_F(SambaPeer, ListedDetailsOverSamrAreTheOnesASingleReadGives)
{
    const std::string forwarded = "127.0.0.5";
    const SmbForwarder forwarder(forwarded);
    ASSERT_TRUE(forwarder.listening());
    const std::pair<std::string, netapi::Credentials> cases[] = {{smbd, smbdAdmin},
                                                                 {forwarded, dcAdmin}};
    for (const auto &[server, admin] : cases) {
        SCOPED_TRACE(server);
        auto provider = as(admin);
        std::map<std::string, netapi::AccountDetails> listed;
        std::uint32_t resume = 0;
        std::uint32_t code = 0;
        int calls = 0;
        do {
            std::vector<AccountEntry> batch;
            code = provider->enumerate(server, 2, 1, resume, batch);
            for (const AccountEntry &entry : batch) {
                AccountInfo info;
                ASSERT_EQ(provider->getInfo(server, entry.name, info), 0u) << entry.name;
                netapi::AccountDetails details;
                ASSERT_EQ(provider->getDetails(server, entry.name, details), 0u) << entry.name;
                listed[entry.name] = details;
            }
        } while (code == 234 && ++calls < 100000);
        ASSERT_EQ(code, 0u);
        const std::string locked = server == smbd ? "frank" : "victim";
        ASSERT_TRUE(listed.count(locked));
        EXPECT_GE(listed[locked].failedLogons, 3u);
        EXPECT_FALSE(listed[locked].lockedOutSinceKnown);
        EXPECT_FALSE(listed[locked].unlocksAtKnown);
        EXPECT_EQ(listed[locked].lockoutLength, 1800);

        auto single = as(admin);
        for (const auto &[name, details] : listed) {
            netapi::AccountDetails read;
            ASSERT_EQ(single->getDetails(server, name, read), 0u) << name;
            EXPECT_EQ(read.failedLogons, details.failedLogons) << name;
            EXPECT_EQ(read.lockedOutSinceKnown, details.lockedOutSinceKnown) << name;
            EXPECT_EQ(read.unlocksAtKnown, details.unlocksAtKnown) << name;
            EXPECT_EQ(read.lockoutLength, details.lockoutLength) << name;
        }
    }
}

TEST_F(SambaPeer, AnAccountLockedOutDuringAListingIsReadAfreshByTheReset)
{
    auto provider = as(dcAdmin);
    std::vector<AccountEntry> batch;
    std::uint32_t resume = 0;
    // The first calls may hand back nothing while the directory searches.
    for (int call = 0; call < 1000 && batch.empty(); ++call)
        ASSERT_EQ(provider->enumerate(dc, 2, 1, resume, batch), ERROR_MORE_DATA);
    ASSERT_FALSE(batch.empty());
    AccountInfo first;
    EXPECT_EQ(provider->getInfo(dc, batch.front().name, first), 0u);

    // Bad logons lock "late" out while the listing is under way, one from
    // each of several commands (a provider tries refused credentials once).
    for (int attempt = 0; attempt < 6 && !(flagsOf(*as(dcAdmin), dc, "late") & UF_LOCKOUT);
         ++attempt) {
        AccountInfo ignored;
        as({"TEST\\late", "not-the-password"})->getInfo(dc, "worker", ignored);
    }
    ASSERT_TRUE(flagsOf(*as(dcAdmin), dc, "late") & UF_LOCKOUT);

    // The directory's order follows its own index, so "late" may have come
    // in the first batch already: either way it is listed exactly once.
    auto isLate = [](const AccountEntry &entry) { return entry.name == "late"; };
    auto listed = std::count_if(batch.begin(), batch.end(), isLate);
    std::uint32_t code = 234;
    while (code == 234) {
        batch.clear();
        code = provider->enumerate(dc, 2, 1, resume, batch);
        for (const AccountEntry &entry : batch) {
            AccountInfo info;
            EXPECT_EQ(provider->getInfo(dc, entry.name, info), 0u);
            // The listing's own lookup answers from the search that listed
            // the account, which ended before the lockout.
            if (isLate(entry)) {
                EXPECT_FALSE(info.flags & UF_LOCKOUT) << "read afresh, not from the listing";
            }
            listed += isLate(entry);
        }
    }
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(listed, 1);
    // The reset looks the account up again and finds it locked out now,
    // whatever the listing saw, and clears it.
    const std::uint32_t flags = flagsOf(*provider, dc, "late");
    ASSERT_TRUE(flags & UF_LOCKOUT);
    EXPECT_EQ(provider->setFlags(dc, "late", flags & ~UF_LOCKOUT), 0u);
    EXPECT_FALSE(flagsOf(*provider, dc, "late") & UF_LOCKOUT);
}

TEST_F(SambaPeer, ListingsInsideListingsAndUnknownResumeHandles)
{
    auto provider = as(smbdAdmin);
    std::vector<AccountEntry> outer;
    std::uint32_t outerResume = 0;
    ASSERT_EQ(provider->enumerate(smbd, 2, 1, outerResume, outer), ERROR_MORE_DATA);
    // A second listing starts and ends inside the first.
    std::vector<AccountEntry> inner;
    int calls = 0;
    ASSERT_EQ(list(*provider, smbd, 1, inner, calls), 0u);
    std::uint32_t code = 234;
    while (code == 234)
        code = provider->enumerate(smbd, 2, 1, outerResume, outer);
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(outer.size(), inner.size());
    for (std::size_t i = 0; i < outer.size(); ++i)
        EXPECT_EQ(outer[i].name, inner[i].name);

    // A handle no listing gave, or one of another server, starts nothing.
    std::uint32_t stray = outerResume + 12345;
    std::vector<AccountEntry> none;
    EXPECT_EQ(provider->enumerate(smbd, 2, 1, stray, none), 87u);
    EXPECT_TRUE(none.empty());
}

// A domain controller's listing as a Windows one that pages its answers
// makes it (a MaxPageSize of 3, which the client stands in for: Samba sets
// none), and one started inside another: every account comes exactly once
// with the flags the plain listing gives it.
TEST_F(SambaPeer, DirectoryListingsThatPageOrNestListEveryAccountOnce)
{
    const auto flagsByName = [](netapi::AccountProvider &provider, std::uint32_t &resume,
                                std::map<std::string, std::uint32_t> &out, bool toTheEnd) {
        std::uint32_t code = 234;
        while (code == 234) {
            std::vector<AccountEntry> batch;
            code = provider.enumerate(dc, 2, 1, resume, batch);
            for (const AccountEntry &entry : batch) {
                AccountInfo info;
                EXPECT_EQ(provider.getInfo(dc, entry.name, info), 0u) << entry.name;
                EXPECT_TRUE(out.emplace(entry.name, info.flags).second)
                    << entry.name << " came twice";
            }
            if (!toTheEnd && !out.empty())
                break;
        }
        return code;
    };

    std::map<std::string, std::uint32_t> plain;
    std::uint32_t resume = 0;
    ASSERT_EQ(flagsByName(*as(dcAdmin), resume, plain, true), 0u);
    ASSERT_GT(plain.size(), 6u);
    EXPECT_TRUE(plain.at("victim") & UF_LOCKOUT);
    EXPECT_TRUE(plain.at("normal2") & UF_ACCOUNTDISABLE);

    setenv("TUMBLERSET_DIRECTORY_MAX_PAGE_SIZE", "3", 1);
    auto paging = as(dcAdmin);
    std::map<std::string, std::uint32_t> paged;
    resume = 0;
    const std::uint32_t code = flagsByName(*paging, resume, paged, true);
    unsetenv("TUMBLERSET_DIRECTORY_MAX_PAGE_SIZE");
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(paged, plain);

    // An outer listing that has handed out its first account; an inner one
    // runs to the end; the outer one goes on.
    auto provider = as(dcAdmin);
    std::map<std::string, std::uint32_t> outer, inner;
    std::uint32_t outerResume = 0, innerResume = 0;
    ASSERT_EQ(flagsByName(*provider, outerResume, outer, false), 234u);
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(flagsByName(*provider, innerResume, inner, true), 0u);
    EXPECT_EQ(inner, plain);
    EXPECT_EQ(flagsByName(*provider, outerResume, outer, true), 0u);
    EXPECT_EQ(outer, plain);
}

// The reset as the tool makes it: read the flags, write them back without
// the lockout bit. Everything else about the account stays.
void expectResetKeepsDisabled(netapi::AccountProvider &provider, const std::string &server,
                              const std::string &user)
{
    AccountInfo before;
    ASSERT_EQ(provider.getInfo(server, user, before), 0u);
    ASSERT_EQ(before.flags & (UF_LOCKOUT | UF_ACCOUNTDISABLE), UF_LOCKOUT | UF_ACCOUNTDISABLE);

    // Any bit but the lockout is refused and nothing changes.
    EXPECT_EQ(provider.setFlags(server, user, before.flags & ~UF_LOCKOUT & ~UF_ACCOUNTDISABLE),
              ERROR_NOT_SUPPORTED);
    AccountInfo untouched;
    ASSERT_EQ(provider.getInfo(server, user, untouched), 0u);
    EXPECT_EQ(untouched.flags, before.flags);

    ASSERT_EQ(provider.setFlags(server, user, before.flags & ~UF_LOCKOUT), 0u);
    AccountInfo after;
    ASSERT_EQ(provider.getInfo(server, user, after), 0u);
    EXPECT_EQ(after.flags, before.flags & ~UF_LOCKOUT);
    EXPECT_EQ(after.fullName, before.fullName);

    // Clearing a lockout that is no longer there changes nothing either.
    EXPECT_EQ(provider.setFlags(server, user, after.flags), 0u);
    // A lockout cannot be set.
    EXPECT_EQ(provider.setFlags(server, user, after.flags | UF_LOCKOUT), ERROR_NOT_SUPPORTED);
}

TEST_F(SambaPeer, ResetClearsTheLockoutAndKeepsTheDisabledBit)
{
    auto dcProvider = as(dcAdmin);
    expectResetKeepsDisabled(*dcProvider, dc, "both");
    auto smbdProvider = as(smbdAdmin);
    expectResetKeepsDisabled(*smbdProvider, smbd, "erin");
}

TEST_F(SambaPeer, ResetByAnOrdinaryUserIsDenied)
{
    auto dcProvider = as(dcUser);
    const std::uint32_t flags = flagsOf(*dcProvider, dc, "victim");
    ASSERT_TRUE(flags & UF_LOCKOUT);
    EXPECT_EQ(dcProvider->setFlags(dc, "victim", flags & ~UF_LOCKOUT), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(flagsOf(*dcProvider, dc, "victim") & UF_LOCKOUT);

    auto smbdProvider = as(smbdUser);
    AccountInfo dave;
    const std::uint32_t lookup = smbdProvider->getInfo(smbd, "dave", dave);
    if (lookup == 0)
        EXPECT_EQ(smbdProvider->setFlags(smbd, "dave", dave.flags & ~UF_LOCKOUT),
                  ERROR_ACCESS_DENIED);
    else
        EXPECT_EQ(lookup, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(flagsOf(*as(smbdAdmin), smbd, "dave") & UF_LOCKOUT);
}

TEST_F(SambaPeer, UnknownUsersAreReportedAsSuch)
{
    auto provider = as(dcAdmin);
    AccountInfo info;
    EXPECT_EQ(provider->getInfo(dc, "nosuchuser", info), NERR_UserNotFound);
    EXPECT_EQ(provider->setFlags(dc, "nosuchuser", 0x0201), NERR_UserNotFound);
    // Over-long, control characters, non-ASCII: answered, never a crash.
    EXPECT_EQ(provider->getInfo(dc, std::string(300, 'x'), info), NERR_UserNotFound);
    EXPECT_EQ(provider->getInfo(dc, "bad\x01\tname", info), NERR_UserNotFound);
    EXPECT_EQ(provider->getInfo(dc, "jürgen-nicht", info), NERR_UserNotFound);

    auto smbdProvider = as(smbdAdmin);
    EXPECT_EQ(smbdProvider->getInfo(smbd, "nosuchuser", info), NERR_UserNotFound);
}

TEST_F(SambaPeer, ServersThatCannotBeReachedAreToldApart)
{
    auto provider = as(dcAdmin);
    AccountInfo info;
    std::vector<AccountEntry> entries;
    std::uint32_t resume = 0;
    for (const std::string &name : {std::string("no-such-host.invalid"), std::string(300, 'a'),
                                    std::string("bad\nname"), std::string("back\\slash")}) {
        EXPECT_EQ(provider->getInfo(name, "victim", info), NERR_InvalidComputer) << name;
        EXPECT_EQ(provider->enumerate(name, 2, 1, resume, entries), NERR_InvalidComputer) << name;
        EXPECT_EQ(provider->setFlags(name, "victim", 0x0201), NERR_InvalidComputer) << name;
    }
    // Nothing listens on this address of the peers' loopback.
    EXPECT_EQ(provider->getInfo("127.0.0.9", "victim", info), ERROR_BAD_NETPATH);
    EXPECT_EQ(provider->setFlags("127.0.0.9", "victim", 0x0201), ERROR_BAD_NETPATH);
    EXPECT_TRUE(entries.empty());
}

TEST_F(SambaPeer, WrongPasswordIsARefusedLogon)
{
    auto provider = as({"TEST\\worker", "not-the-password"});
    AccountInfo info;
    EXPECT_EQ(provider->getInfo(dc, "victim", info), ERROR_LOGON_FAILURE);
    std::vector<AccountEntry> entries;
    std::uint32_t resume = 0;
    // One bad logon on the DC only: three would lock worker out.
    EXPECT_EQ(provider->enumerate(smbd, 2, 1, resume, entries), ERROR_LOGON_FAILURE);
    EXPECT_TRUE(entries.empty());
    // Never an anonymous session instead, which the DC would let list.
    resume = 0;
    EXPECT_EQ(as({"TEST\\normal1", "not-the-password"})->enumerate(dc, 2, 1, resume, entries),
              ERROR_LOGON_FAILURE);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(provider->setFlags(smbd, "dave", 0x0211), ERROR_LOGON_FAILURE);

    // New credentials replace the refused ones.
    provider->setCredentials(dcAdmin);
    EXPECT_EQ(provider->getInfo(dc, "victim", info), 0u);
}

TEST_F(SambaPeer, CredentialsComeFromSambasUsualSources)
{
    setenv("USER", "TEST\\Administrator", 1);
    setenv("PASSWD", dcAdmin.password.c_str(), 1);
    auto provider = netapi::createRemoteProvider();
    AccountInfo info;
    EXPECT_EQ(provider->getInfo(dc, "victim", info), 0u);
}

TEST_F(SambaPeer, UnderSudoTheUsersSambaEnvironmentIsNotRootsLogon)
{
    const std::uint32_t flags = flagsOf(*as(dcAdmin), dc, "victim");
    setenv("USER", "TEST\\Administrator", 1);
    setenv("PASSWD", dcAdmin.password.c_str(), 1);
    // Writing back what is there changes nothing, but needs the right to.
    EXPECT_EQ(netapi::createRemoteProvider()->setFlags(dc, "victim", flags), 0u)
        << "the environment's logon, outside sudo";

    setenv("SUDO_UID", "1000", 1);
    const std::uint32_t underSudo = netapi::createRemoteProvider()->setFlags(dc, "victim", flags);
    unsetenv("SUDO_UID");
    EXPECT_NE(underSudo, 0u) << "root used the sudo user's USER and PASSWD";
    ASSERT_NE(getenv("PASSWD"), nullptr) << "the environment is given back";
    EXPECT_EQ(std::string(getenv("PASSWD")), dcAdmin.password);
}

// Runs `body` in a child process that starts dumpable; returns its exit code.
int inChild(const std::function<int()> &body)
{
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SambaPeer, APasswordFromSambasSourcesMakesTheProcessNonDumpable)
{
    setenv("USER", "root", 1);
    int secret[2];
    ASSERT_EQ(pipe(secret), 0);
    const Socket readEnd(secret[0]), writeEnd(secret[1]);
    const std::string password = smbdAdmin.password + "\n";
    const auto offerPassword = [&] {
        return write(writeEnd.fd, password.data(), password.size()) ==
               static_cast<ssize_t>(password.size());
    };
    // Lists the smbd peer with what the environment gives; 2 if it did not
    // log on, else what PR_GET_DUMPABLE says then.
    const auto listAndTell = [] {
        AccountInfo info;
        if (netapi::createRemoteProvider()->getInfo(smbd, "alice", info) != 0)
            return 2;
        return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    };

    setenv("PASSWD", smbdAdmin.password.c_str(), 1);
    EXPECT_EQ(inChild(listAndTell), 0) << "PASSWD";
    unsetenv("PASSWD");

    ASSERT_TRUE(offerPassword());
    setenv("PASSWD_FD", std::to_string(readEnd.fd).c_str(), 1);
    EXPECT_EQ(inChild(listAndTell), 0) << "PASSWD_FD";

    // Under sudo the descriptor is the user's business, like PASSWD: no
    // logon, and the password is still unread.
    ASSERT_TRUE(offerPassword());
    setenv("SUDO_UID", "1000", 1);
    EXPECT_EQ(inChild(listAndTell), 2) << "PASSWD_FD under sudo";
    unsetenv("SUDO_UID");
    unsetenv("PASSWD_FD");
    char unread[64] = {};
    fcntl(readEnd.fd, F_SETFL, O_NONBLOCK);
    EXPECT_EQ(read(readEnd.fd, unread, sizeof unread), static_cast<ssize_t>(password.size()));

    // Credentials handed in count as much as the environment's.
    EXPECT_EQ(inChild([] {
                  AccountInfo info;
                  as(smbdAdmin)->getInfo(smbd, "alice", info);
                  return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
              }),
              0);
}

TEST_F(SambaPeer, NoPasswordIsARefusedLogonWithoutAPrompt)
{
    setenv("USER", "TEST\\worker", 1);
    // On a terminal of its own, as when the tool is started from a shell: a
    // prompt would show there and wait for an answer that never comes.
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20);
        auto provider = netapi::createRemoteProvider();
        AccountInfo info;
        const std::uint32_t code = provider->getInfo(dc, "victim", info);
        _exit(code == ERROR_LOGON_FAILURE ? 0 : 1);
    }
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(25);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{terminal, POLLIN, 0};
        if (poll(&readable, 1, 100) == 1) {
            char buffer[256];
            const ssize_t n = read(terminal, buffer, sizeof buffer);
            if (n > 0)
                shown.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(terminal);
    ASSERT_TRUE(WIFEXITED(status)) << "no answer without a password; the terminal shows: " << shown;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not a refused logon";
    EXPECT_EQ(shown.find("assword"), std::string::npos) << shown;
}

} // namespace

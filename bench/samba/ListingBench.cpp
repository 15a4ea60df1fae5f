// Time of a whole listing of a Samba server through the program's command
// line (`tumblerset --list --all SERVER`, start-up included), against what
// administrators' other tools take on the same peer in the same run:
//   - the standalone smbd with 2,000 bulk accounts: rpcclient's querydispinfo,
//     which lists every name, full name and flag word (target: the program at
//     most 2x);
//   - the AD domain controller with 1,000 bulk accounts: a program on libnetapi
//     that lists the names and looks each account up (target: the program at
//     least 10x faster);
//   - the same DC named by its host name, with a Kerberos ticket alone against
//     a password (target: the ticket-only listing at most 1.3x the password
//     one: both read the directory in bulk).
// With --directory, only the DC against ldbsearch asking its directory for
// the same attributes of the same accounts in one search (target: the
// program at most 1.3x), with however many accounts the DC was started with.
//
// Joins the peers' network namespace (samba-peers.sh), so it runs as root:
//   PEERS_BULK=2000 PEERS_DC_BULK=1000 tests/peers/samba-peers.sh start build/peers

#include "bench/samba/SambaBenchDirect.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string peersDir = TUMBLERSET_PEERS_DIR;
const std::string program = TUMBLERSET_EXECUTABLE;
const std::string smbd = "127.0.0.2";
const std::string dc = "127.0.0.3";
const std::string smbdUser = "root", smbdPassword = "Adm1n-Pass!";
const std::string dcUser = "TEST\\Administrator", dcPassword = "Adm1n-Pass!9";
constexpr int rounds = 5;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a program with its output counted and dropped. Returns the seconds it
// took, or a negative value when it failed; lines counts its output lines.
double timed(const std::vector<std::string> &arguments, const std::vector<std::string> &env,
             int &lines)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(out[0]);
        for (const std::string &setting : env)
            putenv(const_cast<char *>(setting.c_str()));
        std::vector<char *> argv;
        for (const std::string &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    lines = 0;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        lines += static_cast<int>(std::count(buffer, buffer + n, '\n'));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = secondsSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Whether every round of both series succeeded (a failed one is negative);
// says which listing failed when not.
bool allSucceeded(const std::vector<double> &a, const std::vector<double> &b, const char *what)
{
    if (*std::min_element(a.begin(), a.end()) >= 0 && *std::min_element(b.begin(), b.end()) >= 0)
        return true;
    std::fprintf(stderr, "a listing of %s failed\n", what);
    return false;
}

double listWithProgram(const std::string &server, const std::string &user,
                       const std::string &password, int &lines)
{
    return timed({program, "--list", "--all", server},
                 {"USER=" + user, "PASSWD=" + password, "QT_QPA_PLATFORM=offscreen"}, lines);
}

// The environment of a listing of the DC by its host name: its realm and name
// from the peers' files, and either a ticket alone or a password alone.
std::vector<std::string> hostNameEnvironment(const std::string &ticketCache)
{
    return {"KRB5_CONFIG=" + peersDir + "/krb5.conf", "KRB5CCNAME=FILE:" + ticketCache,
            "LD_PRELOAD=libnss_wrapper.so", "NSS_WRAPPER_HOSTS=" + peersDir + "/hosts",
            "QT_QPA_PLATFORM=offscreen"};
}

bool getTicket(const std::string &ticketCache)
{
    const std::string command = "KRB5_CONFIG='" + peersDir +
                                "/krb5.conf' KRB5CCNAME='FILE:" + ticketCache +
                                "' kinit Administrator@TEST.LAN >/dev/null";
    FILE *kinit = popen(command.c_str(), "w");
    if (!kinit)
        return false;
    std::fprintf(kinit, "%s\n", dcPassword.c_str());
    return pclose(kinit) == 0;
}

// The program's listing of the DC against ldbsearch reading what it reads,
// rounds alternating: more of them than above, as a short listing's figures
// scatter on a busy machine.
bool compareWithLdbsearch()
{
    constexpr int rounds = 15;
    std::vector<double> program, ldbsearch;
    int programLines = 0, ldbLines = 0;
    const std::vector<std::string> search = {"ldbsearch",
                                             "-H",
                                             "ldap://" + dc,
                                             "-U",
                                             dcUser + "%" + dcPassword,
                                             "(sAMAccountType=805306368)",
                                             "sAMAccountName",
                                             "displayName",
                                             "description",
                                             "userAccountControl",
                                             "msDS-User-Account-Control-Computed",
                                             "objectSid",
                                             "badPwdCount",
                                             "badPasswordTime",
                                             "lockoutTime"};
    for (int round = 0; round < rounds; ++round) {
        program.push_back(listWithProgram(dc, dcUser, dcPassword, programLines));
        ldbsearch.push_back(timed(search, {}, ldbLines));
    }
    if (!allSucceeded(program, ldbsearch, "the DC peer"))
        return false;
    const double ratio = median(program) / median(ldbsearch);
    std::printf("DC, %d lines from the program, %d from ldbsearch\n", programLines, ldbLines);
    std::printf("  program --list --all:     %.3f s (median of %d)\n", median(program), rounds);
    std::printf("  ldbsearch, same attributes, one search: %.3f s\n", median(ldbsearch));
    std::printf("  ratio program/ldbsearch:  %.2f (target: at most 1.3)\n", ratio);
    return ratio <= 1.3;
}

} // namespace

int main(int argc, char **argv)
{
    const int ns = open((peersDir + "/netns").c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
        std::fprintf(stderr,
                     "no peers in %s: as root, run\n"
                     "  PEERS_BULK=2000 PEERS_DC_BULK=1000 tests/peers/samba-peers.sh start %s\n",
                     peersDir.c_str(), peersDir.c_str());
        return 1;
    }
    close(ns);
    if (argc > 1 && std::strcmp(argv[1], "--directory") == 0)
        return compareWithLdbsearch() ? 0 : 2;
    bool failed = false;

    // smbd: the program against rpcclient, rounds alternating.
    std::vector<double> program, rpcclient;
    int programLines = 0, rpcLines = 0;
    for (int round = 0; round < rounds; ++round) {
        program.push_back(listWithProgram(smbd, smbdUser, smbdPassword, programLines));
        rpcclient.push_back(timed({"rpcclient", "-s", peersDir + "/smbd/etc/smb.conf", "-U",
                                   smbdUser + "%" + smbdPassword, "-c", "querydispinfo", smbd},
                                  {}, rpcLines));
    }
    if (!allSucceeded(program, rpcclient, "the smbd peer"))
        return 1;
    const double smbdRatio = median(program) / median(rpcclient);
    std::printf("smbd, %d accounts listed by rpcclient, %d lines from the program\n", rpcLines,
                programLines);
    std::printf("  program --list --all:     %.3f s (median of %d)\n", median(program), rounds);
    std::printf("  rpcclient querydispinfo:  %.3f s\n", median(rpcclient));
    std::printf("  ratio program/rpcclient:  %.2f (target: at most 2)\n", smbdRatio);
    failed = failed || smbdRatio > 2;

    // The DC: the program against one libnetapi lookup per account.
    std::vector<double> onDc, perAccount;
    int accounts = 0, lookupsFailed = 0;
    for (int round = 0; round < 3; ++round) {
        onDc.push_back(listWithProgram(dc, dcUser, dcPassword, programLines));
        accounts = 0;
        perAccount.push_back(bench::directListing(dc, dcUser, dcPassword, accounts, lookupsFailed));
    }
    if (!allSucceeded(onDc, perAccount, "the DC peer"))
        return 1;
    const double dcRatio = median(perAccount) / median(onDc);
    std::printf("DC, %d accounts, %d lines from the program, %d failed lookups\n", accounts,
                programLines, lookupsFailed);
    std::printf("  program --list --all:     %.3f s (median of 3)\n", median(onDc));
    std::printf("  libnetapi, one lookup per account: %.3f s\n", median(perAccount));
    std::printf("  ratio libnetapi/program:  %.1f (target: at least 10)\n", dcRatio);
    failed = failed || dcRatio < 10;

    // The DC by its host name: a ticket alone against a password alone.
    const std::string ticketCache = peersDir + "/bench-ticket";
    if (!getTicket(ticketCache)) {
        std::fprintf(stderr, "kinit Administrator@TEST.LAN failed (krb5-user installed?)\n");
        return 1;
    }
    std::vector<std::string> ticketEnv = hostNameEnvironment(ticketCache);
    ticketEnv.push_back("USER=nobody");
    std::vector<std::string> passwordEnv = hostNameEnvironment(peersDir + "/no-ticket");
    passwordEnv.push_back("USER=" + dcUser);
    passwordEnv.push_back("PASSWD=" + dcPassword);
    std::vector<double> withTicket, withPassword;
    int ticketLines = 0, passwordLines = 0;
    for (int round = 0; round < rounds; ++round) {
        withTicket.push_back(timed({TUMBLERSET_EXECUTABLE, "--list", "--all", "dc1.test.lan"},
                                   ticketEnv, ticketLines));
        withPassword.push_back(timed({TUMBLERSET_EXECUTABLE, "--list", "--all", "dc1.test.lan"},
                                     passwordEnv, passwordLines));
    }
    unlink(ticketCache.c_str());
    if (!allSucceeded(withTicket, withPassword, "dc1.test.lan"))
        return 1;
    const double ticketRatio = median(withTicket) / median(withPassword);
    std::printf("DC as dc1.test.lan, %d lines with a ticket, %d with a password\n", ticketLines,
                passwordLines);
    std::printf("  ticket alone:             %.3f s (median of %d)\n", median(withTicket), rounds);
    std::printf("  password:                 %.3f s\n", median(withPassword));
    std::printf("  ratio ticket/password:    %.2f (target: at most 1.3)\n", ticketRatio);
    failed = failed || ticketRatio > 1.3 || ticketLines != passwordLines;
    return failed ? 2 : 0;
}

// Loading the Samba module that serves named servers: found in the build, the
// credentials given before the first call handed over, and a missing, damaged
// or foreign module answered with "not supported" and one line on standard
// error. Needs no server: a name that does not resolve is answered by the
// module itself, without sending anything.

#include "platform/WinError.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// The leak checker of this GCC misreads the thread-local blocks of libraries
// loaded with dlopen and crashes at exit unless it leaves __tls_get_addr
// alone; the blocks are still scanned, as heap blocks reachable from each
// thread.
extern "C" const char *__asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
#endif

namespace {

using netapi::AccountEntry;
using netapi::AccountInfo;

const std::string unresolvable = "bad\nname";

class RemoteModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No ticket or password of whoever runs the tests.
        setenv("KRB5CCNAME", ("FILE:" + dir.file("no-ticket").toStdString()).c_str(), 1);
        unsetenv("PASSWD");
        unsetenv("PASSWD_FILE");
        unsetenv("PASSWD_FD");
        setenv("USER", "nobody", 1);
    }

    std::string file(const char *name, const QByteArray &content)
    {
        QFile out(dir.file(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return out.fileName().toStdString();
    }

    // Every call of a provider without its module, and what it wrote.
    static std::string expectNotSupported(netapi::RemoteProvider &provider)
    {
        testing::internal::CaptureStderr();
        provider.setCredentials({"TEST\\worker", "secret"});
        AccountInfo info;
        std::vector<AccountEntry> entries;
        std::uint32_t resume = 0;
        EXPECT_EQ(provider.enumerate("server", 2, 1, resume, entries), ERROR_NOT_SUPPORTED);
        EXPECT_EQ(provider.getInfo("server", "user", info), ERROR_NOT_SUPPORTED);
        EXPECT_EQ(provider.setFlags("server", "user", 0x0201), ERROR_NOT_SUPPORTED);
        EXPECT_EQ(provider.enumerate("other", 2, 1, resume, entries), ERROR_NOT_SUPPORTED);
        EXPECT_TRUE(entries.empty());
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
        return written;
    }

    TempDir dir;
};

TEST_F(RemoteModule, TheBuildsModuleIsLoadedAndGetsTheCredentialsGivenBefore)
{
    // Without credentials the module refuses the logon before resolving.
    AccountInfo info;
    EXPECT_EQ(netapi::createRemoteProvider()->getInfo(unresolvable, "user", info),
              ERROR_LOGON_FAILURE);

    auto provider = netapi::createRemoteProvider();
    provider->setCredentials({"TEST\\worker", "secret"});
    EXPECT_EQ(provider->getInfo(unresolvable, "user", info), NERR_InvalidComputer);

    // The first loadable module on the list serves; missing and damaged
    // ones before it are passed over.
    auto listed = netapi::createRemoteProvider({dir.file("none.so").toStdString(),
                                                file("damaged.so", "not a library"),
                                                TUMBLERSET_SAMBA_MODULE});
    listed->setCredentials({"TEST\\worker", "secret"});
    EXPECT_EQ(listed->getInfo(unresolvable, "user", info), NERR_InvalidComputer);
}

TEST_F(RemoteModule, NoModuleAnswersNotSupportedAndSaysWhyOnce)
{
    const std::string missing = dir.file("missing/tumblerset-samba.so").toStdString();
    auto provider = netapi::createRemoteProvider({missing});
    const std::string written = expectNotSupported(*provider);
    EXPECT_NE(written.find("named servers cannot be reached"), std::string::npos) << written;
    EXPECT_NE(written.find(missing), std::string::npos) << written;

    // Callers on several threads at once: one attempt, one line.
    auto shared = netapi::createRemoteProvider({missing});
    testing::internal::CaptureStderr();
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i) {
        callers.emplace_back([&] {
            AccountInfo info;
            EXPECT_EQ(shared->getInfo("server", "user", info), ERROR_NOT_SUPPORTED);
        });
    }
    for (std::thread &caller : callers)
        caller.join();
    const std::string raced = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(raced.begin(), raced.end(), '\n'), 1) << raced;
}

TEST_F(RemoteModule, DamagedOrForeignModulesAnswerNotSupported)
{
    QFile built(TUMBLERSET_SAMBA_MODULE);
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const std::string truncated = file("truncated.so", built.read(4096));
    const std::string text = file("text.so", "\x7f"
                                             "ELF but nothing more \x01\x02");
    const std::string empty = file("empty.so", {});
    for (const std::string &path : {truncated, text, empty}) {
        auto provider = netapi::createRemoteProvider({path});
        const std::string written = expectNotSupported(*provider);
        EXPECT_NE(written.find(path), std::string::npos) << written;
    }

    // A library that loads but is not the module: the C library itself.
    Dl_info libc{};
    ASSERT_NE(dladdr(reinterpret_cast<void *>(&getpid), &libc), 0);
    auto foreign = netapi::createRemoteProvider({libc.dli_fname});
    const std::string written = expectNotSupported(*foreign);
    EXPECT_NE(written.find(tumblersetRemoteProviderFactory), std::string::npos) << written;
}

} // namespace

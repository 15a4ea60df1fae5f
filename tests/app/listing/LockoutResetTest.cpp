#include "app/LockoutReset.h"

#include "platform/netapi/MemoryProvider.h"
#include "platform/netapi/NetApi.h"

#include <gtest/gtest.h>
#include <memory>

using netapi::MemoryProvider;

namespace {

class LockoutReset : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memory = std::make_shared<MemoryProvider>();
        netapi::installProviders(memory, memory);
        auto &locked = memory->addAccount("dc", {"jsmith", "John Smith"});
        locked.lockedOut = locked.disabled = true;
        memory->addAccount("dc", {"free", "Free Man"});
        callbacks.addLine = [this](const std::string &line) { lines.push_back(line); };
    }
    void TearDown() override { netapi::installProviders(nullptr, nullptr); }

    std::shared_ptr<MemoryProvider> memory;
    ResetCallbacks callbacks;
    std::vector<std::string> lines;
};

} // namespace

TEST_F(LockoutReset, ClearsOnlyTheLockoutBit)
{
    EXPECT_EQ(ResetLockout("dc", "jsmith", callbacks), ResetOutcome::Reset);
    EXPECT_EQ(lines, (std::vector<std::string>{"User was locked out.",
                                               "Lockout was successfully reset."}));
    const auto &set = memory->calls().back();
    EXPECT_EQ(set.call, MemoryProvider::Call::SetFlags);
    EXPECT_EQ(set.value & UF_LOCKOUT, 0u);
    EXPECT_NE(set.value & UF_ACCOUNTDISABLE, 0u);
    EXPECT_FALSE(memory->account("dc", "jsmith")->lockedOut);
    EXPECT_TRUE(memory->account("dc", "jsmith")->disabled);
}

TEST_F(LockoutReset, AnAccountThatIsNotLockedOutIsLeftAlone)
{
    EXPECT_EQ(ResetLockout("dc", "free", callbacks), ResetOutcome::NotLockedOut);
    EXPECT_EQ(lines, std::vector<std::string>{"User was not locked out."});
    EXPECT_EQ(memory->callCount(MemoryProvider::Call::SetFlags), 0u);
}

TEST_F(LockoutReset, EachRefusalOfTheWriteHasItsOwnLine)
{
    const std::pair<std::uint32_t, const char *> cases[] = {
        {5, "Access denied."},
        {2221, "Invalid user name."},
        {2226, "Not a primary domain controller."},
        {2351, "Invalid server name."},
        {53, "Error 53 returned from NetUserSetInfo"},
    };
    for (const auto &[code, line] : cases) {
        lines.clear();
        memory->setResult(MemoryProvider::Call::SetFlags, code);
        EXPECT_EQ(ResetLockout("dc", "jsmith", callbacks), ResetOutcome::Failed);
        EXPECT_EQ(lines, (std::vector<std::string>{"User was locked out.", line}));
    }
    EXPECT_TRUE(memory->account("dc", "jsmith")->lockedOut);
}

TEST_F(LockoutReset, AFailedLookupIsReportedByItsNumber)
{
    EXPECT_EQ(ResetLockout("dc", "nobody", callbacks), ResetOutcome::Failed);
    EXPECT_EQ(lines, std::vector<std::string>{"Error 2221 returned from NetUserGetInfo"});
    lines.clear();
    EXPECT_EQ(ResetLockout("elsewhere", "jsmith", callbacks), ResetOutcome::Failed);
    EXPECT_EQ(lines, std::vector<std::string>{"Error 2351 returned from NetUserGetInfo"});
}

TEST_F(LockoutReset, ARefusedLogonAsksOnceAndRetries)
{
    memory->setResult(MemoryProvider::Call::GetInfo, 1326);
    int prompts = 0;
    callbacks.askForLogon = [&](const std::string &server) {
        EXPECT_EQ(server, "dc");
        ++prompts;
        memory->setResult(MemoryProvider::Call::GetInfo, 0);
        return true;
    };
    EXPECT_EQ(ResetLockout("dc", "jsmith", callbacks), ResetOutcome::Reset);
    EXPECT_EQ(prompts, 1);
}

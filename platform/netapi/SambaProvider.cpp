#include "platform/netapi/SambaProvider.h"

// Placeholder until the Samba client is wired in: every call answers "not supported".
namespace netapi {
namespace {
class UnsupportedRemoteProvider final : public RemoteProvider
{
public:
    std::uint32_t enumerate(const std::string &, std::uint32_t, std::uint32_t, std::uint32_t &,
                            std::vector<AccountEntry> &) override
    {
        return 50;
    }
    std::uint32_t getInfo(const std::string &, const std::string &, AccountInfo &) override
    {
        return 50;
    }
    std::uint32_t setFlags(const std::string &, const std::string &, std::uint32_t) override
    {
        return 50;
    }
    void setCredentials(const Credentials &) override {}
};
} // namespace

std::shared_ptr<RemoteProvider> createRemoteProvider()
{
    return std::make_shared<UnsupportedRemoteProvider>();
}
} // namespace netapi

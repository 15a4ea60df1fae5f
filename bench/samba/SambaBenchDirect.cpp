#include "bench/samba/SambaBenchDirect.h"

#include <chrono>
#include <cstdint>
extern "C" {
#include <netapi.h>
}

namespace bench {

double directLookups(const std::string &server, const std::string &user,
                     const std::string &password, const std::vector<std::string> &names, int rounds,
                     int &failed)
{
    libnetapi_ctx *context = nullptr;
    if (libnetapi_init(&context) != 0)
        return -1;
    libnetapi_set_username(context, user.c_str());
    libnetapi_set_password(context, password.c_str());
    auto lookUp = [&](const std::string &name) {
        std::uint8_t *buffer = nullptr;
        if (NetUserGetInfo(server.c_str(), name.c_str(), 20, &buffer) != 0 || !buffer)
            ++failed;
        if (buffer)
            NetApiBufferFree(buffer);
    };
    lookUp(names.front());
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (const std::string &name : names)
            lookUp(name);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    libnetapi_free(context);
    return seconds;
}

double directListing(const std::string &server, const std::string &user,
                     const std::string &password, int &accounts, int &failed)
{
    libnetapi_ctx *context = nullptr;
    if (libnetapi_init(&context) != 0)
        return -1;
    libnetapi_set_username(context, user.c_str());
    libnetapi_set_password(context, password.c_str());
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t resume = 0;
    std::uint32_t status = 0;
    do {
        std::uint8_t *buffer = nullptr;
        std::uint32_t read = 0;
        std::uint32_t total = 0;
        status = NetUserEnum(server.c_str(), 10, FILTER_NORMAL_ACCOUNT, &buffer, 0xFFFFFFFF, &read,
                             &total, &resume);
        const auto *records = reinterpret_cast<const USER_INFO_10 *>(buffer);
        for (std::uint32_t i = 0; records && i < read; ++i) {
            ++accounts;
            std::uint8_t *info = nullptr;
            if (NetUserGetInfo(server.c_str(), records[i].usri10_name, 20, &info) != 0 || !info)
                ++failed;
            if (info)
                NetApiBufferFree(info);
        }
        if (buffer)
            NetApiBufferFree(buffer);
    } while (status == 234); // more accounts remain
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    libnetapi_free(context);
    if (status != 0)
        ++failed;
    return seconds;
}

} // namespace bench

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

} // namespace bench

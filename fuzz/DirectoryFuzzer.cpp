// The directory file's reader, on whatever the input holds: it reads the
// text or refuses it with a place in it, and what it reads survives a
// reset's write-back unchanged.

#include "platform/netapi/DirectoryFile.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace directory = netapi::directory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    directory::Content content;
    try {
        content = directory::read(input, "fuzz.json");
    } catch (const netapi::DirectoryFileError &e) {
        if (e.line() < 1 || e.column() < 1)
            std::abort();
        // What Qt's parser reads is JSON to the reader too.
        if (std::string(e.what()).find("not valid JSON") != std::string::npos &&
            !directory::document(input).isNull())
            std::abort();
        return 0;
    }
    // What the reader accepts, Qt's parser accepts too: a reset writes it
    // back through Qt.
    const QJsonDocument document = directory::document(input);
    if (document.isNull())
        std::abort();
    for (std::size_t s = 0; s < content.servers.size(); ++s) {
        const directory::Server &server = content.servers[s];
        // A handful of accounts reaches every path; generated ones may be many.
        for (std::uint64_t i = 0; i < server.total() && i < 8; ++i) {
            const directory::Account account = server.at(i);
            if (i < server.accounts.size()) {
                // A reset is written back and must read again, the same.
                const QJsonDocument changed = directory::withAccountFlags(
                    document, server.jsonIndex, static_cast<qsizetype>(i), !account.lockedOut,
                    !account.disabled);
                try {
                    const directory::Content again =
                        directory::read(directory::text(changed), "fuzz.json");
                    const directory::Account after = again.servers.at(s).at(i);
                    if (after.name != account.name || after.lockedOut == account.lockedOut)
                        std::abort();
                } catch (const netapi::DirectoryFileError &) {
                    std::abort();
                }
            } else if (server.generated->number(server.generated->foldedPrefix +
                                                std::to_string(i - server.accounts.size() + 1)) ==
                       0) {
                std::abort();
            }
        }
    }
    return 0;
}

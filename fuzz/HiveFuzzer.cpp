// The hive parser and serialiser: whatever a file holds, reading never
// crashes, and what is written reads back as the same keys and values.

#include "platform/registry/Hive.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    std::vector<registry::HiveIssue> issues;
    const registry::Hive hive = registry::Hive::parse("HKEY_CURRENT_USER", text, &issues);
    const QByteArray written = hive.serialize();

    std::vector<registry::HiveIssue> again;
    const registry::Hive reread = registry::Hive::parse("HKEY_CURRENT_USER", written, &again);
    // Our own output is never damaged, and says the same thing.
    if (!again.empty() || reread.serialize() != written)
        std::abort();
    for (const registry::HiveKey &key : hive.keys()) {
        for (const registry::HiveValue &value : key.values) {
            const registry::HiveValue *found = reread.findValue(key.path, value.name);
            if (!found || found->type != value.type || found->data != value.data)
                std::abort();
        }
    }
    return 0;
}

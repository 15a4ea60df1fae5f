// The directory file: loaded from whatever the input holds, then listed,
// looked up and reset, as the program would.

#include "platform/netapi/DirectoryProvider.h"
#include "platform/netapi/NetApi.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("directory.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    std::string error;
    auto provider = netapi::DirectoryProvider::load(path.toStdString(), error);
    if (!provider)
        return 0;
    for (const std::string server : {"", "dc", "a"}) {
        std::uint32_t resume = 0;
        std::vector<netapi::AccountEntry> entries;
        for (int calls = 0; calls < 50; ++calls) {
            if (provider->enumerate(server, FILTER_NORMAL_ACCOUNT, 4096, resume, entries) !=
                ERROR_MORE_DATA)
                break;
        }
        // A handful of accounts is enough to reach every lookup and reset path.
        entries.resize(std::min<std::size_t>(entries.size(), 8));
        for (const netapi::AccountEntry &entry : entries) {
            netapi::AccountInfo info;
            if (provider->getInfo(server, entry.name, info) == NERR_Success)
                provider->setFlags(server, entry.name, info.flags & ~UF_LOCKOUT);
        }
    }
    return 0;
}

// A second process for the reliability tests.
//
//   registry_writer STORE values PREFIX COUNT
//       writes COUNT values PREFIX<n> into HKEY_CURRENT_USER\Shared, opening
//       and closing the key for every one.
//   registry_writer STORE rounds FIRST COUNT
//       for rounds FIRST .. FIRST+COUNT-1, sets the ten values v0..v9 of
//       HKEY_CURRENT_USER\Rounds to texts of that round with one handle and
//       flushes it.

#include "platform/registry/Registry.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool writeOne(const std::string &name, const QByteArray &data)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Shared", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS set =
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                       static_cast<DWORD>(data.size() + 1));
    return RegCloseKey(key) == ERROR_SUCCESS && set == ERROR_SUCCESS;
}

// The round's text for value i: its length varies so that files of
// different rounds differ in size too.
QByteArray roundText(int round, int i)
{
    return "round " + QByteArray::number(round) + " value " + QByteArray::number(i) + " " +
           QByteArray(round % 97, '.');
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    registry::setStoreFolder(QString::fromLocal8Bit(argv[1]));
    const std::string mode = argv[2];
    if (mode == "values") {
        const std::string prefix = argv[3];
        const int count = std::atoi(argv[4]);
        for (int n = 0; n < count; ++n) {
            const std::string name = prefix + std::to_string(n);
            if (!writeOne(name, QByteArray::fromStdString(name))) {
                std::fprintf(stderr, "writing %s failed\n", name.c_str());
                return 1;
            }
        }
        return 0;
    }
    if (mode == "rounds" && argc == 5) {
        const int first = std::atoi(argv[3]);
        const int count = std::atoi(argv[4]);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Rounds", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 1;
        for (int round = first; round < first + count; ++round) {
            for (int i = 0; i < 10; ++i) {
                const QByteArray text = roundText(round, i);
                const std::string name = "v" + std::to_string(i);
                RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE *>(text.data()),
                               static_cast<DWORD>(text.size() + 1));
            }
            if (RegFlushKey(key) != ERROR_SUCCESS)
                return 1;
        }
        RegCloseKey(key);
        return 0;
    }
    return 2;
}

#include "tests/platform/registry/StoreFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

using Keys = StoreFixture;
using Values = StoreFixture;
using Flushing = StoreFixture;
using StoreLocation = StoreFixture;

// A text with its terminating zero, as a REG_SZ value holds it.
QByteArray sz(const char *text)
{
    return QByteArray(text, qstrlen(text) + 1);
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += static_cast<char>(b);
    return out;
}

TEST_F(Keys, CreatingMakesTheKeyAndItsParentsAndReportsIt)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Maker\\Tool", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const registry::Hive hive = readHive();
    EXPECT_NE(hive.findKey("Software"), nullptr);
    EXPECT_NE(hive.findKey("Software\\Maker"), nullptr);
    EXPECT_NE(hive.findKey("Software\\Maker\\Tool"), nullptr);

    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\maker\\TOOL\\", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
}

TEST_F(Keys, NamesKeepTheirCaseButAreFoundWithoutIt)
{
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "Software\\Ärger", "Wert", REG_SZ, "x"), ERROR_SUCCESS);
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "SOFTWARE\\äRGER", "WERT", REG_SZ, "y"), ERROR_SUCCESS);

    const registry::Hive hive = readHive();
    ASSERT_EQ(hive.keys().size(), 3u); // the root, Software, Ärger
    EXPECT_EQ(hive.keys()[2].path, QByteArray("Software\\Ärger"));
    ASSERT_EQ(hive.keys()[2].values.size(), 1u);
    EXPECT_EQ(hive.keys()[2].values[0].name, QByteArray("Wert"));
    EXPECT_EQ(hive.keys()[2].values[0].data, QByteArray("y"));
}

TEST_F(Keys, OpeningAMissingKeyFailsAndCreatesNothing)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Nowhere", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(QFile::exists(hivePath()));
}

TEST_F(Keys, AnEmptyPathOpensTheKeyItself)
{
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(root, "AtTheRoot", 0, REG_SZ, reinterpret_cast<const BYTE *>("r"), 2),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    EXPECT_NE(readHive().findValue("", "AtTheRoot"), nullptr);

    HKEY parent = nullptr;
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &parent, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(parent, "B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(child, "", 0, REG_SZ, reinterpret_cast<const BYTE *>("b"), 2);
    RegCloseKey(child);
    RegCloseKey(parent);
    EXPECT_NE(readHive().findValue("A\\B", ""), nullptr);
}

TEST_F(Keys, BadPathsAndNamesAreRefused)
{
    HKEY key = nullptr;
    auto create = [&](const char *path) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               &key, nullptr);
    };
    EXPECT_EQ(create("\\Leading"), ERROR_BAD_PATHNAME);
    EXPECT_EQ(create("Double\\\\Backslash"), ERROR_BAD_PATHNAME);
    EXPECT_EQ(create("Line\nBreak"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create("Bad\xff\xfeUtf8"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create(std::string(256, 'k').c_str()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create(std::string(255, 'k').c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Tab\there", 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, std::string(16384, 'v').c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE *>(""), 1),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Keys, StaleAndMadeUpHandlesAreRefused)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1),
              ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(std::uintptr_t{0x77}), "v", nullptr, nullptr,
                               nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(Keys, AHandleDoesOnlyWhatItWasOpenedFor)
{
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, QByteArray("a", 2)), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("b"), 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

TEST_F(Values, EveryKindSurvivesTheFileByteForByte)
{
    struct Case
    {
        const char *name;
        DWORD type;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        {"text", REG_SZ, sz("plain \"quoted\" back\\slash ünï")},
        {"", REG_SZ, sz("unnamed")},
        {"empty string", REG_SZ, sz("")},
        {"zero length", REG_SZ, QByteArray()},
        {"no terminator", REG_SZ, QByteArray("abc")},
        {"embedded zero", REG_SZ, QByteArray("ab\0cd", 6)},
        {"two zeros", REG_SZ, QByteArray("ab\0\0", 4)},
        {"line break", REG_SZ, QByteArray("a\nb\r\n", 6)},
        {"not utf8", REG_SZ, bytes({0xff, 0xfe, 0x41, 0})},
        {"expand", REG_EXPAND_SZ, sz("%HOME%\\x")},
        {"binary", REG_BINARY, bytes({0, 1, 0x7f, 0x80, 0xff})},
        {"empty binary", REG_BINARY, QByteArray()},
        {"dword", REG_DWORD, bytes({0xff, 0xff, 0xff, 0xff})},
        {"short dword", REG_DWORD, bytes({1, 2})},
        {"long dword", REG_DWORD, bytes({1, 2, 3, 4, 5})},
        {"odd type", 0x12345, bytes({9})},
        {"Name with \"quotes\" and \\", REG_SZ, sz("q")},
        {"@", REG_SZ, sz("at")},
        {"[not a section]", REG_SZ, sz("]")},
    };
    for (const Case &c : cases)
        ASSERT_EQ(putValue(HKEY_CURRENT_USER, "Software\\Kinds", c.name, c.type, c.data),
                  ERROR_SUCCESS)
            << c.name;

    std::vector<registry::HiveIssue> issues;
    const registry::Hive hive = readHive(HKEY_CURRENT_USER, &issues);
    EXPECT_TRUE(issues.empty());
    for (const Case &c : cases) {
        const registry::HiveValue *value = hive.findValue("Software\\Kinds", c.name);
        ASSERT_NE(value, nullptr) << c.name;
        EXPECT_EQ(value->type, c.type) << c.name;
        EXPECT_EQ(value->data, c.data) << c.name;
    }
    // The file says it the way registry export files do.
    QFile file(hivePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith(registry::hiveHeader));
    EXPECT_TRUE(text.contains("\n[HKEY_CURRENT_USER\\Software\\Kinds]\n"));
    EXPECT_TRUE(text.contains("\n\"text\"=\"plain \\\"quoted\\\" back\\\\slash ünï\"\n"));
    EXPECT_TRUE(text.contains("\n@=\"unnamed\"\n"));
    EXPECT_TRUE(text.contains("\n\"dword\"=dword:ffffffff\n"));
    EXPECT_TRUE(text.contains("\n\"expand\"=hex(2):25,48,4f,4d,45,25,5c,78,00\n"));
    EXPECT_TRUE(text.contains("\n\"binary\"=hex:00,01,7f,80,ff\n"));
    EXPECT_TRUE(text.contains("\n\"embedded zero\"=hex(1):61,62,00,63,64,00\n"));
    EXPECT_TRUE(text.contains("\n\"zero length\"=hex(1):\n"));
    EXPECT_TRUE(text.contains("\n\"odd type\"=hex(12345):09\n"));
}

TEST_F(Values, QueryingAsksForTheSizeAndRefusesAShortBuffer)
{
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, QByteArray("hello", 6)), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_READ, &key), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    char buffer[8] = "xxxxxxx";
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "xxxxxxx");
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "hello");

    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE *>(buffer), nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", &reserved, &type, nullptr, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Flushing, ChangesWaitForTheFlushAndAreSeenByTheirHandle)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2),
              ERROR_SUCCESS);
    EXPECT_FALSE(QFile::exists(hivePath()));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    QByteArray seen;
    EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "v", seen), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "v", seen), ERROR_SUCCESS);
    EXPECT_EQ(seen, QByteArray("1", 2));
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Flushing, AFlushKeepsWhatOthersWroteMeanwhile)
{
    HKEY first = nullptr;
    HKEY second = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &first, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &second, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(first, "a", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2);
    RegSetValueExA(second, "b", 0, REG_SZ, reinterpret_cast<const BYTE *>("2"), 2);
    ASSERT_EQ(RegCloseKey(first), ERROR_SUCCESS);

    // Another program adds a key to the file in the meantime.
    QFile file(hivePath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\n[HKEY_CURRENT_USER\\Other]\n\"c\"=dword:00000003\n");
    file.close();

    ASSERT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    const registry::Hive hive = readHive();
    EXPECT_NE(hive.findValue("K", "a"), nullptr);
    EXPECT_NE(hive.findValue("K", "b"), nullptr);
    EXPECT_NE(hive.findValue("Other", "c"), nullptr);
}

TEST_F(Flushing, WritesThroughARootGoOutAtOnce)
{
    ASSERT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_DWORD,
                             reinterpret_cast<const BYTE *>("\1\0\0\0"), 4),
              ERROR_SUCCESS);
    EXPECT_NE(readHive(HKEY_LOCAL_MACHINE).findValue("", "v"), nullptr);
    EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(Flushing, FilesAndFoldersAreOwnerOnly)
{
    registry::setStoreFolder(store.file("deeper/store"));
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_EQ(QFileInfo(hivePath()).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(QFileInfo(store.file("deeper")).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                  QFile::WriteUser | QFile::ExeUser);
    // Nothing is left behind but the lock file, which stays for the next writer.
    EXPECT_EQ(QDir(store.file("deeper/store")).entryList(QDir::Files),
              (QStringList{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
    EXPECT_EQ(QFileInfo(hivePath() + ".lock").permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(Flushing, ARewriteKeepsTheModeItsOwnerGaveTheHive)
{
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_SUCCESS);
    const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                      QFile::WriteUser | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(hivePath(), shared));
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "y"), ERROR_SUCCESS);
    const registry::Hive hive = readHive();
    const registry::HiveValue *value = hive.findValue("K", "v");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->data, QByteArray("y"));
    EXPECT_EQ(QFileInfo(hivePath()).permissions() & 0x7777, shared);
}

TEST_F(Flushing, AHiveThatCannotBeWrittenRefusesWritesButReadsNothing)
{
    // Being root, permission bits would not stop us: a file where the store
    // folder should be does.
    writeFile(store.file("blocker"), "not a folder");
    registry::setStoreFolder(store.file("blocker/store"));
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Maker", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(
        RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1),
        ERROR_ACCESS_DENIED);
}

TEST_F(Flushing, AFailedFlushKeepsTheChangesForTheNextTry)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2);
    // A folder where the file should be: the file can be neither read nor replaced.
    ASSERT_TRUE(QDir().mkpath(hivePath()));
    EXPECT_NE(RegFlushKey(key), ERROR_SUCCESS);
    ASSERT_TRUE(QDir().rmdir(hivePath()));
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_NE(readHive().findValue("K", "v"), nullptr);
}

TEST_F(StoreLocation, EachRootHasItsFileAndTheUserRootFollowsXdg)
{
    EXPECT_EQ(hivePath(HKEY_LOCAL_MACHINE), store.file("HKEY_LOCAL_MACHINE.reg"));
    EXPECT_EQ(hivePath(reinterpret_cast<HKEY>(std::uintptr_t{0x80000004})), QString());

    registry::setStoreFolder(QString());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(hivePath(HKEY_CURRENT_USER),
              QString("/somewhere/config/marrowlight/HKEY_CURRENT_USER.reg"));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(hivePath(HKEY_CURRENT_USER),
              QDir::homePath() + "/.config/marrowlight/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(hivePath(HKEY_USERS), QString("/var/lib/marrowlight/HKEY_USERS.reg"));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace

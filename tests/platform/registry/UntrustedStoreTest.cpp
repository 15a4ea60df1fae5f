// The tool may run as root with a user's environment (sudo -E, su without
// "-"): the store folder is then the user's, and whatever the user planted in
// it must not make root write anywhere else.

#include "tests/platform/registry/StoreFixture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PlantedLinks : public StoreFixture
{
protected:
    // A file the links point at, outside the store, and one they would create.
    void SetUp() override
    {
        StoreFixture::SetUp();
        writeFile(victim.file("shadow"), "root:secret:19000::::::\n");
        ASSERT_EQ(::chmod(QFile::encodeName(victim.file("shadow")).constData(), 0640), 0);
    }

    void link(const QString &target, const QString &name) const
    {
        ASSERT_TRUE(QFile::link(target, store.file(name)));
    }

    TempDir victim;
};

TEST_F(PlantedLinks, AHiveThatIsALinkIsNeitherReadNorWrittenThrough)
{
    link(victim.file("shadow"), "HKEY_CURRENT_USER.reg");
    QByteArray data;
    EXPECT_EQ(getValue(HKEY_CURRENT_USER, "", "root:secret:19000::::::", data),
              ERROR_FILE_NOT_FOUND);
    EXPECT_NE(putValue(HKEY_CURRENT_USER, "Software\\Tool", "Server", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_EQ(contentOf(victim.file("shadow")), "root:secret:19000::::::\n");
    EXPECT_EQ(QFileInfo(victim.file("shadow")).permissions() & 0x0777, 0x0640);
    EXPECT_TRUE(QFileInfo(store.file("HKEY_CURRENT_USER.reg")).isSymLink());
}

TEST_F(PlantedLinks, ALockOrBackupThatIsALinkCreatesNothing)
{
    link(victim.file("nologin"), "HKEY_CURRENT_USER.reg.lock");
    EXPECT_NE(putValue(HKEY_CURRENT_USER, "Software\\Tool", "Server", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_FALSE(QFileInfo::exists(victim.file("nologin")));
    ASSERT_TRUE(QFile::remove(store.file("HKEY_CURRENT_USER.reg.lock")));

    // A damaged hive is copied aside before its first rewrite; every name the
    // copy could take is a link.
    writeFile(hivePath(), QByteArray(registry::hiveHeader) + "\n[HKEY_CURRENT_USER\\K]\nbroken\n");
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    for (const QString &suffix : {QString(), QStringLiteral("-2"), QStringLiteral("-3")})
        link(victim.file("planted" + suffix), "HKEY_CURRENT_USER.reg." + stamp + suffix + ".bak");
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_TRUE(QDir(victim.path()).entryList({"planted*"}).isEmpty());
}

// As root with a user's HOME: the user linked their `.config` to a folder of
// root's, where root must not create the store.
TEST_F(PlantedLinks, AStoreReachedThroughAUsersFolderIsRefusedWhereverItLeads)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    TempDir home;
    TempDir rootsOwn;
    ASSERT_TRUE(QFile::link(rootsOwn.path(), home.file(".config")));
    ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), 65534, 65534), 0);
    registry::setStoreFolder(home.file(".config/marrowlight"));
    EXPECT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_ACCESS_DENIED);
    QByteArray data;
    EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "v", data), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(QDir(rootsOwn.path()).isEmpty());
}

// A link only we (or root) could have made leads where we meant it to.
TEST_F(PlantedLinks, AStoreFolderLinkedInOurOwnFolderIsFollowed)
{
    TempDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), store.file("linked")));
    registry::setStoreFolder(store.file("linked"));
    EXPECT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_TRUE(QFileInfo::exists(elsewhere.file("HKEY_CURRENT_USER.reg")));
}

TEST_F(PlantedLinks, AFolderOthersMayWriteIsRefused)
{
    ASSERT_EQ(::chmod(QFile::encodeName(store.path()).constData(), 0777), 0);
    EXPECT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(QDir(store.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(PlantedLinks, AsRootAUsersFolderIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    // nobody's folder, as ~/.config/marrowlight is when root runs with a user's HOME.
    ASSERT_EQ(::chown(QFile::encodeName(store.path()).constData(), 65534, 65534), 0);
    writeFile(hivePath(),
              QByteArray(registry::hiveHeader) + "\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"1\"\n");
    QByteArray data;
    EXPECT_NE(getValue(HKEY_CURRENT_USER, "K", "v", data), ERROR_SUCCESS);
    EXPECT_NE(putValue(HKEY_CURRENT_USER, "K", "w", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_EQ(QDir(store.path()).entryList(QDir::Files), QStringList{"HKEY_CURRENT_USER.reg"});
}

TEST_F(PlantedLinks, KeysBeyondTheRegistrysLimitsAreRefused)
{
    const QByteArray deep = QByteArray("a\\").repeated(600) + "a";
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, deep.constData(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    const QByteArray deepest = QByteArray("a\\").repeated(511) + "a";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, deepest.constData(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    HKEY below = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &below, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(readHive().findKey(deepest), nullptr);
}

} // namespace

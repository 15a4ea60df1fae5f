#pragma once

#include "components/storage/Jstore.h"
#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

// Every test gets a registry store folder of its own.
class StorageFixture : public ::testing::Test
{
protected:
    void SetUp() override { registry::setStoreFolder(store.path()); }
    void TearDown() override { registry::setStoreFolder(QString()); }

    // A root's hive as it is on disk.
    registry::Hive onDisk(HKEY root = HKEY_CURRENT_USER) const
    {
        const QString path = registry::hiveFilePath(root);
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1).chopped(4).toLatin1();
        return registry::Hive::parse(name, bytes, nullptr);
    }

    // Puts a value straight into the registry, of any type.
    static void putRaw(HKEY root, const char *path, const char *name, DWORD type,
                       const QByteArray &data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type,
                                 reinterpret_cast<const BYTE *>(data.constData()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }

    // Makes every root's hive impossible to write: a file stands where the
    // store folder should be (permission bits would not stop root).
    void blockStore() const
    {
        QFile blocker(store.file("blocker"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        registry::setStoreFolder(store.file("blocker/store"));
    }

    TempDir store;
};

// Whether the value `name` under `path` is there with this type and these bytes.
inline ::testing::AssertionResult holdsValue(const registry::Hive &hive, const char *path,
                                             const char *name, DWORD type, const QByteArray &data)
{
    const registry::HiveValue *value = hive.findValue(path, name);
    if (!value)
        return ::testing::AssertionFailure() << path << " has no value '" << name << "'";
    if (value->type != type)
        return ::testing::AssertionFailure() << "'" << name << "' has type " << value->type;
    if (value->data != data)
        return ::testing::AssertionFailure()
               << "'" << name << "' holds " << value->data.toHex(' ').constData();
    return ::testing::AssertionSuccess();
}

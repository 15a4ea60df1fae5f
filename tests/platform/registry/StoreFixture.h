#pragma once

#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <vector>

// Every test gets a store folder of its own.
class StoreFixture : public ::testing::Test
{
protected:
    void SetUp() override { registry::setStoreFolder(store.path()); }
    void TearDown() override { registry::setStoreFolder(QString()); }

    QString hivePath(HKEY root = HKEY_CURRENT_USER) const { return registry::hiveFilePath(root); }

    // The file as another program would read it, with the lines it skipped.
    registry::Hive readHive(HKEY root = HKEY_CURRENT_USER,
                            std::vector<registry::HiveIssue> *issues = nullptr) const
    {
        QFile file(hivePath(root));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const QString path = hivePath(root);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1).chopped(4).toLatin1();
        return registry::Hive::parse(name, bytes, issues);
    }

    void writeFile(const QString &path, const QByteArray &bytes) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    TempDir store;
};

// Sets one value through a handle of its own, as the storage does.
inline LSTATUS putValue(HKEY root, const char *path, const char *name, DWORD type,
                        const QByteArray &data)
{
    HKEY key = nullptr;
    LSTATUS rc = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(data.constData()),
                        static_cast<DWORD>(data.size()));
    const LSTATUS closed = RegCloseKey(key);
    return rc != ERROR_SUCCESS ? rc : closed;
}

// Reads one value through a handle of its own; the type goes to *type.
inline LSTATUS getValue(HKEY root, const char *path, const char *name, QByteArray &data,
                        DWORD *type = nullptr)
{
    HKEY key = nullptr;
    LSTATUS rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD size = 0;
    rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data.resize(size);
        rc = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()),
                              &size);
    }
    RegCloseKey(key);
    return rc;
}

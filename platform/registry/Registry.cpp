#include "platform/registry/Registry.h"

#include "platform/registry/HiveFile.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

using registry::CommitResult;
using registry::HiveChange;
using registry::HiveFile;

constexpr qsizetype maxKeyNameBytes = 255;
constexpr qsizetype maxValueNameBytes = 16383;
constexpr REGSAM writeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

struct OpenKey
{
    std::shared_ptr<HiveFile> file;
    QByteArray path;
    REGSAM access = 0;
    std::vector<HiveChange> pending;
};

// Handles are numbers looked up in a table, so that a stale or made-up
// handle is refused instead of being followed.
struct RegistryState
{
    std::mutex mutex;
    QString storeFolder;
    std::unordered_map<std::uintptr_t, std::unique_ptr<OpenKey>> handles;
    std::uintptr_t nextHandle = 0x1000;
};

RegistryState &state()
{
    static RegistryState s;
    return s;
}

const char *rootName(HKEY root)
{
    switch (reinterpret_cast<std::uintptr_t>(root)) {
    case 0x80000000:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001:
        return "HKEY_CURRENT_USER";
    case 0x80000002:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003:
        return "HKEY_USERS";
    case 0x80000005:
        return "HKEY_CURRENT_CONFIG";
    case 0x80000006:
        return "HKEY_DYN_DATA";
    default:
        return nullptr;
    }
}

QString filePathLocked(HKEY root)
{
    const char *name = rootName(root);
    if (!name)
        return {};
    const QString fileName = QString::fromLatin1(name) + QStringLiteral(".reg");
    if (!state().storeFolder.isEmpty())
        return QDir(state().storeFolder).absoluteFilePath(fileName);
    if (root == HKEY_CURRENT_USER) {
        QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        // XDG's base directory rules ignore a relative XDG_CONFIG_HOME.
        if (config.isEmpty() || QDir::isRelativePath(config))
            config = QDir::homePath() + QStringLiteral("/.config");
        return config + QStringLiteral("/marrowlight/") + fileName;
    }
    return QStringLiteral("/var/lib/marrowlight/") + fileName;
}

// What a handle refers to: a key of one hive file, and what the handle may do.
struct Target
{
    OpenKey *open = nullptr; // null: a predefined root, whose writes go out at once
    std::shared_ptr<HiveFile> file;
    QByteArray path;
    REGSAM access = 0;
};

// Finds what a handle refers to, refusing it when it was not opened for all
// that `needed` asks.
LSTATUS resolve(HKEY key, Target &target, REGSAM needed = 0)
{
    if (const char *name = rootName(key)) {
        target.file = registry::hiveFileFor(filePathLocked(key), name);
        target.path.clear();
        target.access = KEY_ALL_ACCESS;
    } else {
        const auto it = state().handles.find(reinterpret_cast<std::uintptr_t>(key));
        if (it == state().handles.end())
            return ERROR_INVALID_HANDLE;
        target.open = it->second.get();
        target.file = target.open->file;
        target.path = target.open->path;
        target.access = target.open->access;
    }
    return (target.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS joinPath(const QByteArray &base, LPCSTR subKey, QByteArray &out)
{
    QByteArray sub(subKey ? subKey : "");
    if (sub.startsWith('\\'))
        return ERROR_BAD_PATHNAME;
    if (sub.endsWith('\\'))
        sub.chop(1);
    if (sub.isEmpty()) {
        out = base;
        return ERROR_SUCCESS;
    }
    for (const QByteArray &part : sub.split('\\')) {
        if (part.isEmpty())
            return ERROR_BAD_PATHNAME;
        if (part.size() > maxKeyNameBytes || !registry::isValidName(part))
            return ERROR_INVALID_PARAMETER;
    }
    out = base.isEmpty() ? sub : base + '\\' + sub;
    return registry::isValidKeyPath(out) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

bool samePath(const QByteArray &a, const QByteArray &b)
{
    return registry::foldName(a) == registry::foldName(b);
}

// Whether the key is there for this handle: on disk, or created by the handle
// itself and not flushed yet.
bool keyExists(const Target &target, const QByteArray &path)
{
    if (target.file->current().findKey(path))
        return true;
    if (!target.open)
        return false;
    const QString folded = registry::foldName(path);
    for (const HiveChange &change : target.open->pending) {
        const QString changed = registry::foldName(change.path);
        if (changed == folded || folded.isEmpty() || changed.startsWith(folded + QLatin1Char('\\')))
            return true;
    }
    return false;
}

LSTATUS toStatus(CommitResult result)
{
    switch (result) {
    case CommitResult::Done:
        return ERROR_SUCCESS;
    case CommitResult::AccessDenied:
        return ERROR_ACCESS_DENIED;
    case CommitResult::Unreadable:
        return ERROR_READ_FAULT;
    case CommitResult::LockFailed:
        return ERROR_LOCK_VIOLATION;
    case CommitResult::WriteFailed:
        return ERROR_WRITE_FAULT;
    }
    return ERROR_WRITE_FAULT;
}

HKEY newHandle(std::unique_ptr<OpenKey> key)
{
    RegistryState &s = state();
    // Skip numbers in use and the predefined roots' numbers after a wrap.
    while (s.nextHandle == 0 || s.handles.count(s.nextHandle) ||
           (s.nextHandle >= 0x80000000u && s.nextHandle <= 0x80000006u))
        s.nextHandle += 4;
    const std::uintptr_t value = s.nextHandle;
    s.nextHandle += 4;
    s.handles.emplace(value, std::move(key));
    return reinterpret_cast<HKEY>(value);
}

LSTATUS openKey(HKEY parent, LPCSTR subKey, REGSAM access, bool create, PHKEY result,
                LPDWORD disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Target target;
    if (const LSTATUS rc = resolve(parent, target); rc != ERROR_SUCCESS)
        return rc;
    QByteArray path;
    if (const LSTATUS rc = joinPath(target.path, subKey, path); rc != ERROR_SUCCESS)
        return rc;

    const bool exists = path.isEmpty() || keyExists(target, path);
    if (!exists && !create)
        return ERROR_FILE_NOT_FOUND;
    if ((!exists || (access & writeRights)) && !target.file->writable())
        return ERROR_ACCESS_DENIED;

    auto key = std::make_unique<OpenKey>();
    key->file = target.file;
    key->access = access;
    key->path = path;
    if (!exists) {
        // Created on disk when the handle is flushed, like its values.
        HiveChange created;
        created.path = path;
        key->pending.push_back(std::move(created));
    }
    if (disposition)
        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = newHandle(std::move(key));
    return ERROR_SUCCESS;
}

} // namespace

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/,
                        DWORD /*dwOptions*/, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                        LPDWORD lpdwDisposition)
{
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(state().mutex);
    return openKey(hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                      PHKEY phkResult)
{
    std::lock_guard guard(state().mutex);
    return openKey(hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(state().mutex);
    Target target;
    if (const LSTATUS rc = resolve(hKey, target, KEY_QUERY_VALUE); rc != ERROR_SUCCESS)
        return rc;

    const QByteArray name(lpValueName ? lpValueName : "");
    std::uint32_t type = 0;
    const QByteArray *data = nullptr;
    if (target.open) {
        for (const HiveChange &change : target.open->pending) {
            if (change.setsValue && samePath(change.path, target.path) &&
                registry::foldName(change.name) == registry::foldName(name)) {
                type = change.type;
                data = &change.data;
            }
        }
    }
    if (!data) {
        const registry::HiveValue *value = target.file->current().findValue(target.path, name);
        if (!value)
            return ERROR_FILE_NOT_FOUND;
        type = value->type;
        data = &value->data;
    }

    if (lpType)
        *lpType = type;
    const auto size = static_cast<DWORD>(data->size());
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(lpData, data->constData(), size);
    }
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                       const BYTE *lpData, DWORD cbData)
{
    if (!lpData && cbData > 0)
        return ERROR_INVALID_PARAMETER;
    const QByteArray name(lpValueName ? lpValueName : "");
    if (name.size() > maxValueNameBytes || !registry::isValidName(name))
        return ERROR_INVALID_PARAMETER;

    std::lock_guard guard(state().mutex);
    Target target;
    if (const LSTATUS rc = resolve(hKey, target, KEY_SET_VALUE); rc != ERROR_SUCCESS)
        return rc;

    HiveChange change{
        target.path, true, name, dwType,
        QByteArray(reinterpret_cast<const char *>(lpData), static_cast<qsizetype>(cbData))};
    if (!target.open)
        return toStatus(target.file->commit({change}));

    for (HiveChange &earlier : target.open->pending) {
        if (earlier.setsValue && samePath(earlier.path, change.path) &&
            registry::foldName(earlier.name) == registry::foldName(name)) {
            earlier.type = change.type;
            earlier.data = std::move(change.data);
            return ERROR_SUCCESS;
        }
    }
    target.open->pending.push_back(std::move(change));
    return ERROR_SUCCESS;
}

LSTATUS RegFlushKey(HKEY hKey)
{
    std::lock_guard guard(state().mutex);
    Target target;
    if (const LSTATUS rc = resolve(hKey, target); rc != ERROR_SUCCESS)
        return rc;
    if (!target.open || target.open->pending.empty())
        return ERROR_SUCCESS;
    const LSTATUS rc = toStatus(target.file->commit(target.open->pending));
    if (rc == ERROR_SUCCESS)
        target.open->pending.clear();
    return rc;
}

LSTATUS RegCloseKey(HKEY hKey)
{
    std::lock_guard guard(state().mutex);
    if (rootName(hKey))
        return ERROR_SUCCESS;
    auto &handles = state().handles;
    const auto it = handles.find(reinterpret_cast<std::uintptr_t>(hKey));
    if (it == handles.end())
        return ERROR_INVALID_HANDLE;
    const std::unique_ptr<OpenKey> key = std::move(it->second);
    handles.erase(it);
    if (key->pending.empty())
        return ERROR_SUCCESS;
    return toStatus(key->file->commit(key->pending));
}

namespace registry {

void setStoreFolder(const QString &folder)
{
    std::lock_guard guard(state().mutex);
    state().storeFolder = folder;
}

QString storeFolder()
{
    std::lock_guard guard(state().mutex);
    return state().storeFolder;
}

QString hiveFilePath(HKEY root)
{
    std::lock_guard guard(state().mutex);
    return filePathLocked(root);
}

} // namespace registry

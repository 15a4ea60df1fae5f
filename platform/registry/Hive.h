#pragma once

// The keys and values of one root, and their text form (the README, "Where the server name is
// kept"). Internal to the registry layer; tests use it to check files directly.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

namespace registry {

struct HiveValue
{
    QByteArray name; // empty: the key's unnamed value
    std::uint32_t type = 0;
    QByteArray data;
};

struct HiveKey
{
    QByteArray path; // below the root, components joined by '\'; empty: the root itself
    std::vector<HiveValue> values;
    QHash<QString, std::size_t> index; // folded name -> position in values
};

// A line of a hive file that was skipped.
struct HiveIssue
{
    int line = 0; // 1-based
    QString reason;
};

// Names compare without regard to case; this is the form they are compared in.
QString foldName(const QByteArray &name);

// UTF-8 without control characters: what a key or value name may hold.
bool isValidName(const QByteArray &name);

// The registry's limits on keys: a name of 255 bytes, 512 levels below a root,
// and (ours, so a path is bounded however it is made up) 16,383 bytes in all.
inline constexpr qsizetype maxKeyNameBytes = 255;
inline constexpr qsizetype maxKeyDepth = 512;
inline constexpr qsizetype maxKeyPathBytes = 16383;

// A path below a root within those limits, every part a valid name; empty is the root.
bool isValidKeyPath(const QByteArray &path);

class Hive
{
public:
    // rootName: "HKEY_CURRENT_USER" and so on, the first part of every section.
    explicit Hive(QByteArray rootName);

    const QByteArray &rootName() const { return m_rootName; }
    const std::vector<HiveKey> &keys() const { return m_keys; }

    const HiveKey *findKey(const QByteArray &path) const;
    // Creates the key and every missing key above it; keeps the case of those
    // that exist.
    HiveKey &ensureKey(const QByteArray &path);
    const HiveValue *findValue(const QByteArray &path, const QByteArray &name) const;
    // Keeps the case of an existing value's name.
    void setValue(const QByteArray &path, const QByteArray &name, std::uint32_t type,
                  const QByteArray &data);

    QByteArray serialize() const;
    // Reads what it can; every line it cannot read is skipped and listed in issues.
    static Hive parse(const QByteArray &rootName, const QByteArray &text,
                      std::vector<HiveIssue> *issues);

private:
    QByteArray m_rootName;
    std::vector<HiveKey> m_keys;
    QHash<QString, std::size_t> m_index; // folded path -> position in m_keys
};

// The first line of every hive file.
inline constexpr char hiveHeader[] = "Marrowlight Registry Hive 1";

} // namespace registry

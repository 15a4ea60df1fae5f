#pragma once

// One hive file on disk: reading it (with a cache keyed by its bytes), and
// writing a handle's changes into it safely. Internal to the registry layer.

#include "platform/files/TrustedFolder.h"
#include "platform/registry/Hive.h"

#include <QString>
#include <memory>
#include <vector>

namespace registry {

// One change a handle made: a key created, or a value set (which creates its key).
struct HiveChange
{
    QByteArray path;
    bool setsValue = false;
    QByteArray name;
    std::uint32_t type = 0;
    QByteArray data;

    void applyTo(Hive &hive) const;
};

// What a commit came to, for the registry call to turn into a result code.
enum class CommitResult
{
    Done,
    AccessDenied,
    Unreadable,
    LockFailed,
    WriteFailed
};

class HiveFile
{
public:
    HiveFile(QString path, QByteArray rootName);
    ~HiveFile();
    HiveFile(const HiveFile &) = delete;
    HiveFile &operator=(const HiveFile &) = delete;

    const QString &path() const { return m_path; }

    // The latest state on disk. A file that cannot be read reads as empty.
    const Hive &current();

    // Whether a commit could create or replace the file: the folder is one we
    // trust, the file, where it exists, is a regular file we may write, and its
    // folder (or the nearest folder above it that exists) lets us create files.
    bool writable();

    // Under the inter-process lock (a flock on "<file>.lock"): re-reads the file, applies the
    // changes in order, writes a temporary file, syncs it and renames it over the file. A file with
    // lines that could not be read is first copied aside. Every file is opened relative to the
    // folder and never through a symbolic link.
    CommitResult commit(const std::vector<HiveChange> &changes);

private:
    enum class ReadState
    {
        Read,
        Missing,
        Failed
    };
    ReadState reload();
    // The store folder, opened once (created first when `create`) and kept
    // open: only a folder reached through folders that belong to us (or to
    // root) and that nobody else may write is used. -1 with errno set when
    // there is none to use.
    int folder(bool create);
    void refuseFolder(const files::Refusal &refusal);

    QString m_path;
    QString m_folderPath;
    QByteArray m_fileName; // in the file system's encoding
    files::Descriptor m_folder;
    bool m_folderRefused = false;
    QByteArray m_rootName;
    QByteArray m_bytes; // the file's content that m_hive was parsed from
    Hive m_hive;
    int m_issueCount = 0; // lines of m_bytes that were skipped
    ReadState m_state = ReadState::Missing;
    bool m_loaded = false;
};

// The file of one predefined root in the current store folder; the same
// object for the same path while anything uses it.
std::shared_ptr<HiveFile> hiveFileFor(const QString &path, const QByteArray &rootName);

} // namespace registry

#pragma once

// The generated computer the local benchmarks list: 100,000 accounts in
// passwd and shadow, pam_faillock's settings, and a tally for every 10th
// account that locks it out (three failures in the last minute); every 7th
// account's password is locked.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstring>

namespace localroot {

inline constexpr int count = 100'000;

inline bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Writes the tree under `root`; false when a file cannot be written.
inline bool writeRoot(const QString &root, std::int64_t now)
{
    QByteArray passwd = "root:x:0:0:root:/root:/bin/bash\n", shadow = "root:*:19000:0:99999:7:::\n";
    char record[64] = {};
    QByteArray tally;
    for (int i = 0; i < 3; ++i) {
        std::memset(record, 0, sizeof record);
        const std::uint16_t status = 1;
        const std::uint64_t time = static_cast<std::uint64_t>(now - 10 * (i + 1));
        std::memcpy(record + 54, &status, 2);
        std::memcpy(record + 56, &time, 8);
        tally.append(record, 64);
    }
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
        passwd += "acct" + n + ":x:" + QByteArray::number(1000 + i) + ":100:Person " + n +
                  ",,,:/home/acct" + n + ":/bin/bash\n";
        shadow +=
            "acct" + n + (i % 7 ? ":$6$salt$hash" : ":!$6$salt$hash") + ":19000:0:99999:7:::\n";
        if (i % 10 == 0 && !write(root + "/var/run/faillock/acct" + n, tally))
            return false;
    }
    return write(root + "/etc/passwd", passwd) && write(root + "/etc/shadow", shadow) &&
           write(root + "/etc/login.defs", "UID_MIN 1000\nUID_MAX 200000\n") &&
           write(root + "/etc/security/faillock.conf", "deny = 3\n") &&
           write(root + "/etc/pam.d/common-auth", "auth required pam_faillock.so preauth\n");
}

} // namespace localroot

#pragma once

// A small Linux system under a temporary folder, with one account locked out
// by pam_faillock (three failures a minute ago, under the default deny=3),
// for the local helper's test copy to read.

#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <ctime>
#include <string>

struct PrivateComputer
{
    PrivateComputer()
    {
        put("etc/passwd", "root:x:0:0:root:/root:/bin/bash\n"
                          "jsmith:x:1000:1000:John Smith,Room 12:/home/jsmith:/bin/bash\n"
                          "amüller:x:1001:1001:Anna Müller:/home/amueller:/bin/bash\n");
        put("etc/shadow", "root:*:19000:0:99999:7:::\n"
                          "jsmith:$6$salt$hash:19000:0:99999:7:::\n"
                          "amüller:!$6$salt$hash:19000:0:99999:7:::\n");
        put("etc/group", "root:x:0:\n");
        put("etc/pam.d/common-auth", "auth required pam_faillock.so preauth\n"
                                     "auth required pam_unix.so\n");
        std::string records;
        const auto now = static_cast<std::uint64_t>(std::time(nullptr));
        for (int i = 0; i < 3; ++i) {
            char record[64] = {};
            std::strcpy(record, "tty1");
            const std::uint16_t status = 1;
            const std::uint64_t time = now - 60 + static_cast<std::uint64_t>(i);
            std::memcpy(record + 54, &status, 2);
            std::memcpy(record + 56, &time, 8);
            records.append(record, 64);
        }
        put(tallyFile, records);
    }

    void put(const std::string &relative, const std::string &content) const
    {
        const QString path = dir.file(QString::fromStdString(relative));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content.data(), static_cast<qint64>(content.size()));
    }

    qint64 tallySize() const
    {
        return QFileInfo(dir.file(QString::fromStdString(tallyFile))).size();
    }
    std::string root() const { return dir.pathUtf8() + "/"; }

    const std::string tallyFile = "var/run/faillock/jsmith";
    TempDir dir;
};

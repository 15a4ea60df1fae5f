// The local provider's files: the input is cut at "\n%%\n" into passwd,
// shadow, login.defs, faillock.conf, a pam.d file and one tally, laid out
// under a root of their own; then every account is listed, looked up and reset.

#include "platform/netapi/LocalProvider.h"
#include "platform/netapi/NetApi.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir root;
    static const char *const files[] = {"etc/passwd",      "etc/shadow",
                                        "etc/login.defs",  "etc/security/faillock.conf",
                                        "etc/pam.d/login", "var/run/faillock/fuzz"};
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QList<QByteArray> sections;
    qsizetype start = 0;
    for (;;) {
        const qsizetype cut = input.indexOf("\n%%\n", start);
        sections.append(input.mid(start, cut < 0 ? -1 : cut - start));
        if (cut < 0)
            break;
        start = cut + 4;
    }
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const QString path = root.filePath(QString::fromLatin1(files[i]));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        if (i < static_cast<std::size_t>(sections.size()))
            file.write(sections[static_cast<qsizetype>(i)]);
    }

    // CI runs this as root. The provider keeps every path it opens under its
    // root: a `..` above it (dir=/../../..) is refused, and a reset walks to
    // the tally folder from the root, never out of it.
    netapi::LocalProvider::Options options;
    options.root = root.path().toStdString();
    options.now = [] { return std::int64_t{1'700'000'000}; };
    netapi::LocalProvider provider(options);
    std::uint32_t resume = 0;
    std::vector<netapi::AccountEntry> entries;
    provider.enumerate("", FILTER_NORMAL_ACCOUNT, MAX_PREFERRED_LENGTH, resume, entries);
    entries.push_back({"fuzz", {}, {}, {}});
    for (const netapi::AccountEntry &entry : entries) {
        netapi::AccountInfo info;
        if (provider.getInfo("", entry.name, info) == NERR_Success)
            provider.setFlags("", entry.name, info.flags & ~UF_LOCKOUT);
    }
    return 0;
}

// The command-line parser: arguments are the input cut at zero bytes.

#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList arguments{QStringLiteral("tumblerset")};
    for (const QByteArray &argument : input.split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    std::string error;
    const auto options = ParseCommandLine(arguments, error);
    if (options) {
        PrintableField(options->server);
        for (const std::string &user : options->users)
            PrintableField(user);
    }
    return 0;
}

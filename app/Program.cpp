// Tumblerset's entry point: a command-line mode for scripts, or the window,
// from its own module. The program itself links Qt's core only.

#include "app/CommandLine.h"
#include "app/LockoutDetails.h"
#include "app/Session.h"
#include "app/Window.h"
#include "platform/Logging.h"
#include "platform/files/TrustedModule.h"
#include "platform/netapi/DirectoryProvider.h"
#include "platform/text/Printable.h"
#include "platform/text/TextConversion.h"

#include <QCoreApplication>
#include <cstdio>
#include <dlfcn.h>
#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds only. The leak checker of this GCC misreads the
// thread-local blocks of the libraries the Samba module brings in with dlopen
// and crashes at exit unless it leaves __tls_get_addr alone; the blocks are
// still scanned, as heap blocks reachable from each thread.
extern "C" const char *__asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
#endif

namespace {

// Byte for byte: an account name that is not UTF-8 ("caf\xe9" from a Latin-1
// passwd) keeps its bytes as the account calls carry them, where Qt's own
// decoding would turn them into U+FFFD and name no account.
QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const std::u16string wide = text::toUtf16(argv[i]);
        arguments << QString(reinterpret_cast<const QChar *>(wide.data()),
                             static_cast<qsizetype>(wide.size()));
    }
    return arguments;
}

int runCommand(int argc, char **argv, const StartupOptions &options)
{
    // No window: a plain core application, so that no display is needed.
    QCoreApplication core(argc, argv);
    try {
        InstallAccountProviders(options.directoryFile);
    } catch (const netapi::DirectoryFileError &e) {
        std::cerr << "tumblerset: " << text::printable(e.what()) << '\n';
        return ExitUsage;
    }
    if (options.mode == StartupOptions::Mode::Show)
        return RunShowCommand(options.server, options.users.front());
    return options.mode == StartupOptions::Mode::List ? RunListCommand(options)
                                                      : RunUnlockCommand(options);
}

// The window's module: this build's, or the one installed with the program.
// Loaded as the Samba module is, so a module that someone other than root
// could have changed is never run, also when the program runs as root.
int runWindow(int &argc, char **argv, const StartupOptions &options)
{
    std::string failures;
    for (const std::string &path : files::modulePaths(
             {TUMBLERSET_BUILD_DIR, TUMBLERSET_BUILT_WINDOW_MODULE,
              TUMBLERSET_WINDOW_MODULE_FROM_PROGRAM, TUMBLERSET_INSTALLED_WINDOW_MODULE})) {
        // Of the thousands of Qt calls the window's code names, a start makes
        // a few hundred: binding them all at once would cost it about a tenth.
        const files::LoadedModule module =
            files::loadTrustedModule(path, files::Binding::AtFirstCall);
        if (module.missing) {
            failures += (failures.empty() ? "" : "; ") + path + ": not found";
            continue;
        }
        if (!module.handle) {
            failures += (failures.empty() ? "" : "; ") + module.failure;
            continue;
        }
        using Entry = decltype(&tumblerset_run_window);
        if (const auto entry = reinterpret_cast<Entry>(dlsym(module.handle, tumblersetWindowEntry)))
            return entry(&argc, argv, options.directoryFile.c_str());
        failures += (failures.empty() ? "" : "; ") + path + ": not the window's module";
    }
    std::cerr << "tumblerset: the window cannot be started: " << text::printable(failures)
              << "\nThe command line works without it; see 'tumblerset --help'.\n";
    return ExitFailed;
}

} // namespace

int main(int argc, char **argv)
{
    KeepEnvironmentSecretsOutOfCoreDumps();
    QCoreApplication::setApplicationName(QStringLiteral("tumblerset"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUMBLERSET_VERSION));
    logging::usePlainMessages("tumblerset");

    std::string error;
    const auto options = ParseCommandLine(argumentList(argc, argv), error);
    if (!options) {
        std::cerr << "tumblerset: " << text::printable(error)
                  << "\nTry 'tumblerset --help' for more information.\n";
        return ExitUsage;
    }
    switch (options->mode) {
    case StartupOptions::Mode::Help:
        std::cout << CommandLineHelp();
        return ExitDone;
    case StartupOptions::Mode::Version:
        std::cout << "tumblerset " TUMBLERSET_VERSION "\n";
        return ExitDone;
    case StartupOptions::Mode::List:
    case StartupOptions::Mode::Unlock:
    case StartupOptions::Mode::Show:
        return runCommand(argc, argv, *options);
    case StartupOptions::Mode::Window:
        break;
    }
    return runWindow(argc, argv, *options);
}

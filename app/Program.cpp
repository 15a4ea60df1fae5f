// Tumblerset's entry point: the window, or a command-line mode for scripts.

#include "app/CommandLine.h"
#include "app/HelperSession.h"
#include "app/LockoutDetails.h"
#include "app/Main.h"
#include "app/Session.h"
#include "framework/Forms.h"
#include "platform/Logging.h"
#include "platform/netapi/DirectoryProvider.h"
#include "platform/text/Printable.h"
#include "platform/text/TextConversion.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
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

int runWindow(int argc, char **argv, const StartupOptions &options)
{
    TApplication application(argc, argv);
    std::string directoryError;
    try {
        InstallAccountProviders(options.directoryFile);
    } catch (const netapi::DirectoryFileError &e) {
        // The message quotes names from the file: shown, never interpreted.
        directoryError = text::printable(e.what());
    }
    UseLocalHelperWhenUnprivileged(options.directoryFile);
    if (!directoryError.empty()) {
        std::cerr << "tumblerset: " << directoryError << '\n';
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tumblerset"),
                        QStringLiteral("The directory file cannot be used:\n%1")
                            .arg(QString::fromStdString(directoryError)));
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return ExitUsage;
    }
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tumblerset-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    try {
        Application->Initialize();
        Application->SetTitle("Tumblerset");
        Application->CreateForm(MainForm);
        Application->Run();
    } catch (const std::exception &e) {
        // Kinds other than the framework's keep their text too: an empty
        // message would tell the operator nothing.
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(Exception(""));
    }
    return 0;
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

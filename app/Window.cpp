// The window module's entry point: everything the window needs, from the
// application object on.

#include "app/Window.h"

#include "app/CommandLine.h"
#include "app/HelperSession.h"
#include "app/Main.h"
#include "app/Session.h"
#include "framework/Forms.h"
#include "platform/netapi/DirectoryProvider.h"
#include "platform/text/Printable.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <iostream>

// The only symbol the module exports (the rest is hidden by the build).
extern "C" __attribute__((visibility("default"))) int
tumblerset_run_window(int *argc, char **argv, const char *directoryFile) noexcept
{
    try {
        TApplication application(*argc, argv);
        std::string directoryError;
        try {
            InstallAccountProviders(directoryFile ? directoryFile : "");
        } catch (const netapi::DirectoryFileError &e) {
            // The message quotes names from the file: shown, never interpreted.
            directoryError = text::printable(e.what());
        }
        UseLocalHelperWhenUnprivileged(directoryFile ? directoryFile : "");
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
        return ExitDone;
    } catch (const std::exception &e) {
        // Nothing crosses back into the program, which was built apart.
        std::cerr << "tumblerset: " << text::printable(e.what()) << '\n';
    } catch (...) {
        std::cerr << "tumblerset: the window ended with an unknown error\n";
    }
    return ExitFailed;
}

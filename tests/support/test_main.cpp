#include "platform/Logging.h"

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>

// Shared by every test program: a QApplication on the offscreen platform unless
// the caller chose another, so window tests run without a display.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = QDir::tempPath().toUtf8() + "/tumblerset-test-runtime";
        QDir().mkpath(QString::fromUtf8(runtime));
        QFile::setPermissions(QString::fromUtf8(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    }
    // Diagnostics read as the program prints them.
    logging::usePlainMessages("tumblerset");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

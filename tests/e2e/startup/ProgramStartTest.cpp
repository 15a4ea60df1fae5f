// How the built program starts: the command line on Qt's core alone, the
// window from its module, found beside the program as a package installs it,
// and refused when others could have changed it.

#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace {

// What a window, but no command line, needs.
const char *const displayLibraries[] = {
    "libQt6Gui", "libQt6Widgets", "libQt6DBus",    "libxcb",      "libX11",
    "libEGL",    "libGLX",        "libfontconfig", "libfreetype", "tumblerset-window"};

class ProgramStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        demo = dir.file("demo.json");
        ASSERT_TRUE(QFile::copy(sourcePath("examples/demo-directory.json"), demo));
        QFile::setPermissions(demo, QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(QDir(dir.path()).mkdir("runtime"));
        QFile::setPermissions(dir.file("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", dir.file("config"));
        environment.insert("XDG_RUNTIME_DIR", dir.file("runtime"));
    }

    // The window of `program` on the demo directory, offscreen; true once it
    // has mapped `module` and Qt's widgets and is still running a moment later.
    bool windowStarts(const QString &program, const QString &module)
    {
        QProcessEnvironment env = environment;
        env.insert("QT_QPA_PLATFORM", "offscreen");
        window.setProcessEnvironment(env);
        window.start(program, {"--directory", demo});
        if (!window.waitForStarted())
            return false;
        const QString maps = QStringLiteral("/proc/%1/maps").arg(window.processId());
        for (int tries = 0; tries < 300 && window.state() == QProcess::Running; ++tries) {
            QFile file(maps);
            const QByteArray mapped =
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            if (mapped.contains(QFile::encodeName(module)) && mapped.contains("libQt6Widgets")) {
                window.waitForFinished(500);
                return window.state() == QProcess::Running;
            }
            QThread::msleep(100);
        }
        return false;
    }

    // The program's copy and its window module's (with `moduleMode`, or none)
    // laid out as a package installs them, under the temporary folder;
    // returns the program.
    QString installedProgram(std::optional<mode_t> moduleMode)
    {
        const QString bin = dir.file("usr/bin");
        const QString program = bin + "/tumblerset";
        installedModule = QDir::cleanPath(bin + "/" + TUMBLERSET_WINDOW_MODULE_FROM_PROGRAM);
        EXPECT_TRUE(QDir().mkpath(bin));
        EXPECT_TRUE(QDir().mkpath(QFileInfo(installedModule).path()));
        if (!QFile::exists(program)) {
            EXPECT_TRUE(QFile::copy(TUMBLERSET_EXECUTABLE, program));
        }
        QFile::remove(installedModule);
        if (moduleMode) {
            EXPECT_TRUE(QFile::copy(TUMBLERSET_WINDOW_MODULE, installedModule));
            EXPECT_EQ(::chmod(QFile::encodeName(installedModule).constData(), *moduleMode), 0);
        }
        return program;
    }

    void TearDown() override
    {
        if (window.state() != QProcess::NotRunning) {
            window.kill();
            window.waitForFinished();
        }
    }

    TempDir dir;
    QString demo;
    QString installedModule;
    QProcessEnvironment environment;
    QProcess window;
};

TEST_F(ProgramStart, TheCommandLineLoadsNoDisplayLibraries)
{
    const QList<QStringList> commands{
        {"--list"},
        {"--list", "--all", "--json", "dc01.ad.corp.example.com"},
        {"--show", "alindqvist", "--server", "dc01.ad.corp.example.com"},
        {"--unlock", "alindqvist", "--server", "dc01.ad.corp.example.com"},
        {"--help"}};
    for (const QStringList &arguments : commands) {
        QProcess process;
        QProcessEnvironment env = environment;
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("LD_DEBUG", "files");
        process.setProcessEnvironment(env);
        process.start(TUMBLERSET_EXECUTABLE, QStringList{"--directory", demo} + arguments);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString what = arguments.join(' ');
        EXPECT_EQ(process.exitCode(), 0) << qPrintable(what);
        EXPECT_FALSE(process.readAllStandardOutput().isEmpty()) << qPrintable(what);
        const QByteArray loaded = process.readAllStandardError();
        ASSERT_TRUE(loaded.contains("libQt6Core")) << "no loader trace for " << qPrintable(what);
        for (const char *library : displayLibraries)
            EXPECT_FALSE(loaded.contains(library)) << qPrintable(what) << " loads " << library;
    }
}

TEST_F(ProgramStart, TheWindowStartsFromTheBuildsModule)
{
    EXPECT_TRUE(windowStarts(TUMBLERSET_EXECUTABLE, TUMBLERSET_WINDOW_MODULE))
        << window.readAllStandardError().constData();
}

TEST_F(ProgramStart, AnInstalledProgramFindsItsModuleBesideIt)
{
    const QString program =
        installedProgram(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther);
    EXPECT_TRUE(windowStarts(program, installedModule))
        << window.readAllStandardError().constData();
}

TEST_F(ProgramStart, AMissingOrUnsafeModuleIsNamedAndTheWindowIsNotStarted)
{
    // Missing: the program says where it looked, and its command line works.
    const QString program = installedProgram(std::nullopt);
    QProcess process;
    QProcessEnvironment env = environment;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(program, {"--directory", demo});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    QString said = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(said.startsWith("tumblerset: the window cannot be started: ")) << qPrintable(said);
    EXPECT_TRUE(said.contains(installedModule + ": not found")) << qPrintable(said);
    process.start(program, {"--directory", demo, "--list"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);

    // Writable by others: never loaded, also not by root.
    installedProgram(0757);
    process.start(program, {"--directory", demo});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    said = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(said.contains(installedModule + " is writable by other users")) << qPrintable(said);
}

} // namespace

#include "tests/platform/registry/StoreFixture.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>

namespace {

QByteArray roundText(int round, int i)
{
    return "round " + QByteArray::number(round) + " value " + QByteArray::number(i) + " " +
           QByteArray(round % 97, '.') + '\0';
}

// The lock files in a folder, with their age and content, for a failure message.
std::string describeLocks(const QString &folder)
{
    std::string out;
    for (const QFileInfo &info : QDir(folder).entryInfoList({"*.lock*"}, QDir::Files)) {
        QFile file(info.filePath());
        QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        out += info.fileName().toStdString() + ", " +
               std::to_string(info.lastModified().msecsTo(QDateTime::currentDateTime())) +
               " ms old: " + content.replace('\n', ' ').toStdString() + "\n";
    }
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
// Sanitized programs start and run several times slower.
constexpr int startupFactor = 3;
#else
constexpr int startupFactor = 1;
#endif

using TwoWriters = StoreFixture;
using KilledWriter = StoreFixture;

TEST_F(TwoWriters, NeitherLosesTheOthersValues)
{
#if defined(__SANITIZE_ADDRESS__)
    // Every write re-reads the growing file; the sanitizers make that about
    // twenty times slower.
    constexpr int perWriter = 250;
#else
    constexpr int perWriter = 1000;
#endif
    // The test is about merging under the lock, not about the disk: in memory
    // (where there is such a folder) the syncs, whose cost swings with what
    // else the machine writes, do not slow it down.
    QTemporaryDir memoryStore(QStringLiteral("/dev/shm/tumblerset-test-XXXXXX"));
    const QString folder = memoryStore.isValid() ? memoryStore.path() : store.path();
    registry::setStoreFolder(folder);

    QElapsedTimer timer;
    timer.start();
    QProcess first;
    QProcess second;
    first.start(REGISTRY_WRITER, {folder, "values", "first", QString::number(perWriter)});
    second.start(REGISTRY_WRITER, {folder, "values", "second", QString::number(perWriter)});
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    std::printf("two writers, %d values each: %lld ms\n", perWriter, timer.elapsed());

    std::vector<registry::HiveIssue> issues;
    const registry::Hive hive = readHive(HKEY_CURRENT_USER, &issues);
    EXPECT_TRUE(issues.empty());
    const registry::HiveKey *key = hive.findKey("Shared");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values.size(), std::size_t{2 * perWriter});
    for (const char *prefix : {"first", "second"})
        for (int n = 0; n < perWriter; ++n) {
            const QByteArray name = prefix + QByteArray::number(n);
            const registry::HiveValue *value = hive.findValue("Shared", name);
            ASSERT_NE(value, nullptr) << name.constData();
            EXPECT_EQ(value->data, name + '\0');
        }
}

// The round all ten values hold, or -1 when they do not agree on one.
int agreedRound(const registry::Hive &hive, int highest)
{
    const registry::HiveValue *first = hive.findValue("Rounds", "v0");
    if (!first)
        return -1;
    for (int round = 0; round <= highest; ++round) {
        bool all = true;
        for (int i = 0; i < 10 && all; ++i) {
            const registry::HiveValue *value =
                hive.findValue("Rounds", "v" + QByteArray::number(i));
            all = value && value->data == roundText(round, i);
        }
        if (all)
            return round;
    }
    return -1;
}

TEST_F(KilledWriter, LeavesAWholeFileWithOldOrNewValues)
{
    constexpr int trials = 40;
    constexpr int flushesPerWriter = 100;
    QElapsedTimer timer;
    timer.start();

    // Round 0 is on disk before the first writer starts.
    QProcess seed;
    seed.start(REGISTRY_WRITER, {store.path(), "rounds", "0", "1"});
    ASSERT_TRUE(seed.waitForFinished(10000));
    ASSERT_EQ(seed.exitCode(), 0);

    QRandomGenerator random(20240611);
    int round = 0;
    int killedMidway = 0;
    for (int trial = 0; trial < trials; ++trial) {
        QProcess writer;
        const int first = round + 1;
        writer.start(REGISTRY_WRITER, {store.path(), "rounds", QString::number(first),
                                       QString::number(flushesPerWriter)});
        ASSERT_TRUE(writer.waitForStarted(10000));
        // A hundred flushes take some tens of milliseconds here; most kills land
        // in the middle of them.
        QThread::usleep(random.bounded(1000, 30000) * startupFactor);
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(10000));
        if (writer.exitStatus() == QProcess::CrashExit)
            ++killedMidway;

        std::vector<registry::HiveIssue> issues;
        const registry::Hive hive = readHive(HKEY_CURRENT_USER, &issues);
        ASSERT_TRUE(issues.empty()) << "trial " << trial << ": line " << issues[0].line << ": "
                                    << issues[0].reason.toStdString();
        const int now = agreedRound(hive, first + flushesPerWriter - 1);
        ASSERT_GE(now, round) << "trial " << trial;
        round = now;
    }
    std::printf("%d writers killed (%d during their flushes), %d rounds reached: %lld ms\n", trials,
                killedMidway, round, timer.elapsed());
    EXPECT_GT(killedMidway, trials / 2);
    // A lock the killed writers left behind is taken over.
    const std::string locks = describeLocks(store.path());
    EXPECT_EQ(putValue(HKEY_CURRENT_USER, "Rounds", "after", REG_SZ, "x"), ERROR_SUCCESS) << locks;
}

} // namespace

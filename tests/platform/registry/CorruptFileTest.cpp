#include "tests/platform/registry/StoreFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

// Collects what the registry layer says on standard error.
class WarningCatcher
{
public:
    WarningCatcher() { previous = qInstallMessageHandler(&WarningCatcher::handle); }
    ~WarningCatcher() { qInstallMessageHandler(previous); }
    static QStringList &messages()
    {
        static QStringList list;
        return list;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        messages().append(message);
    }
    QtMessageHandler previous = nullptr;
};

struct Corruption
{
    const char *name;
    QByteArray bytes;
    int firstBadLine;
};

const QByteArray goodStart = QByteArray(registry::hiveHeader) +
                             "\n\n[HKEY_CURRENT_USER\\Software\\Tool]\n"
                             "\"Kept\"=\"readable\"\n";
const QByteArray goodEnd = "\n[HKEY_CURRENT_USER\\Software\\Tool]\n\"After\"=dword:0000002a\n";

void PrintTo(const Corruption &c, std::ostream *os)
{
    *os << c.name;
}

QByteArray garbage()
{
    QByteArray bytes(4096, '\0');
    QRandomGenerator random(1234);
    for (char &b : bytes)
        b = static_cast<char>(random.bounded(256));
    return bytes;
}

std::vector<Corruption> corruptions()
{
    return {
        {"Truncated", goodStart + "\"Cut\"=hex:01,0", 5},
        {"BinaryGarbage", goodStart + garbage() + "\n" + goodEnd, 5},
        {"UnterminatedString", goodStart + "\"Open\"=\"no end\n" + goodEnd, 5},
        {"HugeLine", goodStart + QByteArray(8 * 1024 * 1024, 'x') + "\n" + goodEnd, 5},
        {"UnknownEscape", goodStart + "\"Esc\"=\"tab\\t\"\n" + goodEnd, 5},
        {"BadDword", goodStart + "\"D\"=dword:123\n" + goodEnd, 5},
        // One section per level used to mean one nested call per level: this
        // line overflowed the stack.
        {"KeyTooDeep",
         goodStart + "[HKEY_CURRENT_USER" + QByteArray("\\a").repeated(32 * 1024) +
             "]\n\"Under\"=\"it\"\n" + goodEnd,
         5},
        {"KeyPathTooLong",
         goodStart + "[HKEY_CURRENT_USER" + QByteArray("\\" + QByteArray(200, 'k')).repeated(100) +
             "]\n" + goodEnd,
         5},
        // Names match without regard to case: the second one is damage, and the
        // first stays.
        {"ValueGivenTwice", goodStart + "\"KEPT\"=\"other\"\n" + goodEnd, 5},
        {"NoHeader", QByteArray(goodStart).remove(0, int(sizeof registry::hiveHeader)) + goodEnd,
         1},
    };
}

class CorruptFile : public StoreFixture, public ::testing::WithParamInterface<Corruption>
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        WarningCatcher::messages().clear();
    }
    WarningCatcher catcher;
};

TEST_P(CorruptFile, ReadableValuesAreReadAndTheOriginalIsKept)
{
    const Corruption &c = GetParam();
    writeFile(hivePath(), c.bytes);

    QByteArray data;
    ASSERT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Tool", "Kept", data), ERROR_SUCCESS);
    EXPECT_EQ(data, QByteArray("readable", 9));
    if (c.bytes.endsWith(goodEnd)) {
        ASSERT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Tool", "After", data), ERROR_SUCCESS);
        EXPECT_EQ(data, QByteArray("\x2a\0\0\0", 4));
    }
    // The warning names the file and the line.
    const QString expected = hivePath() + ":" + QString::number(c.firstBadLine) + ":";
    ASSERT_FALSE(WarningCatcher::messages().isEmpty());
    EXPECT_TRUE(WarningCatcher::messages().first().contains(expected))
        << WarningCatcher::messages().first().toStdString();
    EXPECT_LE(WarningCatcher::messages().size(), 12);

    // Reading changes nothing on disk; the first write keeps a copy aside.
    EXPECT_TRUE(QDir(store.path()).entryList({"*.bak"}).isEmpty());
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "Software\\Tool", "New", REG_SZ, "n"), ERROR_SUCCESS);
    ASSERT_EQ(putValue(HKEY_CURRENT_USER, "Software\\Tool", "Newer", REG_SZ, "n"), ERROR_SUCCESS);
    const QStringList backups = QDir(store.path()).entryList({"*.bak"});
    ASSERT_EQ(backups.size(), 1);
    QFile backup(store.file(backups.first()));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), c.bytes);
    EXPECT_EQ(backup.permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    std::vector<registry::HiveIssue> issues;
    const registry::Hive rewritten = readHive(HKEY_CURRENT_USER, &issues);
    EXPECT_TRUE(issues.empty());
    EXPECT_NE(rewritten.findValue("Software\\Tool", "Kept"), nullptr);
    EXPECT_NE(rewritten.findValue("Software\\Tool", "New"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CorruptFile, ::testing::ValuesIn(corruptions()),
                         [](const auto &info) { return std::string(info.param.name); });

using MisplacedLines = StoreFixture;

TEST_F(MisplacedLines, ValuesUnderABadSectionAreNotFiledElsewhere)
{
    writeFile(hivePath(), goodStart + "\n[HKEY_LOCAL_MACHINE\\Software\\Tool]\n\"Foreign\"=\"x\"\n"
                                      "\n[HKEY_CURRENT_USER\\Bad\\\\Path]\n\"Lost\"=\"y\"\n"
                                      "[HKEY_CURRENT_USER\\Open\n\"Stray\"=\"z\"\n");
    WarningCatcher catcher;
    std::vector<registry::HiveIssue> issues;
    const registry::Hive hive = readHive(HKEY_CURRENT_USER, &issues);
    EXPECT_EQ(hive.findValue("Software\\Tool", "Foreign"), nullptr);
    EXPECT_EQ(hive.findValue("Software\\Tool", "Lost"), nullptr);
    EXPECT_EQ(hive.findValue("Software\\Tool", "Stray"), nullptr);
    EXPECT_EQ(issues.size(), 6u);
}

TEST_F(MisplacedLines, WindowsLineEndingsAndEmptyFilesAreFine)
{
    QByteArray crlf = goodStart + goodEnd;
    crlf.replace("\n", "\r\n");
    writeFile(hivePath(), crlf);
    std::vector<registry::HiveIssue> issues;
    EXPECT_NE(readHive(HKEY_CURRENT_USER, &issues).findValue("Software\\Tool", "After"), nullptr);
    EXPECT_TRUE(issues.empty());

    writeFile(hivePath(), "");
    issues.clear();
    readHive(HKEY_CURRENT_USER, &issues);
    EXPECT_TRUE(issues.empty());
    EXPECT_EQ(putValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, "x"), ERROR_SUCCESS);
    EXPECT_TRUE(QDir(store.path()).entryList({"*.bak"}).isEmpty());
}

} // namespace

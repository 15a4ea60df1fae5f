#include "framework/TypInfo.h"
#include "tests/components/storage/StorageFixture.h"

namespace {

using KeyPaths = StorageFixture;
using StoredValues = StorageFixture;
using OpenAndClose = StorageFixture;
using ReopeningOnChange = StorageFixture;
using StorageAssign = StorageFixture;
using SwallowedFailures = StorageFixture;

const char toolKey[] = "Software\\Marrowlight Software\\Tumblerset";

std::unique_ptr<TJStorage> openStorage(const String &key, TJStorageRootKey root = atrkCurrentUser)
{
    auto storage = std::make_unique<TJStorage>();
    storage->SetKey(key);
    storage->SetRegistryRootKey(root);
    storage->Open();
    return storage;
}

String messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.Message();
    }
    return "(nothing raised)";
}

TEST_F(KeyPaths, ALeadingBackslashNamesTheSameKey)
{
    auto with = openStorage("\\Software\\Tool");
    with->WriteString("Name", "one");
    with->Close();
    auto without = openStorage("Software\\Tool");
    EXPECT_EQ(without->ReadString("Name", "default"), "one");
    EXPECT_EQ(onDisk().keys().size(), 3u);
}

TEST_F(KeyPaths, ASingleBackslashOpensTheRoot)
{
    auto storage = openStorage("\\", atrkLocalMachine);
    storage->WriteInteger("AtTheRoot", 7);
    storage->Close();
    EXPECT_NE(onDisk(HKEY_LOCAL_MACHINE).findValue("", "AtTheRoot"), nullptr);
}

TEST_F(KeyPaths, EachRootLiteralMapsToItsPredefinedKey)
{
    TJStorage storage;
    const std::vector<HKEY> roots = {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE,  HKEY_CURRENT_USER,
                                     HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    for (int ordinal = 0; ordinal < 6; ++ordinal) {
        storage.SetRegistryRootKey(static_cast<TJStorageRootKey>(ordinal));
        EXPECT_EQ(storage.RootKeyHandle(), roots[ordinal]) << ordinal;
    }
    storage.SetRegistryRootKey(static_cast<TJStorageRootKey>(6));
    EXPECT_EQ(storage.RootKeyHandle(), nullptr);
    // Opening under no root at all holds no key: reads give defaults.
    storage.SetKey("Software");
    storage.Open();
    EXPECT_EQ(storage.ReadString("x", "d"), "d");
    storage.WriteString("x", "dropped");
}

TEST_F(StoredValues, StringsAndIntegersHaveTheirRegistryForm)
{
    auto storage = openStorage(toolKey);
    storage->WriteString("Text", "abc");
    storage->WriteInteger("Minus", -1);
    storage->WriteString("", "unnamed");
    storage->Close();

    const registry::Hive hive = onDisk();
    EXPECT_TRUE(holdsValue(hive, toolKey, "Text", REG_SZ, QByteArray("abc", 4)));
    EXPECT_TRUE(holdsValue(hive, toolKey, "Minus", REG_DWORD, QByteArray("\xff\xff\xff\xff", 4)));
    ASSERT_NE(hive.findValue(toolKey, ""), nullptr);

    storage->Open();
    EXPECT_EQ(storage->ReadInteger("Minus", 0), -1);
    EXPECT_EQ(storage->ReadString("", "d"), "unnamed");
    EXPECT_EQ(storage->ReadString("text", "d"), "abc");
}

TEST_F(StoredValues, ReadingAStringTakesWhatAStringCanBe)
{
    putRaw(HKEY_CURRENT_USER, toolKey, "Dword", REG_DWORD, QByteArray("\1\0\0\0", 4));
    putRaw(HKEY_CURRENT_USER, toolKey, "EmptyBinary", REG_BINARY, QByteArray());
    putRaw(HKEY_CURRENT_USER, toolKey, "EmptyDword", REG_DWORD, QByteArray());
    putRaw(HKEY_CURRENT_USER, toolKey, "Binary", REG_BINARY, QByteArray("ab", 2));
    putRaw(HKEY_CURRENT_USER, toolKey, "Expand", REG_EXPAND_SZ, QByteArray("%HOME%\\x", 9));
    putRaw(HKEY_CURRENT_USER, toolKey, "Zero", REG_SZ, QByteArray("ab\0cd", 6));
    putRaw(HKEY_CURRENT_USER, toolKey, "Unterminated", REG_SZ, QByteArray("abc", 3));
    putRaw(HKEY_CURRENT_USER, toolKey, "Long", REG_SZ, QByteArray(100000, 'L') + '\0');

    auto storage = openStorage(toolKey);
    EXPECT_EQ(storage->ReadString("Missing", "default"), "default");
    EXPECT_EQ(storage->ReadString("Dword", "default"), "default");
    EXPECT_EQ(storage->ReadString("Binary", "default"), "default");
    EXPECT_EQ(storage->ReadString("EmptyBinary", "default"), "");
    EXPECT_EQ(storage->ReadString("EmptyDword", "default"), "");
    EXPECT_EQ(storage->ReadString("Expand", "default"), "%HOME%\\x");
    EXPECT_EQ(storage->ReadString("Zero", "default"), "ab");
    EXPECT_EQ(storage->ReadString("Unterminated", "default"), "abc");
    EXPECT_EQ(storage->ReadString("Long", "default"), String(100000, 'L'));
}

TEST_F(StoredValues, ReadingAnIntegerTakesOnlyADword)
{
    putRaw(HKEY_CURRENT_USER, toolKey, "Text", REG_SZ, QByteArray("12", 3));
    putRaw(HKEY_CURRENT_USER, toolKey, "TooLong", REG_DWORD, QByteArray("\1\0\0\0\0", 5));
    putRaw(HKEY_CURRENT_USER, toolKey, "Binary4", REG_BINARY, QByteArray("\1\0\0\0", 4));
    putRaw(HKEY_CURRENT_USER, toolKey, "Max", REG_DWORD, QByteArray("\xff\xff\xff\x7f", 4));

    auto storage = openStorage(toolKey);
    EXPECT_EQ(storage->ReadInteger("Missing", 42), 42);
    EXPECT_EQ(storage->ReadInteger("Text", 42), 42);
    EXPECT_EQ(storage->ReadInteger("TooLong", 42), 42);
    EXPECT_EQ(storage->ReadInteger("Binary4", 42), 42);
    EXPECT_EQ(storage->ReadInteger("Max", 42), 2147483647);
}

TEST_F(OpenAndClose, ValuesNeedAnOpenStorage)
{
    TJStorage storage;
    storage.SetKey(toolKey);
    EXPECT_EQ(messageOf([&] { storage.ReadString("a", "b"); }), "JStorage not Open");
    EXPECT_EQ(messageOf([&] { storage.WriteInteger("a", 1); }), "JStorage not Open");
    storage.Open();
    EXPECT_TRUE(storage.IsOpen());
    storage.Close();
    EXPECT_FALSE(storage.IsOpen());
    EXPECT_EQ(messageOf([&] { storage.ReadInteger("a", 1); }), "JStorage not Open");
    EXPECT_EQ(messageOf([&] { storage.WriteString("a", "b"); }), "JStorage not Open");
    storage.Close();
    EXPECT_FALSE(storage.IsOpen());
}

TEST_F(OpenAndClose, ABlankKeyCannotBeOpened)
{
    TJStorage storage;
    EXPECT_EQ(messageOf([&] { storage.Open(); }),
              "Cannot open registry because TJStorage.Key is blank");
    EXPECT_FALSE(storage.IsOpen());
    // The backend stays, holding no key: values give defaults until Close.
    EXPECT_EQ(storage.ReadString("a", "default"), "default");
    storage.Close();
    EXPECT_EQ(messageOf([&] { storage.ReadString("a", "b"); }), "JStorage not Open");
    EXPECT_FALSE(QFile::exists(registry::hiveFilePath(HKEY_CURRENT_USER)));
}

TEST_F(OpenAndClose, OpeningTwiceIsOpeningOnceAndClosingWritesToDisk)
{
    auto storage = openStorage(toolKey);
    storage->WriteString("Server", "first");
    storage->Open();
    EXPECT_EQ(storage->ReadString("Server", "d"), "first");
    EXPECT_EQ(onDisk().findValue(toolKey, "Server"), nullptr);
    storage->Close();
    EXPECT_FALSE(storage->IsOpen());
    EXPECT_NE(onDisk().findValue(toolKey, "Server"), nullptr);
}

TEST_F(OpenAndClose, DestroyingAnOpenStorageWritesToDisk)
{
    {
        auto storage = openStorage(toolKey);
        storage->WriteInteger("Count", 3);
    }
    EXPECT_NE(onDisk().findValue(toolKey, "Count"), nullptr);
}

TEST_F(ReopeningOnChange, ANewRootReopensTheSamePathThere)
{
    auto storage = openStorage(toolKey);
    storage->SetRegistryRootKey(atrkLocalMachine);
    EXPECT_TRUE(storage->IsOpen());
    storage->WriteString("Where", "machine");
    storage->Close();
    EXPECT_NE(onDisk(HKEY_LOCAL_MACHINE).findValue(toolKey, "Where"), nullptr);
    EXPECT_EQ(onDisk().findValue(toolKey, "Where"), nullptr);
    EXPECT_NE(onDisk().findKey(toolKey), nullptr);
}

TEST_F(ReopeningOnChange, ANewKeyReopensThereAndABlankOneCloses)
{
    auto storage = openStorage("Software\\One");
    storage->SetKey("Software\\Two");
    EXPECT_TRUE(storage->IsOpen());
    storage->WriteString("v", "two");
    storage->SetKey("");
    EXPECT_FALSE(storage->IsOpen());
    EXPECT_EQ(messageOf([&] { storage->WriteString("v", "lost"); }), "JStorage not Open");
    EXPECT_NE(onDisk().findValue("Software\\Two", "v"), nullptr);
    EXPECT_EQ(onDisk().findValue("Software\\One", "v"), nullptr);
}

TEST_F(ReopeningOnChange, WhileTheOwnerIsDesignedChangesOnlyStore)
{
    TComponent owner(nullptr);
    owner.SetDesigning(true);
    auto storage = openStorage("Software\\One");
    storage->SetOwnerComponent(&owner);
    storage->SetKey("Software\\Two");
    storage->SetRegistryRootKey(atrkUsers);
    EXPECT_EQ(storage->Key(), "Software\\Two");
    EXPECT_EQ(storage->RegistryRootKey(), atrkUsers);
    storage->WriteString("v", "still one");
    storage->Close();
    EXPECT_NE(onDisk().findValue("Software\\One", "v"), nullptr);
    EXPECT_FALSE(QFile::exists(registry::hiveFilePath(HKEY_USERS)));
}

TEST_F(StorageAssign, ACopyOfAnOpenStorageIsOpenOnTheSameKey)
{
    TComponent owner(nullptr);
    auto source = openStorage(toolKey, atrkLocalMachine);
    source->SetOwnerComponent(&owner);
    source->WriteInteger("n", 5);
    source->Close();
    source->Open();

    TJStorage copy;
    copy.SetKey("Elsewhere");
    copy.Open();
    copy.Assign(source.get());
    EXPECT_TRUE(copy.IsOpen());
    EXPECT_EQ(copy.Key(), toolKey);
    EXPECT_EQ(copy.RegistryRootKey(), atrkLocalMachine);
    EXPECT_EQ(copy.OwnerComponent(), &owner);
    EXPECT_EQ(copy.ReadInteger("n", 0), 5);

    source->Close();
    copy.Assign(source.get());
    EXPECT_FALSE(copy.IsOpen());
    copy.Assign(&copy);
    EXPECT_EQ(copy.Key(), toolKey);
}

TEST_F(StorageAssign, OtherSourcesAreRefused)
{
    TJStorage storage;
    TComponent other(nullptr);
    EXPECT_THROW(storage.Assign(&other), EConvertError);
    EXPECT_THROW(storage.Assign(nullptr), EConvertError);
}

TEST_F(SwallowedFailures, AKeyThatCannotBeWrittenReadsDefaultsAndDropsWrites)
{
    blockStore();
    auto storage = openStorage(toolKey, atrkLocalMachine);
    EXPECT_TRUE(storage->IsOpen());
    storage->WriteString("Server", "dropped");
    storage->WriteInteger("Count", 1);
    EXPECT_EQ(storage->ReadString("Server", "default"), "default");
    EXPECT_EQ(storage->ReadInteger("Count", 9), 9);
    storage->Close();
    EXPECT_FALSE(storage->IsOpen());
}

TEST_F(SwallowedFailures, BadNamesAndPathsAreDroppedToo)
{
    auto storage = openStorage(String("Software\\") + String(300, 'k'));
    storage->WriteString("v", "dropped");
    EXPECT_EQ(storage->ReadString("v", "default"), "default");
    storage->SetKey("Software\\Tool");
    storage->WriteString("Line\nBreak", "dropped");
    storage->WriteString("Bad\xff", "dropped");
    storage->WriteString("Ünïcödé", "kept");
    EXPECT_EQ(storage->ReadString("Line\nBreak", "default"), "default");
    EXPECT_EQ(storage->ReadString("ünïcödé", "default"), "kept");
}

TEST(StorageProperties, PublishedInOrderWithTheirDefaults)
{
    const auto properties = TJStorage::StaticClassInfo().AllProperties();
    ASSERT_EQ(properties.size(), 3u);
    EXPECT_EQ(properties[0]->Name, "IsOpen");
    EXPECT_FALSE(properties[0]->Set);
    EXPECT_EQ(properties[1]->Name, "Key");
    EXPECT_EQ(properties[2]->Name, "RegistryRootKey");
    EXPECT_EQ(properties[2]->Default->text, "atrkCurrentUser");
    EXPECT_EQ(TJStorageRootKeyInfo().OrdinalOf("atrkDynamicData"), 5);
}

} // namespace

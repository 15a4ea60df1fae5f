#include "components/storage/Setting.h"

#include "framework/Streaming.h"
#include "framework/TypInfo.h"
#include "tests/components/storage/StorageFixture.h"

namespace {

const char toolKey[] = "Software\\Marrowlight Software\\Tumblerset";

// The main window's setting, as its form description sets it.
class SettingFixture : public StorageFixture
{
protected:
    SettingFixture() : setting(nullptr)
    {
        setting.Storage()->SetKey(toolKey);
        setting.SetKeyName("Server");
    }
    TJSetting setting;
};

using ReadingValue = SettingFixture;
using WritingValue = SettingFixture;
using DesignedSetting = SettingFixture;
using SettingInForms = StorageFixture;

TEST_F(ReadingValue, NothingStoredGivesTheDefaultAndCreatesTheKey)
{
    EXPECT_EQ(setting.GetValue(), "");
    setting.SetDefaultValue("fallback");
    EXPECT_EQ(setting.GetValue(), "fallback");
    EXPECT_FALSE(setting.Storage()->IsOpen());
    const registry::Hive hive = onDisk();
    const registry::HiveKey *key = hive.findKey(toolKey);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->values.empty());
}

TEST_F(ReadingValue, ADwordOrABlankKeyGivesTheDefault)
{
    putRaw(HKEY_CURRENT_USER, toolKey, "Server", REG_DWORD, QByteArray("\1\0\0\0", 4));
    setting.SetDefaultValue("fallback");
    EXPECT_EQ(setting.GetValue(), "fallback");
    setting.Storage()->SetKey("");
    EXPECT_EQ(setting.GetValue(), "fallback");
    EXPECT_FALSE(setting.Storage()->IsOpen());
}

TEST_F(ReadingValue, AReadClosesAStorageThatWasOpenBefore)
{
    setting.Storage()->Open();
    setting.GetValue();
    EXPECT_FALSE(setting.Storage()->IsOpen());
}

TEST_F(ReadingValue, AHiveThatCannotBeReadOrWrittenGivesTheDefault)
{
    blockStore();
    setting.SetDefaultValue("fallback");
    setting.Storage()->SetRegistryRootKey(atrkLocalMachine);
    setting.SetValue("dropped");
    EXPECT_EQ(setting.GetValue(), "fallback");
    EXPECT_FALSE(setting.Storage()->IsOpen());
}

TEST_F(WritingValue, WhatIsWrittenIsReadBackAndOnDiskAtOnce)
{
    setting.SetValue("dc01.example.org");
    EXPECT_FALSE(setting.Storage()->IsOpen());
    const registry::Hive hive = onDisk();
    EXPECT_TRUE(holdsValue(hive, toolKey, "Server", REG_SZ, QByteArray("dc01.example.org", 17)));

    TJSetting other(nullptr);
    other.Storage()->SetKey(toolKey);
    other.SetKeyName("SERVER");
    EXPECT_EQ(other.GetValue(), "dc01.example.org");

    setting.SetValue(String("before\0after", 12));
    EXPECT_EQ(setting.GetValue(), "before");
    setting.SetValue("Ünïcödé ✓");
    EXPECT_EQ(setting.GetValue(), "Ünïcödé ✓");
}

TEST_F(WritingValue, ABlankKeyStoresNothingAndRaisesNothing)
{
    setting.Storage()->SetKey("");
    EXPECT_NO_THROW(setting.SetValue("lost"));
    EXPECT_FALSE(QFile::exists(registry::hiveFilePath(HKEY_CURRENT_USER)));
}

TEST_F(WritingValue, AnEmptyKeyNameUsesTheUnnamedValue)
{
    setting.SetKeyName("");
    setting.SetValue("unnamed");
    EXPECT_NE(onDisk().findValue(toolKey, ""), nullptr);
    EXPECT_EQ(setting.GetValue(), "unnamed");
}

TEST_F(DesignedSetting, LeavesTheRegistryAlone)
{
    setting.SetValue("stored");
    setting.SetDefaultValue("fallback");
    setting.SetDesigning(true);
    EXPECT_EQ(setting.GetValue(), "");
    setting.SetValue("changed");
    setting.Storage()->SetKey("Software\\Other");
    EXPECT_FALSE(setting.Storage()->IsOpen());
    setting.SetDesigning(false);
    setting.Storage()->SetKey(toolKey);
    EXPECT_EQ(setting.GetValue(), "stored");
    EXPECT_EQ(onDisk().findKey("Software\\Other"), nullptr);
}

TEST_F(SettingInForms, ADescriptionSetsTheStorageWithoutTouchingTheRegistry)
{
    RegisterClasses<TJSetting>();
    const String text = "object JSetting1: TJSetting\n"
                        "  Storage.Key = 'Software\\Marrowlight Software\\Tumblerset'\n"
                        "  Storage.RegistryRootKey = atrkLocalMachine\n"
                        "  KeyName = 'Server'\n"
                        "end\n";
    std::unique_ptr<TComponent> read = ReadNewComponentFromText(text, "setting.dfm");
    auto *setting = dynamic_cast<TJSetting *>(read.get());
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(setting->Storage()->Key(), toolKey);
    EXPECT_EQ(setting->Storage()->RegistryRootKey(), atrkLocalMachine);
    EXPECT_EQ(setting->KeyName(), "Server");
    EXPECT_EQ(setting->DefaultValue(), "");
    EXPECT_FALSE(setting->Storage()->IsOpen());
    EXPECT_FALSE(QFile::exists(registry::hiveFilePath(HKEY_LOCAL_MACHINE)));

    // Written back: what differs from the defaults, never IsOpen.
    setting->Storage()->SetRegistryRootKey(atrkCurrentUser);
    setting->Storage()->Open();
    const String written = WriteComponentToText(*setting);
    EXPECT_NE(written.find("Storage.Key = 'Software\\Marrowlight Software\\Tumblerset'"),
              String::npos)
        << written;
    EXPECT_NE(written.find("KeyName = 'Server'"), String::npos) << written;
    EXPECT_EQ(written.find("RegistryRootKey"), String::npos) << written;
    EXPECT_EQ(written.find("IsOpen"), String::npos) << written;
    EXPECT_EQ(written.find("DefaultValue"), String::npos) << written;
}

TEST(SettingRegistration, GoesOnThePaletteAndNowhereElse)
{
    EXPECT_EQ(ComponentPalettePage(TJSetting::StaticClassInfo()), "");
    Setting::Register();
    EXPECT_EQ(ComponentPalettePage(TJSetting::StaticClassInfo()), "Marrowlight");
    const auto properties = TJSetting::StaticClassInfo().Properties;
    ASSERT_EQ(properties.size(), 3u);
    EXPECT_EQ(properties[0].Name, "Storage");
    EXPECT_EQ(properties[1].Name, "KeyName");
    EXPECT_EQ(properties[2].Name, "DefaultValue");
}

} // namespace

#include "components/mru/MRUCombo.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"
#include "tests/components/storage/StorageFixture.h"

namespace {

const char comboKey[] = "Software\\Marrowlight Software\\Tumblerset\\Servers";

class ComboFixture : public StorageFixture
{
protected:
    ComboFixture() : combo(nullptr) { combo.Storage()->SetKey(comboKey); }

    void store(int count, std::initializer_list<std::pair<int, const char *>> texts)
    {
        putRaw(HKEY_CURRENT_USER, comboKey, "Count", REG_DWORD,
               QByteArray(reinterpret_cast<const char *>(&count), 4));
        for (const auto &[i, text] : texts)
            putRaw(HKEY_CURRENT_USER, comboKey, IntToStr(i).c_str(), REG_SZ,
                   QByteArray(text) + '\0');
    }

    QByteArray stored(const char *name) const
    {
        const registry::Hive hive = onDisk();
        const registry::HiveValue *v = hive.findValue(comboKey, name);
        return v ? v->data : QByteArray("<missing>");
    }

    TMRUCombo combo;
};

using LoadingCombo = ComboFixture;
using UpdatingCombo = ComboFixture;

} // namespace

TEST_F(LoadingCombo, StoredTextsFillTheListAndTheFirstShows)
{
    store(3, {{0, "alpha"}, {2, "gamma"}});
    combo.Loaded();
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"alpha", "gamma"}));
    EXPECT_EQ(combo.Text(), "alpha");
    EXPECT_FALSE(combo.Storage()->IsOpen());
}

TEST_F(LoadingCombo, AStoredCountFarAboveTheValuesStillLoadsAtOnce)
{
    store(0x7fffffff, {{0, "alpha"}, {1, "beta"}, {2, "gamma"}});
    combo.Loaded();
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(combo.Text(), "alpha");
}

TEST_F(LoadingCombo, AnEmptyFirstTextLeavesTheFieldEmptyAndABlankKeyLoadsNothing)
{
    store(2, {{0, ""}, {1, "beta"}});
    combo.Loaded();
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"beta"}));
    EXPECT_EQ(combo.Text(), "");

    TMRUCombo blank(nullptr);
    EXPECT_NO_THROW(blank.Loaded());
    EXPECT_EQ(blank.Items()->Count(), 0);
}

TEST_F(UpdatingCombo, ANewTextIsAddedOnceWhateverItsCase)
{
    combo.SetText("Server1");
    combo.UpdateList();
    combo.SetText("SERVER1");
    combo.UpdateList();
    combo.SetText("");
    combo.UpdateList();
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"Server1"}));
    EXPECT_EQ(stored("Count"), QByteArray("\1\0\0\0", 4));
    EXPECT_EQ(stored("0"), QByteArray("Server1\0", 8));
}

TEST_F(UpdatingCombo, OnlyTheFirstTenAreSavedAndOlderValuesStay)
{
    store(12, {{10, "old ten"}, {11, "old eleven"}});
    for (int i = 0; i < 12; ++i)
        combo.Items()->Add("s" + IntToStr(i));
    combo.UpdateList();
    EXPECT_EQ(stored("Count"), QByteArray("\x0a\0\0\0", 4));
    EXPECT_EQ(stored("9"), QByteArray("s9\0", 3));
    EXPECT_EQ(stored("10"), QByteArray("old ten\0", 8));
    EXPECT_EQ(combo.Items()->Count(), 12);
}

TEST_F(UpdatingCombo, ABlankKeyStillAddsTheTextThenReports)
{
    combo.Storage()->SetKey("");
    combo.SetText("kept");
    try {
        combo.UpdateList();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_STREQ(e.what(), "Cannot open registry because TJStorage.Key is blank");
    }
    EXPECT_EQ(combo.Items()->ToVector(), (std::vector<String>{"kept"}));
}

TEST_F(LoadingCombo, ReadFromAFormDescriptionAndWrittenBack)
{
    store(1, {{0, "dc01"}});
    RegisterFrameworkClasses();
    MRUCombo::Register();
    RegisterClasses<TMRUCombo>();
    const String text = "object Form1: TForm\n"
                        "  object Combo1: TMRUCombo\n"
                        "    Left = 8\n"
                        "    Storage.Key = 'Software\\Marrowlight Software\\Tumblerset\\Servers'\n"
                        "    Storage.RegistryRootKey = atrkCurrentUser\n"
                        "    ShowLatest = False\n"
                        "    DropDownCount = 12\n"
                        "    Constraints.MinWidth = 150\n"
                        "    Tag = 3\n"
                        "  end\n"
                        "end\n";
    const auto root = ReadNewComponentFromText(text, "combo.dfm");
    auto *read = dynamic_cast<TMRUCombo *>(root->FindComponent("Combo1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Storage()->Key(), comboKey);
    EXPECT_FALSE(read->ShowLatest());
    EXPECT_FALSE(read->Sorted());
    EXPECT_EQ(read->DropDownCount(), 12);
    EXPECT_EQ(read->Width(), 150);
    EXPECT_EQ(read->Tag(), 3);
    EXPECT_EQ(read->Items()->ToVector(), (std::vector<String>{"dc01"}));
    EXPECT_EQ(read->Text(), "dc01");

    const String written = WriteComponentToText(*root);
    EXPECT_NE(
        written.find("    Storage.Key = 'Software\\Marrowlight Software\\Tumblerset\\Servers'"),
        String::npos)
        << written;
    EXPECT_NE(written.find("    ShowLatest = False\n"), String::npos) << written;
    const auto again = ReadNewComponentFromText(written, "written");
    auto *reread = dynamic_cast<TMRUCombo *>(again->FindComponent("Combo1"));
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->Storage()->Key(), comboKey);
    EXPECT_FALSE(reread->ShowLatest());
}

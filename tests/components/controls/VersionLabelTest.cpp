#include "components/controls/version.h"
#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A version label that reads another program file than the one it runs in.
class FileVersionLabel : public TVersionLabel
{
public:
    FileVersionLabel(TComponent *Owner, String File) : TVersionLabel(Owner), FFile(std::move(File))
    {}

protected:
    String ProgramFileName() const override { return FFile; }

private:
    String FFile;
};

class VersionLabel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        RegisterFrameworkClasses();
        version::Register();
        RegisterClasses<TVersionLabel>();
    }
    std::unique_ptr<TApplication> application;
};

const String ownVersion = "3.14.15.926 (build of 2024-05-01, nightly channel)";

} // namespace

TEST_F(VersionLabel, TheKeyNamesTheFirstTranslationInLowerCaseHex)
{
    EXPECT_EQ(TVersionLabel::FileVersionKey(0x04E40409u),
              "\\StringFileInfo\\040904e4\\FileVersion");
    EXPECT_EQ(TVersionLabel::FileVersionKey(0x04E40C0Au),
              "\\StringFileInfo\\0c0a04e4\\FileVersion");
    EXPECT_EQ(TVersionLabel::FileVersionKey(0xFFFF0001u),
              "\\StringFileInfo\\0001ffff\\FileVersion");
}

TEST_F(VersionLabel, ShowsTheFirstTranslationsVersionWholeWhenReadFromAForm)
{
    TForm form(nullptr);
    ReadComponentFromText(form,
                          "object Form1: TForm\n"
                          "  object VersionLabel1: TVersionLabel\n"
                          "    Caption = 'placeholder'\n"
                          "  end\n"
                          "end\n",
                          "version.dfm");
    auto *label = dynamic_cast<TVersionLabel *>(form.FindComponent("VersionLabel1"));
    ASSERT_NE(label, nullptr);
    // Longer than 23 bytes, and not the second translation's 9.9.9.9.
    EXPECT_EQ(label->Caption(), "Version " + ownVersion);
    EXPECT_EQ(label->GetVersion(), ownVersion);
    EXPECT_EQ(ComponentPalettePage(TVersionLabel::StaticClassInfo()), "Marrow 2");
}

TEST_F(VersionLabel, ALabelMadeInCodeKeepsItsCaption)
{
    TVersionLabel label(nullptr);
    label.SetCaption("About");
    EXPECT_EQ(label.GetVersion(), ownVersion);
    EXPECT_EQ(label.Caption(), "About");
}

TEST_F(VersionLabel, ReadsTheRealProgramsOwnVersionFromItsFile)
{
    FileVersionLabel label(nullptr, TUMBLERSET_PROGRAM);
    EXPECT_EQ(label.GetVersion(), TUMBLERSET_PROGRAM_VERSION);
    label.Loaded();
    EXPECT_EQ(label.Caption(), String("Version ") + TUMBLERSET_PROGRAM_VERSION);
}

TEST_F(VersionLabel, AFileWithoutVersionShowsNoneAndNothingGoesWrong)
{
    for (const String file : {"/nonexistent/program", "/etc/hostname", ""}) {
        FileVersionLabel label(nullptr, file);
        EXPECT_EQ(label.GetVersion(), "") << file;
        label.Loaded();
        EXPECT_EQ(label.Caption(), "Version ") << file;
    }
}

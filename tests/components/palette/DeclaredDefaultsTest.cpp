// Every class a form description can name, made in code and written out,
// writes only what it must: a declared default that drifted from what the
// constructor sets would be written (and, read back into a class whose
// default changed, silently lost). One test for every control and component
// at once.

#include "components/controls/AnimatedLabel.h"
#include "components/controls/FancyButton.h"
#include "components/controls/NumberEdit.h"
#include "components/controls/URLStatic.h"
#include "components/controls/UnitEdit.h"
#include "components/controls/version.h"
#include "components/mru/JMRU.h"
#include "components/mru/MRUCombo.h"
#include "components/storage/Setting.h"
#include "components/undo/undo.h"
#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

void registerEverything()
{
    RegisterFrameworkClasses();
    Setting::Register();
    URLStatic::Register();
    JMRU::Register();
    MRUCombo::Register();
    version::Register();
    NumberEdit::Register();
    UnitEdit::Register();
    AnimatedLabel::Register();
    undo::Register();
    FancyButton::Register();
}

// Values a class's constructor sets on purpose although the property keeps the
// default it inherits, so they are written as form descriptions always held
// them: a form's font and scaling, a link's look.
const std::map<String, std::set<String>> setOnPurpose = {
    {"TForm", {"Font", "ParentColor", "ParentFont"}},
    {"TURLStatic", {"Cursor", "Font", "ParentFont", "Transparent"}},
    {"TMRUCombo", {"ShowLatest"}},
    {"TFancyButton", {"NumGlyphs"}},
};

// The names of the properties a description sets, without nested parts.
std::vector<String> writtenProperties(const String &text)
{
    std::vector<String> names;
    std::istringstream lines(text);
    String line;
    while (std::getline(lines, line)) {
        if (line.rfind("  ", 0) != 0 || line.find(" = ") == String::npos)
            continue;
        const String name = line.substr(2, line.find(" = ") - 2);
        names.push_back(name.substr(0, name.find('.')));
    }
    return names;
}

} // namespace

TEST(DeclaredDefaults, ANewComponentWritesOnlyWhatHasNoDefaultOrIsSetOnPurpose)
{
    registerEverything();
    const auto classes = RegisteredClasses();
    ASSERT_GE(classes.size(), 13u);
    int checked = 0;
    for (const TClassInfo *info : classes) {
        if (!info->Create || !info->InheritsFrom(TComponent::StaticClassInfo()))
            continue;
        std::unique_ptr<TComponent> component(info->Create(nullptr));
        ASSERT_TRUE(component) << info->Name;
        component->SetName("Sample1");
        const String text = WriteComponentToText(*component);
        ASSERT_EQ(text.rfind("object Sample1: " + info->Name + "\n", 0), 0u) << text;
        const auto purposeful = setOnPurpose.find(info->Name);
        for (const String &name : writtenProperties(text)) {
            const TPropInfo *prop = info->FindProperty(name);
            ASSERT_TRUE(prop) << info->Name << "." << name;
            const bool meant =
                purposeful != setOnPurpose.end() && purposeful->second.count(name) > 0;
            EXPECT_TRUE(!prop->Default || meant)
                << "a new " << info->Name << " writes " << name
                << ": its declared default does not match the constructor\n"
                << text;
        }
        ++checked;
    }
    EXPECT_GE(checked, 13);
}

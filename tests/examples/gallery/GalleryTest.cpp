#include "examples/gallery/Gallery.h"

#include "platform/registry/Registry.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::vector<std::string> shown(const QWidget *menu)
{
    std::vector<std::string> texts;
    if (menu)
        for (const QAction *a : menu->actions())
            texts.push_back(a->isSeparator() ? "---" : a->text().toStdString());
    return texts;
}

// The gallery on the offscreen platform, over a registry store in a
// temporary folder, so its lists start empty and the user's are left alone.
class Gallery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registry::setStoreFolder(dir.file("registry"));
        if (!Application)
            application = std::make_unique<TApplication>();
        Application->Initialize();
    }
    void TearDown() override
    {
        form.reset();
        application.reset();
        registry::setStoreFolder(QString());
    }

    // A new window, as start-up makes it; the previous one is freed first,
    // which saves its lists.
    TGalleryForm &openWindow()
    {
        form.reset();
        form = std::make_unique<TGalleryForm>(nullptr);
        form->AfterConstruction();
        form->Show();
        return *form;
    }

    TempDir dir;
    std::unique_ptr<TApplication> application;
    std::unique_ptr<TGalleryForm> form;
};

} // namespace

TEST_F(Gallery, EveryComponentIsReadFromTheDescription)
{
    TGalleryForm &w = openWindow();
    EXPECT_EQ(w.Caption(), "Component Gallery");
    EXPECT_EQ(w.Menu(), w.MainMenu1);
    EXPECT_EQ(w.RecentFiles->RootMenuItem(), w.mnuReopen);
    EXPECT_EQ(w.edLength->Unit(), "mm");
    EXPECT_FLOAT_EQ(w.edLength->GetValue(), 12.5f);
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 42.0f);
    EXPECT_EQ(w.lblVersion->Caption(), "Version " + w.lblVersion->GetVersion());
    EXPECT_EQ(w.lnkHome->GetURL(), "https://www.marrowlight.example/");
    EXPECT_EQ(w.lblFlash->AnimationType(), atFlash);
    EXPECT_EQ(w.lblFly->AnimationType(), atFly);
    EXPECT_EQ(w.lblFade->AnimationType(), atFade);
    EXPECT_EQ(shown(w.mnuFile->SubMenu()),
              (std::vector<std::string>{"&Open...", "&Reopen", "---", "E&xit"}));
}

TEST_F(Gallery, OpenedFilesFillTheReopenMenuAndOutliveTheWindow)
{
    TGalleryForm &first = openWindow();
    first.OpenFile("/tmp/notes.txt");
    first.OpenFile("/tmp/plan.txt");
    EXPECT_EQ(first.lblOpened->Caption(), "Opened /tmp/plan.txt");
    EXPECT_EQ(shown(first.mnuReopen->SubMenu()),
              (std::vector<std::string>{"&0 /tmp/plan.txt", "&1 /tmp/notes.txt"}));

    // A new window reads the list its predecessor saved.
    TGalleryForm &second = openWindow();
    ASSERT_EQ(second.RecentFiles->GetCount(), 2);
    EXPECT_EQ(second.RecentFiles->GetItem(0), "/tmp/plan.txt");

    // Choosing an entry reopens it and brings it to the top; it stays listed.
    second.mnuReopen->Items(1)->Click();
    EXPECT_EQ(second.lblOpened->Caption(), "Reopened /tmp/notes.txt");
    EXPECT_EQ(second.RecentFiles->GetItem(0), "/tmp/notes.txt");
    EXPECT_EQ(second.RecentFiles->GetCount(), 2);
}

TEST_F(Gallery, TheComboBoxRemembersWhatWasConfirmedWithEnter)
{
    TGalleryForm &first = openWindow();
    first.cbRecentText->SetText("first words");
    QTest::keyClick(first.cbRecentText->Widget(), Qt::Key_Return);
    first.cbRecentText->SetText("typed but never confirmed");

    TGalleryForm &second = openWindow();
    ASSERT_EQ(second.cbRecentText->Items()->Count(), 1);
    EXPECT_EQ((*second.cbRecentText->Items())[0], "first words");
    EXPECT_EQ(second.cbRecentText->Text(), "first words");
}

TEST_F(Gallery, EditUndoTakesBackChangedValuesOneByOne)
{
    TGalleryForm &w = openWindow();
    QAction *undo = w.mnuUndo->QtAction();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "Can't undo");

    w.edNumber->SetValue(7);
    w.CommitValues();
    w.edLength->SetValue(3);
    w.CommitValues();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo change");

    // Through the menu, as a user would choose it: the last change first.
    undo->trigger();
    EXPECT_FLOAT_EQ(w.edLength->GetValue(), 12.5f);
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 7.0f);
    // A value typed but not yet taken is taken, then taken back.
    w.edNumber->SetValue(9);
    undo->trigger();
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 7.0f);
    undo->trigger();
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 42.0f);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "Can't undo");
}

TEST_F(Gallery, TheOneLevelButtonUndoesThenRedoes)
{
    TGalleryForm &w = openWindow();
    EXPECT_FALSE(w.btnUndoTick->Enabled());
    w.cbTicked->SetChecked(true);
    EXPECT_EQ(w.btnUndoTick->Caption(), "Undo tick");
    EXPECT_TRUE(w.btnUndoTick->Enabled());

    w.btnUndoTick->Click();
    EXPECT_FALSE(w.cbTicked->Checked());
    EXPECT_EQ(w.btnUndoTick->Caption(), "Redo tick");
    w.btnUndoTick->Click();
    EXPECT_TRUE(w.cbTicked->Checked());
    EXPECT_EQ(w.btnUndoTick->Caption(), "Undo tick");
}

TEST_F(Gallery, GlyphButtonsPressLatchAndStayDisabled)
{
    TGalleryForm &w = openWindow();
    // Each button takes the size of one cell of its strip.
    EXPECT_EQ(w.btnPress->Width(), 88);
    EXPECT_EQ(w.btnLeft->Width(), 26);
    EXPECT_EQ(w.btnLeft->Height(), 26);
    EXPECT_EQ(w.btnShadow->TextShadowColor(), clGray);

    QTest::mouseClick(w.btnPress->Widget(), Qt::LeftButton, {}, QPoint(40, 13));
    EXPECT_EQ(w.lblPressed->Caption(), "Press me pressed, 1 press in all.");

    // A click on a grouped button latches it and raises the one that was down.
    ASSERT_TRUE(w.btnLeft->Down());
    QTest::mouseClick(w.btnCenter->Widget(), Qt::LeftButton, {}, QPoint(13, 13));
    EXPECT_TRUE(w.btnCenter->Down());
    EXPECT_FALSE(w.btnLeft->Down());
    EXPECT_FALSE(w.btnRight->Down());
    EXPECT_EQ(w.btnCenter->State(), fbsExclusive);
    EXPECT_EQ(w.lblPressed->Caption(), "Centred.");

    // The disabled one ignores the click.
    QTest::mouseClick(w.btnStop->Widget(), Qt::LeftButton, {}, QPoint(13, 13));
    EXPECT_EQ(w.btnStop->State(), fbsDisabled);
    EXPECT_EQ(w.lblPressed->Caption(), "Centred.");
}

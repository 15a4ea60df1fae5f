#include "examples/gallery/Gallery.h"

#include "platform/registry/Registry.h"
#include "tests/support/TempDir.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <algorithm>
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

namespace {

// The gallery with the keyboard, and assistive technology listening.
class GalleryWithoutMouse : public Gallery
{
protected:
    void SetUp() override
    {
        Gallery::SetUp();
        QAccessible::setActive(true);
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        Gallery::TearDown();
    }

    TGalleryForm &openActiveWindow()
    {
        TGalleryForm &w = openWindow();
        w.Widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.Widget()));
        return w;
    }

    // Presses Key where the keyboard is and names the control that has it then.
    std::string key(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Key, Modifiers);
        return focused();
    }
    static std::string focused()
    {
        const TControl *c = FindControl(QApplication::focusWidget());
        if (!c)
            return "(none)";
        // A compound control's part is named after the whole.
        return !c->Name().empty() || !c->Parent() ? c->Name() : c->Parent()->Name() + " part";
    }

    QAccessibleInterface *accessible(TControl *Control)
    {
        return QAccessible::queryAccessibleInterface(Control->Widget());
    }
};

} // namespace

TEST_F(GalleryWithoutMouse, TabVisitsEveryControlThatTakesInput)
{
    TGalleryForm &w = openActiveWindow();
    std::vector<std::string> order{focused()};
    for (int i = 0; i < 20 && (order.size() < 2 || order.back() != order.front()); ++i)
        order.push_back(key(Qt::Key_Tab));
    EXPECT_EQ(order,
              (std::vector<std::string>{"cbRecentText", "edNumber", "edLength part", "cbTicked",
                                        "btnPress", "btnShadow", "btnLeft", "btnCenter", "btnRight",
                                        "lnkHome", "cbRecentText"}));
    (void)w;
}

TEST_F(GalleryWithoutMouse, GlyphButtonsPressWithSpaceEnterAndTheirAccelerator)
{
    TGalleryForm &w = openActiveWindow();
    w.btnPress->SetFocus();
    ASSERT_EQ(focused(), "btnPress");
    QWidget *press = w.btnPress->Widget();

    // Space: the pressed face on the key's press, the click on its release.
    QTest::keyPress(press, Qt::Key_Space);
    EXPECT_EQ(w.btnPress->State(), fbsDown);
    EXPECT_TRUE(accessible(w.btnPress)->state().pressed);
    EXPECT_EQ(w.lblPressed->Caption(), "Aligned left.");
    // A held key repeats; the button is still pressed once.
    QTest::keyPress(press, Qt::Key_Space, Qt::NoModifier, -1);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(press, &repeat);
    EXPECT_EQ(w.lblPressed->Caption(), "Aligned left.");
    QTest::keyRelease(press, Qt::Key_Space);
    EXPECT_EQ(w.lblPressed->Caption(), "Press me pressed, 1 press in all.");
    EXPECT_EQ(w.btnPress->State(), fbsMouseOut);

    // Leaving with the key still down lets the button go unclicked.
    QTest::keyPress(press, Qt::Key_Space);
    EXPECT_EQ(key(Qt::Key_Tab), "btnShadow");
    EXPECT_EQ(w.btnPress->State(), fbsMouseOut);
    QTest::keyRelease(press, Qt::Key_Space);
    EXPECT_EQ(w.lblPressed->Caption(), "Press me pressed, 1 press in all.");

    // Enter still answers, and the accelerator works from anywhere.
    key(Qt::Key_Return);
    EXPECT_EQ(w.lblPressed->Caption(), "Shadowed pressed, 2 presses in all.");
    w.cbTicked->SetFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(w.lblPressed->Caption(), "Press me pressed, 3 presses in all.");

    // Space latches a grouped button as a click does.
    w.btnCenter->SetFocus();
    key(Qt::Key_Space);
    EXPECT_TRUE(w.btnCenter->Down());
    EXPECT_FALSE(w.btnLeft->Down());
    EXPECT_EQ(w.lblPressed->Caption(), "Centred.");
}

TEST_F(GalleryWithoutMouse, ChangesAreUndoneFromTheKeyboard)
{
    TGalleryForm &w = openActiveWindow();
    EXPECT_EQ(key(Qt::Key_Tab), "edNumber");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "7");
    EXPECT_EQ(key(Qt::Key_Tab), "edLength part"); // leaving takes the value
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 7.0f);
    // Edit, Undo by its shortcut (an edit keeps Ctrl+Z for its own text).
    EXPECT_EQ(key(Qt::Key_Tab), "cbTicked");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(w.edNumber->GetValue(), 42.0f);

    // The tick and its one-level undo button.
    key(Qt::Key_Space);
    EXPECT_TRUE(w.cbTicked->Checked());
    EXPECT_EQ(key(Qt::Key_Tab), "btnUndoTick");
    key(Qt::Key_Space);
    EXPECT_FALSE(w.cbTicked->Checked());
}

TEST_F(GalleryWithoutMouse, EveryComponentTellsAssistiveTechnologyWhatItIs)
{
    TGalleryForm &w = openWindow();
    QAccessibleInterface *top = accessible(&w);
    ASSERT_NE(top, nullptr);
    std::vector<QObject *> children;
    for (int i = 0; i < top->childCount(); ++i)
        children.push_back(top->child(i)->object());
    const auto listed = [&](TControl *c) {
        return std::find(children.begin(), children.end(), c->Widget()) != children.end();
    };

    struct Expected
    {
        TControl *control;
        QAccessible::Role role;
        QString name;
    };
    auto *lblNumber = static_cast<TControl *>(w.FindComponent("lblNumber"));
    const Expected expected[] = {
        {lblNumber, QAccessible::StaticText, "Number:"},
        {w.edNumber, QAccessible::EditableText, "Number:"},
        {w.edLength, QAccessible::Client, "Length:"},
        {w.edLength->NumberPart(), QAccessible::EditableText, "Length:"},
        {w.cbRecentText, QAccessible::ComboBox, "Recently typed:"},
        {w.btnPress, QAccessible::Button, "Press me"},
        {w.btnLeft, QAccessible::Button, "Align left"},
        {w.btnStop, QAccessible::Button, "Always disabled"},
        {w.lblFlash, QAccessible::StaticText, "Flashing label"},
        {w.lblVersion, QAccessible::StaticText, QString::fromStdString(w.lblVersion->Caption())},
        {w.lnkHome, QAccessible::Link, "www.marrowlight.example"},
    };
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.control->Name());
        QAccessibleInterface *iface = accessible(e.control);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), e.role);
        EXPECT_EQ(iface->text(QAccessible::Name), e.name);
    }
    EXPECT_TRUE(listed(lblNumber));
    EXPECT_TRUE(listed(w.lblFlash));
    EXPECT_TRUE(listed(w.btnPress));

    // States: latching buttons are checkable, the latched one checked.
    EXPECT_TRUE(accessible(w.btnLeft)->state().checkable);
    EXPECT_TRUE(accessible(w.btnLeft)->state().checked);
    EXPECT_FALSE(accessible(w.btnCenter)->state().checked);
    EXPECT_FALSE(accessible(w.btnPress)->state().checkable);
    EXPECT_TRUE(accessible(w.btnStop)->state().disabled);
    EXPECT_TRUE(accessible(w.btnPress)->state().focusable);
    EXPECT_TRUE(accessible(w.lblFlash)->state().animated);

    // The accelerator is the button's shortcut.
    EXPECT_EQ(accessible(w.btnPress)->text(QAccessible::Accelerator), "Alt+P");
    QAccessibleActionInterface *actions = accessible(w.btnPress)->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{"Alt+P"});
    EXPECT_FALSE(accessible(w.btnStop)->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));

    // Pressing through it clicks, and latches a grouped button.
    accessible(w.btnRight)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(w.btnRight->Down());
    EXPECT_FALSE(w.btnLeft->Down());
    EXPECT_EQ(w.lblPressed->Caption(), "Aligned right.");
    EXPECT_TRUE(accessible(w.btnRight)->state().checked);
    accessible(w.btnPress)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(w.lblPressed->Caption(), "Press me pressed, 1 press in all.");
}

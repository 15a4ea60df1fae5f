#include "tests/app/main/MainWindowFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <QWidget>

namespace {

using Lines = std::vector<std::string>;

// The accessible child of Window whose object is Control's widget.
QAccessibleInterface *childOf(QAccessibleInterface *Window, TControl *Control)
{
    for (int i = 0; i < Window->childCount(); ++i)
        if (QAccessibleInterface *c = Window->child(i); c && c->object() == Control->Widget())
            return c;
    return nullptr;
}

// Stands in for the desktop's browser.
class Browser : public QObject
{
    Q_OBJECT
public:
    Browser() { QDesktopServices::setUrlHandler("https", this, "open"); }
    ~Browser() override { QDesktopServices::unsetUrlHandler("https"); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class AccessibleMainWindow : public MainWindow
{
protected:
    void SetUp() override
    {
        MainWindow::SetUp();
        QAccessible::setActive(true);
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        MainWindow::TearDown();
    }

    QAccessibleInterface *window() { return QAccessible::queryAccessibleInterface(form->Widget()); }

    // Opens the window and gives it the keyboard.
    void openActiveWindow()
    {
        openWindow();
        QWidget *w = form->Widget();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    // Presses Key where the keyboard is and says which control has it then.
    TControl *key(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Key, Modifiers);
        return FindControl(QApplication::focusWidget());
    }
};

} // namespace

TEST_F(AccessibleMainWindow, EveryControlIsInTheTreeWithItsRoleNameAndPlace)
{
    openWindow();
    QAccessibleInterface *top = window();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(QAccessible::Name), "Tumblerset");

    struct Expected
    {
        TControl *control;
        QAccessible::Role role;
        QString name;
    };
    const Expected expected[] = {
        {form->Server, QAccessible::StaticText, "Server:"},
        {form->URLStatic1, QAccessible::Link, "Visit the Marrowlight homepage"},
        {form->Image1, QAccessible::Graphic, ""},
        // The label names the edit it is the FocusControl of.
        {form->tbServer, QAccessible::EditableText, "Server:"},
        {form->btnConnect, QAccessible::Button, "Connect"},
        {form->cbAll, QAccessible::CheckBox, "Show all users"},
        {form->btnReset, QAccessible::Button, "Reset lockout"},
        {form->Memo1, QAccessible::EditableText, "Message pane"},
        {form->Button1, QAccessible::Button, "Close"},
    };
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.control->Name());
        QAccessibleInterface *iface = childOf(top, e.control);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), e.role);
        EXPECT_EQ(iface->text(QAccessible::Name), e.name);
        EXPECT_EQ(iface->parent()->object(), form->Widget());
        // Graphic controls too have their own place, in screen coordinates.
        const QWidget *w = e.control->Widget();
        const QRect place(w->mapToGlobal(QPoint(0, 0)), w->size());
        if (dynamic_cast<TGraphicControl *>(e.control))
            EXPECT_EQ(iface->rect(), place);
        else
            EXPECT_TRUE(place.contains(iface->rect())); // Qt's check box: its clickable part
    }
    EXPECT_TRUE(childOf(top, form->btnReset)->state().disabled);
    EXPECT_FALSE(childOf(top, form->btnConnect)->state().disabled);
    EXPECT_TRUE(childOf(top, form->Memo1)->state().readOnly);
    EXPECT_TRUE(childOf(top, form->URLStatic1)->state().linked);
    EXPECT_NE(childOf(top, form->lvUsers), nullptr);

    // The label says what it labels.
    const auto labelled = childOf(top, form->Server)->relations(QAccessible::Labelled);
    ASSERT_EQ(labelled.size(), 1);
    EXPECT_EQ(labelled.first().first->object(), form->tbServer->Widget());
}

TEST_F(AccessibleMainWindow, PressActionsClickAsTheMouseDoes)
{
    openWindow();
    form->tbServer->SetText("dc01.corp.example.com");
    QAccessibleInterface *connect = childOf(window(), form->btnConnect);
    ASSERT_NE(connect->actionInterface(), nullptr);
    connect->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!lines().empty());
    EXPECT_EQ(captions(), (Lines{"jsmith", "co-op"}));

    Browser browser;
    QAccessibleInterface *link = childOf(window(), form->URLStatic1);
    ASSERT_NE(link->actionInterface(), nullptr);
    EXPECT_EQ(link->actionInterface()->actionNames().value(0),
              QAccessibleActionInterface::pressAction());
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened.first(), QUrl("https://www.marrowlight.example/"));
}

TEST_F(AccessibleMainWindow, ListingAndResettingNeedNoMouse)
{
    openActiveWindow();
    ASSERT_EQ(FindControl(QApplication::focusWidget()), form->tbServer);
    QTest::keyClicks(form->tbServer->Widget(), "dc01.corp.example.com");

    // Tab order with the reset button still disabled (it is skipped).
    EXPECT_EQ(key(Qt::Key_Tab), form->btnConnect);
    EXPECT_EQ(key(Qt::Key_Tab), form->cbAll);
    EXPECT_EQ(key(Qt::Key_Tab), form->Memo1);
    EXPECT_EQ(key(Qt::Key_Tab), form->lvUsers);
    EXPECT_EQ(key(Qt::Key_Tab), form->Button1);
    // The link comes last; Enter opens its address.
    EXPECT_EQ(key(Qt::Key_Tab), form->URLStatic1);
    Browser browser;
    key(Qt::Key_Return);
    EXPECT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(key(Qt::Key_Tab), form->tbServer);

    EXPECT_EQ(key(Qt::Key_Tab), form->btnConnect);
    key(Qt::Key_Space);
    EXPECT_EQ(captions(), (Lines{"jsmith", "co-op"}));
    EXPECT_EQ(key(Qt::Key_Tab), form->cbAll);
    key(Qt::Key_Space);
    EXPECT_TRUE(form->cbAll->Checked());

    // Into the list, pick the first locked-out row, back to the reset button.
    EXPECT_EQ(key(Qt::Key_Tab), form->Memo1);
    EXPECT_EQ(key(Qt::Key_Tab), form->lvUsers);
    // The rows reach the view from the event loop, as on screen.
    auto *view = qobject_cast<QAbstractItemView *>(form->lvUsers->Widget());
    ASSERT_NE(view, nullptr);
    QTRY_COMPARE(view->model()->rowCount(), 2);
    key(Qt::Key_Down);
    ASSERT_NE(form->lvUsers->Selected(), nullptr);
    EXPECT_TRUE(form->btnReset->Enabled());
    EXPECT_EQ(key(Qt::Key_Backtab), form->Memo1);
    EXPECT_EQ(key(Qt::Key_Backtab), form->btnReset);
    key(Qt::Key_Space);
    EXPECT_EQ(lines().back(), "Lockout was successfully reset.");

    // Close ends the window.
    EXPECT_EQ(key(Qt::Key_Backtab), form->cbAll);
    EXPECT_EQ(key(Qt::Key_Backtab), form->btnConnect);
    EXPECT_EQ(key(Qt::Key_Backtab), form->tbServer);
    EXPECT_EQ(key(Qt::Key_Backtab), form->URLStatic1);
    EXPECT_EQ(key(Qt::Key_Backtab), form->Button1);
    key(Qt::Key_Space);
    EXPECT_FALSE(form->Widget()->isVisible());
}

#include "KeyboardAndAccessibilityTest.moc"

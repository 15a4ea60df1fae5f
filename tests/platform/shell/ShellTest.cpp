#include "platform/shell/Shell.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
// Stands in for the desktop's browser: records what it was asked to open.
class Browser : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};
} // namespace

TEST(ShellOpen, HandsAddressesToTheDesktopOncePerCall)
{
    Browser browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    EXPECT_GT(ShellExecuteA(0, "open", "https://example.com/a b", "", "", SW_HIDE), 32);
    EXPECT_GT(ShellExecuteA(0, nullptr, "https://example.com/", nullptr, nullptr, SW_HIDE), 32);
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(browser.opened[0].host(), "example.com");
}

TEST(ShellOpen, RefusesEmptyAddressesAndUnknownVerbs)
{
    Browser browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    EXPECT_LE(ShellExecuteA(0, "open", "", "", "", SW_HIDE), 32);
    EXPECT_LE(ShellExecuteA(0, "open", nullptr, "", "", SW_HIDE), 32);
    EXPECT_LE(ShellExecuteA(0, "print", "https://example.com/", "", "", SW_HIDE), 32);
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_TRUE(browser.opened.isEmpty());
}

#include "ShellTest.moc"

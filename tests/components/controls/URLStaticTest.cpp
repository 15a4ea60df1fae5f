#include "components/controls/URLStatic.h"

#include "framework/Forms.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

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

class HyperlinkLabel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 100);
        link = new TURLStatic(form.get());
        link->SetParent(form.get());
        link->SetBounds(10, 10, 200, 20);
        link->SetCaption("Visit the Marrowlight homepage");
        link->SetURL("https://www.marrowlight.example/");
        link->SetOnClick([this](TObject *) { ++clicks; });
        link->SetOnMouseDown([this](TObject *, TMouseButton, TShiftState, int, int) { ++downs; });
        form->Show();
    }

    void press(Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(link->Widget(), button, {}, QPoint(5, 5));
        QTest::mouseRelease(link->Widget(), button, {}, QPoint(5, 5));
    }

    std::unique_ptr<TApplication> application;
    std::unique_ptr<TForm> form;
    TURLStatic *link = nullptr;
    Browser browser;
    int clicks = 0, downs = 0;
};

} // namespace

TEST_F(HyperlinkLabel, ADoubleClickOpensTheAddressOnceAndNeverClicks)
{
    int doubleClicks = 0;
    link->SetOnDblClick([&](TObject *) { ++doubleClicks; });
    // Through the window, as the desktop delivers it: press, release, double
    // click, release.
    QTest::mouseDClick(form->Widget()->windowHandle(), Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(clicks, 0);
    // The second press takes the label's own path: a double click and a press.
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(downs, 1);
}

TEST_F(HyperlinkLabel, LooksLikeALinkFromTheStart)
{
    TURLStatic fresh(nullptr);
    EXPECT_EQ(fresh.GetURL(), "");
    EXPECT_EQ(fresh.Cursor(), crHandPoint);
    EXPECT_EQ(fresh.Font()->Color(), clBlue);
    EXPECT_EQ(fresh.Font()->Name(), "Arial");
    EXPECT_EQ(fresh.Font()->Style(), TFontStyles({fsUnderline}));
    EXPECT_TRUE(fresh.Transparent());
}

TEST_F(HyperlinkLabel, EachLeftPressOpensTheAddressAndNeverClicks)
{
    press();
    press();
    ASSERT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(browser.opened[0], QUrl("https://www.marrowlight.example/"));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(downs, 0);
}

TEST_F(HyperlinkLabel, OtherButtonsTakeTheLabelsPath)
{
    press(Qt::RightButton);
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_EQ(downs, 1);
}

TEST_F(HyperlinkLabel, ANewAddressTakesEffectAtTheNextPressOnly)
{
    const String captionBefore = link->Caption();
    const String hintBefore = link->Hint();
    link->SetURL("https://example.org/other");
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_EQ(link->Caption(), captionBefore);
    EXPECT_EQ(link->Hint(), hintBefore);
    press();
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened[0].host(), "example.org");
}

TEST_F(HyperlinkLabel, AnEmptyAddressDoesNothing)
{
    link->SetURL("");
    press();
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_EQ(clicks, 0);
}

TEST_F(HyperlinkLabel, TheAddressIsAlwaysWrittenAndRegistersOnItsPage)
{
    TURLStatic blank(nullptr);
    const TPropInfo *url = blank.ClassInfo().FindProperty("URL");
    ASSERT_NE(url, nullptr);
    EXPECT_FALSE(url->Default.has_value());
    URLStatic::Register();
    EXPECT_EQ(ComponentPalettePage(TURLStatic::StaticClassInfo()), "Marrow 2");
}

#include "URLStaticTest.moc"

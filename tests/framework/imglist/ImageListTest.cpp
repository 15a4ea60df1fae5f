#include "framework/ImgList.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A bitmap of one colour with a fuchsia corner pixel.
std::unique_ptr<TBitmap> solid(int width, int height, TColor color)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(width, height);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, width, height));
    b->Canvas()->SetPixel(0, 0, clFuchsia);
    return b;
}

} // namespace

TEST(ImageLists, MasksMakePixelsTransparent)
{
    TImageList list(nullptr);
    auto image = solid(16, 16, clRed);
    auto mask = solid(16, 16, clBlack);
    mask->Canvas()->SetPixel(1, 1, clWhite);
    EXPECT_EQ(list.Add(image.get(), mask.get()), 0);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(2, 2)), 255);

    EXPECT_EQ(list.AddMasked(image.get(), clFuchsia), 1);
    EXPECT_EQ(qAlpha(list.Image(1).pixel(0, 0)), 0);
    EXPECT_EQ(QColor(list.Image(1).pixel(3, 3)), QColor(255, 0, 0));

    // Unmasked lists ignore masks.
    list.SetMasked(false);
    EXPECT_EQ(list.Add(image.get(), mask.get()), 2);
    EXPECT_EQ(qAlpha(list.Image(2).pixel(1, 1)), 255);
    EXPECT_FALSE(list.Pixmap(0).isNull());
    EXPECT_TRUE(list.Pixmap(7).isNull());
}

TEST(ImageLists, RoomGrowsByAllocByAndStripsSplit)
{
    TImageList list(nullptr);
    EXPECT_EQ(list.Capacity(), 4);
    auto strip = solid(16 * 5, 16, clBlue);
    EXPECT_EQ(list.Add(strip.get(), nullptr), 0);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Capacity(), 8);
    list.Delete(0);
    EXPECT_EQ(list.Capacity(), 4);
    EXPECT_THROW(list.Delete(4), EInvalidOperation);
    TBitmap empty;
    EXPECT_THROW(list.Add(&empty, nullptr), EInvalidOperation);
}

TEST(ImageLists, DrawOnACanvasThroughTheMask)
{
    TImageList list(nullptr);
    auto image = solid(16, 16, clRed);
    list.AddMasked(image.get(), clFuchsia);
    auto target = solid(20, 20, clWhite);
    target->Canvas()->SetPixel(0, 0, clWhite);
    list.Draw(target->Canvas(), 2, 2, 0);
    EXPECT_EQ(target->Canvas()->Pixel(2, 2), clWhite) << "the masked pixel lets the canvas show";
    EXPECT_EQ(target->Canvas()->Pixel(5, 5), clRed);
    EXPECT_EQ(target->Canvas()->Pixel(18, 18), clWhite);
    // A bad index draws nothing.
    list.Draw(target->Canvas(), 0, 0, 5);
}

TEST(ImageLists, DataRoundTripsAndDamagedDataIsRefused)
{
    TImageList list(nullptr);
    auto image = solid(16, 16, clGreen);
    list.AddMasked(image.get(), clFuchsia);
    list.AddMasked(image.get(), clNone);
    const std::vector<std::uint8_t> data = list.Data();

    TImageList copy(nullptr);
    copy.SetData(data);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Image(0), list.Image(0));
    EXPECT_EQ(qAlpha(copy.Image(0).pixel(0, 0)), 0);

    int changes = 0;
    TChangeLink link;
    link.OnChange = TNotifyEvent([&](TObject *) { ++changes; });
    copy.RegisterChanges(&link);
    const auto refuse = [&](std::vector<std::uint8_t> bad) {
        EXPECT_THROW(copy.SetData(bad), EReadError);
        EXPECT_EQ(copy.Count(), 2) << "a refused block leaves the list as it was";
    };
    refuse(std::vector<std::uint8_t>(data.begin(), data.begin() + data.size() / 2));
    refuse({'T', 'I', 'L', '1', 16});
    auto wrongCount = data;
    wrongCount[8] = 3;
    refuse(wrongCount);
    auto huge = data;
    huge[5] = 0xFF;
    refuse(huge);
    EXPECT_EQ(changes, 0);
    copy.Clear();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(copy.Data().empty());
}

TEST(ImageLists, ChangeLinksOutliveTheirList)
{
    TChangeLink link;
    {
        TImageList list(nullptr);
        list.RegisterChanges(&link);
        EXPECT_EQ(link.Sender(), &list);
    }
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST(ImageLists, DrawingFollowsReplacedDeletedAndCopiedImages)
{
    // A translucent pixel: what is kept must be exactly what was given.
    QImage translucent(16, 16, QImage::Format_ARGB32);
    translucent.fill(qRgba(200, 100, 50, 0x40));
    TImageList list(nullptr);
    list.SetMasked(false);
    auto red = solid(16, 16, clRed);
    auto blue = solid(16, 16, clBlue);
    auto green = solid(16, 16, clGreen);
    list.AddMasked(red.get(), clNone);
    list.AddMasked(blue.get(), clNone);
    TBitmap glassy;
    glassy.SetImage(translucent);
    list.AddMasked(&glassy, clNone);
    EXPECT_EQ(list.Image(2).pixel(5, 5), qRgba(200, 100, 50, 0x40));

    auto target = solid(16, 16, clWhite);
    const auto drawn = [&](int index) {
        target->Canvas()->Brush()->SetColor(clWhite);
        target->Canvas()->FillRect(Rect(0, 0, 16, 16));
        ImageList_DrawEx(&list, index, target->Canvas(), 0, 0, 0, 0, CLR_NONE, CLR_NONE,
                         ILD_TRANSPARENT);
        return target->Canvas()->Pixel(5, 5);
    };
    EXPECT_EQ(drawn(0), clRed);
    list.ReplaceMasked(0, green.get(), clNone);
    EXPECT_EQ(drawn(0), clGreen) << "a replaced image is drawn, not the one before";
    list.Replace(0, red.get(), nullptr);
    EXPECT_EQ(drawn(0), clRed);
    list.Delete(0);
    EXPECT_EQ(drawn(0), clBlue) << "the images after a deleted one move down";

    TImageList copy(nullptr);
    copy.SetData(list.Data());
    EXPECT_EQ(copy.Image(1), list.Image(1)) << "stored data keeps translucent pixels exact";
    TImageList assigned(nullptr);
    assigned.Assign(&list);
    list.ReplaceMasked(0, green.get(), clNone);
    target->Canvas()->FillRect(Rect(0, 0, 16, 16));
    assigned.Draw(target->Canvas(), 0, 0, 0);
    EXPECT_EQ(target->Canvas()->Pixel(5, 5), clBlue) << "a copy keeps its own images";

    // A translucent image blends the same whichever way it is drawn.
    QImage expected(16, 16, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::white);
    QPainter(&expected).drawImage(0, 0, translucent);
    target->Canvas()->FillRect(Rect(0, 0, 16, 16));
    copy.Draw(target->Canvas(), 0, 0, 1);
    EXPECT_EQ(target->Canvas()->Pixel(5, 5), QColorToColor(expected.pixelColor(5, 5)));
}

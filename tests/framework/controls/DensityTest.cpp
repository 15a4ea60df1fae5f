#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QApplication>
#include <QLabel>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

// Built once for each screen density (SCREEN_SCALE); Qt reads the scale
// factor when the application object is made, before the tests run.
namespace {

const bool scaleChosen = (setenv("QT_SCALE_FACTOR", SCREEN_SCALE, 1), true);

double luminance(QRgb Pixel)
{
    return 0.299 * qRed(Pixel) + 0.587 * qGreen(Pixel) + 0.114 * qBlue(Pixel);
}

// Rows where something differs from the background (the top-left pixel).
std::vector<int> inkRows(const QImage &Image)
{
    std::vector<int> rows;
    const double background = luminance(Image.pixel(0, 0));
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (std::abs(luminance(Image.pixel(x, y)) - background) > 24) {
                rows.push_back(y);
                break;
            }
    return rows;
}

// How sharp the text of a picture is: the sum of the squared differences in
// luminance of neighbouring pixels over the rows the text takes. A blurred
// picture of the same text spreads each edge over more pixels and sums less.
double edgeEnergy(const QImage &Image)
{
    double sum = 0;
    for (int y : inkRows(Image))
        for (int x = 0; x + 1 < Image.width(); ++x) {
            const double here = luminance(Image.pixel(x, y));
            const double right = here - luminance(Image.pixel(x + 1, y));
            sum += right * right;
            if (y + 1 < Image.height()) {
                const double below = here - luminance(Image.pixel(x, y + 1));
                sum += below * below;
            }
        }
    return sum;
}

// The box of the dark pixels of a picture, in its pixels.
QRect inkBox(const QImage &Image)
{
    QRect box;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (luminance(Image.pixel(x, y)) < 100)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Draws its frame on its outermost logical pixels.
class TFramed : public TCustomControl
{
public:
    using TCustomControl::PaintedImage;
    using TCustomControl::TCustomControl;

protected:
    void Paint() override
    {
        Canvas()->Pen()->SetColor(clBlack);
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->Rectangle(0, 0, Width(), Height());
    }
};

struct Window
{
    Window()
    {
        application.Initialize();
        form = new TForm(&application);
        form->SetBounds(0, 0, 240, 120);
        label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(8, 8, 100, 20);
        label->SetCaption("Server:");
        qtLabel = new QLabel(QStringLiteral("Server:"), form->Widget());
        qtLabel->setFont(label->Font()->ToQFont());
        qtLabel->setGeometry(8, 40, 100, 20);
        qtLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        framed = new TFramed(form);
        framed->SetParent(form);
        framed->SetBounds(120, 9, 51, 33);
        form->Show();
        QApplication::processEvents();
    }

    TApplication application;
    TForm *form = nullptr;
    TLabel *label = nullptr;
    QLabel *qtLabel = nullptr;
    TFramed *framed = nullptr;
};

} // namespace

TEST(ScreenDensity, LabelTextIsAsSharpAsQtsOwnLabel)
{
    ASSERT_TRUE(scaleChosen);
    Window w;
    const qreal ratio = std::atof(SCREEN_SCALE);
    const QImage ours = w.label->Widget()->grab().toImage();
    const QImage theirs = w.qtLabel->grab().toImage();
    ASSERT_EQ(ours.devicePixelRatio(), ratio);
    const double energy = edgeEnergy(ours), reference = edgeEnergy(theirs);
    ASSERT_GT(reference, 0);
    RecordProperty("EdgeEnergyRatio", std::to_string(energy / reference));
    std::cout << "edge energy of the label's text: " << energy / reference
              << " of a QLabel's at scale " << ratio << "\n";
    EXPECT_GE(energy / reference, 0.9);

    // The text begins where Qt's begins: same place within the label.
    const QRect a = inkBox(ours), b = inkBox(theirs);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NEAR(a.left(), b.left(), 2);
    EXPECT_NEAR(a.top(), b.top(), 2);
    EXPECT_NEAR(a.width(), b.width(), 3);
}

TEST(ScreenDensity, SelfPaintedFramesLandOnTheOuterDevicePixels)
{
    Window w;
    const qreal ratio = std::atof(SCREEN_SCALE);
    const QImage *painted = w.framed->PaintedImage();
    ASSERT_NE(painted, nullptr);
    EXPECT_EQ(painted->devicePixelRatio(), ratio);
    EXPECT_EQ(painted->width(), static_cast<int>(std::ceil(51 * ratio - 1e-6)));
    EXPECT_EQ(painted->height(), static_cast<int>(std::ceil(33 * ratio - 1e-6)));

    // The frame is one logical pixel on each side: a block of device pixels
    // at the edges, the inside untouched, whatever the ratio.
    const QImage shot = w.framed->Widget()->grab().toImage();
    const int right = static_cast<int>(std::lround(51 * ratio)) - 1;
    const int bottom = static_cast<int>(std::lround(33 * ratio)) - 1;
    ASSERT_GE(shot.width(), right + 1);
    ASSERT_GE(shot.height(), bottom + 1);
    for (const QPoint p : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                           QPoint(right / 2, 0), QPoint(0, bottom / 2), QPoint(right / 2, bottom)})
        EXPECT_EQ(shot.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    const int inner = static_cast<int>(std::lround(ratio)) + 1;
    EXPECT_NE(shot.pixel(inner, inner), qRgb(0, 0, 0));
    EXPECT_NE(shot.pixel(right - inner, bottom - inner), qRgb(0, 0, 0));
}

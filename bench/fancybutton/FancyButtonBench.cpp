// Painting 1,000 glyph buttons of one cell size in all five states, once
// their images exist, against drawing the same images as pixmaps with
// QPainter::drawPixmap into buffers of the same size; and how many images the
// buttons built.
//
//   QT_QPA_PLATFORM=offscreen ./fancy_button_bench [rounds, default 20]

#include "components/controls/FancyButton.h"
#include "framework/Forms.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int buttonCount = 1000;
constexpr int cell = 16;
constexpr TFancyButtonState states[] = {fbsUp, fbsDown, fbsMouseOut, fbsExclusive, fbsDisabled};

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    TApplication app;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    TBitmap strip;
    strip.SetSize(5 * cell, cell);
    const TColor colours[] = {clRed, clLime, clBlue, clYellow, clPurple};
    for (int i = 0; i < 5; ++i) {
        strip.Canvas()->Brush()->SetColor(colours[i]);
        strip.Canvas()->FillRect(Rect(i * cell, 0, (i + 1) * cell, cell));
        strip.Canvas()->SetPixel(i * cell + 3, 3, clWhite);
        strip.Canvas()->SetPixel(i * cell + 4, 3, clGray);
    }

    TForm form(nullptr);
    std::vector<TFancyButton *> buttons;
    for (int i = 0; i < buttonCount; ++i) {
        auto *b = new TFancyButton(&form);
        b->SetParent(&form);
        b->SetGlyph(&strip);
        buttons.push_back(b);
    }
    // Every button shows every state once, so that its images exist.
    for (TFancyButtonState s : states)
        for (TFancyButton *b : buttons) {
            b->SetState(s);
            b->Perform(WM_PAINT);
        }
    long long builds = 0;
    for (TFancyButton *b : buttons)
        builds += b->Glyph()->BuildCount();

    const auto paintButtons = [&] {
        for (TFancyButtonState s : states) {
            for (TFancyButton *b : buttons)
                b->SetState(s);
            for (TFancyButton *b : buttons)
                b->Perform(WM_PAINT);
        }
    };

    // The same images as pixmaps, drawn into one buffer per button.
    TGlyphList *list = buttons.front()->Glyph()->List();
    std::vector<QPixmap> pixmaps;
    for (TFancyButtonState s : states)
        pixmaps.push_back(list->Pixmap(buttons.front()->Glyph()->EnsureStateImage(s, false)));
    std::vector<QImage> buffers(buttonCount,
                                QImage(cell, cell, QImage::Format_ARGB32_Premultiplied));
    const auto paintPixmaps = [&] {
        for (const QPixmap &pixmap : pixmaps)
            for (QImage &buffer : buffers) {
                buffer.fill(QColor(240, 240, 240));
                QPainter p(&buffer);
                p.drawPixmap(0, 0, pixmap);
            }
    };

    paintButtons();
    paintPixmaps();
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        paintButtons();
    const double buttonTime = seconds(start);
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        paintPixmaps();
    const double pixmapTime = seconds(start);

    long long buildsAfter = 0;
    for (TFancyButton *b : buttons)
        buildsAfter += b->Glyph()->BuildCount();
    const double paints = static_cast<double>(rounds) * buttonCount * 5;
    std::printf("buttons: %d, cell %dx%d, states: 5, rounds: %d\n", buttonCount, cell, cell,
                rounds);
    std::printf("images built: %lld (%d per button), built while painting: %lld\n", builds,
                static_cast<int>(builds / buttonCount), buildsAfter - builds);
    std::printf("image lists: %d\n",
                TGlyphCache::Instance() ? TGlyphCache::Instance()->ListCount() : 0);
    std::printf("glyph buttons:      %8.3f s, %6.2f us a paint\n", buttonTime,
                buttonTime / paints * 1e6);
    std::printf("QPainter pixmaps:   %8.3f s, %6.2f us a paint\n", pixmapTime,
                pixmapTime / paints * 1e6);
    std::printf("ratio: %.2f (target at most 2)\n", buttonTime / pixmapTime);
    return 0;
}

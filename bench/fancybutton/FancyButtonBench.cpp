// Painting 1,000 glyph buttons of one cell size in all five states, once
// their images exist, against drawing the same images as pixmaps with
// QPainter::drawPixmap into buffers of the same size; and how many images the
// buttons built. A round paints every button in every state (5,000 paints),
// then every pixmap into every buffer (5,000 paints); the figures are per paint.
//
//   QT_QPA_PLATFORM=offscreen ./fancy_button_bench [rounds, default 20]

#include "components/controls/FancyButton.h"
#include "framework/Forms.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
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
    // Rounds alternate between the two, so that a busy machine slows both
    // alike; the best and the median round of each are compared.
    std::vector<double> buttonRounds, pixmapRounds;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        paintButtons();
        buttonRounds.push_back(seconds(start));
        start = std::chrono::steady_clock::now();
        paintPixmaps();
        pixmapRounds.push_back(seconds(start));
    }
    const auto best = [](std::vector<double> v) { return *std::min_element(v.begin(), v.end()); };
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    long long buildsAfter = 0;
    for (TFancyButton *b : buttons)
        buildsAfter += b->Glyph()->BuildCount();
    const double paints = static_cast<double>(buttonCount) * 5; // a round
    std::printf("buttons: %d, cell %dx%d, states: 5, rounds: %d\n", buttonCount, cell, cell,
                rounds);
    std::printf("images built: %lld (%d per button), built while painting: %lld\n", builds,
                static_cast<int>(builds / buttonCount), buildsAfter - builds);
    std::printf("image lists: %d\n",
                TGlyphCache::Instance() ? TGlyphCache::Instance()->ListCount() : 0);
    std::printf("glyph buttons:    best %6.3f us, median %6.3f us a paint\n",
                best(buttonRounds) / paints * 1e6, median(buttonRounds) / paints * 1e6);
    std::printf("QPainter pixmaps: best %6.3f us, median %6.3f us a paint\n",
                best(pixmapRounds) / paints * 1e6, median(pixmapRounds) / paints * 1e6);
    std::printf("ratio: best %.2f, median %.2f (target at most 2)\n",
                best(buttonRounds) / best(pixmapRounds),
                median(buttonRounds) / median(pixmapRounds));
    return 0;
}

// Fifty animated labels ticking every 10 ms on one shown form, against fifty
// plain QLabels whose text colour one QTimer changes at the same interval:
// the processor time of each over the same span, and the area each tick
// paints.
//
//   QT_QPA_PLATFORM=offscreen ./animated_label_bench [seconds per run, default 3]

#include "components/controls/AnimatedLabel.h"
#include "framework/Forms.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

namespace {

constexpr int labelCount = 50;
constexpr int columns = 5;
constexpr int labelWidth = 120;
constexpr int labelHeight = 20;
constexpr int intervalMs = 10;

// Sums the area of every paint event, per widget.
class PaintCounter : public QObject
{
public:
    std::map<const QObject *, long long> area;
    long long events = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++events;
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                area[watched] += static_cast<long long>(r.width()) * r.height();
        }
        return false;
    }
};

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures
{
    double cpu = 0;
    long long ticks = 0;
    long long labelArea = 0; // painted on the labels
    long long formArea = 0;  // painted on the window beneath or around them
};

void print(const char *name, const Figures &f, double seconds)
{
    const double perTick = f.ticks ? 1.0 / static_cast<double>(f.ticks) : 0;
    std::printf("%-28s cpu %7.3f s (%5.1f%% of %.0f s), %6lld ticks, painted per tick: "
                "%8.0f px on labels, %8.0f px on the window\n",
                name, f.cpu, 100 * f.cpu / seconds, seconds, f.ticks,
                static_cast<double>(f.labelArea) * perTick,
                static_cast<double>(f.formArea) * perTick);
}

Figures animated(TApplication &application, TAnimationType type, double seconds)
{
    auto *form = new TForm(&application);
    form->SetBounds(0, 0, columns * (labelWidth + 8) + 8, (labelCount / columns) * 24 + 16);
    std::vector<TAnimatedLabel *> labels;
    for (int i = 0; i < labelCount; ++i) {
        auto *label = new TAnimatedLabel(form);
        label->SetParent(form);
        label->SetAutoSize(false);
        label->SetBounds(8 + (i % columns) * (labelWidth + 8), 8 + (i / columns) * 24, labelWidth,
                         labelHeight);
        label->SetCaption("Account " + std::to_string(i) + " locked");
        label->SetAnimationType(type);
        label->SetInterval(0);
        labels.push_back(label);
    }
    form->Show();
    application.ProcessMessages();

    PaintCounter counter;
    qApp->installEventFilter(&counter);
    const int ticksBefore = labels[0]->Ticks();
    const double start = processSeconds();
    for (TAnimatedLabel *label : labels)
        label->SetInterval(intervalMs);
    runFor(seconds);
    for (TAnimatedLabel *label : labels)
        label->SetInterval(0);
    Figures f;
    f.cpu = processSeconds() - start;
    qApp->removeEventFilter(&counter);
    for (TAnimatedLabel *label : labels)
        f.ticks += label->Ticks() - ticksBefore;
    f.ticks /= labelCount; // ticks of one label: each tick touches every label once
    for (const auto &[widget, area] : counter.area) {
        if (widget == form->Widget())
            f.formArea += area;
        else
            f.labelArea += area;
    }
    delete form;
    return f;
}

Figures plainLabels(double seconds)
{
    QWidget window;
    window.resize(columns * (labelWidth + 8) + 8, (labelCount / columns) * 24 + 16);
    std::vector<QLabel *> labels;
    for (int i = 0; i < labelCount; ++i) {
        auto *label = new QLabel(QString("Account %1 locked").arg(i), &window);
        label->setGeometry(8 + (i % columns) * (labelWidth + 8), 8 + (i / columns) * 24, labelWidth,
                           labelHeight);
        labels.push_back(label);
    }
    window.show();
    QApplication::processEvents();

    PaintCounter counter;
    qApp->installEventFilter(&counter);
    Figures f;
    QTimer timer;
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const int grey = static_cast<int>(f.ticks % 20) * 12;
        for (QLabel *label : labels) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, QColor(grey, grey, grey));
            label->setPalette(palette);
        }
        ++f.ticks;
    });
    const double start = processSeconds();
    timer.start();
    runFor(seconds);
    timer.stop();
    f.cpu = processSeconds() - start;
    qApp->removeEventFilter(&counter);
    for (const auto &[widget, area] : counter.area) {
        if (widget == &window)
            f.formArea += area;
        else
            f.labelArea += area;
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    TApplication application(argc, argv);
    application.Initialize();

    std::printf("%d labels of %dx%d px (%d px together), ticking every %d ms\n", labelCount,
                labelWidth, labelHeight, labelCount * labelWidth * labelHeight, intervalMs);
    const Figures plain = plainLabels(seconds);
    print("QLabel, colour by QTimer", plain, seconds);
    for (const auto &[type, name] :
         {std::pair{atFade, "TAnimatedLabel atFade"}, std::pair{atFly, "TAnimatedLabel atFly"},
          std::pair{atFlash, "TAnimatedLabel atFlash"}}) {
        const Figures f = animated(application, type, seconds);
        print(name, f, seconds);
        std::printf("%-28s %.2fx the processor time of the QLabels (target: at most 2x)\n", "",
                    plain.cpu > 0 ? f.cpu / plain.cpu : 0.0);
    }
    return 0;
}

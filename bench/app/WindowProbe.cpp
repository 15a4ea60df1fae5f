// Preloaded into the program itself by bench_app_startup (LD_PRELOAD), so
// that its start is timed the way users start it: the program, then the
// window's module. Notes the first paint of the first window and ends the
// program once that paint is done, printing the line FirstPaint prints for
// the benchmark's own children; "main" is when this library was loaded, just
// before main().

#include "bench/app/FirstPaint.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

const qint64 loadedNs = monotonicNs();

class FirstWindowPaint final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            // The window paints first and its children within the same pass;
            // a queued call runs once the pass and its flush are over.
            QTimer::singleShot(0, this, [] {
                std::printf("main %lld painted %lld\n", static_cast<long long>(loadedNs),
                            static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

// Runs when the program makes its application object, which owns the watcher.
void watchForTheFirstPaint()
{
    QCoreApplication *application = QCoreApplication::instance();
    application->installEventFilter(new FirstWindowPaint(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForTheFirstPaint)

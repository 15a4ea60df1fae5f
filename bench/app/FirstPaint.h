#pragma once

// Shared by the start-up benchmark's two kinds of child: notes the first paint
// of a window and ends the event loop once that whole paint is done.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

// The system-wide monotonic clock, so that a parent and its child read the
// same time line.
inline qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class FirstPaint final : public QObject
{
public:
    FirstPaint(QWidget *window, qint64 mainNs) : m_window(window), m_mainNs(mainNs)
    {
        m_window->installEventFilter(this);
    }
    ~FirstPaint() override { m_window->removeEventFilter(this); }

    bool painted() const { return m_painted; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // The window paints first and its children within the same pass;
            // a queued call runs once the pass and its flush are over.
            QTimer::singleShot(0, this, [this] {
                m_painted = true;
                std::printf("main %lld painted %lld\n", static_cast<long long>(m_mainNs),
                            static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget *m_window;
    qint64 m_mainNs;
    bool m_seen = false;
    bool m_painted = false;
};

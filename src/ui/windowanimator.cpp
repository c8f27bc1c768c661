#include "ui/windowanimator.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <utility>

#include <QPropertyAnimation>
#include <QWidget>

WindowAnimator::WindowAnimator(QWidget* window, int durationMs)
    : QObject(window)
    , m_window(window)
    , m_animation(new QPropertyAnimation(window, "geometry", this))
{
    m_animation->setObjectName(QStringLiteral("windowAnimation"));
    m_animation->setDuration(durationMs);
    connect(m_animation, &QPropertyAnimation::finished, this, &WindowAnimator::finished);
}

void WindowAnimator::BeforeShow()
{
    if (m_openingArmed) {
        m_openingArmed = false;
        m_growPending = true;
        m_resting = m_window->geometry();
        // Start from the centre point so the full-size window never flashes up first.
        m_window->setMinimumSize(1, 1);
        m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_window->setGeometry(QRect(m_resting.center(), QSize(1, 1)));
        return;
    }
    // The closing animation left the window shrunk to a point. It is put back here rather
    // than when it ends: the window system may still report the last shrinking step then.
    if (m_resting.isValid() && m_window->size() != m_resting.size()) {
        m_window->setGeometry(m_resting);
        m_window->setFixedSize(m_resting.size());
    }
}

void WindowAnimator::AfterShow()
{
    if (std::exchange(m_growPending, false))
        animate(Direction::Grow);
}

void WindowAnimator::Close(std::function<void()> then)
{
    if (IsClosing())
        return;
    animate(Direction::Shrink, std::move(then));
}

bool WindowAnimator::IsClosing() const
{
    return m_animation->state() == QAbstractAnimation::Running && m_direction == Direction::Shrink;
}

void WindowAnimator::animate(Direction direction, std::function<void()> then)
{
    // An animation cut short leaves the window part-way; the resting place stays the one
    // recorded before it began.
    if (m_animation->state() != QAbstractAnimation::Running && direction == Direction::Shrink)
        m_resting = m_window->geometry();
    m_animation->stop();

    m_window->setMinimumSize(1, 1);
    m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_direction = direction;
    m_then = std::move(then);
    m_animation->setStartValue(m_window->geometry());
    m_animation->setEndValue(direction == Direction::Grow ? m_resting : QRect(m_resting.center(), QSize(1, 1)));
    m_animation->start();
}

void WindowAnimator::finished()
{
    if (m_direction == Direction::Grow)
        m_window->setFixedSize(m_resting.size());
    if (const std::function<void()> then = std::exchange(m_then, {}))
        then();
}

void CenterOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen->availableGeometry()));
}

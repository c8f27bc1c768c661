#pragma once

#include <functional>

#include <QObject>
#include <QRect>

class QPropertyAnimation;
class QWidget;

/// Puts `window` in the middle of its screen's free area (the primary screen's when it has none yet).
void CenterOnScreen(QWidget& window);

/// Grows a fixed-size window from its centre point when it is first shown, and shrinks it back
/// to that point before it closes. The window calls BeforeShow and AfterShow around showing
/// itself and Close instead of closing at once.
class WindowAnimator : public QObject
{
    Q_OBJECT

public:
    WindowAnimator(QWidget* window, int durationMs);

    /// The next showing of the window grows it.
    void ArmOpening() { m_openingArmed = true; }
    void BeforeShow();
    void AfterShow();
    /// Shrinks the window, then runs `then`. Nothing happens while it is already shrinking.
    void Close(std::function<void()> then);
    bool IsClosing() const;

private:
    enum class Direction { Grow, Shrink };
    void animate(Direction direction, std::function<void()> then = {});
    void finished();

    QWidget* m_window;
    QPropertyAnimation* m_animation;
    Direction m_direction = Direction::Grow;
    std::function<void()> m_then;
    QRect m_resting;
    bool m_openingArmed = false;
    bool m_growPending = false;
};

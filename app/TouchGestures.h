#pragma once

#include <QObject>
#include <QPointF>

#include <functional>

class QWidget;

// Drives the view with a finger as the device's keys drive it: a swipe to the left or to the
// right does what the Left or Right key does (the previous or next driving view), a tap what
// the action key does. Tap and hold stays the view's own gesture, the main menu, and is never
// taken for a tap. A swipe goes along the horizontal of the view's drawing, however that is
// rotated.
class TouchGestures final : public QObject {
public:
    // Installs itself on `view`, which owns it; `orientation` is the drawing's rotation in
    // degrees (0, 90, 180, 270).
    TouchGestures(QWidget& view, std::function<int()> orientation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Finish(const QPointF& end);
    void PressKey(int key);

    QWidget& m_view;
    std::function<int()> m_orientation;
    bool m_tracking = false; // one finger down since the touch began
    bool m_held = false;     // the touch became tap and hold
    QPointF m_start;
};

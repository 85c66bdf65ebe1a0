#include "app/TouchGestures.h"

#include <QCoreApplication>
#include <QGestureEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTouchEvent>
#include <QTransform>
#include <QWidget>

#include <cmath>

namespace {

// A finger moved less than this taps; a swipe goes at least the longer distance, and mostly
// sideways.
constexpr double kTapSlopMillimetres = 4.0;
constexpr double kSwipeMillimetres = 10.0;

double MillimetresToPixels(const QWidget& widget, double millimetres) {
    const double dpi = widget.screen() != nullptr ? widget.screen()->physicalDotsPerInchX() : 96.0;
    return millimetres * dpi / 25.4;
}

} // namespace

TouchGestures::TouchGestures(QWidget& view, std::function<int()> orientation)
    : QObject(&view), m_view(view), m_orientation(std::move(orientation)) {
    view.setAttribute(Qt::WA_AcceptTouchEvents);
    view.installEventFilter(this);
}

bool TouchGestures::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin: {
        const auto* touch = static_cast<QTouchEvent*>(event);
        m_tracking = touch->pointCount() == 1;
        m_held = false;
        m_start = touch->points().constFirst().position();
        event->accept(); // the rest of the touch comes here, not as mouse events
        return true;
    }
    case QEvent::TouchUpdate:
        if (static_cast<QTouchEvent*>(event)->pointCount() != 1) {
            m_tracking = false;
        }
        return true;
    case QEvent::TouchEnd: {
        const auto* touch = static_cast<QTouchEvent*>(event);
        if (m_tracking && !m_held && touch->pointCount() == 1) {
            Finish(touch->points().constFirst().position());
        }
        m_tracking = false;
        return true;
    }
    case QEvent::TouchCancel:
        m_tracking = false;
        return true;
    case QEvent::Gesture:
        // Seen before the view shows the menu for it.
        if (static_cast<QGestureEvent*>(event)->gesture(Qt::TapAndHoldGesture) != nullptr) {
            m_held = true;
        }
        return false;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void TouchGestures::Finish(const QPointF& end) {
    // The movement in the drawing's own axes: the view paints its image rotated clockwise.
    const QPointF moved = QTransform().rotate(-m_orientation()).map(end - m_start);
    const double distance = std::hypot(moved.x(), moved.y());
    if (distance < MillimetresToPixels(m_view, kTapSlopMillimetres)) {
        PressKey(Qt::Key_Return);
    } else if (std::abs(moved.x()) >= MillimetresToPixels(m_view, kSwipeMillimetres) &&
               std::abs(moved.x()) > 2 * std::abs(moved.y())) {
        PressKey(moved.x() < 0 ? Qt::Key_Left : Qt::Key_Right);
    }
}

void TouchGestures::PressKey(int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_view, &release);
}

#include "app/KeepAwake.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {
constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
constexpr const char* kInterface = "org.freedesktop.ScreenSaver";
} // namespace

void KeepScreenAwake() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(kService)) {
        return;
    }
    // Not waited for: a slow desktop must not stall the window.
    bus.asyncCall(
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "SimulateUserActivity"));
}

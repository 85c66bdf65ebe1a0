#include "app/FrameFit.h"

#include "app/FramePlacement.h"
#include "app/WindowManager.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

FrameFit::FrameFit(QWidget& frame, RegistryStore& registry)
    : m_frame(frame), m_registry(registry), m_windowManager(HasWindowManager()) {}

void FrameFit::Show(bool fullScreenAsked) {
    const std::optional<QRect> stored = LoadFramePlacement(m_registry);
    const QScreen* screen = stored ? QGuiApplication::screenAt(stored->center()) : nullptr;
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const FrameShowing showing = ChooseFrameShowing(screen->geometry(), screen->availableGeometry(),
                                                    stored, fullScreenAsked, m_windowManager);
    m_normal = showing.normal;
    if (showing.placed) {
        m_frame.setGeometry(m_normal);
    } else {
        m_frame.resize(m_normal.size());
    }
    switch (showing.state) {
    case FrameState::Normal:
        m_frame.show();
        break;
    case FrameState::Maximized:
        m_frame.showMaximized();
        break;
    case FrameState::FullScreen:
        SetFullScreen(true, *screen);
        m_frame.show();
        break;
    }
    m_shown = true;
}

bool FrameFit::IsFullScreen() const {
    return m_windowManager ? m_frame.isFullScreen() : m_bareFullScreen;
}

void FrameFit::ToggleFullScreen() {
    const bool fullScreen = IsFullScreen();
    if (!fullScreen && m_frame.windowState() == Qt::WindowNoState) {
        m_normal = m_frame.geometry();
    }
    SetFullScreen(!fullScreen, *m_frame.screen());
}

void FrameFit::SetFullScreen(bool fullScreen, const QScreen& screen) {
    if (m_windowManager) {
        // The window manager gives back the maximised or normal window it had.
        m_frame.setWindowState(fullScreen ? m_frame.windowState() | Qt::WindowFullScreen
                                          : m_frame.windowState() & ~Qt::WindowFullScreen);
        return;
    }
    // Without one the window's state is not kept by the X server (nobody answers the state
    // request), so full screen is this size and place alone.
    m_bareFullScreen = fullScreen;
    m_frame.setGeometry(fullScreen ? screen.geometry()
                                   : KeptInside(m_normal, screen.availableGeometry()));
}

void FrameFit::Save() {
    if (m_shown && !IsFullScreen() && !m_frame.isMaximized()) {
        SaveFramePlacement(m_registry, m_frame.geometry());
    }
}

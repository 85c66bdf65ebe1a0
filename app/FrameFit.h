#pragma once

#include <QRect>

class QScreen;
class QWidget;
class RegistryStore;

// Opens the main frame as its screen asks (FramePlacement.h), switches it to and from full
// screen, and keeps its size and place for the next run. Without a window manager nobody else
// would size the window, so the frame's geometry is set here as well as its state.
class FrameFit {
public:
    FrameFit(QWidget& frame, RegistryStore& registry);

    // The first show.
    void Show(bool fullScreenAsked);
    void ToggleFullScreen();
    bool IsFullScreen() const;
    // The size and place into the settings when the frame is neither maximised nor full
    // screen; a frame that fills the screen keeps the stored ones.
    void Save();

private:
    void SetFullScreen(bool fullScreen, const QScreen& screen);

    QWidget& m_frame;
    RegistryStore& m_registry;
    bool m_windowManager;
    bool m_shown = false;
    bool m_bareFullScreen = false; // without a window manager
    QRect m_normal;                // where the frame goes back to from full screen
};

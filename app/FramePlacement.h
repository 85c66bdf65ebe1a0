#pragma once

#include <QRect>

#include <optional>

class RegistryStore;

// Where and how the main frame opens on a screen, and its size and place between runs.

// The frame's size the first time, as on the handheld.
inline constexpr QSize kFirstFrameSize{480, 640};

// A screen no larger than 1024x768 (either way round): a handheld's, a car unit's or a small
// laptop's, where the frame fills the screen.
bool IsSmallScreen(const QSize& screen);

// `wanted` shrunk where it is larger than `available` and moved where it reaches out of it.
QRect KeptInside(const QRect& wanted, const QRect& available);

enum class FrameState { Normal, Maximized, FullScreen };

struct FrameShowing {
    FrameState state = FrameState::Normal;
    QRect normal;        // the size and place when not maximised or full screen
    bool placed = false; // the place is the stored one; else a window manager chooses it
};

// How the frame opens: on a small screen, or when full screen is asked, it fills the screen:
// full screen where no window manager could maximise it, maximised where one can (or full
// screen when that is asked). The normal place is the stored one, else the first size, kept
// inside the available area.
FrameShowing ChooseFrameShowing(const QRect& screen, const QRect& available,
                                const std::optional<QRect>& stored, bool fullScreenAsked,
                                bool windowManager);

// The size and place the frame had when the program last ended in a normal state; absent the
// first time or when the stored values are unusable.
std::optional<QRect> LoadFramePlacement(RegistryStore& registry);
// 0 or an error number.
int SaveFramePlacement(RegistryStore& registry, const QRect& placement);

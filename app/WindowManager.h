#pragma once

// Whether a window manager runs on the display: it maximises, places and decorates windows.
// On a bare X server (a kiosk, a car unit, Xvfb) nothing does, and the program sizes its own
// window.
bool HasWindowManager();

#pragma once

// Keeps the screen awake while a file plays back or a recording runs: asks the desktop's
// screen saver (org.freedesktop.ScreenSaver on the session bus) to count the moment as user
// activity. Without a session bus, or without a screen saver on it, it does nothing.
void KeepScreenAwake();

#pragma once

#include <chrono>
#include <functional>

class CommEndpoint;
class QWidget;

enum class UploadOutcome { Completed, Failed, TimedOut, Closed };

// Waits for the output connection to finish a route upload without blocking the window: a
// modal progress box runs until the connection reports, the time runs out, or the user closes
// it. `shown` is called once the box is up (tests act on it there).
UploadOutcome WaitForRouteUpload(CommEndpoint& endpoint, QWidget* parent,
                                 std::chrono::milliseconds limit = std::chrono::minutes(10),
                                 const std::function<void(QWidget&)>& shown = {});

#pragma once

#include "comm/CommEndpoint.h"

#include <string>

class ApplicationCore;

// The send thread's loop of a destination, whatever carries its bytes: once a second a burst
// from the track the view shows (or, in list playback, the navigation target), or, in paced
// playback, a burst for each point when the log's times say; GSV in every fifth burst, and a route
// upload whenever one is asked for. `write` sends bytes and reports a failure itself; `context`
// names the device in the upload's messages. Returns the thread's exit code: 12 or 13 after a
// failed write of a burst, 14 after a stop, or the upload's code.
int RunDestinationSendLoop(ApplicationCore& application, CommEndpoint& endpoint,
                           const CommEndpoint::WriteBytes& write, const std::string& context);

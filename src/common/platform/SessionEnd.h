#pragma once

#include <functional>

// Calls onEnd once when the desktop session ends (log-off, shutdown): the session manager's request or the
// termination signal that the session sends to its programs.
void watchSessionEnd(std::function<void()> onEnd);

#pragma once

#include <optional>

// Whether the desktop has a tray that can hold the program's icon. Without one, putting the window "into the tray"
// minimises it instead, so that it can always be brought back.
bool trayHostAvailable();
// Tests decide for themselves whether a tray exists; std::nullopt asks the desktop again.
void setTrayHostForTesting(std::optional<bool> available);

#pragma once

// Called before the application object exists. A Wayland client cannot read the clipboard while it is in the
// background, so on a Wayland session that also offers XWayland the program runs on X11, unless the user chose a
// platform (QT_QPA_PLATFORM or -platform).
void chooseWindowSystem(int argc, char** argv);

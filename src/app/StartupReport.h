#pragma once

class QWidget;

// For the start-up benchmark: when the environment variable SCRIBBET_STARTUP_REPORT names a file, the wall-clock time
// of the window's first paint (start-up done, list filled, window shown) is written there once, in nanoseconds since
// the epoch, so that a script can subtract the time at which it started the process.
void reportFirstPaint(QWidget* window);

#pragma once

class QObject;

// For measuring only: when SCRIBBET_STALL_LOG names a file, a probe that should run every 10 ms appends a line
// "<milliseconds since the epoch> <stall in milliseconds>" each time the event loop kept it waiting 20 ms or more
// longer than that. Without the variable nothing runs.
void startStallLogFromEnvironment(QObject* parent);

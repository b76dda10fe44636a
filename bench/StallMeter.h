#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// How long the event loop of the window's thread kept it waiting at worst: a 5 ms timer of that thread notes the gaps
// between its ticks while the meter runs, and a wait is a gap less the timer's interval.
class StallMeter : public QObject {
public:
    StallMeter();
    void start();
    // Ends the measurement (the time since the last tick is a gap too) and returns the longest wait in milliseconds.
    double stopMs();
    bool running() const { return m_timer.isActive(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

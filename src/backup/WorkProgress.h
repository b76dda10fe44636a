#pragma once

#include <atomic>

// What a Backup or Restore working away from the window tells the window, and the window's request to stop. Files
// done and all files are counted by the work; the window reads them to show the progress.
class WorkProgress {
public:
    // Starts a stage of the work with this many files (a Restore unpacks its files, then moves them into place).
    void startStage(int stage, int files) {
        m_done = 0;
        m_total = files;
        m_stage = stage;
    }
    void fileDone() { ++m_done; }
    int stage() const { return m_stage; }
    int done() const { return m_done; }
    int total() const { return m_total; }

    // The window asks the work to stop; it does so at the next file unless it has passed the point of no return.
    void requestCancel() {
        int running = kRunning;
        m_state.compare_exchange_strong(running, kCancelled);
    }
    // Passes the point of no return, unless a cancel was asked for first: false then, and the work must stop.
    bool commit() {
        int running = kRunning;
        return m_state.compare_exchange_strong(running, kCommitted) || m_state == kCommitted;
    }
    bool committed() const { return m_state == kCommitted; }
    // A cancel was asked for before the work committed: it is to stop.
    bool cancelled() const { return m_state == kCancelled; }

private:
    std::atomic<int> m_stage{0};
    std::atomic<int> m_done{0};
    std::atomic<int> m_total{0};
    static constexpr int kRunning = 0;
    static constexpr int kCancelled = 1;
    static constexpr int kCommitted = 2;
    std::atomic<int> m_state{kRunning};
};

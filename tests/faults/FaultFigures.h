#pragma once

// The figures of the fault suite. Each test adds its counts to the file named by SCRIBBET_FIGURES (one "name value"
// line per count), which scripts/faults.sh sums up; without that variable the counts are only printed.
#include <QElapsedTimer>
#include <QString>

#include <cstdint>

namespace figures {

// Built with AddressSanitizer, the suite checks the same paths at a smaller scale: the sanitizer looks for memory
// faults, which need no volume, and its slowdown would take the large cases past any test time limit. The figures
// come from the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

inline const QString kKills = QStringLiteral("kills");
inline const QString kKillsSurvived = QStringLiteral("kills_survived");
inline const QString kNotesLost = QStringLiteral("notes_lost");
inline const QString kCases = QStringLiteral("cases");
inline const QString kCrashes = QStringLiteral("crashes");
inline const QString kOutsideWrites = QStringLiteral("outside_writes");
// The longest time one handler kept the window busy, in milliseconds; the suite reports the largest.
inline const QString kLongestHandlerMs = QStringLiteral("longest_handler_ms");

void add(const QString& name, std::int64_t value);

// Times one handler call, to report the longest of a test with reportLongestHandler.
class HandlerTimer {
public:
    HandlerTimer() { m_clock.start(); }
    ~HandlerTimer();
    HandlerTimer(const HandlerTimer&) = delete;
    HandlerTimer& operator=(const HandlerTimer&) = delete;

private:
    QElapsedTimer m_clock;
};
void reportLongestHandler();

} // namespace figures

// The stateful tester: long random sequences of what a user does, on the real window, with the invariants checked
// against the files after every step. A failure is shrunk to the fewest steps that still break the same invariant
// and printed with its seed, so that it can be replayed:
//   SCRIBBET_STATEFUL_SEED=N SCRIBBET_STATEFUL_STEPS=M test_stateful      a run of M steps drawn from seed N
//   SCRIBBET_STATEFUL_REPLAY="tray=1 choose:1 save:2 ..." test_stateful   exactly these steps
// SCRIBBET_STATEFUL_SESSIONS sets how many sessions (seeds N, N+1, ...) a run plays.
#include "FaultFigures.h"
#include "Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

struct Run {
    bool trayHost = true;
    std::vector<Step> steps;
};

QString formatRun(const Run& run) {
    return QStringLiteral("tray=%1 ").arg(run.trayHost ? 1 : 0) + formatSteps(run.steps);
}

std::optional<Run> parseRun(QString text) {
    Run run;
    text = text.trimmed();
    if (text.startsWith(QLatin1String("tray="))) {
        run.trayHost = text.mid(5, 1) == QLatin1String("1");
        text = text.mid(6);
    }
    const std::optional<std::vector<Step>> steps = parseSteps(text);
    if (!steps) {
        return std::nullopt;
    }
    run.steps = *steps;
    return run;
}

Run drawRun(std::uint32_t seed, int count) {
    std::mt19937 draw(seed);
    const std::vector<Action> actions = drawnActions();
    Run run;
    // Most sessions have a tray; one in four runs on a desktop without one.
    run.trayHost = seed % 4 != 3;
    for (int i = 0; i < count; ++i) {
        const Action action = actions[draw() % actions.size()];
        run.steps.push_back({action, static_cast<std::uint32_t>(draw())});
    }
    return run;
}

std::optional<Failure> play(const Run& run) {
    Session session(run.trayHost);
    return session.play(run.steps);
}

// The fewest steps that still break the same invariant: the sequence is cut after the failing step, then chunks of
// steps are left out, from halves down to single steps, while the failure stays (for five minutes at most).
Run shrink(Run run, const Failure& failure) {
    run.steps.resize(static_cast<std::size_t>(failure.step) + 1);
    const auto stillFails = [&](const Run& candidate) {
        const std::optional<Failure> found = play(candidate);
        return found && found->invariant == failure.invariant;
    };
    QElapsedTimer clock;
    clock.start();
    // Most failures need only the last few steps: the shortest failing tail of 8, 16, 32 ... steps is tried first,
    // each trial far shorter than the whole run.
    for (std::size_t tail = 8; tail < run.steps.size(); tail *= 2) {
        Run candidate = run;
        candidate.steps.erase(candidate.steps.begin(), candidate.steps.end() - static_cast<std::ptrdiff_t>(tail));
        if (stillFails(candidate)) {
            run = candidate;
            break;
        }
    }
    for (std::size_t chunk = run.steps.size() / 2; chunk >= 1 && clock.elapsed() < 300000; chunk /= 2) {
        for (std::size_t from = 0; from < run.steps.size() && clock.elapsed() < 300000;) {
            Run candidate = run;
            const auto first = candidate.steps.begin() + static_cast<std::ptrdiff_t>(from);
            candidate.steps.erase(first, first + static_cast<std::ptrdiff_t>(std::min(chunk, run.steps.size() - from)));
            if (!candidate.steps.empty() && stillFails(candidate)) {
                run = candidate;
            } else {
                from += chunk;
            }
        }
    }
    return run;
}

void report(const QString& origin, const Run& run, const Failure& failure) {
    const Run shortest = shrink(run, failure);
    const std::optional<Failure> again = play(shortest);
    const Failure& shown = again ? *again : failure;
    std::fprintf(stderr,
                 "\n%s\nbroken invariant: %s\n%s\nafter step %d of %zu; shrunk to %zu steps:\n"
                 "SCRIBBET_STATEFUL_REPLAY=\"%s\"\n\n",
                 qPrintable(origin), qPrintable(shown.invariant), qPrintable(shown.detail), failure.step + 1,
                 run.steps.size(), shortest.steps.size(), qPrintable(formatRun(shortest)));
}

int envInt(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

} // namespace

class TestStateful : public QObject {
    Q_OBJECT

private slots:
    void randomSequencesKeepTheInvariants() {
        if (qEnvironmentVariableIsSet("SCRIBBET_STATEFUL_REPLAY")) {
            const std::optional<Run> run = parseRun(qEnvironmentVariable("SCRIBBET_STATEFUL_REPLAY"));
            QVERIFY2(run, "SCRIBBET_STATEFUL_REPLAY: steps are name:number, separated by spaces");
            const std::optional<Failure> failure = play(*run);
            QVERIFY2(!failure, failure ? qPrintable(QStringLiteral("step %1 broke %2: %3")
                                                        .arg(failure->step + 1)
                                                        .arg(failure->invariant, failure->detail))
                                       : "");
            return;
        }
        // CI: a few thousand steps, in sessions long enough to build up notes, categories and backups.
        const auto seed = static_cast<std::uint32_t>(envInt("SCRIBBET_STATEFUL_SEED", 20261208));
        const int steps = envInt("SCRIBBET_STATEFUL_STEPS", 600);
        int sessions = envInt("SCRIBBET_STATEFUL_SESSIONS", 4);
        // Under the sanitizers a long run plays fewer sessions: memory faults need no volume, and the slowdown would
        // take it past any time limit.
        if (figures::kSanitized) {
            sessions = std::min(sessions, std::max(1, 9600 / std::max(1, steps)));
        }
        for (int s = 0; s < sessions; ++s) {
            const std::uint32_t sessionSeed = seed + static_cast<std::uint32_t>(s);
            const Run run = drawRun(sessionSeed, steps);
            if (const std::optional<Failure> failure = play(run)) {
                report(QStringLiteral("SCRIBBET_STATEFUL_SEED=%1 SCRIBBET_STATEFUL_STEPS=%2 "
                                      "SCRIBBET_STATEFUL_SESSIONS=1")
                           .arg(sessionSeed)
                           .arg(steps),
                       run, *failure);
                QFAIL(qPrintable(QStringLiteral("seed %1: %2").arg(sessionSeed).arg(failure->invariant)));
            }
            figures::add(figures::kCases, steps);
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestStateful tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "test_stateful.moc"

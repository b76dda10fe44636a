// Archiving a data folder of 10,000 small notes: writeFolderArchive against Info-ZIP's "zip -r -9 -q" on the same
// folder, in the same run. Prints the ratio of the two real times at the end (at most 1.0 is the goal).
#include "backup/Archive.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

constexpr int kNotes = 10000;

// A data folder as a year of notes leaves it: 16-letter names, a few lines to a few pages of text each.
class NoteFolder {
public:
    NoteFolder() {
        const char* words[] = {"note",  "meeting", "the",     "and",     "remember", "call",
                               "buy",   "milk",    "project", "idea",    "todo",     "tomorrow",
                               "about", "with",    "price",   "address", "phone"};
        QRandomGenerator random(2026);
        QDir().mkpath(data());
        for (int i = 0; i < kNotes; ++i) {
            QString name;
            for (int c = 0; c < 16; ++c) {
                name += QLatin1Char(static_cast<char>((random.bounded(2) != 0 ? 'A' : 'a') + random.bounded(26)));
            }
            QByteArray text;
            const int length = 20 + static_cast<int>(random.bounded(2000));
            while (text.size() < length) {
                text += words[random.bounded(static_cast<int>(std::size(words)))];
                text += random.bounded(12) == 0 ? "\r\n" : " ";
            }
            QFile file(data() + QLatin1Char('/') + name + QStringLiteral(".txt"));
            if (!file.open(QIODevice::WriteOnly) || file.write(text + "\r\n") < 0) {
                std::abort();
            }
        }
    }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    QString archive() const { return m_dir.filePath(QStringLiteral("backup.dat")); }

private:
    QTemporaryDir m_dir;
};

NoteFolder& folder() {
    static NoteFolder notes;
    return notes;
}

void BM_WriteFolderArchive(benchmark::State& state) {
    for (auto _ : state) {
        if (!writeFolderArchive(folder().data(), folder().archive())) {
            state.SkipWithError("writeFolderArchive failed");
            break;
        }
    }
}

void BM_InfoZip(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty()) {
        state.SkipWithError("zip is not installed");
        return;
    }
    // Made afresh each time: on an existing archive zip would only update it.
    const std::string command = "cd '" + folder().data().toStdString() + "' && rm -f '" +
                                folder().archive().toStdString() + "' && zip -r -9 -q '" +
                                folder().archive().toStdString() + "' .";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("zip failed");
            break;
        }
    }
}

BENCHMARK(BM_WriteFolderArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_InfoZip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The console report, keeping the real time of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    folder(); // the notes are written before any timing starts
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ours = reporter.times.find("BM_WriteFolderArchive/iterations:5/real_time");
    const auto zip = reporter.times.find("BM_InfoZip/iterations:5/real_time");
    if (ours != reporter.times.end() && zip != reporter.times.end() && zip->second > 0) {
        std::printf("writeFolderArchive / zip -r -9 -q: %.2f\n", ours->second / zip->second);
    }
    benchmark::Shutdown();
    return 0;
}

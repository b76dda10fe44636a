#include "Figures.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <vector>

namespace figures {
namespace {

struct Figure {
    std::string name;
    std::string label;
    double limitMs = 0;
    std::string reference; // for a ratio
    double limitRatio = 0;
    bool isReference = false;
    double extraMs = -1; // with reference: a limit above its median instead of a ratio
    bool measuredByRun = false;
};

std::vector<Figure>& registered() {
    static std::vector<Figure> all;
    return all;
}

void add(Figure figure, int runs, Body body) {
    // One operation per run, many runs: the median is that of single operations, as a user meets them.
    benchmark::internal::Benchmark* benchmark =
        benchmark::RegisterBenchmark(figure.name.c_str(),
                                     [body = std::move(body)](benchmark::State& state) { body(state); })
            ->Iterations(1)
            ->Repetitions(runs)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    if (figure.measuredByRun) {
        benchmark->UseManualTime();
    } else {
        benchmark->UseRealTime();
    }
    registered().push_back(std::move(figure));
}

class Reporter : public benchmark::ConsoleReporter {
public:
    // Without colours: the report goes to a log file.
    Reporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> medians;
};

std::vector<std::function<std::string()>>& laterRows() {
    static std::vector<std::function<std::string()>> all;
    return all;
}

std::string milliseconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : "%.1f ms", ms);
    return text;
}

std::string number(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void timed(const std::string& name, const std::string& label, double limitMs, int runs, Body body) {
    add({name, label, limitMs, {}, 0, false}, runs, std::move(body));
}

void measured(const std::string& name, const std::string& label, double limitMs, int runs, Body body) {
    add({name, label, limitMs, {}, 0, false, -1, true}, runs, std::move(body));
}

void compared(const std::string& name, const std::string& label, const std::string& reference, double limitRatio,
              int runs, Body body) {
    add({name, label, 0, reference, limitRatio, false}, runs, std::move(body));
}

void above(const std::string& name, const std::string& label, const std::string& reference, double extraMs, int runs,
           Body body) {
    add({name, label, 0, reference, 0, false, extraMs}, runs, std::move(body));
}

void reference(const std::string& name, const std::string& label, int runs, Body body) {
    add({name, label, 0, {}, 0, true}, runs, std::move(body));
}

void afterwards(std::function<std::string()> row) {
    laterRows().push_back(std::move(row));
}

void runAndPrint() {
    Reporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::map<std::string, const Figure*> byName;
    for (const Figure& figure : registered()) {
        byName[figure.name] = &figure;
    }
    for (const Figure& figure : registered()) {
        const auto median = reporter.medians.find(figure.name);
        if (figure.isReference || median == reporter.medians.end()) {
            continue;
        }
        std::string target = "-";
        std::string ratio;
        std::string holds;
        if (!figure.reference.empty() && figure.extraMs >= 0) {
            const auto theirs = reporter.medians.find(figure.reference);
            target = "<= " + byName[figure.reference]->label + " + " + milliseconds(figure.extraMs);
            if (theirs != reporter.medians.end()) {
                target += " = " + milliseconds(theirs->second + figure.extraMs);
                holds = median->second <= theirs->second + figure.extraMs ? "yes" : "NO";
            } else {
                holds = "NO";
            }
        } else if (!figure.reference.empty()) {
            target = number("ratio <= %.1f", figure.limitRatio);
            const auto theirs = reporter.medians.find(figure.reference);
            if (theirs != reporter.medians.end() && theirs->second > 0) {
                const double value = median->second / theirs->second;
                ratio = number("%.2f", value) + " (" + byName[figure.reference]->label + " " +
                        milliseconds(theirs->second) + ")";
                holds = value <= figure.limitRatio ? "yes" : "NO";
            } else {
                holds = "NO";
            }
        } else if (figure.limitMs > 0) {
            target = "<= " + milliseconds(figure.limitMs);
            holds = median->second <= figure.limitMs ? "yes" : "NO";
        }
        std::printf("%s\t%s\t%s\t%s\t%s\n", figure.label.c_str(), milliseconds(median->second).c_str(), target.c_str(),
                    ratio.c_str(), holds.c_str());
    }
    for (const auto& row : laterRows()) {
        const std::string text = row();
        if (!text.empty()) {
            std::printf("%s\n", text.c_str());
        }
    }
    std::fflush(stdout);
}

} // namespace figures

#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

// The rows of the benchmark table. A figure is the median real time of single runs of one benchmark; its target is a
// limit in milliseconds, or a limit on its ratio to a reference program's median measured in the same run.
namespace figures {

using Body = std::function<void(benchmark::State&)>;

// A figure with a limit in milliseconds (0: shown for scale, no target).
void timed(const std::string& name, const std::string& label, double limitMs, int runs, Body body);
// A figure whose target is its median over the median of reference (a benchmark registered with reference()).
void compared(const std::string& name, const std::string& label, const std::string& reference, double limitRatio,
              int runs, Body body);
// A figure whose target is at most extraMs above the median of reference (any other figure or reference).
void above(const std::string& name, const std::string& label, const std::string& reference, double extraMs, int runs,
           Body body);
// A figure that each run measures itself and reports with state.SetIterationTime (seconds), such as the longest wait
// of the window during an operation; limit in milliseconds as with timed().
void measured(const std::string& name, const std::string& label, double limitMs, int runs, Body body);
// A reference program's run; not a row of its own.
void reference(const std::string& name, const std::string& label, int runs, Body body);

// A row of another kind (a size, say), made after the benchmarks ran: figure, value, target, ratio and holds,
// separated by tabs; nothing when what it compares was not measured in this run.
void afterwards(std::function<std::string()> row);

// Runs the benchmarks that the command line selects, with Google Benchmark's report on stderr, and prints the rows
// on stdout: figure, median, target, ratio, and whether the target holds, separated by tabs.
void runAndPrint();

} // namespace figures

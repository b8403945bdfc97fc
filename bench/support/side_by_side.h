#pragma once

// For benchmarks that run a piece of the app side by side with a reference doing the same
// work directly, and print how the two compare after Google Benchmark's table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// The fastest of the repetitions is the least disturbed by other work on the machine.
inline double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// Repeats a benchmark and adds the fastest repetition as its "min" aggregate, which
// FastestTimes keeps: `BENCHMARK(BM_Draw)->Apply(bench::fastestOf<5>)`.
template <int Repetitions>
void fastestOf(benchmark::internal::Benchmark* benchmark) {
    benchmark->Repetitions(Repetitions)->ComputeStatistics("min", fastest);
}

// Keeps the fastest real time per iteration of every benchmark, to compare them after the
// table: single runs and the "min" aggregate of repetitions count, failed runs do not.
class FastestTimes : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type != Run::RT_Iteration && run.aggregate_name != "min") continue;
            const double time =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += '/' + run.run_name.args;
            const auto known = seconds_.find(name);
            if (known == seconds_.end() || time < known->second) seconds_[name] = time;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Seconds per iteration of a benchmark named with its arguments ("BM_Parse/5120"); none
    // when it did not run.
    [[nodiscard]] std::optional<double> seconds(const std::string& name) const {
        const auto found = seconds_.find(name);
        if (found == seconds_.end()) return std::nullopt;
        return found->second;
    }

private:
    std::map<std::string, double> seconds_;
};

// Keeps the best throughput of every benchmark over its repetitions (its items per second, else
// its iterations per second; failed runs do not count), and prints how two compare.
class BestThroughputs : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const double seconds = run.real_accumulated_time;
            const auto items = run.counters.find("items_per_second");
            double perSecond = 0;
            if (items != run.counters.end()) {
                perSecond = items->second.value;
            } else if (seconds > 0) {
                perSecond = run.iterations / seconds;
            }
            double& best = perSecond_[run.run_name.function_name];
            best = std::max(best, perSecond);
        }
    }

    // The best rate of the benchmark function of that name; 0 when it did not run.
    [[nodiscard]] double rate(const std::string& name) const {
        const auto found = perSecond_.find(name);
        return found == perSecond_.end() ? 0 : found->second;
    }

    // Prints "what: ratio (a vs b unit)" when both ran.
    void printRatio(const char* what, const std::string& mine, const std::string& theirs,
                    const char* unit) const {
        const double a = rate(mine);
        const double b = rate(theirs);
        if (a > 0 && b > 0) std::printf("%s: %.2f (%.0f vs %.0f %s)\n", what, a / b, a, b, unit);
    }

private:
    std::map<std::string, double> perSecond_;
};

// Runs the benchmarks this program registers, reporting to `reporter`; false, with nothing run,
// when the command line holds arguments Google Benchmark does not know.
inline bool runBenchmarks(int& argc, char** argv, benchmark::BenchmarkReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

}  // namespace bench

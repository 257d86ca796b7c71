// The check and the chart's counting over a full history of 1,000,073 lines (generated once
// into a temporary directory), and the row rules alone on one line.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>

#include "bench/quality_history.h"
#include "quality/frequency_chart.h"
#include "quality/record_check.h"
#include "quality/row_rules.h"

namespace kl8 {
namespace {

// The history file, made on first use and removed at exit.
class HistoryFile {
   public:
    static const std::filesystem::path& path() {
        static HistoryFile file;
        return file.path_;
    }

   private:
    HistoryFile() {
        std::string dir = (std::filesystem::temp_directory_path() / "kl8-quality-bench-XXXXXX");
        if (mkdtemp(dir.data()) == nullptr) std::abort();
        dir_ = dir;
        path_ = dir_ / "record.txt";
        if (!bench::write_history(path_, bench::FULL_HISTORY_DAYS)) std::abort();
    }
    ~HistoryFile() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path dir_;
    std::filesystem::path path_;
};

double peak_rss_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_CheckFullHistory(benchmark::State& state) {
    const auto& path = HistoryFile::path();
    const auto bytes = std::filesystem::file_size(path);
    std::int64_t lines = 0;
    for (auto _ : state) {
        const CheckResult result = check_record_file(path);
        if (result.read.outcome != ReadOutcome::ok || result.report.problem_count() != 0) {
            state.SkipWithError("the history does not check clean");
            return;
        }
        lines = result.report.lines;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["peak_rss_MiB"] = peak_rss_mib();
}
BENCHMARK(BM_CheckFullHistory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChartCountsFullHistory(benchmark::State& state) {
    const auto& path = HistoryFile::path();
    std::int64_t draws = 0;
    for (auto _ : state) {
        FrequencyCounter counter({}, {});
        const ReadResult read =
            read_record_lines(path, [&](const RecordLine& line) { counter.add_line(line); });
        const NumberFrequency f = counter.result();
        if (read.outcome != ReadOutcome::ok) state.SkipWithError("cannot read the history");
        draws = f.draws;
        benchmark::DoNotOptimize(render_frequency_svg(f, {}));
    }
    state.SetItemsProcessed(state.iterations() * draws);
    state.counters["peak_rss_MiB"] = peak_rss_mib();
}
BENCHMARK(BM_ChartCountsFullHistory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadLinesOnly(benchmark::State& state) {
    const auto& path = HistoryFile::path();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        std::int64_t n = 0;
        const ReadResult read =
            read_record_lines(path, [&](const RecordLine& line) { n += line.content.size(); });
        benchmark::DoNotOptimize(n);
        if (read.outcome != ReadOutcome::ok) state.SkipWithError("cannot read the history");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ReadLinesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RowRulesOneLine(benchmark::State& state) {
    const std::string line =
        "1000001,2024-01-05 09:05,7,01,05,08,12,17,20,23,29,31,36,40,44,47,52,58,61,66,70,74,79";
    RowChecker checker;
    RowCheck out;
    for (auto _ : state) {
        checker.check(line, out);
        benchmark::DoNotOptimize(out.numbers);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowRulesOneLine);

}  // namespace
}  // namespace kl8

BENCHMARK_MAIN();

// Cost of making one day's draw-list page without any server: the rows, then the page.
#include <benchmark/benchmark.h>

#include "tools/drawsite/draw_data.h"

namespace {

void BM_DrawsOfDay(benchmark::State& state) {
    const kl8::DateTime day = kl8::make_datetime(2020, 6, 15);
    for (auto _ : state)
        benchmark::DoNotOptimize(kl8::draws_of_day(day, kl8::DEFAULT_ROWS_PER_DAY));
}
BENCHMARK(BM_DrawsOfDay);

void BM_RenderPage(benchmark::State& state) {
    const kl8::DateTime day = kl8::make_datetime(2020, 6, 15);
    const auto rows = kl8::draws_of_day(day, kl8::DEFAULT_ROWS_PER_DAY);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string page = kl8::render_page(day, rows);
        bytes = page.size();
        benchmark::DoNotOptimize(page.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RenderPage);

void BM_DayPageFromNothing(benchmark::State& state) {
    int d = 0;
    for (auto _ : state) {
        const kl8::DateTime day = kl8::add_days(kl8::make_datetime(2012, 1, 1), d++ % 4000);
        benchmark::DoNotOptimize(kl8::render_page(day, kl8::draws_of_day(day, 179)));
    }
}
BENCHMARK(BM_DayPageFromNothing);

}  // namespace

BENCHMARK_MAIN();

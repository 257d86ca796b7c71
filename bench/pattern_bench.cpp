// create() plus reading every capture, over a draw-list page of 179 rows built from the row
// markup that the draw-row pattern recognises, as the harvest reads it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/gbk_literals.h"
#include "harvest/draw_row_pattern.h"
#include "pattern/regex_matcher.h"

namespace kl8 {
namespace {

constexpr int ROWS = 179;

std::vector<std::string> row_values(int draw) {
    std::vector<std::string> values = {std::to_string(2024000 + draw), "2024-05-01 09:05", "1.5"};
    for (int k = 1; k <= 20; ++k) {
        const int ball = (draw * 7 + k * 3) % 80 + 1;
        values.push_back(ball < 10 ? "0" + std::to_string(ball) : std::to_string(ball));
    }
    return values;
}

// Each row is the pattern's text with its quotes back and each "(.*)" replaced by a value. A
// row begins with a line feed, so the rows are joined by a line that the feed ends.
const Text& page() {
    static const Text built = [] {
        const std::string pattern =
            replace_text(draw_row_pattern(), Text(gbk::QUOTE_MARKER), Text("\""), true).str();
        // "北京快乐8 开奖结果" in code page 936, so the page is not pure ASCII.
        std::string out =
            "<html><head><title>\xB1\xB1\xBE\xA9\xBF\xEC\xC0\xD6"
            "8 \xBF\xAA\xBD\xB1\xBD\xE1\xB9\xFB</title></head><body>\n<table>\n\t\t\t<tr>";
        for (int draw = 1; draw <= ROWS; ++draw) {
            std::size_t from = 0;
            for (const std::string& v : row_values(draw)) {
                const std::size_t at = pattern.find("(.*)", from);
                out += pattern.substr(from, at - from) + v;
                from = at + 4;
            }
            out += pattern.substr(from) + "\n\t\t\t<tr>";
        }
        out += "\n</table></body></html>\n";
        return Text(std::move(out));
    }();
    return built;
}

void check_page() {
    RegexMatcher m;
    bool ok =
        m.create(draw_row_pattern(), page(), false, false, true, true) && m.match_count() == ROWS;
    for (int i = 1; ok && i <= ROWS; ++i) {
        const std::vector<std::string> expected = row_values(i);
        for (int j = 1; j <= DRAW_ROW_FIELDS; ++j)
            ok = ok && m.submatch_text(i, j).str() == expected[j - 1];
    }
    if (!ok) {
        std::fprintf(stderr, "the page does not give %d rows of the expected fields\n", ROWS);
        std::exit(1);
    }
}

void set_jit(benchmark::State& state) {
    set_jit_enabled(state.range(0) != 0);
    state.SetLabel(state.range(0) != 0 ? "jit" : "interpreter");
}

void BM_CreateAndReadEveryCapture(benchmark::State& state) {
    set_jit(state);
    const Text& subject = page();
    for (auto _ : state) {
        RegexMatcher m;
        m.create(draw_row_pattern(), subject, false, false, true, true);
        const int n = m.match_count();
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= DRAW_ROW_FIELDS; ++j)
                benchmark::DoNotOptimize(m.submatch_text(i, j));
        m.destroy();
    }
    state.SetBytesProcessed(state.iterations() * subject.length());
    set_jit_enabled(true);
}
BENCHMARK(BM_CreateAndReadEveryCapture)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_CreateOnly(benchmark::State& state) {
    set_jit(state);
    const Text& subject = page();
    for (auto _ : state) {
        RegexMatcher m;
        benchmark::DoNotOptimize(m.create(draw_row_pattern(), subject, false, false, true, true));
    }
    state.SetBytesProcessed(state.iterations() * subject.length());
    set_jit_enabled(true);
}
BENCHMARK(BM_CreateOnly)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The share of a page's cost that is the conversion of the subject to UTF-16 units.
void BM_SubjectToUnits(benchmark::State& state) {
    const Text& subject = page();
    for (auto _ : state) benchmark::DoNotOptimize(text_to_u16(subject));
    state.SetBytesProcessed(state.iterations() * subject.length());
}
BENCHMARK(BM_SubjectToUnits)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kl8

int main(int argc, char** argv) {
    kl8::check_page();
    std::printf("page: %d bytes, %d rows\n", kl8::page().length(), kl8::ROWS);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

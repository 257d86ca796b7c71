#include "quality/check_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/quality/quality_fixtures.h"

namespace kl8 {
namespace {

const DateTime JAN_1 = make_datetime(2024, 1, 1);

struct CommandRun {
    int code;
    std::string out;
    std::string err;
};

CommandRun check(const std::vector<std::string>& args, const std::filesystem::path& default_file) {
    std::ostringstream out, err;
    const int code = run_check_command(args, default_file, out, err);
    return {code, out.str(), err.str()};
}

CommandRun chart(const std::vector<std::string>& args, const std::filesystem::path& default_file) {
    std::ostringstream out, err;
    const int code = run_chart_command(args, default_file, out, err);
    return {code, out.str(), err.str()};
}

class CheckCommandTest : public ::testing::Test {
   protected:
    void SetUp() override {
        clean_ = test::write_file(dir_ / "clean.txt",
                                  test::record_text_of(test::history_rows(JAN_1, {5, 5, 5})));
        std::string faulty = test::record_text_of(test::history_rows(JAN_1, {5, 5, 5, 0, 5}));
        faulty += "1,2024-01-05 09:30,81,x\r\n";
        faulty_ = test::write_file(dir_ / "faulty.txt", faulty);
    }
    test::TempDir dir_;
    std::filesystem::path clean_;
    std::filesystem::path faulty_;
};

TEST_F(CheckCommandTest, ExitCodes) {
    struct Case {
        std::vector<std::string> args;
        int code;
        bool report;  // a report on out, nothing on err
        const char* why;
    };
    const std::string clean = clean_.string();
    const std::string faulty = faulty_.string();
    const Case cases[] = {
        {{clean}, 0, true, "a clean file"},
        {{clean, "--json"}, 0, true, "a clean file, as JSON"},
        {{"--json", clean}, 0, true, "the option before the file"},
        {{faulty}, 1, true, "a file with problems"},
        {{faulty, "--json"}, 1, true, "a file with problems, as JSON"},
        {{}, 0, true, "the default file"},
        {{(dir_ / "missing.txt").string()}, 2, false, "a missing file"},
        {{dir_.path().string()}, 2, false, "a directory"},
        {{clean, faulty}, 2, false, "two files"},
        {{clean, "--jsn"}, 2, false, "an unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const CommandRun r = check(c.args, clean_);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out.empty(), !c.report) << r.out;
        EXPECT_EQ(r.err.empty(), c.report) << r.err;
    }
}

TEST_F(CheckCommandTest, TextReportForPeople) {
    const CommandRun r = check({faulty_.string()}, clean_);
    ASSERT_EQ(r.code, 1);
    const char* expected_lines[] = {
        "Lines: 21 (20 keep every rule)\n",
        "Days: 2024-01-01 to 2024-01-05, 5 days, 4 with draws\n",
        "First draw: 1, 2024-01-05 09:30 (line 21)\n",
        "Last draw: 100020, 2024-01-05 09:25 (line 20)\n",
        "Rule breaks: 1 on 1 line\n  line 21: has 4 fields, not 23\n",
        "Duplicate draw numbers: none\n",
        "Gaps in draw numbers: 1, 99999 numbers missing\n"
        "  draws 2 to 100000 missing (99999), between 2024-01-05 and 2024-01-01\n",
        "Days without draws: 1 day in 1 range\n  2024-01-04 (1 day)\n",
        "Short days: none\n",
        "Result: 3 problems\n",
    };
    for (const char* line : expected_lines) {
        SCOPED_TRACE(line);
        EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    }
}

TEST_F(CheckCommandTest, JsonReportForMachines) {
    const CommandRun r = check({faulty_.string(), "--json"}, clean_);
    ASSERT_EQ(r.code, 1);
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["file"], faulty_.string());
    EXPECT_EQ(j["lines"], 21);
    EXPECT_EQ(j["good_rows"], 20);
    EXPECT_EQ(j["days"]["first"], "2024-01-01");
    EXPECT_EQ(j["days"]["covered"], 5);
    EXPECT_EQ(j["days"]["with_draws"], 4);
    EXPECT_EQ(j["first_draw"]["number"], 1);
    EXPECT_EQ(j["last_draw"]["time"], "2024-01-05 09:25");
    EXPECT_EQ(j["rule_breaks"]["count"], 1);
    EXPECT_EQ(j["rule_breaks"]["listed"][0]["line"], 21);
    EXPECT_EQ(j["rule_breaks"]["listed"][0]["rule"], "field_count");
    EXPECT_EQ(j["rule_breaks"]["listed"][0]["field_count"], 4);
    EXPECT_EQ(j["gaps"]["listed"][0]["first"], 2);
    EXPECT_EQ(j["gaps"]["listed"][0]["day_after"], "2024-01-01");
    EXPECT_EQ(j["missing_days"]["listed"][0]["first"], "2024-01-04");
    EXPECT_EQ(j["short_days"]["count"], 0);
    EXPECT_EQ(j["problems"], 3);
    EXPECT_EQ(j["ok"], false);

    const nlohmann::json clean = nlohmann::json::parse(check({"--json"}, clean_).out);
    EXPECT_EQ(clean["ok"], true);
    EXPECT_EQ(clean["problems"], 0);
    EXPECT_TRUE(clean["rule_breaks"]["listed"].empty());
}

TEST_F(CheckCommandTest, HostileBytesStayValidAndHarmless) {
    // Code page 936 text, control bytes, quotes and a stray lead byte in the fields, and a file
    // name that is not UTF-8.
    const std::string bad_line = std::string("\"\x1B[31m\xB1\xB1,\x01\\\0,\xFF\x1B,", 16) +
                                 "01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,18,19,20\r\n";
    const auto path = test::write_file(dir_ / "\xB2\xCA\xC6\xB1.txt", bad_line);
    for (bool json : {false, true}) {
        SCOPED_TRACE(json ? "json" : "text");
        std::vector<std::string> args = {path.string()};
        if (json) args.push_back("--json");
        const CommandRun r = check(args, clean_);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
        EXPECT_EQ(r.out.find('\x01'), std::string::npos);
        if (json) {
            EXPECT_TRUE(nlohmann::json::accept(r.out)) << r.out;
        }
    }
}

TEST_F(CheckCommandTest, ChartArguments) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* why;
    };
    const std::string svg = (dir_ / "chart.svg").string();
    const std::string clean = clean_.string();
    const Case cases[] = {
        {{clean, "--out", svg}, 0, "file and output"},
        {{"--out", svg}, 0, "the default file"},
        {{"--out=" + svg, clean}, 0, "--out=FILE before the file"},
        {{clean, "--out", svg, "--from", "2024-01-02", "--to", "2024/1/2"}, 0, "a range"},
        {{clean, "--out", svg, "--from", "\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x92\xEF\xBC\x94/1/2"},
         0,
         "full-width digits (UTF-8 argument)"},
        {{clean, "--out", svg, "--from", "2030-01-01"}, 0, "no draws in the range"},
        {{clean}, 2, "--out missing"},
        {{clean, "--out"}, 2, "--out without its value"},
        {{clean, "--out", svg, "--from", "yesterday"}, 2, "a day that is not a date"},
        {{clean, "--out", svg, "--from", "2024-02-30"}, 2, "no such day"},
        {{clean, "--out", svg, "--from", "2024-01-03", "--to", "2024-01-02"},
         2,
         "--from after --to"},
        {{clean, "--out", svg, "--colour", "red"}, 2, "an unknown option"},
        {{clean, clean, "--out", svg}, 2, "two files"},
        {{clean, "--out", svg, "--out", svg}, 2, "--out twice"},
        {{(dir_ / "missing.txt").string(), "--out", svg}, 2, "a missing file"},
        {{clean, "--out", (dir_ / "no-such-dir" / "c.svg").string()},
         2,
         "a chart that cannot be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove(svg);
        const CommandRun r = chart(c.args, clean_);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(std::filesystem::exists(svg), c.code == 0);
        EXPECT_EQ(r.err.empty(), c.code == 0) << r.err;
    }
}

TEST_F(CheckCommandTest, ChartOfARange) {
    const auto svg = dir_ / "chart.svg";
    const CommandRun r = chart(
        {clean_.string(), "--out", svg.string(), "--from", "2024/1/2", "--to", "2024/1/3"}, clean_);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Chart of 10 draws, 2024-01-02 to 2024-01-03, written to"),
              std::string::npos)
        << r.out;
    const std::string written = test::read_file(svg);
    EXPECT_NE(written.find("2024-01-02 to 2024-01-03: 10 draws, each number expected 2.5 times"),
              std::string::npos);
}

}  // namespace
}  // namespace kl8

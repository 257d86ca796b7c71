#include "harvest/harvest_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "web/draw_site.h"

namespace kl8 {
namespace {

const char PREFIX[] = "\xB5\xB1\xC7\xB0\xB5\xBC\xB3\xF6\xCA\xFD\xBE\xDD\xA3\xBA";  // 当前导出数据：
const char NIAN[] = "\xC4\xEA", YUE[] = "\xD4\xC2", RI[] = "\xC8\xD5";

Text long_day(int y, int m, int d) {
    return Text(std::to_string(y) + NIAN + std::to_string(m) + YUE + std::to_string(d) + RI);
}

struct Step {
    Text day_text;
    bool finished;
};

// Drives the plan as a harvest does, at most limit steps.
std::vector<Step> run_plan(HarvestState& state, int limit = 100) {
    std::vector<Step> steps;
    for (int i = 0; i < limit; ++i) {
        Text day = state.advance_day();
        state.set_day_url(day);
        steps.push_back({day, state.is_finished()});
        if (steps.back().finished) break;
    }
    return steps;
}

TEST(HarvestStateTest, WalksFromTheStartDayToTomorrow) {
    setenv("KL8_SITE", "example.com", 1);
    HarvestState state;
    ASSERT_EQ(state.begin_plan(make_datetime(2014, 9, 7), make_datetime(2014, 9, 9, 15, 20)),
              PlanResult::ok);
    EXPECT_EQ(state.end_text, Text("2014/9/10"));
    EXPECT_EQ(state.current_date, make_datetime(2014, 9, 6));

    std::vector<Text> expected_days = {"2014/9/7", "2014/9/8", "2014/9/9", "2014/9/10"};
    HarvestState copy = state;
    std::vector<Step> steps = run_plan(copy);
    ASSERT_EQ(steps.size(), expected_days.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].day_text, expected_days[i]);
        EXPECT_EQ(steps[i].finished, i + 1 == steps.size());
    }
    EXPECT_EQ(copy.day_url, Text("http://example.com/lottery/draw/list/543?d=2014/9/10"));

    state.advance_day();
    EXPECT_EQ(state.progress_text(), concat_text(Text(PREFIX), long_day(2014, 9, 7)));
    unsetenv("KL8_SITE");
}

TEST(HarvestStateTest, DaySequences) {
    struct Case {
        DateTime start, now;
        std::vector<Text> days;
        const char* why;
    };
    const Case cases[] = {
        {make_datetime(2014, 9, 10), make_datetime(2014, 9, 9), {"2014/9/10"}, "start tomorrow: one day"},
        {make_datetime(2014, 9, 9), make_datetime(2014, 9, 9), {"2014/9/9", "2014/9/10"}, "start today"},
        {make_datetime(2014, 12, 31), make_datetime(2015, 1, 1), {"2014/12/31", "2015/1/1", "2015/1/2"},
         "year end"},
        {make_datetime(2012, 2, 28), make_datetime(2012, 2, 29), {"2012/2/28", "2012/2/29", "2012/3/1"},
         "leap day"},
        {make_datetime(2014, 9, 9), make_datetime(2014, 9, 9, 23, 59, 59), {"2014/9/9", "2014/9/10"},
         "begun a second before midnight: the end stays fixed"},
        {make_datetime(2014, 9, 9, 13, 5), make_datetime(2014, 9, 9), {"2014/9/9", "2014/9/10"},
         "a time of day on the start day does not matter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        HarvestState state;
        ASSERT_EQ(state.begin_plan(c.start, c.now), PlanResult::ok);
        std::vector<Step> steps = run_plan(state);
        std::vector<Text> days;
        for (const Step& s : steps) days.push_back(s.day_text);
        EXPECT_EQ(days, c.days);
        EXPECT_TRUE(steps.back().finished);
        EXPECT_EQ(planned_day_count(c.start, c.now), static_cast<int>(c.days.size()));
    }
}

TEST(HarvestStateTest, ProgressTextKeepsTheStartTimeOfDay) {
    HarvestState state;
    ASSERT_EQ(state.begin_plan(make_datetime(2014, 9, 7, 13, 5), make_datetime(2014, 9, 9)),
              PlanResult::ok);
    state.advance_day();
    EXPECT_EQ(state.progress_text(),
              concat_text(Text(PREFIX), long_day(2014, 9, 7), Text("13\xCA\xB1" "5\xB7\xD6")));
}

TEST(HarvestStateTest, StartAfterTomorrowIsRefusedAndChangesNothing) {
    HarvestState state;
    ASSERT_EQ(state.begin_plan(make_datetime(2014, 9, 7), make_datetime(2014, 9, 9)), PlanResult::ok);
    state.set_page_text("page");
    EXPECT_EQ(state.begin_plan(make_datetime(2014, 9, 11), make_datetime(2014, 9, 9, 23, 59, 59)),
              PlanResult::start_after_end);
    EXPECT_EQ(state.end_text, Text("2014/9/10"));
    EXPECT_EQ(state.current_date, make_datetime(2014, 9, 6));
    EXPECT_EQ(planned_day_count(make_datetime(2014, 9, 11), make_datetime(2014, 9, 9)), 0);
}

TEST(HarvestStateTest, SecondPlanAndRelease) {
    HarvestState state;
    ASSERT_EQ(state.begin_plan(make_datetime(2014, 9, 7), make_datetime(2014, 9, 9)), PlanResult::ok);
    state.set_day_url(state.advance_day());
    state.set_page_text("page");
    Text url = state.day_url;
    ASSERT_EQ(state.begin_plan(make_datetime(2020, 1, 1), make_datetime(2020, 1, 1)), PlanResult::ok);
    EXPECT_EQ(state.end_text, Text("2020/1/2"));
    EXPECT_EQ(state.day_url, url);
    EXPECT_EQ(state.page_text, Text("page"));
    state.release_texts();
    EXPECT_TRUE(state.end_text.empty());
    EXPECT_TRUE(state.day_url.empty());
    EXPECT_TRUE(state.page_text.empty());
}

TEST(DrawSiteTest, HostDefaultsAndOverrides) {
    unsetenv("KL8_SITE");
    EXPECT_EQ(site_host(), Text("127.0.0.1:8543"));
    setenv("KL8_SITE", "", 1);
    EXPECT_EQ(site_host(), Text("127.0.0.1:8543"));
    setenv("KL8_SITE", "127.0.0.1:9000", 1);
    EXPECT_EQ(draw_list_url_prefix(), Text("http://127.0.0.1:9000/lottery/draw/list/543?d="));
    set_site_host("localhost:1");
    EXPECT_EQ(site_host(), Text("localhost:1"));
    set_site_host("");
    EXPECT_EQ(site_host(), Text("127.0.0.1:9000"));
    unsetenv("KL8_SITE");
}

}  // namespace
}  // namespace kl8

#include "foundation/fatal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <new>

#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

TEST(FatalTest, ReportText) {
    EXPECT_EQ(fatal_report_text(4, Text(gbk::MSG_INDEX_BELOW)),
              concat_text(Text(gbk::FATAL_HEADER), Text(gbk::FATAL_CODE_LABEL), Text("4\r\n\r\n"),
                          Text(gbk::FATAL_MESSAGE_LABEL), Text(gbk::MSG_INDEX_BELOW),
                          Text("\r\n")));
    // Code 0 has no code line; an empty message has no message line.
    EXPECT_EQ(fatal_report_text(0, "m"),
              concat_text(Text(gbk::FATAL_HEADER), Text(gbk::FATAL_MESSAGE_LABEL), Text("m\r\n")));
    EXPECT_EQ(fatal_report_text(0, ""), Text(gbk::FATAL_HEADER));
    // 运行时出错!\r\n\r\n in code page 936.
    EXPECT_EQ(Text(gbk::FATAL_HEADER).str(), "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n");
}

TEST(FatalTest, ReportGoesToTheInstalledReporterThenExitsWith255) {
    EXPECT_EXIT(
        {
            set_fatal_reporter([](const Text& report) {
                std::fprintf(stderr, "reporter saw %d bytes", report.length());
            });
            report_fatal_error(1, Text(gbk::MSG_INDEX_ABOVE));
        },
        testing::ExitedWithCode(255), "reporter saw 70 bytes");
}

TEST(FatalTest, DefaultReportIsUtf8OnStandardError) {
    EXPECT_EXIT(report_fatal_error(4, Text(gbk::MSG_INDEX_BELOW)), testing::ExitedWithCode(255),
                "运行时出错!.*错误代码：4.*数组成员引用下标必须大于等于1");
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(FatalTest, FailedAllocationIsReportedWithItsSize) {
    EXPECT_EXIT(
        {
            volatile std::size_t huge = std::size_t{1} << 60;
            char* p = new char[huge];
            p[0] = 1;
        },
        testing::ExitedWithCode(255), "分配 1152921504606846976 字节内存失败!");
}
#endif

}  // namespace
}  // namespace kl8

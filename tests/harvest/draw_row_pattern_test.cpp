#include "harvest/draw_row_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kl8 {
namespace {

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

TEST(DrawRowPatternTest, StoredFormHasItsFigures) {
    const std::string& p = draw_row_pattern().str();
    EXPECT_EQ(p.size(), 2896u);
    EXPECT_EQ(count_of(p, "#\xD2\xFD\xBA\xC5"), 52);
    EXPECT_EQ(std::count(p.begin(), p.end(), '\n') + 1, 31);
    EXPECT_EQ(p.front(), '\n');  // line 1 is empty
    EXPECT_NE(p.back(), '\n');
    EXPECT_EQ(p.find('\r'), std::string::npos);
    EXPECT_EQ(count_of(p, "(.*)"), DRAW_ROW_FIELDS);
    EXPECT_EQ(count_of(p, " \n") + count_of(p, "\t\n"), 0) << "no line ends in a space or tab";
    std::string engine_form = replace_text(draw_row_pattern(), "#\xD2\xFD\xBA\xC5", "\"", true).str();
    EXPECT_EQ(engine_form.size(), 2688u);
    EXPECT_TRUE(std::all_of(engine_form.begin(), engine_form.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

TEST(DrawRowPatternTest, LinesHaveTheirIndentation) {
    TextList lines = split_text(draw_row_pattern(), "\n");
    // split_text drops nothing here: the first line is empty and the last does not end in "\n".
    ASSERT_EQ(lines.count(), 31);
    const std::string s16(16, ' '), t4(4, '\t');
    const std::string q = "#\xD2\xFD\xBA\xC5";
    EXPECT_EQ(lines.at(1), Text(""));
    EXPECT_EQ(lines.at(2).str(), s16 + t4 + "<td class=" + q + "td1" + q + ">(.*)</td>");
    EXPECT_EQ(lines.at(4).str(), s16 + t4 + s16 + t4 + "(.*)");
    EXPECT_EQ(lines.at(7).str(),
              s16 + "\t\t\t\t\t" + std::string(40, ' ') + "<span class=" + q + "ball_extra" + q + ">(.*)</span>");
    EXPECT_EQ(lines.at(8).str(), std::string(52, ' ') + t4 + "</td>");
    for (int i = 11; i <= 29; ++i) {
        EXPECT_EQ(lines.at(i).str(), std::string(76, ' ') + "<span class=" + q + "ball_1" + q + ">(.*)</span>");
    }
    EXPECT_EQ(lines.at(31).str(), s16 + "\t\t\t</tr>");
}

}  // namespace
}  // namespace kl8

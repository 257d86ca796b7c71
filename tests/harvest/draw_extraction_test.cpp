#include "harvest/draw_extraction.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "harvest/draw_row_pattern.h"
#include "harvest/record_file.h"
#include "tests/support/site_process.h"

namespace kl8 {
namespace {

using Fields = std::array<std::string, DRAW_ROW_FIELDS>;

Fields fields_for(int n) {
    Fields f;
    f[0] = std::to_string(700000 + n);
    f[1] = "2024-01-05 09:" + std::to_string(10 + n);
    f[2] = std::to_string(1 + n % 80);
    for (int i = 0; i < 20; ++i) f[3 + i] = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1);
    return f;
}

// The row markup as the site writes it: the pattern with its quotes restored and each group
// replaced by its field. It starts with the line feed that ends the line before the row.
std::string row_markup(const Fields& f) {
    std::string row = replace_text(draw_row_pattern(), "#\xD2\xFD\xBA\xC5", "\"", true).str();
    for (const std::string& field : f) row.replace(row.find("(.*)"), 4, field);
    return row;
}

std::string line_of(const Fields& f) {
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i) line += (i ? "," : "") + f[i];
    return line;
}

std::string page_of(const std::vector<std::string>& rows) {
    std::string page = "<html><body><table>\n<tr class=\"head\"><td class=\"td1\">No.</td></tr>";
    for (const std::string& r : rows) page += r;
    return page + "\n</table></body></html>\n";
}

class ExtractionTest : public testing::Test {
  protected:
    void SetUp() override {
        file_ = RecordFile::open(dir_ / "out.txt");
        ASSERT_TRUE(file_->is_open()) << file_->error();
    }
    std::string written() { return test::read_file(dir_ / "out.txt"); }

    test::TempDir dir_{"extract"};
    std::shared_ptr<RecordFile> file_;
};

TEST_F(ExtractionTest, EveryRowBecomesOneLineInPageOrder) {
    std::vector<std::string> rows;
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(row_markup(fields_for(i)));
        expected += line_of(fields_for(i)) + "\r\n";
    }
    ExtractResult r = extract_draws(Text(page_of(rows)), file_.get());
    EXPECT_EQ(r.rows, 5);
    EXPECT_EQ(r.lines_written, 5);
    EXPECT_EQ(written(), expected);
}

TEST_F(ExtractionTest, RowsThatDifferFromTheMarkupAreSkipped) {
    struct Case {
        std::string page;
        std::string expected;
        const char* why;
    };
    Fields a = fields_for(1), b = fields_for(2);
    std::string good = row_markup(a);
    std::string extra_space = row_markup(b);
    extra_space.insert(extra_space.find("<td class=\"td2\">"), " ");
    std::string tab_for_spaces = row_markup(b);
    tab_for_spaces.replace(1, 4, "\t");
    std::string crlf_page = page_of({good});
    for (std::size_t at = crlf_page.find('\n'); at != std::string::npos; at = crlf_page.find('\n', at + 2))
        crlf_page.insert(at, "\r");
    std::string upper = row_markup(b);
    for (const char* tag : {"td", "span", "class", "ball_1", "tr"}) {
        std::string lower = tag, capital = tag;
        for (char& c : capital) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper = replace_text(Text(upper), Text(lower), Text(capital), true).str();
    }
    Fields empty_ball = b;
    empty_ball[7] = "";
    Fields two_closers = b;
    two_closers[5] = "x</span>y";
    Fields comma = b;
    comma[1] = "2024-01-05,09:12";
    const Case cases[] = {
        {page_of({good, extra_space}), line_of(a) + "\r\n", "one space more"},
        {page_of({tab_for_spaces, good}), line_of(a) + "\r\n", "a tab for spaces"},
        {crlf_page, "", "CR LF line ends match nothing"},
        {page_of({upper}), line_of(b) + "\r\n", "tags in capitals still match"},
        {page_of({row_markup(empty_ball)}), line_of(empty_ball) + "\r\n", "an empty capture"},
        {page_of({row_markup(two_closers)}), line_of(two_closers) + "\r\n",
         "a capture runs to the last closing tag"},
        {page_of({row_markup(comma)}), line_of(comma) + "\r\n", "a comma inside a field is kept"},
        {"", "", "the empty page"},
        {"<html>\xB2\xCA\xC6\xB1</html>", "", "a page without rows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir("extract-case");
        auto file = RecordFile::open(dir / "out.txt");
        extract_draws(Text(c.page), file.get());
        EXPECT_EQ(test::read_file(dir / "out.txt"), c.expected);
    }
}

TEST_F(ExtractionTest, AZeroByteEndsThePage) {
    std::string first = row_markup(fields_for(1));
    std::string page = page_of({first, row_markup(fields_for(2))});
    page.insert(page.find(first) + first.size(), std::string(1, '\0'));
    Text text = bytes_to_text(Bytes(page));
    EXPECT_EQ(extract_draws(text, file_.get()).rows, 1);
    EXPECT_EQ(written(), line_of(fields_for(1)) + "\r\n");
}

TEST_F(ExtractionTest, WithoutAFileTheLinesCountAsFailed) {
    ExtractResult r = extract_draws(Text(page_of({row_markup(fields_for(1))})), nullptr);
    EXPECT_EQ(r.rows, 1);
    EXPECT_EQ(r.lines_failed, 1);
}

}  // namespace
}  // namespace kl8

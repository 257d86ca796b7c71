#include "quality/record_reader.h"

#include <gtest/gtest.h>

#include "tests/quality/quality_fixtures.h"

namespace kl8 {
namespace {

struct Seen {
    std::string content;
    LineEnd end;
    bool cut;
    friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "{\"" << (s.content.size() > 40 ? s.content.substr(0, 40) + "..." : s.content)
              << "\" (" << s.content.size() << " bytes), end " << static_cast<int>(s.end)
              << (s.cut ? ", cut" : "") << "}";
}

std::vector<Seen> read_all(const std::filesystem::path& path, ReadResult* result = nullptr) {
    std::vector<Seen> seen;
    std::int64_t expected_number = 0;
    const ReadResult r = read_record_lines(path, [&](const RecordLine& line) {
        EXPECT_EQ(line.number, ++expected_number);
        seen.push_back({std::string(line.content), line.end, line.cut});
    });
    EXPECT_EQ(r.lines, static_cast<std::int64_t>(seen.size()));
    if (result) *result = r;
    return seen;
}

TEST(RecordReaderTest, LinesAndTheirEnds) {
    struct Case {
        std::string bytes;
        std::vector<Seen> expected;
        const char* why;
    };
    const LineEnd crlf = LineEnd::crlf;
    const LineEnd lf = LineEnd::lf_only;
    const LineEnd none = LineEnd::none;
    const Case cases[] = {
        {"", {}, "an empty file has no lines"},
        {"\r\n", {{"", crlf, false}}, "one empty line"},
        {"a\r\nb\r\n", {{"a", crlf, false}, {"b", crlf, false}}, "two lines"},
        {"a\nb\r\n", {{"a", lf, false}, {"b", crlf, false}}, "LF alone"},
        {"a\r\nb", {{"a", crlf, false}, {"b", none, false}}, "the last line without its end"},
        {"a\r\nb\r", {{"a", crlf, false}, {"b", none, false}}, "the last line with CR only"},
        {"a\r\r\n", {{"a\r", crlf, false}}, "only one CR belongs to the end"},
        {"a\rb\r\n", {{"a\rb", crlf, false}}, "a CR inside a line stays"},
        {std::string("a\0b\r\n", 5),
         {{std::string("a\0b", 3), crlf, false}},
         "a zero byte stays in the line"},
        {"\n\n", {{"", lf, false}, {"", lf, false}}, "bare line feeds"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto path = test::write_file(dir / "record.txt", c.bytes);
        ReadResult r;
        EXPECT_EQ(read_all(path, &r), c.expected);
        EXPECT_EQ(r.outcome, ReadOutcome::ok);
    }
}

TEST(RecordReaderTest, LinesAcrossBlockBoundaries) {
    // Each case puts the end of one line at a different place around the first block's end.
    struct Case {
        std::size_t first_line_bytes;  // content of line 1
        const char* end;               // what follows it
        LineEnd expected_end;
        const char* why;
    };
    const std::size_t block = READ_BLOCK_BYTES;
    const Case cases[] = {
        {block - 2, "\r\n", LineEnd::crlf, "CR LF are the block's last two bytes"},
        {block - 1, "\r\n", LineEnd::crlf, "the CR ends the block, the LF starts the next"},
        {block, "\r\n", LineEnd::crlf, "CR LF start the next block"},
        {block, "\n", LineEnd::lf_only, "a lone LF starts the next block"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        // Line 1 is a short line and line 2 is long, so that the boundary falls in line 2.
        const std::size_t long_bytes = c.first_line_bytes - 4;
        const std::string long_line(long_bytes, 'x');
        const auto path =
            test::write_file(dir / "record.txt", "ab\r\n" + long_line + c.end + "tail\r\n");
        const std::vector<Seen> seen = read_all(path);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], (Seen{"ab", LineEnd::crlf, false}));
        // Longer than MAX_LINE_BYTES, so line 2 is cut; its end must still be read right.
        EXPECT_EQ(seen[1].content.size(), MAX_LINE_BYTES);
        EXPECT_TRUE(seen[1].cut);
        EXPECT_EQ(seen[1].end, c.expected_end);
        EXPECT_EQ(seen[2], (Seen{"tail", LineEnd::crlf, false}));
    }
}

TEST(RecordReaderTest, ShortLinesAcrossABlockBoundaryAreWhole) {
    // Lines of 7 bytes + CR LF: 9 does not divide the block size, so lines straddle blocks.
    std::string text;
    const int count = static_cast<int>(READ_BLOCK_BYTES / 9) * 2 + 5;
    for (int i = 0; i < count; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%07d\r\n", i);
        text += line;
    }
    test::TempDir dir;
    const std::vector<Seen> seen = read_all(test::write_file(dir / "record.txt", text));
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%07d", i);
        if (seen[i] != Seen{line, LineEnd::crlf, false}) {
            ADD_FAILURE() << "line " << i + 1 << ": " << seen[i];
            break;
        }
    }
}

TEST(RecordReaderTest, LongLinesAreCutAndTheRestSkipped) {
    struct Case {
        std::size_t bytes;
        bool cut;
        const char* why;
    };
    const Case cases[] = {
        {MAX_LINE_BYTES, false, "exactly the limit"},
        {MAX_LINE_BYTES + 1, true, "one byte more"},
        {READ_BLOCK_BYTES * 2 + 17, true, "longer than two blocks"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string line(c.bytes, 'y');
        const std::vector<Seen> seen =
            read_all(test::write_file(dir / "record.txt", line + "\r\nnext\r\n"));
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0], (Seen{line.substr(0, MAX_LINE_BYTES), LineEnd::crlf, c.cut}));
        EXPECT_EQ(seen[1], (Seen{"next", LineEnd::crlf, false}));
    }
    // A cut last line without an end.
    const std::vector<Seen> seen =
        read_all(test::write_file(dir / "record.txt", std::string(MAX_LINE_BYTES + 5, 'z') + "\r"));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].cut);
    EXPECT_EQ(seen[0].end, LineEnd::none);
}

TEST(RecordReaderTest, FilesThatCannotBeRead) {
    test::TempDir dir;
    struct Case {
        std::filesystem::path path;
        ReadOutcome expected;
        const char* why;
    };
    const Case cases[] = {
        {dir / "missing.txt", ReadOutcome::cannot_open, "no such file"},
        {dir.path(), ReadOutcome::read_failed, "a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        int calls = 0;
        const ReadResult r = read_record_lines(c.path, [&](const RecordLine&) { ++calls; });
        EXPECT_EQ(r.outcome, c.expected);
        EXPECT_FALSE(r.message.empty());
        EXPECT_EQ(calls, 0);
    }
}

}  // namespace
}  // namespace kl8

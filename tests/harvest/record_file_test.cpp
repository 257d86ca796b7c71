#include "harvest/record_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "tests/support/site_process.h"

namespace kl8 {
namespace {

TEST(RecordFileTest, NewFileGetsOneCrLfLinePerInsert) {
    test::TempDir dir("record");
    auto file = RecordFile::open(dir / "r.txt");
    ASSERT_TRUE(file->is_open()) << file->error();
    EXPECT_EQ(file->insert_line("a,b"), InsertResult::written);
    EXPECT_EQ(file->insert_line(""), InsertResult::written);
    EXPECT_EQ(file->insert_line("a,b"), InsertResult::written) << "a run's own repeats are kept";
    EXPECT_EQ(test::read_file(dir / "r.txt"), "a,b\r\n\r\na,b\r\n");
    EXPECT_EQ(file->lines_written(), 3);
}

TEST(RecordFileTest, ExistingContentIsKeptAndItsLinesAreNotWrittenAgain) {
    struct Case {
        std::string before;
        std::vector<std::string> lines;
        std::string after;
        int present;
        const char* why;
    };
    const Case cases[] = {
        {"", {"1", "2"}, "1\r\n2\r\n", 0, "empty file"},
        {"1\r\n2\r\n", {"2", "3"}, "1\r\n2\r\n3\r\n", 1, "overlap: only the new line is added"},
        {"1\r\n2\r\n", {"1", "2"}, "1\r\n2\r\n", 2, "all present"},
        {"1\r\n2\r\n3", {"3", "4"}, "1\r\n2\r\n3\r\n4\r\n", 0,
         "a partial last line is cut before appending"},
        {"1\r\n2\r", {"2"}, "1\r\n2\r\n", 0, "a line cut between CR and LF"},
        {"1\r\n", {"1x", "1"}, "1\r\n1x\r\n", 1, "a line that only starts like an old one is new"},
        {"\xB2\xCA\r\n", {"\xB2\xCA"}, "\xB2\xCA\r\n", 1, "code page 936 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir("record");
        ASSERT_TRUE(test::write_file(dir / "r.txt", c.before));
        auto file = RecordFile::open(dir / "r.txt");
        ASSERT_TRUE(file->is_open()) << file->error();
        for (const std::string& line : c.lines) file->insert_line(Text(line));
        EXPECT_EQ(test::read_file(dir / "r.txt"), c.after);
        EXPECT_EQ(file->lines_already_present(), c.present);
    }
}

TEST(RecordFileTest, ManyOldLinesAreFoundByTheirBytes) {
    test::TempDir dir("record");
    std::string before;
    for (int i = 0; i < 20000; ++i) before += std::to_string(i * 7919 % 100003) + ",x\r\n";
    ASSERT_TRUE(test::write_file(dir / "r.txt", before));
    auto file = RecordFile::open(dir / "r.txt");
    ASSERT_TRUE(file->is_open());
    EXPECT_EQ(file->lines_at_open(), 20000);
    int written = 0;
    for (int i = 0; i < 20010; ++i) {
        if (file->insert_line(Text(std::to_string(i * 7919 % 100003) + ",x")) == InsertResult::written)
            ++written;
    }
    EXPECT_EQ(written, 10);
}

TEST(RecordFileTest, FilesThatCannotBeOpenedSayWhy) {
    test::TempDir dir("record");
    std::filesystem::create_directory(dir / "d.txt");
    auto directory = RecordFile::open(dir / "d.txt");
    EXPECT_FALSE(directory->is_open());
    EXPECT_NE(directory->error().find("d.txt"), std::string::npos);
    EXPECT_EQ(directory->insert_line("x"), InsertResult::no_file);

    auto missing_dir = RecordFile::open(dir / "no" / "r.txt");
    EXPECT_FALSE(missing_dir->is_open());

    if (geteuid() != 0) {  // root writes to read-only files
        ASSERT_TRUE(test::write_file(dir / "ro.txt", "1\r\n"));
        chmod((dir / "ro.txt").c_str(), 0444);
        EXPECT_FALSE(RecordFile::open(dir / "ro.txt")->is_open());
    }
}

TEST(RecordFileTest, AFailedWriteLeavesNoPartialLine) {
    test::TempDir dir("record");
    const std::string path = (dir / "r.txt").string();
    // In a child: a file size limit of 10 bytes makes the second line's write fail part-way.
    auto write_past_the_limit = [&path] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 10;
        setrlimit(RLIMIT_FSIZE, &limit);
        auto file = RecordFile::open(path);
        bool ok = file->insert_line("12345") == InsertResult::written &&
                  file->insert_line("67890") == InsertResult::failed &&
                  file->write_failures() == 1 && !file->error().empty();
        std::exit(ok ? 7 : 8);
    };
    EXPECT_EXIT(write_past_the_limit(), testing::ExitedWithCode(7), "");
    EXPECT_EQ(test::read_file(dir / "r.txt"), "12345\r\n");
}

TEST(RecordFileTest, DefaultPathIsBesideTheExecutable) {
    EXPECT_EQ(default_record_path().parent_path(), run_directory());
    EXPECT_EQ(default_record_path().filename().string(), "彩票信息.txt");
    EXPECT_TRUE(std::filesystem::exists(run_directory() / "harvest_tests"));
}

}  // namespace
}  // namespace kl8

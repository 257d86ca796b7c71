#pragma once
// Checks on record files for the end-to-end tests: they are too long to print whole, so a
// difference is reported by where it lies.

#include <gtest/gtest.h>

#include <string>

namespace kl8::test {

// Equal bytes, or where the first difference lies.
inline testing::AssertionResult same_bytes(const std::string& got, const std::string& expected) {
    if (got == expected) return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    std::size_t from = at < 60 ? 0 : at - 60;
    return testing::AssertionFailure()
           << "sizes " << got.size() << " and " << expected.size() << ", first difference at byte "
           << at << ": got ..." << got.substr(from, 120) << "... expected ..."
           << expected.substr(from, 120) << "...";
}

inline int count_lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

// Every line of the file ends in CR LF and is one of the lines of the expected file.
inline void expect_whole_lines_of(const std::string& file, const std::string& expected) {
    ASSERT_TRUE(file.empty() || file.size() >= 2);
    if (!file.empty()) {
        EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    }
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a line without CR LF";
        std::string line = file.substr(at, end - at + 2);
        EXPECT_NE(expected.find(line), std::string::npos) << "not a served line: " << line;
        at = end + 2;
    }
}

}  // namespace kl8::test

#pragma once
// Record files for the quality tests: a temporary directory, and draw rows in the shape the
// local site writes (draw numbers consecutive across days, rows at 09:05, 09:10, ..., field 2
// "YYYY-MM-DD HH:MM", field 3 from 1 to 80, fields 4 to 23 twenty distinct ascending two-digit
// numbers).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/datetime.h"

namespace kl8::test {

class TempDir {
   public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kl8-quality-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

   private:
    std::filesystem::path path_;
};

inline std::filesystem::path write_file(const std::filesystem::path& path,
                                        const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) ADD_FAILURE() << "cannot write " << path;
    return path;
}

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The fields of one generated row; the numbers depend on the draw number only.
struct Row {
    std::int64_t number = 0;
    DateTime day;
    int index = 0;  // from 0: drawn at 09:05 + 5 * index minutes
    int extra = 0;
    std::array<int, 20> drawn{};
};

inline Row make_row(std::int64_t number, DateTime day, int index) {
    Row r{number, day, index};
    std::uint64_t state = static_cast<std::uint64_t>(number) * 6364136223846793005ULL + 1;
    auto next = [&state](int bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(bound));
    };
    std::array<int, 80> pool{};
    for (int i = 0; i < 80; ++i) pool[i] = i + 1;
    for (int i = 0; i < 20; ++i) std::swap(pool[i], pool[i + next(80 - i)]);
    std::copy(pool.begin(), pool.begin() + 20, r.drawn.begin());
    std::sort(r.drawn.begin(), r.drawn.end());
    r.extra = 1 + next(80);
    return r;
}

inline std::string row_line(const Row& r) {
    const int minute = 9 * 60 + 5 + 5 * r.index;
    char head[64];
    std::snprintf(head, sizeof head, "%lld,%04d-%02d-%02d %02d:%02d,%d",
                  static_cast<long long>(r.number), year_of(r.day), month_of(r.day), day_of(r.day),
                  minute / 60, minute % 60, r.extra);
    std::string line = head;
    for (int n : r.drawn) {
        char two[4];
        std::snprintf(two, sizeof two, "%02d", n);
        line += ',';
        line += two;
    }
    return line;
}

// The rows of consecutive days from first_day, rows_of_day[k] rows on day k (0 makes a day
// without draws), draw numbers consecutive from first_number.
inline std::vector<Row> history_rows(DateTime first_day, const std::vector<int>& rows_of_day,
                                     std::int64_t first_number = 100001) {
    std::vector<Row> rows;
    std::int64_t number = first_number;
    for (std::size_t k = 0; k < rows_of_day.size(); ++k) {
        const DateTime day = add_days(first_day, static_cast<int>(k));
        for (int i = 0; i < rows_of_day[k]; ++i) rows.push_back(make_row(number++, day, i));
    }
    return rows;
}

inline std::string record_text_of(const std::vector<Row>& rows) {
    std::string text;
    for (const Row& r : rows) text += row_line(r) + "\r\n";
    return text;
}

}  // namespace kl8::test

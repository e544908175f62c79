// The rank table and rank.txt: the defaults, short and long files, insertion.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/rank_table.h"
#include "tests/support/null_frontend.h"

namespace {

using Bytes = std::vector<uint8_t>;

class RankFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        rank_table = RankTable{};
    }
    void TearDown() override { std::filesystem::remove(rank_file.path); }
    static void WriteFile(const Bytes& bytes) {
        std::ofstream(rank_file.path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes ReadFile() {
        std::ifstream in(rank_file.path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static std::vector<int32_t> Points() {
        return std::vector<int32_t>(rank_table.points, rank_table.points + kRankRows);
    }
    static void SetPoints(std::vector<int32_t> points) {
        SetDefaultRankTable();
        std::copy(points.begin(), points.end(), rank_table.points);
    }
};

TEST_F(RankFile, MissingFileGivesTheDefaultTableAndItsExactBytes) {
    LoadRankTable();
    EXPECT_FALSE(std::filesystem::exists(rank_file.path)) << "the default table is not written";
    SaveRankTable();
    Bytes expected = {5, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0};
    for (int row = 0; row < kRankRows; ++row) {
        const std::string field = "DEFAULT_PLAYER" + std::string(242, '\0');
        expected.insert(expected.end(), field.begin(), field.end());
    }
    expected.insert(expected.end(), 4, 0);
    EXPECT_EQ(ReadFile(), expected);
}

TEST_F(RankFile, ShortFilesFillTheirLeadingBytesAndLeaveTheRestZero) {
    // Empty: zeros, not the defaults, so a score of 1 ranks. Twenty bytes:
    // the scores alone, unsorted as they stand. One more: a name begins.
    const struct {
        Bytes bytes;
        std::vector<int32_t> points;
        std::size_t first_name;
    } cases[] = {
        {{}, {0, 0, 0, 0, 0}, 0},
        {{90, 0, 0, 0, 70, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0, 0xA0, 0x86, 1, 0},
         {90, 70, -3, 5, 100000},
         0},
        {{7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'A', 'A'},
         {7, 0, 0, 0, 0},
         2},
    };
    for (const auto& c : cases) {
        SetDefaultRankTable();  // an earlier load leaves nothing behind
        WriteFile(c.bytes);
        LoadRankTable();
        EXPECT_EQ(Points(), c.points);
        EXPECT_EQ(NameLength(rank_table.player_names[0]), c.first_name);
        EXPECT_EQ(rank_table.player_names[4][0], '\0');
        EXPECT_EQ(rank_table.play_number, 0);
    }
    EXPECT_TRUE(QualifiesForRanking(1));
}

TEST_F(RankFile, AnythingRoundTripsAndALongFileComesBackAt1304Bytes) {
    Bytes bytes(5000);
    uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 24);
    }
    WriteFile(bytes);
    LoadRankTable();
    SaveRankTable();
    bytes.resize(kRankFileBytes);
    EXPECT_EQ(ReadFile(), bytes);
}

TEST_F(RankFile, NamesWithoutNulStayInsideTheirFields) {
    WriteFile(Bytes(kRankFileBytes, 'Z'));
    LoadRankTable();
    EXPECT_EQ(NameLength(rank_table.player_names[4]), 256u);
    // A new row bubbles up over a NUL-less one: each copy moves 256 bytes.
    rank_table.points[4] = 0;
    rank_table.points[3] = 0;
    InsertRanking(1, "new");
    EXPECT_STREQ(rank_table.player_names[3], "new");
    EXPECT_EQ(std::string(rank_table.player_names[4], 256), std::string(256, 'Z'));
    char copy[300];
    std::memset(copy, '#', sizeof copy);
    CopyName(copy, rank_table.player_names[4]);
    EXPECT_EQ(copy[256], '#') << "a NUL-less name is copied for 256 bytes, not more";
}

TEST_F(RankFile, Insertions) {
    const struct {
        std::vector<int32_t> before;
        int32_t score;
        std::vector<int32_t> after;
        int row;  // where the new name stands, or -1
    } cases[] = {
        {{5, 4, 3, 2, 1}, 1, {5, 4, 3, 2, 1}, -1},  // equal to the fifth: out
        {{5, 4, 3, 2, 1}, 0, {5, 4, 3, 2, 1}, -1},
        {{5, 4, 3, 2, 1}, 2, {5, 4, 3, 2, 2}, 4},  // below the equal score
        {{5, 4, 3, 2, 1}, 6, {6, 5, 4, 3, 2}, 0},
        {{10, 8, 4, 4, 1}, 4, {10, 8, 4, 4, 4}, 4},
        {{5, 4, 3, 2, -20}, -12, {5, 4, 3, 2, -12}, 4},
        // One pass of four neighbour comparisons, unsorted as it may stay.
        {{1, 9, 2, 8, 0}, 5, {9, 1, 8, 2, 5}, 4},
    };
    for (const auto& c : cases) {
        SetPoints(c.before);
        EXPECT_EQ(QualifiesForRanking(c.score), c.row >= 0) << c.score;
        InsertRanking(c.score, "new");
        EXPECT_EQ(Points(), c.after) << c.score;
        for (int i = 0; i < kRankRows; ++i) {
            EXPECT_EQ(std::string(rank_table.player_names[i]) == "new", i == c.row) << c.score;
        }
    }
}

TEST_F(RankFile, ShortNameLeavesTheTailOfTheOldName) {
    LoadRankTable();
    InsertRanking(2, "abc");
    SaveRankTable();
    const Bytes bytes = ReadFile();
    const std::string field(reinterpret_cast<const char*>(bytes.data() + 20 + 256 * 4), 256);
    EXPECT_EQ(field, std::string("abc\0ULT_PLAYER", 14) + std::string(242, '\0'));
}

TEST_F(RankFile, FuzzerRegressionsLoadAndSaveBackTheirFirst1304Bytes) {
    for (const auto& entry : std::filesystem::directory_iterator(KOBARU_RANK_REGRESSIONS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        Bytes bytes(std::istreambuf_iterator<char>(in), {});
        WriteFile(bytes);
        LoadRankTable();
        SaveRankTable();
        bytes.resize(kRankFileBytes, 0);
        EXPECT_EQ(ReadFile(), bytes) << entry.path();
    }
}

}  // namespace

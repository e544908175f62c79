// The rank table and rank.txt: the defaults, short and long files, insertion.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/rank_table.h"
#include "null/shell.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const Bytes& bytes) {
    std::ofstream(rank_file.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<int32_t> Points() {
    return {rank_table.points, rank_table.points + kRankRows};
}

class RankFile : public ::testing::Test {
  protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { std::filesystem::remove(rank_file.path); }
};

TEST_F(RankFile, MissingFileGivesTheDefaultsAndAShortNameLeavesTheTailOfTheOldOne) {
    rank_table = RankTable{};
    LoadRankTable();
    EXPECT_FALSE(std::filesystem::exists(rank_file.path)) << "the default table is not written";
    InsertRanking(2, "abc");
    SaveRankTable();
    Bytes expected = {5, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
    for (const char* name : {"DEFAULT_PLAYER", "DEFAULT_PLAYER", "DEFAULT_PLAYER", "DEFAULT_PLAYER",
                             "abc\0ULT_PLAYER"}) {
        expected.insert(expected.end(), name, name + 14);
        expected.insert(expected.end(), 242, 0);
    }
    expected.insert(expected.end(), 4, 0);
    EXPECT_EQ(ReadFile(rank_file.path), expected);
}

TEST_F(RankFile, ShortFilesFillTheirLeadingBytesAndLeaveTheRestZero) {
    // Twenty bytes: the scores alone, unsorted as they stand. Two more: a
    // name begins. Empty: zeros, not the defaults, so a score of 1 ranks.
    const Bytes image = {90,   0, 0, 0, 70, 0,    0,    0, 0xFD, 0xFF, 0xFF,
                         0xFF, 5, 0, 0, 0,  0xA0, 0x86, 1, 0,    'A',  'A'};
    const std::tuple<std::size_t, std::vector<int32_t>, std::size_t> cases[] = {
        {20, {90, 70, -3, 5, 100000}, 0},
        {22, {90, 70, -3, 5, 100000}, 2},
        {0, {0, 0, 0, 0, 0}, 0}};
    for (const auto& [size, points, first_name] : cases) {
        SetDefaultRankTable();  // an earlier load leaves nothing behind
        WriteFile(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)));
        LoadRankTable();
        EXPECT_EQ(Points(), points) << size;
        EXPECT_EQ(NameLength(rank_table.player_names[0]), first_name) << size;
        EXPECT_EQ(rank_table.player_names[4][0], '\0');
        EXPECT_EQ(rank_table.play_number, 0);
    }
    EXPECT_TRUE(QualifiesForRanking(1));
}

TEST_F(RankFile, AnyFileSavesBackItsFirst1304Bytes) {
    // Arbitrary bytes, longer than the table; inputs that once broke the loader.
    std::vector<Bytes> inputs(1, Bytes(5000));
    for (std::size_t i = 0; i < inputs[0].size(); ++i) {
        inputs[0][i] = static_cast<uint8_t>(i * 151 + (i >> 8));
    }
    for (const auto& entry : std::filesystem::directory_iterator(KOBARU_RANK_REGRESSIONS)) {
        inputs.push_back(ReadFile(entry.path()));
    }
    for (Bytes& bytes : inputs) {
        WriteFile(bytes);
        LoadRankTable();
        SaveRankTable();
        bytes.resize(kRankFileBytes, 0);
        EXPECT_EQ(ReadFile(rank_file.path), bytes);
    }
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
    // Scores before, the new score, scores after, the new name's row (-1: none).
    // One pass of four neighbour comparisons leaves an unsorted table unsorted.
    const int32_t cases[][12] = {
        {5, 4, 3, 2, 1, 1, 5, 4, 3, 2, 1, -1},  {5, 4, 3, 2, 1, 0, 5, 4, 3, 2, 1, -1},
        {5, 4, 3, 2, 1, 2, 5, 4, 3, 2, 2, 4},   {5, 4, 3, 2, 1, 6, 6, 5, 4, 3, 2, 0},
        {10, 8, 4, 4, 1, 4, 10, 8, 4, 4, 4, 4}, {5, 4, 3, 2, -20, -12, 5, 4, 3, 2, -12, 4},
        {1, 9, 2, 8, 0, 5, 9, 1, 8, 2, 5, 4}};
    for (const auto& c : cases) {
        SetDefaultRankTable();
        std::copy(c, c + 5, rank_table.points);
        EXPECT_EQ(QualifiesForRanking(c[5]), c[11] >= 0) << c[5];
        InsertRanking(c[5], "new");
        EXPECT_EQ(Points(), std::vector<int32_t>(c + 6, c + 11)) << c[5];
        for (int i = 0; i < kRankRows; ++i) {
            EXPECT_EQ(std::string(rank_table.player_names[i]) == "new", i == c[11]) << c[5];
        }
    }
}

}  // namespace

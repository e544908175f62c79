// The rank table and rank.txt: the defaults, short and long files, insertion.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/rank_table.h"
#include "core/scenes.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class RankFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        rank_table = RankTable{};
        dir_ = fs::temp_directory_path() /
               ("kobaru-rank-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "rank.txt").string();
        rank_file.path = path_;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void WriteFile(const Bytes& bytes) const {
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    Bytes ReadFile() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir_;
    std::string path_;
};

Bytes Le32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
            static_cast<uint8_t>(u >> 24)};
}

void SetTable(std::initializer_list<int32_t> points) {
    SetDefaultRankTable();
    int i = 0;
    for (int32_t p : points) {
        rank_table.points[i++] = p;
    }
}

TEST_F(RankFile, MissingFileGivesTheDefaultTableAndItsExactBytes) {
    LoadRankTable();
    EXPECT_FALSE(fs::exists(path_)) << "the default table is not written at load";
    SaveRankTable();
    const Bytes bytes = ReadFile();
    ASSERT_EQ(bytes.size(), 1304u);
    const Bytes head = {5, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    for (int row = 0; row < 5; ++row) {
        const auto* field = bytes.data() + 20 + 256 * row;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(field), 14), "DEFAULT_PLAYER");
        for (int i = 14; i < 256; ++i) {
            ASSERT_EQ(field[i], 0) << "row " << row << " byte " << i;
        }
    }
    EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), Bytes(4, 0));
}

TEST_F(RankFile, EmptyFileGivesZerosNotTheDefaults) {
    WriteFile({});
    LoadRankTable();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rank_table.points[i], 0);
        EXPECT_EQ(rank_table.player_names[i][0], '\0');
    }
    EXPECT_EQ(rank_table.play_number, 0);
    EXPECT_TRUE(QualifiesForRanking(1));
}

TEST_F(RankFile, TwentyByteFileGivesItsScoresAndEmptyNames) {
    Bytes bytes;
    for (int32_t p : {90, 70, -3, 5, 100000}) {
        const Bytes le = Le32(p);
        bytes.insert(bytes.end(), le.begin(), le.end());
    }
    WriteFile(bytes);
    LoadRankTable();
    EXPECT_EQ(rank_table.points[0], 90);
    EXPECT_EQ(rank_table.points[2], -3);
    EXPECT_EQ(rank_table.points[4], 100000) << "the order is not checked";
    EXPECT_EQ(rank_table.player_names[0][0], '\0');
    EXPECT_EQ(rank_table.play_number, 0);
}

TEST_F(RankFile, ShortFileLeavesTheMissingBytesZeroEvenAfterAnEarlierLoad) {
    LoadRankTable();  // defaults first
    Bytes bytes = Le32(7);
    bytes.resize(20, 0);
    bytes.push_back('A');  // two bytes of the first name
    bytes.push_back('A');
    WriteFile(bytes);
    LoadRankTable();
    EXPECT_EQ(rank_table.points[0], 7);
    EXPECT_EQ(rank_table.points[1], 0);
    EXPECT_EQ(NameLength(rank_table.player_names[0]), 2u);
    EXPECT_EQ(rank_table.player_names[1][0], '\0');
}

TEST_F(RankFile, LongFileIsReadFor1304BytesAndSavedBackAt1304) {
    Bytes bytes(1304, 0);
    const Bytes play = Le32(123);
    std::copy(play.begin(), play.end(), bytes.begin() + 1300);
    bytes.resize(5000, 0xAB);
    WriteFile(bytes);
    LoadRankTable();
    EXPECT_EQ(rank_table.play_number, 123);
    SaveRankTable();
    EXPECT_EQ(ReadFile().size(), 1304u);
}

TEST_F(RankFile, GarbageRoundTripsByteForByte) {
    Bytes bytes(1304);
    uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 24);
    }
    WriteFile(bytes);
    LoadRankTable();
    SaveRankTable();
    EXPECT_EQ(ReadFile(), bytes);
}

TEST_F(RankFile, NamesWithoutNulStayInsideTheirFields) {
    Bytes bytes(1304, 'Z');
    WriteFile(bytes);
    LoadRankTable();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(NameLength(rank_table.player_names[i]), 256u);
    }
    // Scores of 'ZZZZ' are huge: make one that ranks first and move a
    // NUL-less row down through the bubbling copies.
    rank_table.points[4] = 0;
    rank_table.points[3] = 0;
    InsertRanking(1, "new");
    // The new row bubbled up to row 3 over the NUL-less row 3.
    EXPECT_STREQ(rank_table.player_names[3], "new");
    EXPECT_EQ(NameLength(rank_table.player_names[4]), 256u);
    EXPECT_EQ(std::string(rank_table.player_names[4], 256), std::string(256, 'Z'));
    char copy[300];
    std::memset(copy, '#', sizeof copy);
    CopyName(copy, rank_table.player_names[4]);
    EXPECT_EQ(copy[255], 'Z');
    EXPECT_EQ(copy[256], '#') << "a NUL-less name is copied for 256 bytes, not more";
}

TEST_F(RankFile, InsertionExamplesOnTheDefaultTable) {
    SetDefaultRankTable();
    EXPECT_FALSE(QualifiesForRanking(1));
    InsertRanking(1, "one");
    EXPECT_EQ(rank_table.points[4], 1);
    EXPECT_STREQ(rank_table.player_names[4], "DEFAULT_PLAYER");

    InsertRanking(2, "two");
    EXPECT_EQ(std::vector<int>(rank_table.points, rank_table.points + 5),
              (std::vector<int>{5, 4, 3, 2, 2}));
    EXPECT_STREQ(rank_table.player_names[4], "two") << "an equal score ranks below";

    SetDefaultRankTable();
    InsertRanking(6, "six");
    EXPECT_EQ(std::vector<int>(rank_table.points, rank_table.points + 5),
              (std::vector<int>{6, 5, 4, 3, 2}));
    EXPECT_STREQ(rank_table.player_names[0], "six");
    EXPECT_STREQ(rank_table.player_names[1], "DEFAULT_PLAYER");

    SetDefaultRankTable();
    EXPECT_FALSE(QualifiesForRanking(0));
    EXPECT_FALSE(QualifiesForRanking(-5));
    InsertRanking(3, "");
    EXPECT_EQ(rank_table.points[3], 3);
    EXPECT_STREQ(rank_table.player_names[3], "") << "an empty name is accepted";
}

TEST_F(RankFile, EqualScoresKeepTheirOrder) {
    SetTable({10, 8, 4, 4, 1});
    std::strcpy(rank_table.player_names[2], "first four");
    std::strcpy(rank_table.player_names[3], "second four");
    InsertRanking(4, "new four");
    EXPECT_EQ(std::vector<int>(rank_table.points, rank_table.points + 5),
              (std::vector<int>{10, 8, 4, 4, 4}));
    EXPECT_STREQ(rank_table.player_names[2], "first four");
    EXPECT_STREQ(rank_table.player_names[3], "second four");
    EXPECT_STREQ(rank_table.player_names[4], "new four");
}

TEST_F(RankFile, UnorderedTableGetsExactlyOneBubblingPass) {
    SetTable({1, 9, 2, 8, 0});
    InsertRanking(5, "x");
    // i=4: 5>8? no. i=3: 8>2 swap. i=2: 8>9? no. i=1: 9>1 swap.
    EXPECT_EQ(std::vector<int>(rank_table.points, rank_table.points + 5),
              (std::vector<int>{9, 1, 8, 2, 5}));
}

TEST_F(RankFile, NegativeFifthScoreLetsAHigherNegativeIn) {
    SetTable({5, 4, 3, 2, -20});
    EXPECT_TRUE(QualifiesForRanking(-12));
    InsertRanking(-12, "low");
    EXPECT_EQ(rank_table.points[4], -12);
}

TEST_F(RankFile, ShortNameLeavesTheTailOfTheOldName) {
    LoadRankTable();
    InsertRanking(2, "abc");
    SaveRankTable();
    const Bytes bytes = ReadFile();
    const uint8_t* field = bytes.data() + 20 + 256 * 4;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(field), 4), std::string("abc\0", 4));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(field + 4), 10), "ULT_PLAYER");
    for (int i = 14; i < 256; ++i) {
        ASSERT_EQ(field[i], 0);
    }
}

TEST_F(RankFile, SaveLoadRoundTrip) {
    SetTable({100, 50, 25, 12, 6});
    std::strcpy(rank_table.player_names[0], "\x82\xa0\x82\xa2");  // two kana
    rank_table.play_number = -7;
    SaveRankTable();
    const RankTable saved = rank_table;
    rank_table = RankTable{};
    LoadRankTable();
    EXPECT_EQ(std::memcmp(&saved, &rank_table, sizeof saved), 0);
}

TEST_F(RankFile, FuzzerRegressionsLoadAndSaveBackTheirFirst1304Bytes) {
    for (const auto& entry : fs::directory_iterator(KOBARU_RANK_REGRESSIONS)) {
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

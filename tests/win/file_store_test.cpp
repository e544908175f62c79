// How a save treats rank.txt as the player keeps it on Windows: load, a
// finished game, save, then what is on the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/rank_table.h"
#include "tests/win/win_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOld(kRankFileBytes, 0x42);

void WriteOld() {
    std::ofstream("rank.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(kOld.data()), static_cast<long>(kOld.size()));
}

struct SaveCase {
    const char* name;
    void (*arrange)();
    const char* saved_file;  // whose bytes are checked, if any
    bool expect_new;
    std::set<std::string> names_after;
};

const SaveCase kCases[] = {
    {"PlainFileIsReplacedWithNothingLeftBeside", WriteOld, "rank.txt", true, {"rank.txt"}},
    {"MissingFileIsCreated", [] {}, "rank.txt", true, {"rank.txt"}},
    {"ReadOnlyFileIsLeftAlone",
     [] {
         WriteOld();
         SetFileAttributesW(L"rank.txt", FILE_ATTRIBUTE_READONLY);
     },
     "rank.txt",
     false,
     {"rank.txt"}},
    {"HardLinkedFileIsWrittenInPlace",
     [] {
         WriteOld();
         CreateHardLinkW(L"backup.txt", L"rank.txt", nullptr);
     },
     "backup.txt",
     true,
     {"backup.txt", "rank.txt"}},
    {"DirectoryNamedRankTxtIsLeftAlone",
     [] { std::filesystem::create_directory("rank.txt"); },
     nullptr,
     false,
     {"rank.txt"}},
};

class RankFileSave : public ScratchDirectoryTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(RankFileSave, KeepsTheRankingAsThePlayerKeepsIt) {
    const SaveCase& c = GetParam();
    c.arrange();
    rank_file.path = kRankFileName;
    LoadRankTable();
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    Bytes image(kRankFileBytes);
    EncodeRankTable(rank_table, image.data());
    SaveRankTable();
    if (c.saved_file) {
        EXPECT_EQ(ReadFileBytes(c.saved_file), c.expect_new ? image : kOld);
    }
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, c.names_after) << "nothing left beside the file";
}

INSTANTIATE_TEST_SUITE_P(Cases, RankFileSave, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

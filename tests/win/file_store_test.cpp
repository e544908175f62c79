// How saving treats rank.txt as the player keeps it on Windows: load, a game, save, the disk.

#include <set>

#include "tests/win/win_test_support.h"

namespace {

const std::vector<uint8_t> kOld(kRankFileBytes, 0x42);

void WriteOld(DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    std::ofstream("rank.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(kOld.data()), kRankFileBytes);
    SetFileAttributesW(L"rank.txt", attributes);
}

struct SaveCase {
    const char* name;
    void (*arrange)();
    bool expect_new;  // in every file left, else the old bytes
    std::set<std::string> names_after;
};

const SaveCase kCases[] = {
    {"PlainFileIsReplacedWithNothingLeftBeside", [] { WriteOld(); }, true, {"rank.txt"}},
    {"MissingFileIsCreated", [] {}, true, {"rank.txt"}},
    {"ReadOnlyFileIsLeftAlone", [] { WriteOld(FILE_ATTRIBUTE_READONLY); }, false, {"rank.txt"}},
    {"HardLinkedFileIsWrittenInPlace",
     [] {
         WriteOld();
         CreateHardLinkW(L"backup.txt", L"rank.txt", nullptr);
     },
     true,
     {"backup.txt", "rank.txt"}},
    {"DirectoryNamedRankTxtIsLeftAlone",
     [] { std::filesystem::create_directory("rank.txt"); },
     false,
     {"rank.txt"}},
};

class RankFileSave : public ProgramTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(RankFileSave, KeepsTheRankingAsThePlayerKeepsIt) {
    GetParam().arrange();
    LoadRankTable();
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    std::vector<uint8_t> image(kRankFileBytes);
    EncodeRankTable(rank_table, image.data());
    SaveRankTable();
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
        if (entry.is_regular_file()) {
            EXPECT_EQ(ReadFileBytes(entry.path()), GetParam().expect_new ? image : kOld)
                << entry.path();
        }
    }
    EXPECT_EQ(names, GetParam().names_after) << "nothing left beside the file";
}

INSTANTIATE_TEST_SUITE_P(Cases, RankFileSave, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

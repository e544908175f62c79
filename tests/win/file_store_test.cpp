// How a save treats rank.txt as the player keeps it on Windows: load, a
// finished game, save, then what is on the disk.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/rank_table.h"
#include "tests/win/win_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOld(kRankFileBytes, 0x42);

Bytes NewImage() {
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    Bytes image(kRankFileBytes);
    EncodeRankTable(rank_table, image.data());
    return image;
}

void Write(const wchar_t* path, const Bytes& bytes) {
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD wrote = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(file);
}

std::set<std::wstring> Names() {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"*", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                names.insert(name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

struct SaveCase {
    const char* name;
    std::function<void()> arrange;
    const wchar_t* saved_file;
    bool expect_new;
    std::set<std::wstring> names_after;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

const SaveCase kCases[] = {
    {"PlainFileIsReplacedWithNothingLeftBeside",
     [] { Write(L"rank.txt", kOld); },
     L"rank.txt",
     true,
     {L"rank.txt"}},
    {"MissingFileIsCreated", [] {}, L"rank.txt", true, {L"rank.txt"}},
    {"ReadOnlyFileIsLeftAlone",
     [] {
         Write(L"rank.txt", kOld);
         SetFileAttributesW(L"rank.txt", FILE_ATTRIBUTE_READONLY);
     },
     L"rank.txt",
     false,
     {L"rank.txt"}},
    {"HardLinkedFileIsWrittenInPlace",
     [] {
         Write(L"rank.txt", kOld);
         CreateHardLinkW(L"backup.txt", L"rank.txt", nullptr);
     },
     L"backup.txt",
     true,
     {L"backup.txt", L"rank.txt"}},
    {"DirectoryNamedRankTxtIsLeftAlone",
     [] { CreateDirectoryW(L"rank.txt", nullptr); },
     nullptr,
     false,
     {L"rank.txt"}},
};

class RankFileSave : public ScratchDirectoryTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(RankFileSave, KeepsTheRankingAsThePlayerKeepsIt) {
    const SaveCase& c = GetParam();
    c.arrange();
    rank_file.path = kRankFileName;
    LoadRankTable();
    const Bytes image = NewImage();
    DecodeRankTable(image.data(), image.size(), rank_table);
    SaveRankTable();
    if (c.saved_file) {
        EXPECT_EQ(ReadFileBytes(c.saved_file), c.expect_new ? image : kOld);
    }
    EXPECT_EQ(Names(), c.names_after) << "nothing left beside the file";
}

INSTANTIATE_TEST_SUITE_P(Cases, RankFileSave, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

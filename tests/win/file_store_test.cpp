// How saving treats rank.txt as the player keeps it on Windows: load, a game, save, the disk.

#include <cctype>
#include <set>

#include "core/file_store.h"
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

// Copies of the game take turns on the folder, however its path is spelt; a
// turn held past the wait is given up, and one whose holder died is free.
TEST(RankFileTurns, OnePerFolderGivenUpAfterTheWaitAndFreedWhenTheHolderDies) {
    struct Holder {
        HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE die = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    } holder;
    // A thread owns a mutex as a process does, and leaves it abandoned when
    // it ends holding it.
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* context) -> DWORD {
            auto* h = static_cast<Holder*>(context);
            StoreLock lock;
            const Locking got = LockStoredFile("rank.txt", false, 0, lock);
            SetEvent(h->holding);
            WaitForSingleObject(h->die, INFINITE);
            return got == Locking::Held ? 0 : 1;
        },
        &holder, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(holder.holding, 10000), WAIT_OBJECT_0);
    std::string full = std::filesystem::current_path().string() + "\\rank.txt";
    for (char& c : full) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const std::string& path : {std::string("rank.txt"), std::string(".\\rank.txt"), full}) {
        StoreLock lock;
        EXPECT_EQ(LockStoredFile(path.c_str(), false, 20, lock), Locking::TimedOut) << path;
    }
    StoreLock elsewhere;
    EXPECT_EQ(LockStoredFile("other\\rank.txt", false, 0, elsewhere), Locking::Held);
    UnlockStoredFile(elsewhere);
    SetEvent(holder.die);
    DWORD held = 1;
    WaitForSingleObject(thread, 10000);
    GetExitCodeThread(thread, &held);
    EXPECT_EQ(held, 0u);
    StoreLock after;
    EXPECT_EQ(LockStoredFile("rank.txt", false, 0, after), Locking::Held);
    UnlockStoredFile(after);
    for (HANDLE handle : {thread, holder.holding, holder.die}) {
        CloseHandle(handle);
    }
}

}  // namespace

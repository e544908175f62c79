// How a run's save treats rank.txt as the player keeps it on a POSIX system.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/file_store.h"
#include "core/rank_table.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uid_t kPlayer = 65534;
const Bytes kOld(kRankFileBytes, 0x42);

// The table a finished game leaves: the defaults with one new score.
const Bytes kNew = [] {
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    rank_table.play_number = 12;
    Bytes image(kRankFileBytes);
    EncodeRankTable(rank_table, image.data());
    return image;
}();

// Runs a shell script in the folder, where "old P [SIZE] [MODE]" writes SIZE
// (1304) bytes 0x42, the old table, with MODE (644). Not 0 if a step failed.
int Arrange(const fs::path& dir, const std::string& script) {
    const std::string shell = "set -e; cd " + dir.string() +
                              "; old() { head -c ${2:-1304} /dev/zero | tr '\\0' B > \"$1\"; "
                              "chmod ${3:-644} \"$1\"; }; " +
                              script;
    const int status = std::system(shell.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every entry under the folder, links not followed: its type, mode and
// owners; its contents ("old", "new", or their size); its inode.
using Entry = std::tuple<std::string, std::string, ino_t>;

std::string Meta(mode_t mode, uid_t user, gid_t group) {
    return std::to_string(mode) + " " + std::to_string(user) + ":" + std::to_string(group);
}

// A file's bytes; none if it is missing.
std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::map<std::string, Entry> Snapshot(const fs::path& dir) {
    std::map<std::string, Entry> entries;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
        struct stat s {};
        ::lstat(item.path().c_str(), &s);
        // Never a FIFO: opening one would wait for a writer.
        const std::string read = S_ISREG(s.st_mode) ? ReadAll(item.path()) : "";
        const Bytes bytes(read.begin(), read.end());
        const std::string content = bytes == kOld   ? "old"
                                    : bytes == kNew ? "new"
                                                    : std::to_string(bytes.size()) + " bytes";
        entries[item.path().lexically_relative(dir).string()] = {
            Meta(s.st_mode, s.st_uid, s.st_gid), content, s.st_ino};
    }
    return entries;
}

// A scratch folder anyone may write in, removed with whatever was mounted on it.
struct Scratch {
    fs::path dir;
    Scratch() {
        char made[] = "/tmp/kobaru-store-XXXXXX";
        dir = ::mkdtemp(made) ? made : "/nonexistent";
        ::chmod(made, 0777);
    }
    ~Scratch() {
        ::umount2(dir.c_str(), MNT_DETACH);
        fs::permissions(dir, fs::perms::owner_all);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

// Runs step in a child, as the player where asked (root may write anything);
// its exit status, 3 if it could not become the player, -1 if it hung.
int InChild(bool as_player, const std::function<int()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (as_player && (::setgid(kPlayer) != 0 || ::setuid(kPlayer) != 0)) {
            ::_exit(3);
        }
        ::alarm(10);
        ::_exit(step());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Load, a finished game, save. False if it hung or loaded something it
// should not have.
bool PlayAndSave(bool as_player, const fs::path& rank) {
    return InChild(as_player, [&] {
               ::umask(027);  // a new file gets 0666 less this
               rank_file.path = rank.string();
               LoadRankTable();
               // The old table, or the defaults where no regular file could be read.
               const RankTable loaded = rank_table;
               SetDefaultRankTable();
               if (loaded.points[0] != 0x42424242 &&
                   std::memcmp(&loaded, &rank_table, sizeof loaded)) {
                   return 4;
               }
               DecodeRankTable(kNew.data(), kNew.size(), rank_table);
               SaveRankTable();
               return 0;
           }) == 0;
}

// What becomes of the file rank.txt leads to: replaced through a rename,
// written in place (every hard link sees it), created, or left untouched.
enum class Save { Replaced, InPlace, Created, Untouched };
using enum Save;

struct SaveCase {
    const char* name;
    bool as_player;       // else as the owner who arranged the folder
    const char* arrange;  // a script for Arrange
    Save save;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

const SaveCase kCases[] = {
    {"PlainFileKeepsItsMode", false, "old rank.txt 1304 640", Replaced},
    {"ModeAndGroupAreKept", false, "old rank.txt 1304 600; chown 0:65534 rank.txt", Replaced},
    {"MissingFileIsCreatedAsAPlainWriteWould", false, "", Created},
    {"ReadOnlyFileInTheOwnFolderIsLeftAlone", true,
     "old rank.txt 1304 444; chown 65534:65534 rank.txt .", Untouched},
    // Writable but not readable: a save would trade the ranking for the defaults.
    {"UnreadableFileIsNeverSavedOver", true, "old rank.txt 1304 200; chown 65534:65534 rank.txt .",
     Untouched},
    {"AnotherUsersPrivateFileIsLeftAlone", true, "old rank.txt 1304 600; chown 0:0 rank.txt",
     Untouched},
    {"AnotherUsersWritableFileKeepsItsOwner", true,
     "old rank.txt 1304 666; chown 0:0 rank.txt; chmod 777 .", InPlace},
    {"SymlinkStaysALinkAndItsTargetGetsTheTable", false,
     "mkdir real; old real/ranking.bin; ln -s real/ranking.bin rank.txt", Replaced},
    {"DanglingSymlinkCreatesItsTarget", false, "ln -s target.bin rank.txt", Created},
    {"HardLinkedFileIsWrittenInPlace", false, "old rank.txt; ln rank.txt backup.txt", InPlace},
    {"LongHardLinkedFileIsCutTo1304Bytes", false, "old rank.txt 5000; ln rank.txt other.txt",
     InPlace},
    {"WritableFileInAReadOnlyFolderIsWrittenInPlace", true,
     "old rank.txt; chown 65534:65534 rank.txt; chmod 555 .", InPlace},
    {"StaleDirectoryWhereATemporaryWouldGo", false, "old rank.txt; mkdir -p rank.txt.new/x",
     Replaced},
    {"PlantedSymlinkRedirectsNothing", false,
     "old rank.txt; old victim 3; ln -s victim rank.txt.new", Replaced},
    {"StaleFifoDoesNotHangTheSave", false, "old rank.txt; mkfifo rank.txt.new", Replaced},
    {"AnotherUsersStaleTemporary", true,
     "old rank.txt; chown 65534:65534 rank.txt .; old rank.txt.new 1 600", Replaced},
    // Nothing can lock a folder this user cannot open: the save goes on without.
    {"FolderThatCannotBeLockedStillSaves", true,
     "old rank.txt; chown 65534:65534 rank.txt .; chmod 333 .", Replaced},
    {"FifoNamedRankTxtIsNeverOpened", false, "mkfifo rank.txt", Untouched},
    {"DirectoryNamedRankTxtIsLeftAlone", false, "mkdir -p rank.txt/keep", Untouched},
    // 8 KiB hold the old file and a filler, but not a second copy.
    {"FullDiskLeavesTheOldFileAndNoTemporary", false,
     "mount -t tmpfs -o size=8k,nr_inodes=16 tmpfs .; cd \"$PWD\"; old rank.txt; "
     "old filler 4096",
     Untouched},
};

class RankFileSave : public ::testing::TestWithParam<SaveCase> {
  protected:
    void SetUp() override { ::chmod(dir_.c_str(), 0755); }
    Scratch scratch_;
    const fs::path dir_ = scratch_.dir;
};

TEST_P(RankFileSave, KeepsTheRankingAsThePlayerKeepsIt) {
    const SaveCase& c = GetParam();
    // Other owners need root; so does the mount. As root, every case must set up.
    const int arranged = Arrange(dir_, c.arrange);
    if (arranged != 0 && ::geteuid() != 0) {
        GTEST_SKIP() << "cannot set this case up without root";
    }
    ASSERT_EQ(arranged, 0) << "setting the case up failed";
    const auto before = Snapshot(dir_);
    const fs::path rank = dir_ / "rank.txt";
    const std::string saved = fs::is_symlink(rank) ? fs::read_symlink(rank).string() : "rank.txt";
    ASSERT_TRUE(PlayAndSave(c.as_player, rank)) << "the run failed or hung";
    ::chmod(dir_.c_str(), 0755);
    auto after = Snapshot(dir_);
    auto expected = before;
    if (c.save != Untouched) {
        const ino_t old_inode = c.save == Created ? 0 : std::get<2>(before.at(saved));
        for (auto& [path, entry] : expected) {
            std::get<1>(entry) = std::get<2>(entry) == old_inode ? "new" : std::get<1>(entry);
        }
    }
    if (c.save == Created) {
        expected[saved] = {Meta(S_IFREG | 0640, ::geteuid(), ::getegid()), "new",
                           std::get<2>(after[saved])};
    } else if (c.save == Replaced) {
        EXPECT_NE(std::get<2>(after[saved]), std::get<2>(before.at(saved))) << "not renamed over";
        std::get<2>(expected[saved]) = std::get<2>(after[saved]);
    }
    EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RankFileSave, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// history.csv gains whole lines only: after the last whole line, or not at
// all; what the player may not write, or is no file, stays as it is.
TEST(HistoryAppend, ALineGoesInWholeOrNotAtAll) {
    // A line longer than a full disk's last free bytes.
    const std::string line = std::string(60, 'L') + "\r\n";
    struct Case {
        const char* arrange;  // a script for Arrange, as the player where as_player
        bool as_player;
        bool stored;
        std::string after;  // the file the append leads to, after it; empty: as it was
    };
    const Case cases[] = {
        {"", false, true, "H\r\n" + line},
        {"printf 'x\\r\\n' > h.csv", false, true, "x\r\n" + line},
        {"printf 'x,cut sh' > h.csv", false, true, "x,cut sh\r\n" + line},
        {"mkdir real; printf 'x\\n' > real/t.csv; ln -s real/t.csv h.csv", false, true,
         "x\n" + line},
        {"printf 'x\\n' > h.csv; chmod 444 h.csv; chown 65534 h.csv", true, false, ""},
        {"mount -t tmpfs -o size=4k tmpfs .; cd \"$PWD\"; head -c 4070 /dev/zero > h.csv", false,
         false, ""},
    };
    for (const Case& c : cases) {
        const Scratch scratch;
        const int arranged = Arrange(scratch.dir, c.arrange);
        if (arranged != 0 && ::geteuid() != 0) {
            continue;  // other owners and mounts need root
        }
        ASSERT_EQ(arranged, 0) << c.arrange;
        const fs::path file = scratch.dir / "h.csv";
        const fs::path target = fs::is_symlink(file) ? scratch.dir / fs::read_symlink(file) : file;
        const std::string before = ReadAll(target);
        const int status = InChild(c.as_player, [&] {
            return AppendStoredLine(file.c_str(), "H\r\n", line.c_str(), false) ? 0 : 1;
        });
        EXPECT_EQ(status, c.stored ? 0 : 1) << c.arrange;
        EXPECT_EQ(ReadAll(target), c.after.empty() ? before : c.after) << c.arrange;
    }
}

// Copies of the game take turns on the folder; a turn held by another process
// for longer than the wait is given up with a message, and one released by
// its holder's death is free at once.
TEST(RankFileTurns, AHolderThatOutstaysTheWaitIsSaidAndOneThatDiesFreesTheTurn) {
    const Scratch scratch;
    const std::string dir = scratch.dir.string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        StoreLock lock;
        const bool held =
            LockStoredFile((dir + "/rank.txt").c_str(), false, 0, lock) == Locking::Held;
        (void)!::write(ready[1], held ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    StoreLock lock;
    testing::internal::CaptureStderr();
    const Locking waited = LockStoredFile((dir + "/rank.txt").c_str(), false, 50, lock);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(waited, Locking::TimedOut);
    EXPECT_NE(said.find("another copy of the game has held " + dir + "/rank.txt for 50 ms"),
              std::string::npos)
        << said;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(LockStoredFile((dir + "/rank.txt").c_str(), false, 0, lock), Locking::Held);
    UnlockStoredFile(lock);
}

// A rank.txt the player made read-only is left alone, and the run keeps
// counting its games in its own table, as it always has.
TEST(RankFileTurns, AReadOnlyFileKeepsTheRunsOwnCount) {
    const Scratch scratch;
    const int arranged =
        Arrange(scratch.dir, "old rank.txt 1304 444; chown 65534:65534 rank.txt .");
    if (arranged != 0 && ::geteuid() != 0) {
        GTEST_SKIP() << "cannot set this case up without root";
    }
    ASSERT_EQ(arranged, 0);
    EXPECT_EQ(InChild(true,
                      [&] {
                          rank_file.path = (scratch.dir / "rank.txt").string();
                          LoadRankTable();
                          CountGameAndSave();
                          CountGameAndSave();
                          return rank_table.play_number == 0x42424242 + 2 ? 0 : 4;
                      }),
              0);
    EXPECT_EQ(std::get<1>(Snapshot(scratch.dir).at("rank.txt")), "old");
}

}  // namespace

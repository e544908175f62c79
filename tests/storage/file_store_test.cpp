// How a save treats rank.txt as the player keeps it on a POSIX system: every
// case loads the table, changes it and saves it, as a run of the game does,
// then compares everything in the folder with what was there before.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/rank_table.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// Root ignores file permissions, so the player runs as this user.
constexpr uid_t kPlayer = 65534;
const Bytes kOld(kRankFileBytes, 0x42);

RankTable NewTable() {
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    rank_table.play_number = 12;
    return rank_table;
}

Bytes NewImage() {
    Bytes image(kRankFileBytes);
    EncodeRankTable(NewTable(), image.data());
    return image;
}

// Sets the folder up with a shell script run inside it, in which "old P
// [SIZE] [MODE]" writes SIZE (1304) bytes 0x42, the old table, with MODE
// (644). Its exit status: not 0 when a step failed.
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

std::map<std::string, Entry> Snapshot(const fs::path& dir) {
    std::map<std::string, Entry> entries;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
        struct stat s {};
        ::lstat(item.path().c_str(), &s);
        Bytes bytes;
        if (S_ISREG(s.st_mode)) {  // never a FIFO: opening one would wait for a writer
            std::ifstream in(item.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        const std::string content = bytes == kOld         ? "old"
                                    : bytes == NewImage() ? "new"
                                                          : std::to_string(bytes.size()) + " bytes";
        entries[item.path().lexically_relative(dir).string()] = {
            Meta(s.st_mode, s.st_uid, s.st_gid), content, s.st_ino};
    }
    return entries;
}

// The run of the game, in a child: load, a finished game, save. The player
// is an ordinary user, since root may write anything. False if the child
// did not finish (a save that hung).
bool PlayAndSave(bool as_player, const fs::path& rank) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (as_player && (::setgid(kPlayer) != 0 || ::setuid(kPlayer) != 0)) {
            ::_exit(3);
        }
        ::alarm(10);
        ::umask(027);  // a new file gets 0666 less this
        rank_file.path = rank.string();
        LoadRankTable();
        rank_table = NewTable();
        SaveRankTable();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What becomes of the file rank.txt leads to: replaced by a new one through a
// rename, written over in place (every hard link sees it), created, or left
// untouched.
enum class Save { Replaced, InPlace, Created, Untouched };
using enum Save;

struct SaveCase {
    const char* name;
    bool as_player;       // else as the owner who arranged the folder
    const char* arrange;  // a script for Arrange
    Save save;
};

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
    {"FifoNamedRankTxtIsNeverOpened", false, "mkfifo rank.txt", Untouched},
    {"DirectoryNamedRankTxtIsLeftAlone", false, "mkdir -p rank.txt/keep", Untouched},
    // 8 KiB hold the old file and a filler, but not a second copy.
    {"FullDiskLeavesTheOldFileAndNoTemporary", false,
     "mount -t tmpfs -o size=8k,nr_inodes=16 tmpfs .; cd \"$PWD\"; old rank.txt; "
     "old filler 4096",
     Untouched},
};

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char made[] = "/tmp/kobaru-store-XXXXXX";
        ASSERT_NE(::mkdtemp(made), nullptr);
        dir_ = made;
        ::chmod(dir_.c_str(), 0755);
    }
    void TearDown() override {
        ::umount2(dir_.c_str(), MNT_DETACH);
        fs::permissions(dir_, fs::perms::owner_all);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

class RankFileSave : public TempFolder, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(RankFileSave, KeepsTheRankingAsThePlayerKeepsIt) {
    const SaveCase& c = GetParam();
    // Other owners need root; so does the mount.
    if (Arrange(dir_, c.arrange) != 0) {
        GTEST_SKIP() << "cannot set this case up here";
    }
    const auto before = Snapshot(dir_);
    const fs::path rank = dir_ / "rank.txt";
    const std::string saved = fs::is_symlink(rank) ? fs::read_symlink(rank).string() : "rank.txt";
    ASSERT_TRUE(PlayAndSave(c.as_player, rank)) << "the save hung";
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

TEST_F(TempFolder, LoadGivesTheDefaultsForWhatIsNoReadableFile) {
    ::mkfifo((dir_ / "fifo").c_str(), 0666);
    fs::create_directory(dir_ / "folder");
    for (const char* name : {"missing", "fifo", "folder"}) {
        rank_table = RankTable{};
        rank_file.path = (dir_ / name).string();
        LoadRankTable();
        EXPECT_EQ(rank_table.points[0], 5) << name;
        EXPECT_STREQ(rank_table.player_names[4], "DEFAULT_PLAYER") << name;
    }
}

}  // namespace

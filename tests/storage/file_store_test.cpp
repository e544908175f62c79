// How a save treats rank.txt as the player keeps it on a POSIX system: every
// case loads the table, changes it and saves it, as a run of the game does,
// then looks at what is on the disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/rank_table.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// Root ignores file permissions, so the player runs as this user.
constexpr uid_t kPlayer = 65534;

Bytes Image(const RankTable& table) {
    Bytes image(kRankFileBytes);
    EncodeRankTable(table, image.data());
    return image;
}

RankTable NewTable() {
    SetDefaultRankTable();
    InsertRanking(777, "saved");
    rank_table.play_number = 12;
    return rank_table;
}

const Bytes kOld(kRankFileBytes, 0x42);

void Write(const fs::path& path, const Bytes& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ::chmod(path.c_str(), mode);
}

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

struct stat Status(const fs::path& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status;
}

bool AsRoot() {
    return ::geteuid() == 0;
}

// The run of the game: load, a finished game, save. As root it runs in a
// child that has become an ordinary user, since root may write anything.
// Returns false if the child did not finish (a save that hung).
bool PlayAndSave(bool as_player, const fs::path& rank) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (as_player && AsRoot() && (::setgid(kPlayer) != 0 || ::setuid(kPlayer) != 0)) {
            ::_exit(3);
        }
        ::alarm(10);
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

struct SaveCase {
    const char* name;
    // Needs root to set up (other owners, groups, a tmpfs).
    bool needs_root;
    // Load and save as the unprivileged player rather than as the owner.
    bool as_player;
    // Builds the folder; rank.txt is dir/"rank.txt".
    std::function<void(const fs::path& dir)> arrange;
    // The file whose contents the save is about (a link's target).
    const char* saved_file;
    bool expect_new;
    // Anything else the case promises.
    std::function<void(const fs::path& dir)> check;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

void Own(const fs::path& path, uid_t user) {
    ::lchown(path.c_str(), user, user);
}

const SaveCase kCases[] = {
    {"PlainFileIsReplacedWithItsModeAndNothingLeftBeside", false, false,
     [](const fs::path& dir) { Write(dir / "rank.txt", kOld, 0640); }, "rank.txt", true,
     [](const fs::path& dir) {
         EXPECT_EQ(Status(dir / "rank.txt").st_mode & 07777, 0640u);
         EXPECT_EQ(Names(dir), std::set<std::string>{"rank.txt"});
     }},
    {"ModeAndGroupAreKept", true, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld, 0600);
         ::chown((dir / "rank.txt").c_str(), 0, kPlayer);
     },
     "rank.txt", true,
     [](const fs::path& dir) {
         EXPECT_EQ(Status(dir / "rank.txt").st_mode & 07777, 0600u);
         EXPECT_EQ(Status(dir / "rank.txt").st_gid, kPlayer);
     }},
    {"MissingFileIsCreatedAsAPlainWriteWould", false, false, [](const fs::path&) {}, "rank.txt",
     true,
     [](const fs::path& dir) {
         const mode_t mask = ::umask(0);
         ::umask(mask);
         EXPECT_EQ(Status(dir / "rank.txt").st_mode & 07777, 0666u & ~mask);
     }},
    {"ReadOnlyFileIsLeftAlone", true, true,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld, 0444);
         Own(dir / "rank.txt", kPlayer);
     },
     "rank.txt", false, nullptr},
    {"UnreadableFileIsNeverSavedOver", true, true,
     [](const fs::path& dir) {
         // Writable but not readable: a save would trade the ranking for
         // the defaults.
         Write(dir / "rank.txt", kOld, 0200);
         Own(dir / "rank.txt", kPlayer);
     },
     "rank.txt", false, nullptr},
    {"AnotherUsersPrivateFileIsLeftAlone", true, true,
     [](const fs::path& dir) { Write(dir / "rank.txt", kOld, 0600); }, "rank.txt", false, nullptr},
    {"AnotherUsersGroupWritableFileKeepsItsOwner", true, true,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld, 0666);
         ::chmod(dir.c_str(), 0777);
     },
     "rank.txt", true,
     [](const fs::path& dir) {
         EXPECT_EQ(Status(dir / "rank.txt").st_uid, 0u) << "written in place, not replaced";
         EXPECT_EQ(Names(dir), std::set<std::string>{"rank.txt"});
     }},
    {"SymlinkStaysALinkAndItsTargetGetsTheTable", false, false,
     [](const fs::path& dir) {
         fs::create_directory(dir / "real");
         Write(dir / "real" / "ranking.bin", kOld);
         fs::create_symlink("real/ranking.bin", dir / "rank.txt");
     },
     "real/ranking.bin", true,
     [](const fs::path& dir) {
         EXPECT_TRUE(fs::is_symlink(dir / "rank.txt"));
         EXPECT_EQ(Names(dir / "real"), std::set<std::string>{"ranking.bin"});
     }},
    {"DanglingSymlinkCreatesItsTarget", false, false,
     [](const fs::path& dir) { fs::create_symlink("target.bin", dir / "rank.txt"); }, "target.bin",
     true, [](const fs::path& dir) { EXPECT_TRUE(fs::is_symlink(dir / "rank.txt")); }},
    {"HardLinkedFileIsWrittenInPlace", false, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld);
         fs::create_hard_link(dir / "rank.txt", dir / "backup.txt");
     },
     "backup.txt", true,
     [](const fs::path& dir) {
         EXPECT_EQ(Status(dir / "rank.txt").st_ino, Status(dir / "backup.txt").st_ino);
     }},
    {"LongHardLinkedFileIsCutTo1304Bytes", false, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", Bytes(5000, 0x42));
         fs::create_hard_link(dir / "rank.txt", dir / "other.txt");
     },
     "other.txt", true, nullptr},
    {"WritableFileInAReadOnlyFolderIsWrittenInPlace", true, true,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld, 0644);
         Own(dir / "rank.txt", kPlayer);
         ::chmod(dir.c_str(), 0555);
     },
     "rank.txt", true, nullptr},
    {"StaleDirectoryWhereTheOldTemporaryWas", false, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld);
         fs::create_directories(dir / "rank.txt.new" / "x");
     },
     "rank.txt", true, nullptr},
    {"PlantedSymlinkRedirectsNothing", false, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld);
         Write(dir / "victim", Bytes{1, 2, 3});
         fs::create_symlink("victim", dir / "rank.txt.new");
     },
     "rank.txt", true,
     [](const fs::path& dir) {
         EXPECT_EQ(Read(dir / "victim"), (Bytes{1, 2, 3}));
     }},
    {"StaleFifoDoesNotHangTheSave", false, false,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld);
         ::mkfifo((dir / "rank.txt.new").c_str(), 0644);
     },
     "rank.txt", true, nullptr},
    {"AnotherUsersStaleTemporary", true, true,
     [](const fs::path& dir) {
         Write(dir / "rank.txt", kOld);
         Own(dir / "rank.txt", kPlayer);
         Own(dir, kPlayer);
         Write(dir / "rank.txt.new", Bytes{9}, 0600);
     },
     "rank.txt", true, nullptr},
    {"FifoNamedRankTxtIsNeverOpenedForReadingOrWriting", false, false,
     [](const fs::path& dir) { ::mkfifo((dir / "rank.txt").c_str(), 0666); }, nullptr, false,
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_fifo(dir / "rank.txt")); }},
    {"DirectoryNamedRankTxtIsLeftAlone", false, false,
     [](const fs::path& dir) { fs::create_directories(dir / "rank.txt" / "keep"); }, nullptr, false,
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "rank.txt" / "keep")); }},
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
    if (c.needs_root && !AsRoot()) {
        GTEST_SKIP() << "needs root to set up other owners";
    }
    c.arrange(dir_);
    ASSERT_TRUE(PlayAndSave(c.as_player, dir_ / "rank.txt")) << "the save did not finish";
    ::chmod(dir_.c_str(), 0755);
    if (c.saved_file) {
        const Bytes saved = Read(dir_ / c.saved_file);
        if (c.expect_new) {
            EXPECT_EQ(saved, Image(NewTable()));
        } else {
            EXPECT_EQ(saved, kOld);
        }
    }
    if (c.check) {
        c.check(dir_);
    }
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

TEST_F(TempFolder, FullDiskLeavesTheOldFileAndNoTemporary) {
    // A 4 KiB file system holds the old file but not a second copy.
    if (!AsRoot() || ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=8k,nr_inodes=16") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    }
    Write(dir_ / "rank.txt", kOld);
    Write(dir_ / "filler", Bytes(4096, 0));
    ASSERT_TRUE(PlayAndSave(false, dir_ / "rank.txt"));
    EXPECT_EQ(Read(dir_ / "rank.txt"), kOld);
    EXPECT_EQ(Names(dir_), (std::set<std::string>{"filler", "rank.txt"}));
}

}  // namespace

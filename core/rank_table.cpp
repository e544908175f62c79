// The rank table: its 1304-byte file image, the insertion, and its file.
#include "core/rank_table.h"

#include <cstring>

#include "core/file_store.h"
#include "core/game_state.h"

RankTable rank_table;
RankFileLocation rank_file;

namespace {

// A file that was there but could not be read holds a ranking this run does
// not know; saving the run's table over it would lose it.
bool keep_hands_off_rank_file = false;

// What rank.txt held when this run last read or wrote it. When the file holds
// something else, another copy of the game has saved since.
struct StoredImage {
    StoredFile found = StoredFile::Missing;
    std::size_t size = 0;
    uint8_t bytes[kRankFileBytes] = {};
};

StoredImage last_seen;

constexpr std::size_t kNamesOffset = 20;
constexpr std::size_t kPlayNumberOffset = 1300;

void PutInt32(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    out[0] = static_cast<uint8_t>(bits);
    out[1] = static_cast<uint8_t>(bits >> 8);
    out[2] = static_cast<uint8_t>(bits >> 16);
    out[3] = static_cast<uint8_t>(bits >> 24);
}

int32_t GetInt32(const uint8_t* in) {
    const uint32_t bits = static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
                          static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
    return static_cast<int32_t>(bits);
}

void SwapRows(int a, int b) {
    const int32_t points = rank_table.points[a];
    rank_table.points[a] = rank_table.points[b];
    rank_table.points[b] = points;

    // The temporary starts zeroed and each copy moves only up to the NUL,
    // so the tails of the two fields stay where they were.
    char temporary[kNameField] = {};
    CopyName(temporary, rank_table.player_names[a]);
    CopyName(rank_table.player_names[a], rank_table.player_names[b]);
    CopyName(rank_table.player_names[b], temporary);
}

}  // namespace

std::size_t NameLength(const char* field) {
    const void* nul = std::memchr(field, '\0', kNameField);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : kNameField;
}

void CopyName(char* destination, const char* source) {
    const std::size_t length = NameLength(source);
    // The NUL too, when there is one inside the field.
    std::memmove(destination, source, length < kNameField ? length + 1 : kNameField);
}

void EncodeRankTable(const RankTable& table, uint8_t image[kRankFileBytes]) {
    for (int i = 0; i < kRankRows; ++i) {
        PutInt32(image + 4 * i, table.points[i]);
        std::memcpy(image + kNamesOffset + kNameField * i, table.player_names[i], kNameField);
    }
    PutInt32(image + kPlayNumberOffset, table.play_number);
}

void DecodeRankTable(const uint8_t* image, std::size_t size, RankTable& table) {
    uint8_t full[kRankFileBytes] = {};
    std::memcpy(full, image, size < kRankFileBytes ? size : kRankFileBytes);
    for (int i = 0; i < kRankRows; ++i) {
        table.points[i] = GetInt32(full + 4 * i);
        std::memcpy(table.player_names[i], full + kNamesOffset + kNameField * i, kNameField);
    }
    table.play_number = GetInt32(full + kPlayNumberOffset);
}

void SetDefaultRankTable() {
    rank_table = RankTable{};
    for (int i = 0; i < kRankRows; ++i) {
        rank_table.points[i] = 5 - i;
        std::memcpy(rank_table.player_names[i], "DEFAULT_PLAYER", sizeof "DEFAULT_PLAYER");
    }
    rank_table.play_number = 0;
}

namespace {

bool SameImage(const StoredImage& a, const StoredImage& b) {
    return a.found == b.found && a.size == b.size && std::memcmp(a.bytes, b.bytes, a.size) == 0;
}

// Reads the file again and takes its table in place of the run's own when
// another copy changed it since this run last saw it; true then. A missing
// or unreadable file leaves the run's table as it is.
bool ReadBackRankTable() {
    StoredImage now;
    now.found = ReadStoredFile(rank_file.path.c_str(), now.bytes, kRankFileBytes, now.size);
    keep_hands_off_rank_file = now.found == StoredFile::Unusable;
    const bool theirs = now.found == StoredFile::Read && !SameImage(now, last_seen);
    if (theirs) {
        DecodeRankTable(now.bytes, now.size, rank_table);
    }
    last_seen = now;
    return theirs;
}

void WriteRankTable() {
    if (keep_hands_off_rank_file) {
        return;
    }
    StoredImage written;
    EncodeRankTable(rank_table, written.bytes);
    written.found = StoredFile::Read;
    written.size = kRankFileBytes;
    if (WriteStoredFile(rank_file.path.c_str(), written.bytes, kRankFileBytes,
                        rank_file.make_folder)) {
        last_seen = written;
    }
}

// Every change to the stored table is made in this copy's turn, to the table
// as the file holds it at that moment, so that copies sharing the file lose
// none of each other's games.
StoreLock TakeTurn(bool to_save) {
    StoreLock lock;
    LockStoredFile(rank_file.path.c_str(), to_save && rank_file.make_folder, kStoreLockWaitMs,
                   lock);
    return lock;
}

}  // namespace

void LoadRankTable() {
    StoredImage found;
    found.found = ReadStoredFile(rank_file.path.c_str(), found.bytes, kRankFileBytes, found.size);
    keep_hands_off_rank_file = found.found == StoredFile::Unusable;
    last_seen = found;
    if (found.found != StoredFile::Read) {
        SetDefaultRankTable();
        return;
    }
    DecodeRankTable(found.bytes, found.size, rank_table);
}

void RefreshRankTable() {
    StoreLock lock = TakeTurn(false);
    ReadBackRankTable();
    UnlockStoredFile(lock);
}

void SaveRankTable() {
    StoreLock lock = TakeTurn(true);
    // The run's own games are all saved as they finish; a table another copy
    // saved since is newer than this run's and stays as it is.
    if (!ReadBackRankTable()) {
        WriteRankTable();
    }
    UnlockStoredFile(lock);
}

void InsertRankingAndSave(int32_t score, const char* name) {
    StoreLock lock = TakeTurn(true);
    ReadBackRankTable();
    InsertRanking(score, name);
    WriteRankTable();
    UnlockStoredFile(lock);
}

void CountGameAndSave() {
    StoreLock lock = TakeTurn(true);
    ReadBackRankTable();
    rank_table.play_number = WrappingAdd(rank_table.play_number, 1);
    WriteRankTable();
    UnlockStoredFile(lock);
}

bool QualifiesForRanking(int32_t score) {
    return score > rank_table.points[4];
}

void InsertRanking(int32_t score, const char* name) {
    if (!QualifiesForRanking(score)) {
        return;
    }
    rank_table.points[4] = score;
    CopyName(rank_table.player_names[4], name);
    for (int i = 4; i >= 1; --i) {
        if (rank_table.points[i] > rank_table.points[i - 1]) {
            SwapRows(i, i - 1);
        }
    }
}

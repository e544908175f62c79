// The rank table: its 1304-byte file image, the insertion, and its file.
#include "core/rank_table.h"

#include <cstring>

#include "core/file_store.h"

RankTable rank_table;
RankFileLocation rank_file;

namespace {

// A file that was there but could not be read at start-up holds a ranking
// this run does not know; saving the defaults over it would lose it.
bool keep_hands_off_rank_file = false;

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

void LoadRankTable() {
    uint8_t image[kRankFileBytes] = {};
    std::size_t got = 0;
    const StoredFile found = ReadStoredFile(rank_file.path.c_str(), image, kRankFileBytes, got);
    keep_hands_off_rank_file = found == StoredFile::Unusable;
    if (found != StoredFile::Read) {
        SetDefaultRankTable();
        return;
    }
    DecodeRankTable(image, got, rank_table);
}

void SaveRankTable() {
    if (keep_hands_off_rank_file) {
        return;
    }
    uint8_t image[kRankFileBytes];
    EncodeRankTable(rank_table, image);
    WriteStoredFile(rank_file.path.c_str(), image, kRankFileBytes, rank_file.make_folder);
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

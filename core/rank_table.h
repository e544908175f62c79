// The five best scores with their players' names, and the number of games
// played, kept in rank.txt in the working directory: 1304 bytes, the table laid
// out field by field, little-endian, with no header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kRankRows = 5;
constexpr std::size_t kNameField = 256;
constexpr std::size_t kRankFileBytes = 5 * 4 + 5 * kNameField + 4;  // 1304

struct RankTable {
    int32_t points[kRankRows];
    // Code page 932 bytes ended by a NUL; the bytes after the NUL are whatever
    // the field held before and carry no meaning. Only a damaged file can give
    // a field with no NUL at all, and then the name is all 256 bytes.
    char player_names[kRankRows][kNameField];
    int32_t play_number;
};

extern RankTable rank_table;

constexpr const char* kRankFileName = "rank.txt";

// Where the table is kept: rank.txt in the working directory, unless the
// frontend names another place before LoadRankTable. Only a per-user data
// folder is made by the first save if it is missing.
struct RankFileLocation {
    std::string path = kRankFileName;
    bool make_folder = false;
};

extern RankFileLocation rank_file;

// Reads the table from the file, or builds the default table when there is
// no readable regular file. A short file fills only its leading bytes (the
// rest stay zero), a long one is read for its first 1304 bytes; nothing is
// validated.
void LoadRankTable();

// Other copies of the game may share rank.txt. Whenever this run reads the
// file again and finds that one of them has saved since this run last read
// or wrote it, it takes the stored table in place of its own. Each of these
// runs in this copy's turn on the file (core/file_store.h):

// Reads the stored table again, as the result step does at the end of a drill.
void RefreshRankTable();

// Writes the table through the platform's careful save, silently, unless
// another copy has saved a newer one. A file that was there but could not be
// read is never saved over.
void SaveRankTable();

// A finished game's two changes, each applied to the table as stored and
// saved at once: its qualifying score placed by InsertRanking, and the game
// counted in play_number.
void InsertRankingAndSave(int32_t score, const char* name);
void CountGameAndSave();

bool QualifiesForRanking(int32_t score);

// Puts a qualifying score into row 4 and bubbles it up in one pass of four
// neighbour comparisons. name is at most 255 bytes and a NUL.
void InsertRanking(int32_t score, const char* name);

void SetDefaultRankTable();

// The table's file image, and the table from one; a short image leaves the
// fields it does not reach zero.
void EncodeRankTable(const RankTable& table, uint8_t image[kRankFileBytes]);
void DecodeRankTable(const uint8_t* image, std::size_t size, RankTable& table);

// The length of a name in its 256-byte field: up to its NUL, or the whole field.
std::size_t NameLength(const char* field);

// Copies a name through its NUL (or the whole field when it has none) and
// leaves the rest of the destination field as it was.
void CopyName(char* destination, const char* source);

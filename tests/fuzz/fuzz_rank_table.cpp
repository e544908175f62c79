// Feeds arbitrary bytes to LoadRankTable as rank.txt, then inserts a score,
// formats the title's record lines and the ranking rows, saves, and checks
// that the saved file loads back to the same table.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "screens/text_ops.h"

namespace {

// In memory where there is room, as every save is synced to the disk.
std::string WorkDir() {
    static const std::string dir = [] {
        char in_memory[] = "/dev/shm/kobaru-fuzz-rank-XXXXXX";
        char on_disk[] = "/tmp/kobaru-fuzz-rank-XXXXXX";
        const char* made = ::mkdtemp(in_memory);
        made = made ? made : ::mkdtemp(on_disk);
        if (!made) {
            std::abort();
        }
        return std::string(made);
    }();
    return dir;
}

volatile std::size_t sink;

}  // namespace

// The title draws through these; only the bytes it hands over matter here.
void SetInk(Ink) {}
ScreenFont SelectScreenFont(const char*, int32_t, int32_t) {
    return {};
}
void ReleaseScreenFont(ScreenFont) {}
void DrawTextAt(int32_t, int32_t, const char* text, int32_t length) {
    std::size_t sum = 0;
    for (int32_t i = 0; i < length; ++i) {
        sum += static_cast<unsigned char>(text[i]);
    }
    sink = sum;
}
void DrawCentredLine(const TextRect&, const char* text) {
    sink = std::strlen(text);
}
uint32_t GetTick() {
    return 0;
}
bool IsKeyDown(uint8_t) {
    return false;
}
void CopyStarField() {}
void RepaintWindow() {}
void PromptForName(char name[256]) {
    name[0] = '\0';
}
void ShowRanking() {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path = WorkDir() + "/rank.txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::abort();
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    rank_table = RankTable{};
    rank_file.path = path;
    LoadRankTable();

    // A score and a name from the input's tail, the name NUL-terminated and at
    // most 255 bytes as the name prompt gives it.
    int32_t score = 0;
    char name[256] = {};
    if (size >= 4) {
        std::memcpy(&score, data + size - 4, 4);
        const std::size_t n = (size - 4) % 256;
        std::memcpy(name, data, n < size - 4 ? n : size - 4);
        name[255] = '\0';
    }
    InsertRanking(score, name);

    DrawTitleScreen();
    char row[64];
    for (int i = 0; i < kRankRows; ++i) {
        std::snprintf(row, sizeof row, "No. %d  %09d", i + 1, rank_table.points[i]);
        sink = NameLength(rank_table.player_names[i]) + std::strlen(row);
    }

    SaveRankTable();
    const RankTable saved = rank_table;
    rank_table = RankTable{};
    LoadRankTable();
    if (std::memcmp(&saved, &rank_table, sizeof saved) != 0) {
        std::abort();
    }
    return 0;
}

// Feeds arbitrary bytes to LoadRankTable as rank.txt, then inserts a score,
// draws the title's lines and formats the ranking's rows from the table,
// saves, and checks that the saved file loads back to the same table.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/game_state.h"
#include "core/rank_table.h"
#include "dialogs/templates.h"
#include "screens/screens.h"
#include "tests/support/null_frontend.h"

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

}  // namespace

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

    fake.calls.clear();
    DrawTitleScreen();
    for (int i = 0; i < kRankRows; ++i) {
        const std::string row = RankingRowText(i, rank_table.points[i]);
        if (row.size() < 16 || NameLength(rank_table.player_names[i]) > kNameField) {
            std::abort();
        }
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

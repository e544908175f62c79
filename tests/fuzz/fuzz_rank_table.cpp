// Fuzzes the rank file: any rank.txt loads, takes a score, draws and saves back alike.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/game_state.h"
#include "core/rank_table.h"
#include "null/shell.h"
#include "screens/screens.h"
#include "tests/fuzz/scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterScratchFolder("rank");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::ofstream("rank.txt", std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    rank_table = RankTable{};
    rank_file.path = "rank.txt";
    LoadRankTable();

    // A score and a name from the input's tail, the name NUL-terminated and at
    // most 255 bytes as the name prompt gives it.
    int32_t score = 0;
    char name[256] = {};
    if (size >= 4) {
        std::memcpy(&score, data + size - 4, 4);
        std::memcpy(name, data, (size - 4) % 256);
    }
    InsertRanking(score, name);

    fake.calls.clear();
    DrawTitleScreen();
    SaveRankTable();
    const RankTable saved = rank_table;
    rank_table = RankTable{};
    LoadRankTable();
    if (std::memcmp(&saved, &rank_table, sizeof saved) != 0) {
        std::abort();
    }
    return 0;
}

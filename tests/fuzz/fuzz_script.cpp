// Fuzzes kobaru-sim's scripts: a line may run, close the game or fail, nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "sim/script.h"
#include "sim/shell.h"
#include "tests/fuzz/scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // rank.txt is read and saved in the scratch folder; the printed state goes
    // nowhere.
    EnterScratchFolder("script");
    if (!std::freopen("/dev/null", "w", stdout)) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A fresh start costs a few milliseconds; a script that plays a game
    // costs far more.
    ::unlink("rank.txt");
    StartSimulator(1000);
    // Enough passes for whole games in steps of 20 ms, few enough that no
    // input runs for long.
    ScriptLimits limits;
    limits.most_passes = 5000;
    limits.snapshot_path = "/dev/null";
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t newline = input.find('\n');
        const std::string_view line = input.substr(0, newline);
        input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);
        try {
            if (RunScriptLine(line, limits) == ScriptStep::Closed) {
                break;
            }
        } catch (const ScriptError&) {
            break;
        }
    }
    return 0;
}

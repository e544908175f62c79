// The simulator's result dialogs: the name prompt takes the next queued name,
// and both print what a player would have seen, as JSON events.
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "sim/shell.h"
#include "text/cp932.h"

void PromptForName(char name[256]) {
    std::string chosen;
    if (!sim.queued_names.empty()) {
        chosen = sim.queued_names.front();
        sim.queued_names.pop_front();
    }
    std::memcpy(name, chosen.c_str(), chosen.size() + 1);

    std::string line = "{\"event\":\"name_prompt\",\"name\":";
    AppendJsonString(line, Cp932ToUtf8(chosen.data(), chosen.size()));
    line += '}';
    EmitLine(line);
}

void ShowRanking() {
    std::string line = "{\"event\":\"ranking\",\"rows\":[";
    for (int i = 0; i < kRankRows; ++i) {
        if (i > 0) {
            line += ',';
        }
        line += "{\"points\":" + std::to_string(rank_table.points[i]) + ",\"name\":";
        const char* field = rank_table.player_names[i];
        AppendJsonString(line, Cp932ToUtf8(field, NameLength(field)));
        line += '}';
    }
    line += "]}";
    EmitLine(line);
}

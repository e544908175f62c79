// The null frontend's result dialogs: the name its driver chose, the ranking
// as it stood, both recorded.
#include <cstring>

#include "core/frontend.h"
#include "core/rank_table.h"
#include "null/shell.h"

void PromptForName(char name[256]) {
    Record("name");
    if (fake.while_prompting) {
        fake.while_prompting();
    }
    std::memcpy(name, fake.name_to_enter.c_str(), fake.name_to_enter.size() + 1);
}

void ShowRanking() {
    Record("ranking");
    fake.shown_ranking = rank_table;
}

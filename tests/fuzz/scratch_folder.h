// A folder of the fuzzer's own to work in, in memory where there is one (every
// save is synced to the disk), removed again when the fuzzer ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline void EnterScratchFolder(const std::string& name) {
    static std::string made;
    for (const char* parent : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(parent) + "/kobaru-fuzz-" + name + "-XXXXXX";
        if (::mkdtemp(pattern.data()) && ::chdir(pattern.c_str()) == 0) {
            made = pattern;
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(made, ignored);
            });
            return;
        }
    }
    std::abort();
}

// The simulator's script language: one command a line (see docs/SIMULATOR.md).
// Any bytes on a line give either the command's effect or a ScriptError; the
// interpreter never crashes and never runs without bound.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ScriptError {
    std::string message;
};

struct ScriptLimits {
    // frame and run make at most this many passes of the game loop.
    uint64_t most_passes = 10'000'000;
    // Where snapshot writes instead of the named file, when set (the fuzzer
    // must not write where a script tells it to).
    const char* snapshot_path = nullptr;
};

enum class ScriptStep { Continue, Closed };

// Runs one line, without its line feed (a carriage return before it is part
// of the line ending). Throws ScriptError for a line that cannot be run; what
// ran before the error stays done.
ScriptStep RunScriptLine(std::string_view line, const ScriptLimits& limits);

// A number as scripts write it: decimal or 0x hexadecimal, 0 to 4294967295.
uint32_t ScriptNumber(std::string_view word);

// The bytes of a line as an error message shows them: printable UTF-8 as it
// is, a backslash doubled, every other byte as \xNN.
std::string EscapeBytes(std::string_view bytes);

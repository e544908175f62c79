// A recording double of the text operations: every call the screens make,
// in order, with its exact bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordedOp {
    std::string kind;                    // "ink", "font", "release", "text", "centred"
    int32_t a = 0, b = 0, c = 0, d = 0;  // rgb / height,width / x,y / rect
    std::string text;                    // text bytes as drawn, or the face
};

struct Recorder {
    std::vector<RecordedOp> ops;
    uint32_t tick = 0;
    int open_fonts = 0;
    int max_open_fonts = 0;
};

extern Recorder recorder;

void ClearRecorder();

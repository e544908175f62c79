// The text operations of screens/text_ops.h and CopyStarField, drawn onto the
// portable frame surface; the simulator and the Linux window both link them.
//
// An optional trace records every operation of a frame as a JSON object, so
// a script can check what a frame drew without looking at its pixels.
#pragma once

#include <string>
#include <string_view>

#include "core/game_state.h"

struct OpTrace {
    bool enabled = false;
    // The scene whose frame function copied the star field: a title frame
    // that accepts Return has already moved on to the drill when it repaints.
    bool has_scene = false;
    Scene scene = Scene::Title;
    // The frame's operations so far, comma-separated JSON objects.
    std::string ops;
};

extern OpTrace op_trace;

// Appends one operation, already written as a JSON object.
void TraceOp(std::string_view op_json);

// Forgets the operations recorded so far, ready for the next frame.
void ClearOpTrace();

// Appends text to out as a JSON string literal; text is UTF-8.
void AppendJsonText(std::string& out, std::string_view text);

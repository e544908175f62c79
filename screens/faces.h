// The three faces the screens ask for, as code page 932 byte strings.
#pragma once

constexpr const char* kFaceTimes = "Times New Roman";
// "ＭＳ ゴシック"
constexpr const char* kFaceGothic = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
// "ＭＳ 明朝"
constexpr const char* kFaceMincho = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";

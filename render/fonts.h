// What the renderer's three parts share: the stand-ins for the Windows faces,
// the face lookup (faces.cpp: which file draws a face), and the fonts with
// their metrics and glyphs (fonts.cpp), which text.cpp lays out and draws.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

// The stand-ins for the Windows faces. Liberation Serif has the advance widths
// of Times New Roman but a modern OS/2 table, whose xAvgCharWidth averages
// every glyph (1180 units for the bold face). Windows' own Times New Roman
// carries the older average, weighted over the lowercase letters and the space
// (821 for the regular face), and GDI stretches glyphs by that figure; taking
// the same weighted average of the metric-compatible advances gives the width
// Windows would have used. The IPA faces need no such correction: their
// xAvgCharWidth is already the half-width advance (1024 of 2048 units), which
// is what Windows takes as the average width of a fixed-pitch CJK face such as
// MS Gothic, so a width of w gives half-width glyphs w pixels apart and
// full-width ones 2w.
struct StandIn {
    const char* name;      // as the game asks for it, in UTF-8
    const char* family;    // the face to draw it with
    const char* generic;   // where even that is missing
    const char* language;  // for the generic match, or null
    bool lowercase_average;
    bool always_bold;
    int32_t default_height;
};

// The stand-in for a Windows face name (ASCII letters in any case), or null.
const StandIn* FindStandIn(const std::string& name);

// A face file found for a face name.
struct FaceChoice {
    std::string file;
    int index = 0;
    // Scale its width by the lowercase average (a stand-in for Times New Roman).
    bool lowercase_average = false;
};

// Which file draws the face (UTF-8 name) at the weight: the face itself if the
// system has it, else its stand-in, else a face of the same kind. False when
// no face can be had at all.
bool FindFace(const std::string& name, bool bold, FaceChoice& choice);

// Forgets what FindFace learnt from the system, as at program start.
void ReleaseFaceLookup();

// One horizontal run of glyph pixels: dy from the baseline (down is
// positive), x0 to x1 (exclusive) from the pen position.
struct Span {
    int16_t dy;
    int16_t x0;
    int16_t x1;
};

struct Glyph {
    int32_t advance = 0;
    // The ink box, relative to the pen and the baseline; empty for a blank.
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
    std::vector<Span> spans;
};

// A font file, read into memory once so that rendering a glyph later never
// touches the disk.
struct FaceFile {
    std::string path;
    int index = 0;
    std::string family;
    std::vector<FT_Byte> data;
    FT_Face face = nullptr;
    bool bold = false;
    // In font units: the em, the Windows cell above and below the baseline,
    // the two average widths, the underline.
    int32_t units_per_em = 2048;
    int32_t win_ascent = 0, win_descent = 0;
    int32_t os2_average = 0, lowercase_average = 0;
    int32_t underline_position = 0, underline_thickness = 0;
    bool fixed_pitch = false;           // as GDI decides it: the face's flag or its PANOSE
    FT_F26Dot6 size_x = 0, size_y = 0;  // the size last set on the face
};

struct RenderFont {
    std::string face_name;  // code page 932, as asked
    int32_t height_asked = 0;
    int32_t width_asked = 0;
    int32_t weight_asked = 0;
    FaceFile* file = nullptr;
    bool synthetic_bold = false;
    int32_t average_units = 0;  // the average width the x scale is taken from
    FT_F26Dot6 size_x = 0, size_y = 0;
    // A bold made from a regular face is drawn as GDI draws it: hinted at an
    // em of whole pixels, emboldened, then scaled across by x_scale (16.16).
    int32_t ppem = 0;
    FT_Fixed x_scale = 0x10000;
    // In pixels: the cell and the baseline in it, the underline below it.
    int32_t cell_height = 0, ascent = 0;
    int32_t underline_offset = 1, underline_thickness = 1;
    mutable Glyph ascii[128];
    mutable bool ascii_ready[128] = {};
    mutable std::unordered_map<char32_t, Glyph> others;
    // Japanese Windows' system font draws kanji and kana; its Latin stand-in
    // has none, so those characters come from a Japanese gothic of the same
    // cell height.
    bool japanese_fallback = false;
};

// The glyph of a character in a font, rendered once and kept.
const Glyph& GlyphOf(const RenderFont& font, char32_t character);

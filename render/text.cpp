#include "render/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/cp932.h"

namespace {

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
    int32_t units_per_em = 2048;
    int32_t win_ascent = 0;
    int32_t win_descent = 0;
    int32_t os2_average = 0;
    int32_t lowercase_average = 0;
    int32_t underline_position = 0;
    int32_t underline_thickness = 0;
    FT_F26Dot6 size_x = 0;  // the size last set on the face
    FT_F26Dot6 size_y = 0;
};

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

constexpr StandIn kStandIns[] = {
    {"Times New Roman", "Liberation Serif", "serif", nullptr, true, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",  // ＭＳ
                                                                                   // ゴシック
     "IPAGothic", "monospace", "ja", false, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D",  // ＭＳ 明朝
     "IPAMincho", "serif", "ja", false, false, 16},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 "
     "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",  // ＭＳ Ｐゴシック
     "IPAPGothic", "sans-serif", "ja", false, false, 16},
    {"MS Gothic", "IPAGothic", "monospace", "ja", false, false, 16},
    {"MS Mincho", "IPAMincho", "serif", "ja", false, false, 16},
    {"MS PGothic", "IPAPGothic", "sans-serif", "ja", false, false, 16},
    // The Windows system font is a bold sans of 16-pixel cells.
    {"System", "Liberation Sans", "sans-serif", nullptr, false, true, 16},
};

// "ＭＳ ゴシック" in code page 932.
constexpr const char* kGothicCp932 = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

struct ResolvedFace {
    std::string name;
    bool bold_asked;
    FaceFile* file;
    bool lowercase_average;
};

struct Renderer {
    bool started = false;
    FT_Library library = nullptr;
    FcConfig* config = nullptr;
    std::vector<std::unique_ptr<FaceFile>> files;
    std::vector<ResolvedFace> resolved;
    std::vector<std::unique_ptr<RenderFont>> fonts;
};

Renderer renderer;

}  // namespace

struct RenderFont {
    std::string face_name;  // code page 932, as asked
    int32_t height_asked = 0;
    int32_t width_asked = 0;
    int32_t weight_asked = 0;
    FaceFile* file = nullptr;
    bool synthetic_bold = false;
    int32_t average_units = 0;
    FT_F26Dot6 size_x = 0;
    FT_F26Dot6 size_y = 0;
    int32_t cell_height = 0;
    int32_t ascent = 0;
    int32_t underline_offset = 1;
    int32_t underline_thickness = 1;
    mutable Glyph ascii[128];
    mutable bool ascii_ready[128] = {};
    mutable std::unordered_map<char32_t, Glyph> others;
    // Japanese Windows' system font draws kanji and kana; its Latin stand-in
    // has none, so those characters come from a Japanese gothic of the same
    // cell height.
    bool japanese_fallback = false;
};

namespace {

void ReleaseAtExit() {
    ReleaseRenderFonts();
    // Fontconfig's own caches too, so a leak checker sees nothing left.
    FcFini();
}

bool StartRenderer() {
    if (!renderer.started) {
        static const bool registered = std::atexit(ReleaseAtExit) == 0;
        (void)registered;
        renderer.started = true;
        if (FT_Init_FreeType(&renderer.library) != 0) {
            renderer.library = nullptr;
        }
        renderer.config = FcInitLoadConfigAndFonts();
    }
    return renderer.library != nullptr && renderer.config != nullptr;
}

int32_t LowercaseAverage(FT_Face face) {
    // The OS/2 table's original definition of the average width.
    static constexpr int32_t kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                             56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    int64_t sum = 0;
    for (int k = 0; k < 27; ++k) {
        const FT_ULong c = k < 26 ? static_cast<FT_ULong>('a' + k) : ' ';
        const FT_UInt index = FT_Get_Char_Index(face, c);
        FT_Fixed advance = 0;
        if (index == 0 || FT_Get_Advance(face, index, FT_LOAD_NO_SCALE, &advance) != 0) {
            return 0;
        }
        sum += kWeights[k] * static_cast<int64_t>(advance);
    }
    return static_cast<int32_t>(sum / 1000);
}

FaceFile* LoadFaceFile(const std::string& path, int index) {
    for (const auto& file : renderer.files) {
        if (file->path == path && file->index == index) {
            return file.get();
        }
    }
    auto file = std::make_unique<FaceFile>();
    file->path = path;
    file->index = index;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (size > 0) {
        file->data.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(file->data.data()), size);
        if (!in) {
            file->data.clear();
        }
    }
    if (file->data.empty() ||
        FT_New_Memory_Face(renderer.library, file->data.data(),
                           static_cast<FT_Long>(file->data.size()), index, &file->face) != 0) {
        return nullptr;
    }
    FT_Face face = file->face;
    file->family = face->family_name ? face->family_name : "";
    file->units_per_em = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
        file->win_ascent = os2->usWinAscent;
        file->win_descent = os2->usWinDescent;
        file->os2_average = os2->xAvgCharWidth;
    }
    if (file->win_ascent + file->win_descent <= 0) {
        file->win_ascent = face->ascender;
        file->win_descent = -face->descender;
    }
    if (file->win_ascent + file->win_descent <= 0) {
        file->win_ascent = file->units_per_em * 4 / 5;
        file->win_descent = file->units_per_em / 5;
    }
    file->lowercase_average = LowercaseAverage(face);
    if (file->os2_average <= 0) {
        file->os2_average =
            file->lowercase_average > 0 ? file->lowercase_average : file->units_per_em / 2;
    }
    file->bold =
        (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 || (os2 && os2->usWeightClass >= 600);
    file->underline_position = face->underline_position;
    file->underline_thickness = face->underline_thickness;
    renderer.files.push_back(std::move(file));
    return renderer.files.back().get();
}

struct Match {
    std::string file;
    int index = 0;
    bool family_found = false;
};

bool MatchFamily(const char* family, bool bold, const char* language, Match& match) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    // Outlines only: every glyph is stretched to its own x and y scale.
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (language) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    }
    FcConfigSubstitute(renderer.config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(renderer.config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) {
        return false;
    }
    FcChar8* path = nullptr;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        match.file = reinterpret_cast<const char*>(path);
        match.index = 0;
        FcPatternGetInteger(found, FC_INDEX, 0, &match.index);
        match.family_found = false;
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
            if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) {
                match.family_found = true;
                break;
            }
        }
    }
    FcPatternDestroy(found);
    return ok;
}

const StandIn* FindStandIn(const std::string& name) {
    for (const StandIn& stand_in : kStandIns) {
        if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(stand_in.name),
                               reinterpret_cast<const FcChar8*>(name.c_str())) == 0) {
            return &stand_in;
        }
    }
    return nullptr;
}

// Fontconfig is asked once per face name and weight; the answer is kept.
const ResolvedFace& ResolveFace(const std::string& name, bool bold) {
    for (const ResolvedFace& face : renderer.resolved) {
        if (face.bold_asked == bold && face.name == name) {
            return face;
        }
    }
    ResolvedFace resolved{name, bold, nullptr, false};
    Match own;
    const bool matched = MatchFamily(name.c_str(), bold, nullptr, own);
    if (matched && own.family_found) {
        resolved.file = LoadFaceFile(own.file, own.index);
    } else if (const StandIn* stand_in = FindStandIn(name)) {
        Match match;
        if (MatchFamily(stand_in->family, bold, nullptr, match) && match.family_found) {
            resolved.file = LoadFaceFile(match.file, match.index);
            resolved.lowercase_average = stand_in->lowercase_average;
        } else if (MatchFamily(stand_in->generic, bold, stand_in->language, match)) {
            resolved.file = LoadFaceFile(match.file, match.index);
        }
    }
    if (!resolved.file && matched) {
        resolved.file = LoadFaceFile(own.file, own.index);
    }
    renderer.resolved.push_back(std::move(resolved));
    return renderer.resolved.back();
}

FT_F26Dot6 To26Dot6(double pixels) {
    return std::max<FT_F26Dot6>(1, static_cast<FT_F26Dot6>(std::lround(pixels * 64.0)));
}

void SetUpScale(RenderFont& font, int32_t default_height) {
    const FaceFile& file = *font.file;
    const double cell_units = file.win_ascent + file.win_descent;
    double em_pixels;
    if (font.height_asked < 0) {
        // A negative height asks for the em height, as CreateFont takes it.
        em_pixels = -static_cast<double>(font.height_asked);
        font.cell_height =
            static_cast<int32_t>(std::lround(cell_units * em_pixels / file.units_per_em));
    } else {
        font.cell_height = font.height_asked > 0 ? font.height_asked : default_height;
        em_pixels = font.cell_height * file.units_per_em / cell_units;
    }
    font.ascent =
        static_cast<int32_t>(std::lround(file.win_ascent * em_pixels / file.units_per_em));
    font.size_y = To26Dot6(em_pixels);
    font.size_x = font.width_asked > 0 ? To26Dot6(static_cast<double>(font.width_asked) *
                                                  file.units_per_em / font.average_units)
                                       : font.size_y;
    const double y_scale = em_pixels / file.units_per_em;
    font.underline_offset =
        std::max<int32_t>(1, static_cast<int32_t>(std::lround(-file.underline_position * y_scale)));
    font.underline_thickness =
        std::max<int32_t>(1, static_cast<int32_t>(std::lround(file.underline_thickness * y_scale)));
}

bool PixelSet(const FT_Bitmap& bitmap, const uint8_t* row, unsigned x) {
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        return (row[x >> 3] & (0x80 >> (x & 7))) != 0;
    }
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        return row[x] >= 128;
    }
    return false;
}

Glyph MakeGlyph(const RenderFont& font, char32_t character) {
    Glyph glyph;
    FaceFile* file = font.file;
    if (!file) {
        return glyph;
    }
    FT_Face face = file->face;
    if (file->size_x != font.size_x || file->size_y != font.size_y) {
        if (FT_Set_Char_Size(face, font.size_x, font.size_y, 72, 72) != 0) {
            return glyph;
        }
        file->size_x = font.size_x;
        file->size_y = font.size_y;
    }
    // A character the face lacks shows its .notdef glyph (index 0).
    const FT_UInt index = FT_Get_Char_Index(face, character);
    if (index == 0 && character >= 0x80 && font.japanese_fallback) {
        const RenderFont* gothic = OpenRenderFont(kGothicCp932, font.cell_height, 0, 700);
        if (gothic->file && gothic->file != file) {
            return MakeGlyph(*gothic, character);
        }
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) {
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    const int32_t extra = font.synthetic_bold ? 1 : 0;
    glyph.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6) + extra;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
        return glyph;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.rows == 0 || bitmap.width == 0 || !bitmap.buffer) {
        return glyph;
    }
    const int pitch = bitmap.pitch;
    const uint8_t* first =
        pitch >= 0 ? bitmap.buffer
                   : bitmap.buffer + static_cast<std::ptrdiff_t>(bitmap.rows - 1) * -pitch;
    const unsigned width = bitmap.width + static_cast<unsigned>(extra);
    std::vector<uint8_t> row(width + 1);
    glyph.left = INT32_MAX;
    glyph.right = INT32_MIN;
    for (unsigned r = 0; r < bitmap.rows; ++r) {
        const uint8_t* source = first + static_cast<std::ptrdiff_t>(r) * pitch;
        std::fill(row.begin(), row.end(), 0);
        for (unsigned x = 0; x < bitmap.width; ++x) {
            row[x] = PixelSet(bitmap, source, x) ? 1 : 0;
        }
        if (extra) {
            // Windows' emboldening: the glyph struck again one pixel right.
            for (unsigned x = width - 1; x > 0; --x) {
                row[x] |= row[x - 1];
            }
        }
        const int32_t dy = static_cast<int32_t>(r) - slot->bitmap_top;
        for (unsigned x = 0; x < width;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            unsigned end = x;
            while (end < width && row[end]) {
                ++end;
            }
            const int32_t x0 = slot->bitmap_left + static_cast<int32_t>(x);
            const int32_t x1 = slot->bitmap_left + static_cast<int32_t>(end);
            glyph.spans.push_back(
                {static_cast<int16_t>(dy), static_cast<int16_t>(x0), static_cast<int16_t>(x1)});
            glyph.left = std::min(glyph.left, x0);
            glyph.right = std::max(glyph.right, x1);
            x = end;
        }
    }
    if (glyph.spans.empty()) {
        glyph.left = glyph.right = 0;
    } else {
        glyph.top = glyph.spans.front().dy;
        glyph.bottom = glyph.spans.back().dy + 1;
    }
    return glyph;
}

const Glyph& GlyphOf(const RenderFont& font, char32_t character) {
    if (character < 128) {
        if (!font.ascii_ready[character]) {
            font.ascii[character] = MakeGlyph(font, character);
            font.ascii_ready[character] = true;
        }
        return font.ascii[character];
    }
    const auto found = font.others.find(character);
    if (found != font.others.end()) {
        return found->second;
    }
    return font.others.emplace(character, MakeGlyph(font, character)).first->second;
}

// Walks the characters of a text as they are laid out: visit(glyph,
// underlined) for each one drawn.
template <typename Visit>
void ForEachCharacter(const char* text, std::size_t length, uint32_t flags, Visit visit) {
    std::size_t i = 0;
    bool underline_next = false;
    while (i < length) {
        if ((flags & kTextPrefix) && text[i] == '&') {
            // '&' is never the second byte of a double-byte character.
            if (i + 1 < length && text[i + 1] == '&') {
                i += 2;
                visit(U'&', underline_next);
                underline_next = false;
            } else {
                ++i;
                underline_next = true;
            }
            continue;
        }
        visit(DecodeCp932Char(text, length, i), underline_next);
        underline_next = false;
    }
}

void FillRow(const Canvas& canvas, int32_t y, int32_t x0, int32_t x1, uint8_t index) {
    uint8_t* row =
        canvas.pixels +
        static_cast<std::ptrdiff_t>(canvas.bottom_up ? canvas.height - 1 - y : y) * canvas.stride;
    std::fill(row + x0, row + x1, index);
}

void FillBox(const Canvas& canvas, const ClipRect& clip, int32_t x0, int32_t y0, int32_t x1,
             int32_t y1, uint8_t index) {
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    y0 = std::max(y0, clip.top);
    y1 = std::min(y1, clip.bottom);
    for (int32_t y = y0; y < y1 && x0 < x1; ++y) {
        FillRow(canvas, y, x0, x1, index);
    }
}

void BlitGlyph(const Canvas& canvas, const ClipRect& clip, const Glyph& glyph, int32_t pen,
               int32_t baseline, uint8_t index) {
    if (glyph.spans.empty() || pen + glyph.right <= clip.left || pen + glyph.left >= clip.right ||
        baseline + glyph.bottom <= clip.top || baseline + glyph.top >= clip.bottom) {
        return;
    }
    for (const Span& span : glyph.spans) {
        const int32_t y = baseline + span.dy;
        if (y < clip.top || y >= clip.bottom) {
            continue;
        }
        const int32_t x0 = std::max(pen + span.x0, clip.left);
        const int32_t x1 = std::min(pen + span.x1, clip.right);
        if (x0 < x1) {
            FillRow(canvas, y, x0, x1, index);
        }
    }
}

}  // namespace

const RenderFont* OpenRenderFont(const char* face_cp932, int32_t height, int32_t width,
                                 int32_t weight) {
    const char* face_name = face_cp932 ? face_cp932 : "";
    for (const auto& font : renderer.fonts) {
        if (font->height_asked == height && font->width_asked == width &&
            font->weight_asked == weight && font->face_name == face_name) {
            return font.get();
        }
    }
    auto font = std::make_unique<RenderFont>();
    font->face_name = face_name;
    font->height_asked = height;
    font->width_asked = width;
    font->weight_asked = weight;
    font->cell_height = height > 0 ? height : 16;
    if (StartRenderer()) {
        const std::string name = Cp932ToUtf8(face_name, font->face_name.size());
        const StandIn* stand_in = FindStandIn(name);
        const bool always_bold = stand_in && stand_in->always_bold;
        const bool bold = always_bold || weight >= 600;
        const ResolvedFace& resolved = ResolveFace(name, bold);
        if (resolved.file) {
            font->file = resolved.file;
            font->synthetic_bold = bold && !resolved.file->bold;
            font->average_units = resolved.lowercase_average && resolved.file->lowercase_average > 0
                                      ? resolved.file->lowercase_average
                                      : resolved.file->os2_average;
            SetUpScale(*font, stand_in ? stand_in->default_height : 16);
        }
        font->japanese_fallback = name == "System";
    }
    renderer.fonts.push_back(std::move(font));
    return renderer.fonts.back().get();
}

int32_t CellHeight(const RenderFont* font) {
    return font ? font->cell_height : 0;
}

int32_t FontAscent(const RenderFont* font) {
    return font ? font->ascent : 0;
}

int32_t TextWidth(const RenderFont* font, const char* text, std::size_t length, uint32_t flags) {
    if (!font || !text) {
        return 0;
    }
    int32_t width = 0;
    ForEachCharacter(text, length, flags,
                     [&](char32_t c, bool) { width += GlyphOf(*font, c).advance; });
    return width;
}

void DrawString(const Canvas& canvas, const RenderFont* font, int32_t x, int32_t y,
                const char* text, std::size_t length, uint8_t index, const ClipRect& clip,
                uint32_t flags) {
    if (!font || !text || !canvas.pixels) {
        return;
    }
    const ClipRect box{std::max(clip.left, 0), std::max(clip.top, 0),
                       std::min(clip.right, canvas.width), std::min(clip.bottom, canvas.height)};
    if (box.left >= box.right || box.top >= box.bottom) {
        return;
    }
    const int32_t baseline = y + font->ascent;
    int32_t pen = x;
    ForEachCharacter(text, length, flags, [&](char32_t c, bool underlined) {
        const Glyph& glyph = GlyphOf(*font, c);
        BlitGlyph(canvas, box, glyph, pen, baseline, index);
        if (underlined) {
            const int32_t top = baseline + font->underline_offset;
            FillBox(canvas, box, pen, top, pen + glyph.advance, top + font->underline_thickness,
                    index);
        }
        pen += glyph.advance;
    });
}

RenderFontInfo DescribeRenderFont(const RenderFont* font) {
    if (!font || !font->file) {
        return {"", "", false, 0, 0};
    }
    return {font->file->path.c_str(), font->file->family.c_str(), font->synthetic_bold,
            font->average_units, font->file->units_per_em};
}

void ReleaseRenderFonts() {
    renderer.fonts.clear();
    renderer.resolved.clear();
    for (const auto& file : renderer.files) {
        FT_Done_Face(file->face);
    }
    renderer.files.clear();
    if (renderer.library) {
        FT_Done_FreeType(renderer.library);
    }
    if (renderer.config) {
        FcConfigDestroy(renderer.config);
    }
    renderer = Renderer{};
}

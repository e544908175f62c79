// Fonts as the Windows font mapper makes them: a face file loaded once, scaled
// to a cell height and an average width, its glyphs rendered once without
// smoothing and kept as runs of ink.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "render/fonts.h"
#include "render/text.h"
#include "text/cp932.h"

namespace {

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
    std::vector<std::unique_ptr<FaceFile>> files;
    std::vector<ResolvedFace> resolved;
    std::vector<std::unique_ptr<RenderFont>> fonts;
};

Renderer renderer;

bool StartRenderer() {
    if (!renderer.started) {
        static const bool registered = std::atexit(ReleaseRenderFonts) == 0;
        (void)registered;
        renderer.started = true;
        if (FT_Init_FreeType(&renderer.library) != 0) {
            renderer.library = nullptr;
        }
    }
    return renderer.library != nullptr;
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
    constexpr int kPanoseProportion = 3, kPanoseMonospaced = 9;
    file->fixed_pitch =
        FT_IS_FIXED_WIDTH(face) ||
        (os2 && os2->version != 0xFFFF && os2->panose[kPanoseProportion] == kPanoseMonospaced);
    file->underline_position = face->underline_position;
    file->underline_thickness = face->underline_thickness;
    renderer.files.push_back(std::move(file));
    return renderer.files.back().get();
}

// The face lookup is asked once per face name and weight; the answer is kept.
const ResolvedFace& ResolveFace(const std::string& name, bool bold) {
    for (const ResolvedFace& face : renderer.resolved) {
        if (face.bold_asked == bold && face.name == name) {
            return face;
        }
    }
    ResolvedFace resolved{name, bold, nullptr, false};
    FaceChoice choice;
    if (FindFace(name, bold, choice)) {
        resolved.file = LoadFaceFile(choice.file, choice.index);
        resolved.lowercase_average = choice.lowercase_average;
    }
    renderer.resolved.push_back(std::move(resolved));
    return renderer.resolved.back();
}

FT_F26Dot6 To26Dot6(double pixels) {
    return std::max<FT_F26Dot6>(1, static_cast<FT_F26Dot6>(std::lround(pixels * 64.0)));
}

// The Windows font mapper's em: whole pixels, the largest whose cell is no
// taller than the height asked; the cell and the average width follow from it.
void SetUpGdiScale(RenderFont& font) {
    const FaceFile& file = *font.file;
    const FT_Long units = file.win_ascent + file.win_descent;
    if (font.height_asked < 0) {
        font.ppem = -font.height_asked;
    } else {
        font.ppem = static_cast<int32_t>(FT_MulDiv(file.units_per_em, font.cell_height, units));
        if (font.ppem > 1 && FT_MulDiv(units, font.ppem, file.units_per_em) > font.cell_height) {
            --font.ppem;
        }
    }
    font.ppem = std::max<int32_t>(font.ppem, 1);
    const FT_Fixed em_scale = FT_MulDiv(font.ppem, 1 << 16, file.units_per_em);
    font.ascent = static_cast<int32_t>(FT_MulFix(file.win_ascent, em_scale));
    font.cell_height = font.ascent + static_cast<int32_t>(FT_MulFix(file.win_descent, em_scale));
    const FT_Long average = std::max<FT_Long>(1, FT_MulFix(font.average_units, em_scale));
    font.x_scale =
        font.width_asked > 0
            ? static_cast<FT_Fixed>(static_cast<double>(font.width_asked) / average * 65536.0)
            : 0x10000;
    font.size_x = font.size_y = font.ppem * 64;
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
    if (font.synthetic_bold) {
        SetUpGdiScale(font);
        em_pixels = font.ppem;
    }
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

// How far GDI moves the pen after a bold made from a regular face: the
// hinted advance scaled across, a full-width character of a fixed-pitch face
// exactly two averages, one pixel more for the bold, rounded up.
int32_t GdiBoldAdvance(const RenderFont& font, FT_Pos hinted) {
    const FaceFile& file = *font.file;
    FT_Pos advance = FT_MulFix(hinted, font.x_scale);
    if (file.fixed_pitch) {
        const FT_Fixed em_scale = FT_MulDiv(font.ppem, 1 << 16, file.units_per_em);
        if ((hinted + 63) >> 6 == FT_MulFix(2 * font.average_units, em_scale)) {
            advance = FT_MulFix(FT_MulFix(font.average_units, font.x_scale), em_scale) * 2 * 64;
        }
    }
    return static_cast<int32_t>((advance + 64 + 63) >> 6);
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
    const bool gdi_bold = font.synthetic_bold;
    FT_Int32 flags = FT_LOAD_TARGET_MONO;
    if (gdi_bold) {
        flags |=
            FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH | (font.x_scale != 0x10000 ? FT_LOAD_NO_BITMAP : 0);
    }
    if (FT_Load_Glyph(face, index, flags) != 0) {
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    // A glyph that comes as a bitmap is made bold by striking it again one
    // pixel to the right.
    const int32_t extra = gdi_bold && slot->format == FT_GLYPH_FORMAT_BITMAP ? 1 : 0;
    if (gdi_bold) {
        glyph.advance = GdiBoldAdvance(font, slot->metrics.horiAdvance);
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            // The strokes grow by a 24th of the em, more as the size grows.
            FT_Outline_Embolden(&slot->outline, FT_MulDiv(font.ppem, 64, 24));
            const FT_Matrix across{font.x_scale, 0, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &across);
        }
    } else {
        glyph.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    }
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
            for (unsigned x = width - 1; x > 0; --x) {
                row[x] |= row[x - 1];
            }
        }
        const int32_t dy = static_cast<int32_t>(r) - slot->bitmap_top;
        if (gdi_bold && (dy < -font.ascent || dy >= font.cell_height - font.ascent)) {
            continue;  // GDI cuts a glyph at the cell
        }
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

}  // namespace

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
    ReleaseFaceLookup();
    renderer = Renderer{};
}

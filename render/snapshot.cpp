// The frame surface written as an 8-bit indexed PNG.
#include "render/snapshot.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message ? message : "PNG error";
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept out of the function that calls setjmp, so nothing it owns needs to
// survive a longjmp.
bool WriteRows(std::FILE* file, const FrameSurface& surface, std::string& error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    png_color palette[kPaletteEntries];
    for (int i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {surface.palette[i].red, surface.palette[i].green, surface.palette[i].blue};
    }
    // The surface's rows are stored bottom-up; a PNG starts with the top row.
    png_bytep rows[kSurfaceSize];
    for (int y = 0; y < kSurfaceSize; ++y) {
        rows[y] = const_cast<png_bytep>(surface.pixels + PixelOffset(0, y));
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSurfaceSize, kSurfaceSize, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, kPaletteEntries);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WriteSurfacePng(const char* path, const FrameSurface& surface, std::string& error) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = WriteRows(file, surface, error);
    if (std::fflush(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

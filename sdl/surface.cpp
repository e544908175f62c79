// The frame surface and the dialogs' pictures as SDL windows show them:
// palette indices turned into the window's colours, each pixel as a block of
// display_scale x display_scale window pixels, so that a HiDPI desktop shows
// the same picture, only larger.
#include <cstring>
#include <vector>

#include "render/surface.h"
#include "sdl/shell.h"

int display_scale = 1;

namespace {

// The frame surface's palette, as SDL takes colours.
SDL_Color picture_colours[kPaletteEntries];

}  // namespace

void PrepareWindowPicture() {
    for (int i = 0; i < kPaletteEntries; ++i) {
        const Rgb& entry = frame_surface.palette[i];
        picture_colours[i] = {entry.red, entry.green, entry.blue, SDL_ALPHA_OPAQUE};
    }
}

void ShowFrameSurface(SDL_Surface* target, int x, int y) {
    // The frame surface stores its rows bottom-up, as a Windows DIB does.
    const IndexedPicture picture{frame_surface.pixels, kSurfaceSize, kSurfaceSize,
                                 kSurfaceSize,         true,         picture_colours,
                                 kPaletteEntries};
    ShowIndexedPicture(picture, target, x, y);
}

void ShowIndexedPicture(const IndexedPicture& picture, SDL_Surface* target, int x, int y) {
    const int scale = display_scale;
    if (target->format->BytesPerPixel != 4) {
        // A window of another depth: SDL converts, block by block.
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 8,
                                                             SDL_PIXELFORMAT_INDEX8);
        SDL_SetPaletteColors(source->format->palette, picture.colours, 0, picture.colour_count);
        for (int row = 0; row < picture.height; ++row) {
            std::memcpy(static_cast<uint8_t*>(source->pixels) + row * source->pitch,
                        picture.Row(row), static_cast<std::size_t>(picture.width));
        }
        SDL_Rect at{x * scale, y * scale, picture.width * scale, picture.height * scale};
        SDL_BlitScaled(source, nullptr, target, &at);
        SDL_FreeSurface(source);
        return;
    }
    uint32_t colours[256];
    for (int i = 0; i < picture.colour_count; ++i) {
        colours[i] = SDL_MapRGB(target->format, picture.colours[i].r, picture.colours[i].g,
                                picture.colours[i].b);
    }
    // Clipped to the window, in picture pixels.
    const int left = x < 0 ? -x : 0;
    const int top = y < 0 ? -y : 0;
    const int right = std::min(picture.width, target->w / scale - x);
    const int bottom = std::min(picture.height, target->h / scale - y);
    if (left >= right || top >= bottom) {
        return;
    }
    auto* first = static_cast<uint8_t*>(target->pixels);
    if (scale == 1) {
        for (int row = top; row < bottom; ++row) {
            const uint8_t* source = picture.Row(row);
            auto* out = reinterpret_cast<uint32_t*>(first + static_cast<std::ptrdiff_t>(y + row) *
                                                                target->pitch) +
                        x;
            for (int column = left; column < right; ++column) {
                out[column] = colours[source[column]];
            }
        }
        return;
    }
    std::vector<uint32_t> line(static_cast<std::size_t>(right - left) * scale);
    for (int row = top; row < bottom; ++row) {
        const uint8_t* source = picture.Row(row);
        uint32_t* out = line.data();
        for (int column = left; column < right; ++column) {
            const uint32_t colour = colours[source[column]];
            for (int k = 0; k < scale; ++k) {
                *out++ = colour;
            }
        }
        for (int k = 0; k < scale; ++k) {
            uint8_t* to = first +
                          static_cast<std::ptrdiff_t>((y + row) * scale + k) * target->pitch +
                          static_cast<std::ptrdiff_t>(x + left) * scale * 4;
            std::memcpy(to, line.data(), line.size() * 4);
        }
    }
}

// The frame surface: one block holding the bitmap header, the palette and the
// star field, an 8-bit DIB section made from it, and the memory DC that all
// text is drawn into and the window is painted from.
#include <cstring>

#include "core/frontend.h"
#include "core/game_state.h"
#include "core/palette.h"
#include "win/shell.h"

namespace {

uint8_t* block = nullptr;
HBITMAP bitmap = nullptr;
HDC frame_dc = nullptr;
uint8_t* pixels = nullptr;

}  // namespace

HDC FrameDC() {
    return frame_dc;
}

uint8_t* FramePixels() {
    return pixels;
}

HBITMAP FrameBitmap() {
    return bitmap;
}

uint8_t* SurfaceBlock() {
    return block;
}

void CreateFrameSurface(HWND window) {
    block = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kSurfaceBlockBytes));
    if (block == nullptr) {
        return;
    }

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 512;
    header.biHeight = 512;  // positive: rows stored bottom-up, like the star field
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    std::memcpy(block, &header, sizeof header);

    // These are the first draws of the run, so every run has the same colours.
    Rgb palette[kPaletteEntries] = {};
    DrawPalette(palette);
    uint8_t* quads = block + kSurfaceHeaderBytes;
    for (int i = 0; i < kPaletteEntries; ++i) {
        const RGBQUAD quad{palette[i].blue, palette[i].green, palette[i].red, 0};
        std::memcpy(quads + 4 * i, &quad, sizeof quad);
    }

    // GDI copies the colour table here; the block's copy is never read again.
    HDC window_dc = GetDC(window);
    void* bits = nullptr;
    bitmap = CreateDIBSection(window_dc, reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS,
                              &bits, nullptr, 0);
    ReleaseDC(window, window_dc);
    pixels = static_cast<uint8_t*>(bits);

    window_dc = GetDC(window);
    frame_dc = CreateCompatibleDC(window_dc);
    ReleaseDC(window, window_dc);
    SelectObject(frame_dc, bitmap);

    star_field = block + kSurfaceStarFieldOffset;
}

void ReleaseFrameSurface() {
    GlobalFree(block);
    DeleteDC(frame_dc);
    DeleteObject(bitmap);
    block = nullptr;
    frame_dc = nullptr;
    bitmap = nullptr;
    pixels = nullptr;
}

void CopyStarField() {
    if (pixels == nullptr) {
        return;
    }
    // Text of the last frame may still sit in GDI's batch; it must land
    // before the memory is overwritten, not after.
    GdiFlush();
    std::memcpy(pixels, star_field, kStarFieldBytes);
}

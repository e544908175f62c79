// The Windows program's own pieces, shared by its source files and its tests:
// the two handles of the run, the main window, the frame surface and the two
// result dialogs. The game core knows none of this; it reaches the program only
// through core/frontend.h and screens/text_ops.h.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Set once at start-up and kept for the whole run.
extern HINSTANCE instance;
extern HWND main_window;

constexpr const wchar_t* kWindowClassName = L"CWindow";
constexpr const wchar_t* kWindowCaption = L"Kobaru";
// WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: a fixed frame the
// player cannot resize or maximise.
constexpr DWORD kWindowStyle = 0x00CA0000;
constexpr int kWindowWidth = 540;  // outer size, frame and caption included
constexpr int kWindowHeight = 555;
constexpr int kImageLeft = 8;  // the image's place in the client area
constexpr int kImageTop = 8;

ATOM RegisterMainWindowClass();
HWND CreateMainWindow();
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The surface block: a BITMAPINFOHEADER, the 256-entry palette, a pixel
// reserve the program never uses (the pixels live in the DIB section), the
// star field and a spare kilobyte. One allocation for the whole run.
constexpr std::size_t kSurfaceHeaderBytes = 40;
constexpr std::size_t kSurfacePaletteBytes = 256 * 4;
constexpr std::size_t kSurfacePixelReserveBytes = 512 * 512;
constexpr std::size_t kSurfaceStarFieldOffset =
    kSurfaceHeaderBytes + kSurfacePaletteBytes + kSurfacePixelReserveBytes;
constexpr std::size_t kSurfaceBlockBytes = kSurfaceStarFieldOffset + 512 * 512 + 1024;  // 526,376

// Allocates the block, draws the palette (the first draws of the run), makes
// the 8-bit DIB section and its memory DC, and points the core's star field
// into the block.
void CreateFrameSurface(HWND window);
// Frees the block, deletes the memory DC, then the bitmap.
void ReleaseFrameSurface();

HDC FrameDC();
uint8_t* FramePixels();  // the DIB section's 512 x 512 bytes, bottom-up
HBITMAP FrameBitmap();
uint8_t* SurfaceBlock();

INT_PTR CALLBACK NameEntryDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK RankingDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

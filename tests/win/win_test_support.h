// What the Windows program's tests share: their includes, the program's window
// and surface set up as start-up does in a scratch working directory, and
// pictures read back from windows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "win/win_shell.h"

// 0xRRGGBB
using Pixel = uint32_t;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // rows from the top
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The client area of a window as it was last painted.
inline Picture CaptureClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC window_dc = GetDC(window);
    HDC dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, client.right, client.bottom, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const Pixel*>(bits);
    Picture picture{client.right, client.bottom, {first, first + client.right * client.bottom}};
    for (Pixel& pixel : picture.pixels) {
        pixel &= 0xFFFFFF;  // a 32-bit DIB's pixel is 0x00RRGGBB
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, window_dc);
    return picture;
}

// A file's bytes, empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The program's start-up up to the surface: instance, class, window (not yet
// shown) and frame surface, with the random source at its start state, in a
// fresh, empty working directory, so whatever the program saves (rank.txt) is
// the test's own.
class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("kobaru-win-test-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directory(directory_);
        std::filesystem::current_path(directory_);
        instance = GetModuleHandleW(nullptr);
        random_source.state = 1;
        // A second registration in the same process fails harmlessly.
        RegisterMainWindowClass();
        main_window = CreateMainWindow();
        ASSERT_NE(main_window, nullptr);
        CreateFrameSurface(main_window);
        ASSERT_NE(FrameDC(), nullptr);
    }
    void TearDown() override {
        // Its dialogs go with it; its WM_DESTROY posts WM_QUIT, which the
        // next test must not see.
        DestroyWindow(main_window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        std::filesystem::current_path(directory_.parent_path());
        // A read-only rank.txt would stop the removal.
        SetFileAttributesW((directory_ / "rank.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    std::filesystem::path directory_;
};

// What the Windows program's tests share: its window and surface set up as
// start-up does, in a scratch working directory, and pictures read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/random_source.h"
#include "core/rank_table.h"
#include "win/shell.h"

using Pixel = COLORREF;

struct Picture {
    int width, height;
    std::vector<Pixel> pixels;  // rows from the top
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The client area of a window as it was last painted.
inline Picture CaptureClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Picture picture{client.right, client.bottom, {}};
    HDC dc = GetDC(window);
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            picture.pixels.push_back(GetPixel(dc, x, y));
        }
    }
    ReleaseDC(window, dc);
    return picture;
}

// A file's bytes, empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Start-up up to the surface (the window not yet shown), the random source at
// its start state, in a fresh working directory that holds whatever is saved.
class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(directory_);
        std::filesystem::current_path(directory_);
        instance = GetModuleHandleW(nullptr);
        random_source.state = 1;
        RegisterMainWindowClass();  // again in the same process fails harmlessly
        main_window = CreateMainWindow();
        ASSERT_NE(main_window, nullptr);
        CreateFrameSurface(main_window);
        ASSERT_NE(FrameDC(), nullptr);
    }
    void TearDown() override {
        // Its dialogs go with it; the WM_QUIT it posts must not reach the next test.
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
    const std::filesystem::path directory_ =
        std::filesystem::temp_directory_path() /
        ("kobaru-win-test-" + std::to_string(GetCurrentProcessId()));
};

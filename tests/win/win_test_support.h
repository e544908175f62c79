// Helpers for the Windows program's tests: a scratch working directory, the
// program's window and surface set up as start-up does, and pictures read
// back from windows and drawings.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/random_source.h"
#include "win/win_shell.h"

// 0xRRGGBB, as a 32-bit DIB holds it.
using Pixel = uint32_t;

constexpr Pixel MakePixel(int red, int green, int blue) {
    return static_cast<Pixel>(red << 16 | green << 8 | blue);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // rows from the top
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// What draw(dc) leaves on a width x height picture that starts black.
template <typename Draw>
Picture DrawPicture(int width, int height, Draw draw) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    const auto* first = static_cast<const Pixel*>(bits);
    Picture picture{width, height, {first, first + width * height}};
    for (Pixel& pixel : picture.pixels) {
        pixel &= 0xFFFFFF;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

// The client area of a window as it was last painted.
inline Picture CaptureClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HDC window_dc = GetDC(window);
    Picture picture = DrawPicture(client.right, client.bottom, [&](HDC dc) {
        BitBlt(dc, 0, 0, client.right, client.bottom, window_dc, 0, 0, SRCCOPY);
    });
    ReleaseDC(window, window_dc);
    return picture;
}

// The palette as the game draws it, computed here from the generator's
// definition rather than from the game's code.
inline std::vector<Pixel> ExpectedPalette() {
    uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fff);
    };
    std::vector<Pixel> palette(256, 0);
    for (int i = 1; i <= 253; ++i) {
        const int red = next() % 96 + 128;
        const int green = next() % 96 + 128;
        palette[i] = MakePixel(red, green, next() % 128 + 128);
    }
    palette[253] = MakePixel(255, 128, 128);
    palette[254] = MakePixel(200, 192, 224);
    palette[255] = MakePixel(255, 255, 255);
    return palette;
}

// A file's bytes, empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Each test runs in a fresh, empty current directory, so whatever the program
// saves (rank.txt) is the test's own.
class ScratchDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("kobaru-win-") + test->test_suite_name() + "-" +
                           test->name() + "-" + std::to_string(GetCurrentProcessId());
        std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests' names
        directory_ = std::filesystem::temp_directory_path() / name;
        previous_ = std::filesystem::current_path();
        std::filesystem::create_directory(directory_);
        std::filesystem::current_path(directory_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        // A read-only file would stop the removal.
        for (const auto& entry : std::filesystem::directory_iterator(directory_, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(directory_, ignored);
    }
    std::filesystem::path directory_;
    std::filesystem::path previous_;
};

// The program's start-up up to the surface: instance, class, window (not yet
// shown) and frame surface, with the random source at its start state.
class ProgramWindowTest : public ScratchDirectoryTest {
  protected:
    void SetUp() override {
        ScratchDirectoryTest::SetUp();
        instance = GetModuleHandleW(nullptr);
        random_source.state = 1;
        // A second registration in the same process fails harmlessly; the
        // class stays the program's.
        RegisterMainWindowClass();
        main_window = CreateMainWindow();
        ASSERT_NE(main_window, nullptr);
        CreateFrameSurface(main_window);
        ASSERT_NE(FrameDC(), nullptr);
    }
    void TearDown() override {
        // Its owned dialogs go with it; its WM_DESTROY posts WM_QUIT, which
        // the next test must not see.
        DestroyWindow(main_window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        main_window = nullptr;
        ScratchDirectoryTest::TearDown();
    }
};

// Helpers for the Windows program's tests: a scratch working directory, the
// program's window and surface set up as start-up does, and pictures read
// back from windows and the surface.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/win_shell.h"

// 0xRRGGBB
using Pixel = uint32_t;

constexpr Pixel MakePixel(int red, int green, int blue) {
    return static_cast<Pixel>(red) << 16 | static_cast<Pixel>(green) << 8 |
           static_cast<Pixel>(blue);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // rows from the top
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The client area of a window as it was last painted.
Picture CaptureClient(HWND window);

// The palette as the game draws it, computed here from the generator's
// definition rather than from the game's code.
std::vector<Pixel> ExpectedPalette();

// Each test runs in a fresh, empty current directory, so whatever the program
// saves (rank.txt) is the test's own.
class ScratchDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring directory_;
    std::wstring previous_;
};

// The program's start-up up to the surface: instance, class, window (not yet
// shown) and frame surface, with the random source at its start state.
class ProgramWindowTest : public ScratchDirectoryTest {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// A file's bytes, empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

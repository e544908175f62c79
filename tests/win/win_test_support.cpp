// The Windows tests' scratch folder, program window and picture capture.
#include "tests/win/win_test_support.h"

#include <cstdio>
#include <cstring>

#include "core/random_source.h"

Picture CaptureClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC window_dc = GetDC(window);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory_dc, bitmap);
    BitBlt(memory_dc, 0, 0, picture.width, picture.height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        picture.pixels[i] = MakePixel(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]);
    }
    SelectObject(memory_dc, old);
    DeleteObject(bitmap);
    DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return picture;
}

std::vector<Pixel> ExpectedPalette() {
    uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fff);
    };
    std::vector<Pixel> palette(256, 0);
    for (int i = 1; i <= 253; ++i) {
        const int red = next() % 96 + 128;
        const int green = next() % 96 + 128;
        const int blue = next() % 128 + 128;
        palette[i] = MakePixel(red, green, blue);
    }
    palette[253] = MakePixel(255, 128, 128);
    palette[254] = MakePixel(200, 192, 224);
    palette[255] = MakePixel(255, 255, 255);
    return palette;
}

void ScratchDirectoryTest::SetUp() {
    wchar_t buffer[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, buffer);
    previous_ = buffer;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("kobaru-win-") + info->test_suite_name() + "-" + info->name() +
                       "-" + std::to_string(GetCurrentProcessId());
    // Parameterised tests have slashes in their names.
    for (char& c : name) {
        c = c == '/' ? '-' : c;
    }
    directory_ = std::wstring(temp) + std::wstring(name.begin(), name.end());
    CreateDirectoryW(directory_.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(directory_.c_str()));
}

void ScratchDirectoryTest::TearDown() {
    SetCurrentDirectoryW(previous_.c_str());
    // Whatever a test left: files (read-only ones too) and empty folders.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = directory_ + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(path.c_str())) {
                RemoveDirectoryW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory_.c_str());
}

void ProgramWindowTest::SetUp() {
    ScratchDirectoryTest::SetUp();
    instance = GetModuleHandleW(nullptr);
    random_source.state = 1;
    // A second registration in the same process fails harmlessly; the class
    // stays the program's.
    RegisterMainWindowClass();
    main_window = CreateMainWindow();
    ASSERT_NE(main_window, nullptr);
    CreateFrameSurface(main_window);
    ASSERT_NE(FrameDC(), nullptr);
}

void ProgramWindowTest::TearDown() {
    if (IsWindow(main_window)) {
        DestroyWindow(main_window);
    }
    // The window's WM_DESTROY posted WM_QUIT; the next test must not see it.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    main_window = nullptr;
    ScratchDirectoryTest::TearDown();
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    return bytes;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

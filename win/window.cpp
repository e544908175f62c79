// The main window, its message loop, and the repaint of every drawn frame.
#include "core/frontend.h"
#include "core/game_state.h"
#include "core/rank_table.h"
#include "res/resource.h"
#include "screens/screens.h"
#include "win/shell.h"

HINSTANCE instance = nullptr;
HWND main_window = nullptr;

void RepaintWindow() {
    // UpdateWindow sends WM_PAINT straight to MainWndProc, so the frame is on
    // screen before the frame function returns. Nothing is erased.
    InvalidateRect(main_window, nullptr, FALSE);
    UpdateWindow(main_window);
}

ATOM RegisterMainWindowClass() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = MainWndProc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KOBARU));
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = kWindowClassName;
    window_class.hIconSm = nullptr;  // the system shrinks icon 103
    return RegisterClassExW(&window_class);
}

HWND CreateMainWindow() {
    return CreateWindowExW(0, kWindowClassName, kWindowCaption, kWindowStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance,
                           nullptr);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT: {
            // The whole image every time; the system clips to what needs it.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            BitBlt(dc, kImageLeft, kImageTop, 512, 512, FrameDC(), 0, 0, SRCCOPY);
            EndPaint(window, &paint);
            return DefWindowProcW(window, message, wparam, lparam);
        }
        case WM_ENDSESSION:
            // When the user logs off or shuts down, Windows ends the process
            // after this message without destroying the window, so this is
            // the last chance to keep the run's scores.
            if (wparam) {
                SaveRankTable();
            }
            return 0;
        case WM_DESTROY:
            SaveRankTable();
            ReleaseFrameSurface();
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

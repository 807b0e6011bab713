#include "apps/vantoria_host/screen_requests.h"

#include "apps/vantoria_host/memory_canvas.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr char kShotFolder[] = "screenshots";
constexpr DWORD kAnswerWait = 20000;  // milliseconds the watcher has to answer

std::string PathOf(const char* name, const char* extension) {
    return std::string(kShotFolder) + "\\" + name + "." + extension;
}
}  // namespace

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

bool Screen_Ask(const char* name, ScreenRequest kind, const char* line) {
    CreateDirectoryA(kShotFolder, nullptr);
    const std::string part = PathOf(name, "part");
    const char* const extensions[] = {"request", "input", "picture"};
    const std::string path = PathOf(name, extensions[kind]);
    DeleteFileA(PathOf(name, "done").c_str());
    std::FILE* f = std::fopen(part.c_str(), "w");
    if (f == nullptr) return false;
    const bool written = std::fprintf(f, "%s\n", line) > 0;
    if (std::fclose(f) != 0 || !written) return false;
    return MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Screen_Answered(const char* name, char* answer, size_t capacity) {
    const std::string done = PathOf(name, "done");
    std::FILE* f = std::fopen(done.c_str(), "r");
    if (f == nullptr) return false;
    answer[0] = 0;
    if (std::fgets(answer, int(capacity), f) == nullptr) answer[0] = 0;
    std::fclose(f);
    answer[std::strcspn(answer, "\r\n")] = 0;
    DeleteFileA(PathOf(name, "request").c_str());
    DeleteFileA(PathOf(name, "input").c_str());
    DeleteFileA(PathOf(name, "picture").c_str());
    DeleteFileA(done.c_str());
    return true;
}

bool Screen_AskPicture(const char* name, HWND window) {
    RECT r = {};
    if (!GetWindowRect(window, &r)) return false;
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    MemoryCanvas canvas;
    if (width < 1 || height < 1 || !Canvas_Open(&canvas, width, height, 0)) return false;
    HDC dc = GetWindowDC(window);
    const bool copied =
        dc != nullptr && BitBlt(canvas.dc, 0, 0, width, height, dc, 0, 0, SRCCOPY) && GdiFlush();
    if (dc != nullptr) ReleaseDC(window, dc);
    // A 32-bit top-down bitmap file of the canvas's rows, opaque (GDI
    // leaves the fourth byte 0, which readers take for transparent).
    for (int32_t i = 0; i < width * height; ++i) canvas.pixels[i] |= 0xFF000000u;
    const DWORD pixelBytes = DWORD(width) * DWORD(height) * 4;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    CreateDirectoryA(kShotFolder, nullptr);
    std::FILE* f = copied ? std::fopen(PathOf(name, "bmp").c_str(), "wb") : nullptr;
    bool written = f != nullptr && std::fwrite(&file, sizeof file, 1, f) == 1 &&
                   std::fwrite(&info, sizeof info, 1, f) == 1 &&
                   std::fwrite(canvas.pixels, 1, pixelBytes, f) == pixelBytes;
    if (f != nullptr) written = std::fclose(f) == 0 && written;
    Canvas_Close(&canvas);
    return written && Screen_Ask(name, kScreenPicture, "bmp");
}

void Screen_Geometry(HWND window, char* line, size_t capacity) {
    RECT r = {};
    GetWindowRect(window, &r);
    std::snprintf(line, capacity, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left,
                  r.top);
}

void Screen_ClickLine(HWND dialog, int32_t item, char* line, size_t capacity) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, item), &r);
    std::snprintf(line, capacity, "mousemove %ld %ld click 1", (r.left + r.right) / 2,
                  (r.top + r.bottom) / 2);
}

bool Screen_Shot(HWND window, const char* name, char* why, size_t capacity) {
    UpdateWindow(window);
    PumpFor(300);
    char line[64];
    Screen_Geometry(window, line, sizeof line);
    if (!Screen_Ask(name, kScreenShot, line)) {
        std::snprintf(why, capacity, "cannot write the request of %s", name);
        return false;
    }
    char answer[256];
    const DWORD start = GetTickCount();
    while (!Screen_Answered(name, answer, sizeof answer)) {
        if (GetTickCount() - start > kAnswerWait) {
            std::snprintf(why, capacity, "no answer to the request of %s", name);
            return false;
        }
        PumpFor(100);
    }
    std::snprintf(why, capacity, "%s", answer);
    return std::strcmp(answer, "ok") == 0;
}

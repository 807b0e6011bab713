// Headless backend: drawing is recorded into the item's model; text is
// measured in a fixed-pitch model font. Also the cursor and the shell.
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/pictures.h"
#include "ui/cursor.h"
#include "ui/draw.h"
#include "ui/platform/headless/headless_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

extern char** environ;

namespace {
int32_t gCursor = kUiCursorArrow;
int32_t gShellResult = 0;  // 0: really start xdg-open
std::vector<std::string> gOpened;

void Record(void* dc, char op, const UiRect& rect, const char* text, int32_t id, int32_t flags,
            uint32_t rgb) {
    HeadlessDrawOp d = {op, rect, text ? text : "", id, flags, rgb};
    Headless_RecordDraw(static_cast<HeadlessDc*>(dc), d);
}

int32_t Width(const std::string& s) {
    return int32_t(s.size()) * kHeadlessCharWidth;
}

// Number of lines text takes when wrapped at word breaks to width pixels.
int32_t WrappedLines(const char* text, int32_t width) {
    int32_t lines = 0;
    const char* p = text;
    while (true) {
        ++lines;
        std::string line;
        const char* lineEnd = p;
        // Take words while they fit; a word wider than the line stands alone.
        for (const char* q = p;;) {
            const char* wordEnd = q;
            while (*wordEnd && *wordEnd != ' ' && *wordEnd != '\n') ++wordEnd;
            const std::string candidate =
                line + (line.empty() ? "" : " ") + std::string(q, wordEnd);
            if (!line.empty() && Width(candidate) > width) break;
            line = candidate;
            lineEnd = wordEnd;
            if (*wordEnd != ' ') break;
            q = wordEnd + 1;
        }
        p = lineEnd;
        while (*p == ' ') ++p;
        if (*p == '\n') ++p;
        if (*p == 0) return lines;
    }
}
}  // namespace

void Headless_SetShellResult(int32_t result) {
    gShellResult = result;
}
const std::vector<std::string>& Headless_ShellOpened() {
    return gOpened;
}
int32_t Headless_Cursor() {
    return gCursor;
}
void Headless_ResetDrawing() {
    gCursor = kUiCursorArrow;
    gShellResult = 0;
    gOpened.clear();
}

void* Plat_Draw_Begin(void* window, int32_t item) {
    return new HeadlessDc{window, item};
}

void Plat_Draw_End(void* dc) {
    delete static_cast<HeadlessDc*>(dc);
}

int32_t Plat_Draw_Text(void* dc, const UiRect* rect, const char* text, int32_t flags) {
    const int32_t lines = (flags & kUiTextWrap) ? WrappedLines(text, rect->right - rect->left) : 1;
    if ((flags & kUiTextMeasure) == 0) Record(dc, 'T', *rect, text, 0, flags, 0);
    return lines * kHeadlessLineHeight;
}

int32_t Plat_Draw_TextWidth(void*, const char* text) {
    return Width(text);
}

int32_t Plat_Draw_LineHeight(void*) {
    return kHeadlessLineHeight;
}

void Plat_Draw_Rect(void* dc, const UiRect* rect, uint32_t rgb, int32_t filled) {
    Record(dc, 'R', *rect, nullptr, 0, filled, rgb);
}

void Plat_Draw_Erase(void* dc, const UiRect* rect) {
    Record(dc, 'E', *rect, nullptr, 0, 0, 0);
}

void Plat_Draw_Polyline(void* dc, const int32_t* xy, int32_t count, uint32_t rgb) {
    UiRect box = {int16_t(xy[1]), int16_t(xy[0]), int16_t(xy[1]), int16_t(xy[0])};
    for (int32_t i = 1; i < count; ++i) {
        if (xy[2 * i] < box.left) box.left = int16_t(xy[2 * i]);
        if (xy[2 * i] > box.right) box.right = int16_t(xy[2 * i]);
        if (xy[2 * i + 1] < box.top) box.top = int16_t(xy[2 * i + 1]);
        if (xy[2 * i + 1] > box.bottom) box.bottom = int16_t(xy[2 * i + 1]);
    }
    Record(dc, 'L', box, nullptr, count, 0, rgb);
}

void Plat_Draw_XorFrame(void* dc, const UiRect* rect) {
    Record(dc, 'X', *rect, nullptr, 0, 0, 0);
}

// The recording context stands for the window system's.
void* Plat_Draw_NativeContext(void* dc) {
    return dc;
}

int32_t Plat_Draw_IconSize(int32_t iconId, int32_t* width, int32_t* height) {
    if (iconId >= kUiIconNote && iconId <= kUiIconStop) {
        *width = *height = 32;
        return kUiOk;
    }
    const PictureDef* def = FindPictureDef(kPictureIcon, iconId);
    if (def == nullptr) return kUiErrArg;
    *width = def->width;
    *height = def->height;
    return kUiOk;
}

int32_t Plat_Draw_Icon(void* dc, int32_t x, int32_t y, int32_t iconId) {
    int32_t w = 0, h = 0;
    UI_TRY(Plat_Draw_IconSize(iconId, &w, &h));
    Record(dc, 'I', {int16_t(y), int16_t(x), int16_t(y + h), int16_t(x + w)}, nullptr, iconId, 0,
           0);
    return kUiOk;
}

int32_t Plat_Draw_Bitmap(void* dc, int32_t x, int32_t y, int32_t bitmapId) {
    const PictureDef* def = FindPictureDef(kPictureBitmap, bitmapId);
    if (def == nullptr) return kUiErrArg;
    Record(dc, 'B', {int16_t(y), int16_t(x), int16_t(y + def->height), int16_t(x + def->width)},
           nullptr, bitmapId, 0, 0);
    return kUiOk;
}

int32_t Plat_Draw_Image(void* dc, const UiRect* rect, const uint8_t* rgb, int32_t width,
                        int32_t height, int32_t) {
    // The first pixel's colour, so a test can tell images apart.
    Record(dc, 'M', *rect, nullptr, width * 65536 + height, 0,
           uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]);
    return kUiOk;
}

int32_t Plat_SetCursor(int32_t cursor) {
    if (cursor != kUiCursorArrow && cursor != kUiCursorWait &&
        FindPictureDef(kPictureCursor, cursor) == nullptr)
        return kUiErrArg;
    gCursor = cursor;
    return kUiOk;
}

// xdg-open in place of the shell: its exit status stands for the shell's
// failure codes (2, file not found, when it cannot be started).
int32_t Plat_OpenUrl(const char* address) {
    gOpened.push_back(address ? address : "");
    if (gShellResult != 0) return gShellResult;
    if (address == nullptr) return 2;
    pid_t pid = 0;
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(address), nullptr};
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return 2;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 2;
    const int code = WEXITSTATUS(status);
    return code == 0 ? 42 : (code <= 32 ? code : 2);
}

#include "ui/help.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "resources/dialog_table.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/platform_dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr StringId kProductNameId = kStrProductName;
constexpr StringId kHelpSuffixId = kStrHelpTitleSuffix;
constexpr StringId kBrowserFailedId = kStrBrowserLaunchFailed;
constexpr StringId kFaqId = kStrUrlFaq;
constexpr StringId kCreatingFileId = kStrCtxCreatingFile;
constexpr StringId kOpeningFileId = kStrCtxOpeningFile;
constexpr StringId kReadingFileId = kStrCtxReadingFile;
constexpr StringId kReadingLineId = kStrCtxReadingLine;
constexpr int32_t kParagraphCapacity = 1024;

// The user guide page of each topic.
struct GuidePage {
    int32_t topic;
    StringId addressId;
};
constexpr GuidePage kGuidePages[] = {{2001, kStrUrlGuideMemoryColors},
                                     {2002, kStrUrlGuidePreferences},
                                     {2003, kStrUrlGuideSharpenNoise}};
constexpr StringId kGuideOverviewId = kStrUrlGuideOverview;

struct HelpDialog {
    HelpFile* help;
    const char* path;
};

// Reads one line without its line end; kUiErrRead at the end of the file.
int32_t ReadLine(HelpFile* help) {
    uint32_t length = 0;
    UI_TRY(FLReadLine(&help->file, help->line, kUiHelpLineCapacity, &length));
    ++help->lineNumber;
    while (length > 0 && (help->line[length - 1] == '\n' || help->line[length - 1] == '\r'))
        help->line[--length] = 0;
    return kUiOk;
}

void Append(char* out, size_t capacity, size_t* len, const char* text) {
    while (*text && *len + 1 < capacity) out[(*len)++] = *text++;
    out[*len] = 0;
}

// Lays out the topic from its first paragraph: calls draw (when not null)
// for each paragraph at y and returns the total height, stopping past
// limit or at the end of the topic.
int32_t LayOut(HelpFile* help, void* dc, const UiRect& area, int32_t limit, bool draw) {
    if (FLSeek(&help->file, help->position, kFLFromStart) != kUiOk) return 0;
    const int32_t lineHeight = Ui_Draw_LineHeight(dc);
    char paragraph[kParagraphCapacity];
    int32_t height = 0;
    int32_t more = 1;
    while (more && height <= limit) {
        if (Ui_Help_ReadParagraph(help, paragraph, sizeof paragraph, &more) != kUiOk) break;
        if (paragraph[0] == 0 && !more) break;
        if (height > 0) height += lineHeight;  // a blank line between paragraphs
        UiRect r = {int16_t(area.top + height), area.left, area.bottom, area.right};
        height += Ui_Draw_Text(dc, &r, paragraph, kUiTextWrap | (draw ? 0 : kUiTextMeasure));
    }
    return height;
}

void DrawText(void* dialog, int32_t item, void* dc) {
    HelpDialog* h = static_cast<HelpDialog*>(Ui_Dlg_UserData(dialog));
    UiRect area;
    if (h == nullptr || Ui_Dlg_ItemRect(dialog, item, &area) != kUiOk) return;
    LayOut(h->help, dc, area, area.bottom - area.top, true);
}

void ItemHit(void* dialog, int32_t item) {
    HelpDialog* h = static_cast<HelpDialog*>(Ui_Dlg_UserData(dialog));
    UiState* state = Ui_Dlg_State(dialog);
    char address[kUiStringCapacity];
    if (item == kUiHelpOk) {
        Ui_Dlg_SetDone(dialog, item);
    } else if (item == kUiHelpGuide) {
        StringId id = kGuideOverviewId;
        for (const GuidePage& page : kGuidePages)
            if (page.topic == h->help->topic) id = page.addressId;
        Ui_OpenWebPage(state, Ui_ResString(state, id, address));
    } else if (item == kUiHelpFaq) {
        Ui_OpenWebPage(state, Ui_ResString(state, kFaqId, address));
    }
}

int32_t MoveDown(void* dialog, int32_t item, int32_t by) {
    UiRect r;
    UI_TRY(Ui_Dlg_ItemRect(dialog, item, &r));
    r.top = int16_t(r.top + by);
    r.bottom = int16_t(r.bottom + by);
    return Ui_Dlg_MoveItem(dialog, item, &r);
}

int32_t HelpInit(void* dialog) {
    HelpDialog* h = static_cast<HelpDialog*>(Ui_Dlg_UserData(dialog));
    UiState* state = Ui_Dlg_State(dialog);
    UiDlgProcs procs = {};
    procs.itemHit = ItemHit;
    UI_TRY(Ui_Dlg_SetProcs(dialog, &procs));
    char title[2 * kUiStringCapacity];
    char text[kUiStringCapacity];
    size_t len = 0;
    title[0] = 0;
    Append(title, sizeof title, &len, Ui_ResString(state, kProductNameId, text));
    Append(title, sizeof title, &len, Ui_ResString(state, kHelpSuffixId, text));
    Ui_Dlg_SetTitle(dialog, title);
    UI_TRY(Ui_Dlg_SetItemText(dialog, kUiHelpTitle, h->help->title));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kUiHelpText, DrawText));

    UiRect area;
    UI_TRY(Ui_Dlg_ItemRect(dialog, kUiHelpText, &area));
    void* dc = Ui_Draw_Begin(dialog, kUiHelpText);
    const int32_t height = LayOut(h->help, dc, area, kUiHelpMaxHeight, false);
    Ui_Draw_End(dc);
    const int32_t grow = height - (area.bottom - area.top);
    if (grow > 0) {
        area.bottom = int16_t(area.top + height);
        UI_TRY(Ui_Dlg_MoveItem(dialog, kUiHelpText, &area));
        for (int32_t item : {kUiHelpOk, kUiHelpGuide, kUiHelpFaq})
            UI_TRY(MoveDown(dialog, item, grow));
        UiRect window;
        UI_TRY(Ui_Dlg_WindowRect(dialog, &window));
        window.bottom = int16_t(window.bottom + grow);
        UI_TRY(Ui_Dlg_SetWindowRect(dialog, &window));
    }
    Ui_Dlg_Center(dialog);
    Ui_Dlg_Focus(dialog, kUiHelpOk);
    return kUiOk;
}
}  // namespace

int32_t Ui_ResToFile(UiState* state, uint32_t type, int32_t id, const FLSpec* spec) {
    if (type != kUiResTypeHelp || id < 128 || id > 32767 || spec == nullptr) return kUiErrArg;
    const void* data = nullptr;
    uint32_t size = 0;
    void* instance = state ? state->resourceSource : Plat_ModuleInstance();
    if (Plat_FindResource(instance, "XRsf", id, &data, &size) != kUiOk) return kUiErrSeek;
    if (data == nullptr) return kUiErrRead;
    if (size == 0) return kUiErrFormat;
    FLFile file;
    UI_TRY(FLOpen(&file, spec, kFLWrite));
    uint32_t written = size;
    const int32_t status = FLWrite(&file, data, &written);
    const int32_t closed = FLClose(&file);
    return status != kUiOk ? status : closed;
}

int32_t Ui_OpenWebPage(UiState* state, const char* address) {
    if (address == nullptr || address[0] == 0) return kUiErrArg;
    const int32_t result = Plat_OpenUrl(address);
    if (result > 32) return kUiOk;
    char format[kUiStringCapacity];
    char message[kUiAlertTextCapacity];
    Ui_Sprintf(message, sizeof message, Ui_ResString(state, kBrowserFailedId, format),
               long(result));
    Ui_Alert_Note(state, message, nullptr, 0);
    return kUiErrGeneral;
}

int32_t Ui_Help_Prepare(UiState* state, char* path) {
    if (path == nullptr) return kUiErrArg;
    path[0] = 0;
    char folder[kUiPathCapacity];
    int32_t status = Ui_Path_SetToTempFolder(folder, sizeof folder);
    if (status == kUiOk) status = Ui_Path_SetToTempFile(state, folder, path, kUiPathCapacity);
    if (status != kUiOk) {
        Ui_Debug_Logf(state ? state->diagnostics : 0, "Ui_Path_SetToTempFile error %d, %s",
                      int(status), path);
        return Ui_Alert_ReportErrorf(state, status, kCreatingFileId, nullptr, path);
    }
    FLSpec spec;
    status = FL_DiskSpec(&spec, path);
    if (status == kUiOk) status = Ui_ResToFile(state, kUiResTypeHelp, 1000, &spec);
    if (status != kUiOk) {
        Ui_Debug_Logf(state ? state->diagnostics : 0, "Ui_ResToFile error %d, %s", int(status),
                      path);
        FLDelete(&spec);
        return Ui_Alert_ReportErrorf(state, status, kCreatingFileId, nullptr, path);
    }
    return kUiOk;
}

int32_t Ui_Help_FindTopic(HelpFile* help, int32_t topic) {
    UI_TRY(FLSeek(&help->file, 0, kFLFromStart));
    help->topic = topic;
    help->lineNumber = 0;
    while (true) {
        UI_TRY(ReadLine(help));
        const char* line = help->line;
        if (std::strncmp(line, "##", 2) == 0) return kUiErrFormat;
        if (line[0] != '#') continue;
        char* end = nullptr;
        const long number = std::strtol(line + 1, &end, 10);
        if (number != topic) continue;
        UI_TRY(FLGetPos(&help->file, &help->position));
        const char* title = *end == ' ' ? end + 1 : end;
        std::strncpy(help->title, title, sizeof help->title - 1);
        help->title[sizeof help->title - 1] = 0;
        return kUiOk;
    }
}

int32_t Ui_Help_ReadParagraph(HelpFile* help, char* text, size_t capacity, int32_t* more) {
    size_t len = 0;
    text[0] = 0;
    *more = 0;
    // A paragraph begins with "?"; any other line ends the topic.
    if (ReadLine(help) != kUiOk || std::strcmp(help->line, "?") != 0) return kUiOk;
    while (true) {
        if (ReadLine(help) != kUiOk) return kUiOk;  // the text ended
        if (std::strcmp(help->line, "*") == 0) {
            *more = 1;
            return kUiOk;
        }
        if (help->line[0] == '#') return kUiOk;
        if (len > 0) Append(text, capacity, &len, " ");
        Append(text, capacity, &len, help->line);
    }
}

void Ui_Help_Show(UiState* state, const char* path, int32_t topic) {
    if (state == nullptr || path == nullptr) return;
    HelpFile* help = static_cast<HelpFile*>(Ui_Malloc(sizeof(HelpFile)));
    if (help == nullptr) {
        Ui_Alert_ReportErrorf(state, kUiErrMemory, kOpeningFileId, nullptr, path);
        return;
    }
    std::memset(help, 0, sizeof *help);
    FLSpec spec;
    int32_t status = FL_DiskSpec(&spec, path);
    if (status == kUiOk) status = FLOpen(&help->file, &spec, kFLRead);
    if (status != kUiOk) {
        Ui_Alert_ReportErrorf(state, status, kOpeningFileId, nullptr, path);
        Ui_Free(help);
        return;
    }
    status = Ui_Help_FindTopic(help, topic);
    if (status == kUiErrFormat) {
        Ui_Alert_ReportErrorf(state, status, kReadingFileId, nullptr, path);
    } else if (status != kUiOk) {
        Ui_Alert_ReportErrorf(state, status, kReadingLineId, nullptr, int(help->lineNumber + 1),
                              path);
    } else {
        HelpDialog dialog = {help, path};
        int32_t item = 0;
        status = Ui_Dlg_DoModal(state, kDialogHelp, nullptr, HelpInit, &dialog, &item);
        if (status != kUiOk) Ui_Alert_ReportErrorf(state, status, kReadingFileId, nullptr, path);
    }
    FLClose(&help->file);
    Ui_Free(help);
}

// The plug-in's dialogs on a real window system: the About box through the
// about selector, and the alert, the question and the help dialog run by the
// dialog framework over the module's own resources. Each is checked through
// the Win32 API (ids, classes, texts, visibility, sizes in pixels), captured
// as a screenshot, and closed by a posted click.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/vantoria_host/dialog_driver.h"
#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "apps/vantoria_host/screen_requests.h"
#include "hostkit/hostkit.h"
#include "resources/dialog_table.h"
#include "resources/pictures.h"
#include "ui/alert.h"
#include "ui/dialog.h"
#include "ui/help.h"
#include "ui/platform_dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
// What one inspection expects and does.
struct Inspection {
    const char* name;
    int16_t dialogId;
    const char* title;
    int32_t closeItem;
    // Items whose text the program sets: item, text (null ends the list).
    struct Text {
        int32_t item;
        const char* text;
    } texts[4];
    int32_t hiddenItem;       // an item the program hides (0: none)
    int32_t resizedItems[4];  // items moved or sized by the program (0 ends)
    bool done;
    // Real input through the test script's watcher after the screenshot
    // (a click on an item, or keys), the last one closing the dialog with
    // closeItem; the first name null: closed by a posted click on closeItem.
    DriveStep realInput[2];
    DriveRun drive;
};
Inspection* gInspection = nullptr;

const char* ClassOf(uint8_t kind) {
    switch (kind) {
        case kDlgStatic:
        case kDlgStaticCentre:
        case kDlgIcon:
            return "Static";
        case kDlgEdit:
            return "Edit";
        case kDlgCombo:
            return "ComboBox";
        case kDlgUserItem:
            return "UiUserItem";
        default:
            return "Button";
    }
}

bool Listed(const int32_t* items, int32_t item) {
    for (int32_t i = 0; i < 4 && items[i] != 0; ++i)
        if (items[i] == item) return true;
    return false;
}

// Every item of the table: its id and class, its visibility, and (unless
// the program resizes it) its size in pixels from the dialog units.
void CheckItems(HWND dialog, const Inspection& in) {
    const DialogDef* def = FindDialogDef(in.dialogId);
    char what[160], why[256] = "";
    for (int32_t i = 0; i < def->itemCount && why[0] == 0; ++i) {
        const DialogItemDef& item = def->items[i];
        HWND control = GetDlgItem(dialog, item.id);
        char cls[32] = "";
        if (control) GetClassNameA(control, cls, sizeof cls);
        // The dialog manager converts the width and height themselves.
        RECT units = {0, 0, item.width, item.height};
        MapDialogRect(dialog, &units);
        RECT r = {};
        if (control) GetWindowRect(control, &r);
        const bool visible = control && IsWindowVisible(control);
        const bool wantVisible = (item.flags & kDlgHidden) == 0 && item.id != in.hiddenItem;
        if (control == nullptr) {
            std::snprintf(why, sizeof why, "item %d missing", item.id);
        } else if (_stricmp(cls, ClassOf(item.kind)) != 0) {
            std::snprintf(why, sizeof why, "item %d is a %s", item.id, cls);
        } else if (visible != wantVisible) {
            std::snprintf(why, sizeof why, "item %d %s", item.id, visible ? "shown" : "hidden");
        } else if (!Listed(in.resizedItems, item.id) && item.kind != kDlgCombo &&
                   item.kind != kDlgIcon &&
                   (r.right - r.left != units.right - units.left ||
                    r.bottom - r.top != units.bottom - units.top)) {
            std::snprintf(why, sizeof why, "item %d is %ld x %ld pixels, laid out %ld x %ld",
                          item.id, r.right - r.left, r.bottom - r.top, units.right - units.left,
                          units.bottom - units.top);
        }
    }
    std::snprintf(what, sizeof what, "%s: %d items with their ids, classes, visibility and sizes",
                  in.name, int(def->itemCount));
    Report(why[0] == 0, what, "%s", why);
}

void Inspect(HWND dialog) {
    Inspection& in = *gInspection;
    char text[1024], what[160];
    GetWindowTextA(dialog, text, sizeof text);
    std::snprintf(what, sizeof what, "%s: dialog %d titled \"%s\"", in.name, int(in.dialogId),
                  in.title);
    Report(std::strcmp(text, in.title) == 0, what, "titled \"%s\"", text);
    CheckItems(dialog, in);
    for (const auto& t : in.texts) {
        if (t.text == nullptr) break;
        GetDlgItemTextA(dialog, t.item, text, sizeof text);
        std::snprintf(what, sizeof what, "%s: item %d reads \"%.60s%s\"", in.name, int(t.item),
                      t.text, std::strlen(t.text) > 60 ? "..." : "");
        Report(std::strcmp(text, t.text) == 0, what, "reads \"%s\"", text);
    }
    in.done = true;
    if (in.realInput[0].name != nullptr) {
        in.drive.dialog = dialog;
        in.drive.steps[0] = {kDriveShot, in.name, 0, nullptr, 0};
        in.drive.stepCount = 1;
        for (const DriveStep& step : in.realInput)
            if (step.name != nullptr) in.drive.steps[in.drive.stepCount++] = step;
        in.drive.fallbackItem = in.closeItem;
        Drive_Start(&in.drive);
        return;
    }
    char why[256];
    std::snprintf(what, sizeof what, "%s: screenshot taken", in.name);
    Report(Screen_Shot(dialog, in.name, why, sizeof why), what, "%s", why);
    HWND button = GetDlgItem(dialog, in.closeItem);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(in.closeItem, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void Expect(Inspection* in) {
    gInspection = in;
    DialogRobot_SetInspector(Inspect);
}

void Finish(Inspection* in) {
    DialogRobot_SetInspector(nullptr);
    char what[200];
    if (in->realInput[0].name != nullptr) {
        Drive_Finish(&in->drive);
        char input[96] = "";
        for (const DriveStep& step : in->realInput) {
            if (step.name == nullptr) break;
            const size_t used = std::strlen(input);
            if (step.kind == kDriveClick)
                std::snprintf(input + used, sizeof input - used, "%sa click on item %d",
                              used ? ", " : "", int(step.item));
            else
                std::snprintf(input + used, sizeof input - used, "%s%s", used ? ", " : "",
                              step.keys);
        }
        std::snprintf(what, sizeof what, "%s: screenshot taken, closed by real input (%s)",
                      in->name, input);
        Report(in->done && in->drive.failure[0] == 0 && in->drive.closed, what, "%s",
               in->done ? in->drive.failure : "the dialog did not appear");
        return;
    }
    std::snprintf(what, sizeof what, "%s: shown and closed by a click on item %d", in->name,
                  int(in->closeItem));
    Report(in->done, what, "the dialog did not appear");
}

void CheckAbout(const char* modulePath, const char* entryName) {
    HKModule module;
    HKHost host;
    char error[256] = {};
    if (!Report(HK_LoadModule(modulePath, entryName, &module, error, sizeof error) == 0,
                "about: module loaded", "%s", error))
        return;
    uint8_t pixels[4 * 4 * 3] = {};
    const HKImage image = {4, 4, 3, 8, 12, pixels};
    const HKMask noMask = {0, nullptr};
    const HKOptions options = HK_DefaultOptions();
    if (HK_Host_Init(&host, &image, &noMask, &options) == 0) {
        Inspection about = {"about",
                            kDialogAbout,
                            "About Vantoria",
                            1,
                            {{1, "OK"}, {0, nullptr}},
                            0,
                            {0},
                            false,
                            {kDriveClick, "about-click", 1, nullptr, 200},
                            {}};
        Expect(&about);
        const int16_t result = HK_Call(&host, module.entry, 0);
        Finish(&about);
        Report(result == 0, "about: selector result 0", "%d", int(result));
        HK_Host_Free(&host);
    }
    HK_UnloadModule(&module);
}
}  // namespace

// The editor dialog created hidden and measured, as the memory planning
// measures it: the preview item lies inside the client area, the client area
// inside the window, and the dialog is gone again afterwards.
struct EditorRects {
    UiRect window, client, preview;
    SIZE button, arrow;  // items 5 and 16 in pixels
    HWND dialog;
};

SIZE ItemSize(HWND dialog, int32_t item) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, item), &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int32_t ReadEditor(void* dialog, void* context) {
    EditorRects* r = static_cast<EditorRects*>(context);
    r->dialog = static_cast<HWND>(dialog);
    if (IsWindowVisible(r->dialog)) return kUiErrGeneral;
    r->button = ItemSize(r->dialog, 5);
    r->arrow = ItemSize(r->dialog, 16);
    const bool read = Plat_Dlg_GetRect(dialog, 0, &r->window) == 0 &&
                      Plat_Dlg_GetRect(dialog, -1, &r->client) == 0 &&
                      Plat_Dlg_GetRect(dialog, 4, &r->preview) == 0;
    return read ? kUiOk : kUiErrGeneral;
}

void CheckEditorMeasure(HMODULE module) {
    EditorRects r = {};
    const int32_t status = Plat_Dlg_Measure(module, kDialogEditor, ReadEditor, &r);
    const int ww = r.window.right - r.window.left, wh = r.window.bottom - r.window.top;
    const int cw = r.client.right - r.client.left, ch = r.client.bottom - r.client.top;
    const UiRect& p = r.preview;
    const bool ok = status == kUiOk && ww > cw && wh > ch && p.left >= 0 && p.top >= 0 &&
                    p.right <= cw && p.bottom <= ch && p.right > p.left && p.bottom > p.top &&
                    !IsWindow(r.dialog);
    char what[200];
    std::snprintf(what, sizeof what,
                  "dialogs: editor measured hidden: window %dx%d, client %dx%d, preview item "
                  "%d,%d %d,%d",
                  ww, wh, cw, ch, int(p.left), int(p.top), int(p.right), int(p.bottom));
    Report(ok, what, "status %d", int(status));

    // The pictures of the memory-colour buttons and the arrows are drawn at
    // the items' sizes in the 8-point dialog font's base units (6 x 13); a
    // system whose dialog font is wider makes the items larger, never smaller.
    const struct {
        const char* name;
        int16_t bitmap;
        SIZE item;
    } pictures[] = {{"memory colour button", kBitmapNeutralButton, r.button},
                    {"arrow", kBitmapArrowUp, r.arrow}};
    for (const auto& p : pictures) {
        const PictureDef* def = FindPictureDef(kPictureBitmap, p.bitmap);
        std::snprintf(what, sizeof what,
                      "dialogs: editor's %s picture (%dx%d) fits its item (%ldx%ld)", p.name,
                      def ? int(def->width) : 0, def ? int(def->height) : 0, p.item.cx, p.item.cy);
        Report(def != nullptr && def->width <= p.item.cx && def->height <= p.item.cy, what, "%s",
               def ? "too large" : "missing");
    }
}

void CheckDialogs(const char* modulePath, const char* entryName) {
    CheckAbout(modulePath, entryName);

    HMODULE module = LoadLibraryA(modulePath);
    UiState* state = nullptr;
    if (!Report(module != nullptr &&
                    Ui_State_Open(&state, module, nullptr, kStrProductName, 0) == kUiOk,
                "dialogs: library state over the module's resources", "cannot open"))
        return;
    CheckEditorMeasure(module);

    const char* context = "opening file C:\\Photos\\portrait.txt";
    Inspection alert = {"alert",
                        kDialogAlert,
                        "Vantoria",
                        1,
                        {{3,
                          "A file open error occurred while opening file "
                          "C:\\Photos\\portrait.txt."},
                         {4,
                          "For reading, make sure the file exists.\r\n\r\nFor writing, make "
                          "sure your disk has enough room and is not locked."},
                         {1, "OK"},
                         {0, nullptr}},
                        2,
                        {0},
                        false,
                        {{kDriveKeys, "alert-return", 0, "key Return", 200}, {}},
                        {}};
    // Static controls keep the text as given; the advice's line breaks are
    // LF in the string table.
    alert.texts[1].text =
        "For reading, make sure the file exists.\n\nFor writing, make sure your disk has "
        "enough room and is not locked.";
    Expect(&alert);
    Report(Ui_Alert_ReportError(state, kUiErrOpen, context, nullptr) == kUiErrOpen,
           "alert: the report returns its code", "%s", "another code");
    Finish(&alert);

    const char* question =
        "The RGB working space has changed. Your saved settings may not produce the desired "
        "result.";
    Inspection ask = {"question",
                      kDialogAlert,
                      "Vantoria",
                      2,
                      {{3, question}, {1, "Use Anyway"}, {2, "Cancel"}, {0, nullptr}},
                      0,
                      {1, 2, 0},
                      false,
                      {},
                      {}};
    Expect(&ask);
    int32_t pressed = 0;
    Ui_Alert_Question(state, question, "Use Anyway", "Cancel", 0, &pressed);
    Finish(&ask);
    Report(pressed == 2, "question: the pressed button is 2", "%d", int(pressed));

    char path[kUiPathCapacity];
    if (Report(Ui_Help_Prepare(state, path) == kUiOk, "help: text written to a temporary file",
               "%s", "failed")) {
        Inspection help = {
            "help",
            kDialogHelp,
            "Vantoria Help",
            1,
            {{2, "Vantoria"}, {4, "Online User Guide"}, {5, "Online FAQ Site"}, {0, nullptr}},
            0,
            {1, 3, 4, 5},
            false,
            // The text item takes the focus when clicked; Return still
            // belongs to the dialog's default button.
            {{kDriveClick, "help-click-text", 3, nullptr, 200},
             {kDriveKeys, "help-return", 0, "key Return", 200}},
            {}};
        Expect(&help);
        Ui_Help_Show(state, path, 2000);
        Finish(&help);
        DeleteFileA(path);
    }
    Ui_State_Close(&state);
    FreeLibrary(module);
}

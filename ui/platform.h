// The platform seam: the only functions through which portable code reaches
// the window system, the shell and special folders. The Windows build links
// the Win32 backend (ui/platform/win32), every other build the headless
// backend (ui/platform/headless), which tests drive with scripted answers.
#pragma once

#include <cstddef>
#include <cstdint>

// Folder paths end with this separator ('\\' on Windows, '/' elsewhere).
extern const char kPlatPathSep;

// Virtual key codes the plug-in asks about.
constexpr int kPlatKeyShift = 0x10;
constexpr int kPlatKeyControl = 0x11;
constexpr int kPlatKeyAlt = 0x12;

// Asynchronous key state: true while the key is down.
bool Plat_KeyDown(int virtualKey);

// Message box kinds.
enum PlatBoxKind : int32_t {
    kPlatBoxPlain = 0,
    kPlatBoxWarning = 1,
    kPlatBoxStop = 2,
};
// Modal message box with an OK button and no owner window.
void Plat_MessageBox(const char* text, const char* caption, int32_t kind);
void Plat_Beep();

// The module's instance handle (null when it could not be recorded).
void* Plat_ModuleInstance();

// Owner-drawn user item window class, registered per library state.
int32_t Plat_RegisterUserItemClass(void* instance);
int32_t Plat_UnregisterUserItemClass(void* instance);

// Special folders, each written with its trailing separator into out (capacity
// bytes). Return kUiOk, or a platform error code (positive; for the application
// data on Windows the lookup's HRESULT, E_FAIL when SHFolder is missing), or
// kUiErrGeneral when it does not fit.
int32_t Plat_AppDataFolder(char* out, size_t capacity);
int32_t Plat_FallbackFolder(char* out, size_t capacity);  // Windows folder
int32_t Plat_TempFolder(char* out, size_t capacity);
int32_t Plat_CurrentFolder(char* out, size_t capacity);
int32_t Plat_ColorFolder(char* out, size_t capacity);

// Creates one folder: 0, kPlatErrAlreadyExists, or another positive platform error.
constexpr int32_t kPlatErrAlreadyExists = 183;
int32_t Plat_MakeFolder(const char* path);

// Durable file replacement: flushes what the stream wrote to disk.
int32_t Plat_SyncFile(void* stdioStream);
// Moves from over to (replacing it) and makes the move durable. kUiOk or kUiErrGeneral.
int32_t Plat_ReplaceFile(const char* from, const char* to);

// File dialogs. kind is the filter list ("Text (*.txt)|*.txt|"), defExt the
// default extension. Return kUiOk with the chosen path, kUiErrCancelled when
// cancelled.
int32_t Plat_SaveFileDialog(void* owner, const char* prompt, const char* filter, const char* defExt,
                            char* path, size_t capacity);
int32_t Plat_OpenFileDialog(void* owner, const char* prompt, const char* filter,
                            const char* initial, char* path, size_t capacity);

// String-table entry id of the module's resources into buffer (terminated).
// Returns the length, or -1 when the entry does not exist.
int32_t Plat_LoadString(void* instance, int32_t id, char* buffer, int32_t capacity);

// Raw bytes of a custom resource (type four characters such as "PIPL").
// Returns kUiOk with data and size set, kUiErrArg when there is no such resource.
int32_t Plat_FindResource(void* instance, const char* type, int32_t id, const void** data,
                          uint32_t* size);

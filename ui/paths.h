// Where the program's files live: the maker's folder under the user's
// application data (preferences and the diagnostics log), the temporary,
// current and colour-profile folders, unique temporary names, file names of
// paths and the save and open file dialogs.
#pragma once

#include <cstddef>
#include <cstdint>

struct UiState;

// Folder paths and file paths are at most this many bytes, terminator included.
constexpr size_t kUiPathCapacity = 256;

// The maker's folder ("Quorvane", or the maker name held by state) under the
// user's application data, created when missing; falls back to the Windows
// folder. Messages are logged only when a state is given.
int32_t Ui_Path_SetToPrefFolder(UiState* state, char* path, size_t capacity);

// The preferences folder followed by name; when the whole path does not fit,
// the fallback folder followed by name.
int32_t Ui_Path_SetToPrefFile(UiState* state, const char* name, char* path, size_t capacity);

// The preferences folder (always with the default maker name) followed by
// "QuorvaneDebug.txt"; path holds kUiPathCapacity bytes.
int32_t Ui__Path_SetToDebugLog(char* path);

// The system's temporary, current and colour-profile folders, each with its
// separator; at most kUiPathCapacity bytes are used whatever the capacity.
// kUiErrGeneral when the system call fails or the folder does not fit.
int32_t Ui_Path_SetToTempFolder(char* path, size_t capacity);
int32_t Ui_Path_SetToCurrentFolder(char* path, size_t capacity);
int32_t Ui_Path_SetToColorFolder(char* path, size_t capacity);

// A file name in folder that does not exist yet ("Quorvane000000.tmp", ...):
// kUiErrArg when folder and name do not fit, kUiErrGeneral when every number is
// taken.
int32_t Ui_Path_SetToTempFile(UiState* state, const char* folder, char* result, size_t capacity);

// The text after the last separator, else after the last colon, else the path.
const char* Ui_Path_FileName(const char* path);

// Appends name to the folder in path when folder + name + terminator fit.
int32_t Ui_Path_Append(char* path, size_t capacity, const char* name);

// File kinds of the save dialog (four-character codes).
constexpr uint32_t kUiFileKindTintwork = 0x58526369;  // 'XRci'
constexpr uint32_t kUiFileKindProfile = 0x70726F66;   // 'prof'
constexpr uint32_t kUiFileKindText = 0x54455854;      // 'TEXT'
constexpr uint32_t kUiFileKindData = 0x58526474;      // 'XRdt'

// Turns a filter text with bars between its fields ("Text (*.txt)|*.txt|")
// into the double-terminated list of the system's file dialogs.
int32_t Ui_Path_FilterToList(const char* filter, char* list, size_t capacity);

// Save dialog: path holds the proposed name in and the chosen path out; the
// filter and default extension follow the file kind (kUiErrArg for other
// kinds).
// Open dialog: text files, starting from initial (a folder or name, may be
// empty). Both are owned by the state's parent window, return kUiErrCancelled
// when the user cancels and leave path unchanged unless a file was chosen.
int32_t Ui_Path_SaveDialog(UiState* state, const char* prompt, uint32_t fileKind, char* path,
                           size_t capacity);
int32_t Ui_Path_OpenDialog(UiState* state, const char* prompt, const char* initial, char* path,
                           size_t capacity);

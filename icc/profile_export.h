// Export of the current correction as an ICC input profile: a "scnr" profile
// whose A2B0 table takes the document's RGB through the compiled Tintwork
// into CIE Lab (version 2 16-bit encoding, relative to the 5000 K daylight
// white).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/tintwork.h"
#include "engine/working_lab.h"
#include "icc/icc_profile.h"

struct UiState;

// What the export needs of the editor's state.
struct ProfileExportSource {
    const EditPars* editPars;  // its working space
    const Tintwork* tintwork;  // the correction of the current settings
    const char* documentName;  // the document's file name; may be empty
    uint8_t diagnostics;       // log level of the trace lines (1 when diagnostics are on)
    UiState* ui;               // the library state of the error alerts; null shows none
};

// Grid points and table entries of the export table.
constexpr int32_t kExportGridPoints = 41;
constexpr uint32_t kExportTableEntries = 4096;

// The grid function's context: the Tintwork and the colour chain from the
// working space's RGB to the adapted XYZ.
struct ExportGridContext {
    const Tintwork* tintwork;
    WorkingLab space;   // the working space's colours as Lab under the 5000 K white
    float outputScale;  // 1 / the Tintwork's largest output code value
    int32_t reported;   // a failure of the grid function was reported
    UiState* ui;        // where it is reported
};

// Builds the context of source's working space: kUiErrMemory when the
// RGB-to-XYZ matrix cannot be built, kUiErrArg for a missing argument.
int32_t InitExportGridContext(const ProfileExportSource* source, ExportGridContext* context);

// Computes one node of the export grid (an IccGridFunction): in holds r, g,
// b in [0, 1], out receives L, a, b in the version 2 16-bit Lab encoding.
int32_t ExportGridNode(const double* in, uint16_t* out, void* context);

// The export table: identity matrix, 4096-entry identity curves, 41 grid
// points, the grid function with context. FreeExportTable releases the
// curves and clears the table; it accepts a table never built.
int32_t BuildExportTable(ExportGridContext* context, ProfileTable* table);
void FreeExportTable(ProfileTable* table);

// The proposed file name: folder, then the document's name with its
// extension (from the last ".") replaced by extension, or extension appended.
// When that does not fit capacity, the name is cut before its extension; when
// the folder leaves no room for a name, the name alone is proposed.
int32_t ProposeProfileName(const char* folder, const char* documentName, const char* extension,
                           char* path, size_t capacity);

// The profile description: the file name of path without its extension.
void ProfileDescription(const char* path, char* description, size_t capacity);

// Writes the profile of source to path, without a dialog. Failures are
// reported ("creating profile", "writing profile", "editing color") and a
// failed write leaves no file behind (a former file of that name stays).
int32_t ExportProfileToPath(const ProfileExportSource* source, const char* path);

// The editor's export: the save dialog in the colour-profile folder, then
// ExportProfileToPath. A cancelled dialog returns kUiErrCancelled without a
// message.
int32_t ExportProfile(UiState* state, const ProfileExportSource* source);

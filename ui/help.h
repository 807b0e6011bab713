// Resources as files and the on-line help: the help text resource is copied
// into a temporary file while the editor is open; the help dialog 1001
// reads one topic from it, lays it out in paragraphs, sizes itself to the
// text and offers the online user guide and FAQ pages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/file_layer.h"

struct UiState;

constexpr uint32_t kUiResTypeHelp = 0x58527366;  // 'XRsf'

// Writes resource (type, id) into the file named by spec. Only type 'XRsf'
// with ids 128 to 32767 (else kUiErrArg); kUiErrSeek when the resource is
// missing, kUiErrFormat when it is empty, or the file layer's error.
int32_t Ui_ResToFile(UiState* state, uint32_t type, int32_t id, const FLSpec* spec);

// Opens address in the user's web browser; when that fails, shows the note
// "Could not launch the Internet browser (error = %ld)." and returns
// kUiErrGeneral.
int32_t Ui_OpenWebPage(UiState* state, const char* address);

// Makes the help file: a new temporary file in the temporary folder holding
// the help text; path gets its name (kUiPathCapacity bytes). Failures are
// reported (context "creating file %s") and returned.
int32_t Ui_Help_Prepare(UiState* state, char* path);

// The help record: the open help file, a line buffer, the topic asked for and
// the position of its first paragraph.
constexpr uint32_t kUiHelpLineCapacity = 1024;
struct HelpFile {
    FLFile file;
    char line[kUiHelpLineCapacity];
    int32_t topic;
    uint32_t position;
    int32_t lineNumber;  // of the last line read, from 1
    char title[256];
};

// Finds the topic's header from the start of the open file; keeps the
// position after it and the title. kUiErrFormat when "##" comes first.
int32_t Ui_Help_FindTopic(HelpFile* help, int32_t topic);
// Reads the next paragraph from the current position into text (capacity
// bytes, lines joined by spaces). *more is 0 when the topic has ended.
int32_t Ui_Help_ReadParagraph(HelpFile* help, char* text, size_t capacity, int32_t* more);

// Runs the help dialog for the topic from the help file at path. Failures
// are reported with the alert; nothing is shown then.
void Ui_Help_Show(UiState* state, const char* path, int32_t topic);

// Items of the help dialog.
enum UiHelpItem : int32_t {
    kUiHelpOk = 1,
    kUiHelpTitle = 2,
    kUiHelpText = 3,
    kUiHelpGuide = 4,
    kUiHelpFaq = 5,
};
// Layout stops growing the text past this height in pixels.
constexpr int32_t kUiHelpMaxHeight = 2000;

// Small routines the editor's windows share: the program's folder, opening a file or web page with the
// desktop's program for it (and explaining a failure in words), a file's size, temporary file names, and
// two string routines used to renumber frame rows. Folders end in "/".
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace app {

// The folder of the program's file, with a trailing "/".
std::string ProgramFolder();
// The folder with "/" appended when it does not end in one; an empty string stays empty.
std::string WithTrailingBackslash(const std::string& folder);

// Opens a file or address with its associated program; a failure is explained in a message box owned by
// parent.
void ShellOpen(const std::string& target, win::HWND parent);
// The shell's result code (above 32 means success). A target of 256 characters or more is refused with a
// message and the code 2 (file not found).
intptr_t ShellExecuteOpen(const std::string& file, const std::string& parameters, const std::string& folder,
                          int showCommand);
// The explanation of a result code of 32 or less, in a box owned by parent; above 32 nothing is shown.
void ShellErrorMessage(intptr_t code, win::HWND parent);
// The text of that box.
std::string ShellErrorText(intptr_t code);

// The size in bytes of the file at path (taken as it is, no wildcards); 0 when there is none.
int64_t FileSizeOf(const std::string& path);
// The system's temporary folder with a trailing "/" (empty when it is longer than 260 characters).
std::string TempFolder();
// Creates a new, uniquely named, empty file in folder (the first three characters of prefix, four hex
// digits, ".tmp") and returns its full name; empty on failure.
std::string MakeTempFileName(const std::string& folder, const std::string& prefix);

// The 1-based position of part in text: start 1 searches the whole text; another start searches the text
// from that position on and counts in that remainder. 0 when absent (or part is empty).
int32_t PosFrom(const std::string& text, const std::string& part, int32_t start);
// The last count characters of text; empty when count <= 0 or count exceeds the length.
std::string RightPart(const std::string& text, int32_t count);
// Text for an HTML attribute value between double quotes: a double quote becomes "&quot;", so that it
// cannot end the value; everything else stays as it is.
std::string HtmlQuotedValue(const std::string& text);

} // namespace app

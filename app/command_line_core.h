// The start-up path: the first argument of the command line.
#ifndef PELLOWRICK_COMMAND_LINE_CORE_H
#define PELLOWRICK_COMMAND_LINE_CORE_H

#include <cstddef>

constexpr size_t kPathBufferSize = 256;  // at most 255 bytes and a zero

// The argument text of a process command line: what follows the program's
// name (a quoted name up to its closing quote, otherwise up to the first
// space or tab) and the spaces and tabs after it; a pointer into
// `commandLine`, or to an empty text. Bytes are compared as unsigned
// values, so no byte of a double-byte character counts as a blank.
const char* ArgumentTextOf(const char* commandLine);

// Cuts the first argument out of the argument text (quoted or ended by a
// space; a tab does not end it) into `path`. An argument longer than 255
// bytes is cut to its first 255 bytes.
void ExtractStartupPath(const char* argumentText, char path[kPathBufferSize]);

#endif

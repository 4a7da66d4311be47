// The start-up path: the first argument of the command line.
#ifndef PELLOWRICK_COMMAND_LINE_CORE_H
#define PELLOWRICK_COMMAND_LINE_CORE_H

#include <cstddef>

constexpr size_t kPathBufferSize = 256;  // at most 255 bytes and a zero

// Cuts the first argument out of the argument text (quoted or ended by a
// space; a tab does not end it) into `path`. An argument longer than 255
// bytes is cut to its first 255 bytes.
void ExtractStartupPath(const char* argumentText, char path[kPathBufferSize]);

#endif

// Which sheet names are relative: those the program resolves against the
// current folder before anything opens them.
#ifndef PELLOWRICK_SHEET_NAME_CORE_H
#define PELLOWRICK_SHEET_NAME_CORE_H

// Whether a name is relative: it starts neither with a drive letter, a
// colon and a backslash or slash, nor with two backslashes or slashes (a
// network name). A lone leading backslash (the current drive's root) and
// a drive letter without one ("C:a.bmp") count as relative. Only the first
// three bytes are looked at; none of them can be a trail byte of a
// double-byte character there, so Japanese names are safe.
bool IsRelativeName(const char* name);

#endif

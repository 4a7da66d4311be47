// Layouts the program relies on that differ between the 32-bit product and
// the 64-bit build, checked as either is compiled: a machine that cannot run
// the product still catches a wrong one when it builds it.
#ifndef PELLOWRICK_LAYOUTS_WIN_H
#define PELLOWRICK_LAYOUTS_WIN_H

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

constexpr bool kIs32Bit = sizeof(void*) == 4;

// The file dialogs take the structure of version 4 (up to lpTemplateName),
// which every Windows accepts: 76 bytes in the product.
constexpr DWORD kOpenFileNameV4Bytes = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(kOpenFileNameV4Bytes == (kIs32Bit ? 76 : 136), "OPENFILENAMEA of version 4");

// GetObjectA fills a BITMAP of 24 bytes (the loaded sheet's size) and, for
// a DIB section, a DIBSECTION, which the key pass tells apart by size.
static_assert(sizeof(BITMAP) == (kIs32Bit ? 24 : 32), "BITMAP");
static_assert(sizeof(DIBSECTION) == (kIs32Bit ? 84 : 104), "DIBSECTION");

// A dialog procedure's result and the window data read with
// GetWindowLongPtrA are pointer-sized on both builds.
static_assert(sizeof(INT_PTR) == sizeof(void*) && sizeof(LONG_PTR) == sizeof(void*), "INT_PTR");
static_assert(sizeof(LRESULT) == sizeof(void*) && sizeof(WPARAM) == sizeof(void*), "message data");

#endif

# cmake -DSOURCE=<utf-8 text> -DTARGET=<file> -P windows-text.cmake
# Writes the text as every Notepad reads it, Windows 7's included: a UTF-8
# byte-order mark first (without one, older versions take the text for the
# ANSI code page) and CRLF line ends.
file(READ "${SOURCE}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE "${TARGET}" "${bom}${text}")

// Every text the program shows, in one place for the code, the resource
// script and the tests. Plain #defines so that windres reads them too; the
// source is UTF-8, and both compilers store it in code page 932 (the C++
// compiler as bytes, windres as the same characters in UTF-16).
#ifndef PELLOWRICK_TEXTS_H
#define PELLOWRICK_TEXTS_H

// The main window: its title at start, and while a cell is shown (the
// index of the cell in place of %d).
#define TEXT_MAIN_TITLE "Pellowrick Ver4.0"
#define TEXT_PLAYING_TITLE_FORMAT "Pellowrick Ver4.0 [ %d ]"
// The main window's title while the key pass runs.
#define TEXT_KEY_PASS_WAIT "透明色を適用中です。しばらくお待ちください。"

// The menu bar.
#define TEXT_MENU_EXIT "終了"
#define TEXT_MENU_START "開始"
#define TEXT_MENU_STOP "停止"
#define TEXT_MENU_TOGGLE_PANEL "メニュー表示切替"

// The control panel's title until a sheet loads, and the size label: the
// sheet's width and height with a multiplication sign between them.
#define TEXT_PANEL_TITLE "アニメーションメニュー"
#define TEXT_SHEET_SIZE_FORMAT "%d × %d"

// A sheet that does not load.
#define TEXT_LOAD_FAILED "BMPファイル読みとりに失敗しました"
#define TEXT_LOAD_FAILED_CAPTION "エラー"

// A settings file that is damaged, or cannot be saved.
#define TEXT_SETTINGS_DAMAGED "指定されたPLWファイルは壊れているまたは保存形式が違います。"
#define TEXT_SETTINGS_DAMAGED_CAPTION "読み取りエラー"
#define TEXT_SAVE_ERROR_CAPTION "保存エラー"
#define TEXT_SAVE_PATH_HAS_SEMICOLON "ファイルパスに「;」を含むため設定を保存できません。"
#define TEXT_SAVE_PATH_HAS_FF "ファイルパスに文字コード0xFFの文字を含むため設定を保存できません。"
#define TEXT_SAVE_UNSTORABLE "保存できない文字が含まれているため設定を保存できません。"
#define TEXT_SAVE_FAILED "設定ファイルの保存に失敗しました。"

// The file dialogs' filters: pairs of a description and its patterns.
#define TEXT_OPEN_FILTER \
  "BMPファイル(bmp,BMP)\0*.bmp;*.BMP\0PLWファイル(plw,PLW)\0*.plw;*.PLW\0全てのファイル(*.*)\0*.*\0"
#define TEXT_SAVE_FILTER "PLWファイル(plw,PLW)\0*.plw;*.PLW\0"

#endif

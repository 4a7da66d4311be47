// The settings file through the real panel: saving through the real save
// dialog, a failed save that keeps the old file, and loading from the
// command line, Browse-free routes and drops.
#include "tests/wine/support/fixtures.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "panel/settings_core.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SettingsFileTest : public WithProgram {
 protected:
  const std::string sheetPath_ = WriteSheet("cells.bmp", 128, 64, [](int x, int) {
    return x < 64 ? RGB(255, 0, 255) : RGB(0, 0, 200);
  });
};

// What FillPanelForSave saves: the vertical flag, transparency and the key
// from the top-left dot (0x06); the interval counts as 65535, red as 255.
Bytes ExpectedFile(const std::string& path) {
  return EncodeSettings({{32, 300, 70000, 1, 3, 0, 10, 300, 20, 1, 2, 3}, path, 0x06, "0,1,1"});
}

void FillPanelForSave(const std::string& sheetPath) {
  SetSheet(sheetPath, 32, 300, 70000);
  SetFields({{IDC_COLUMN, "1"}, {IDC_ZOOM, "3"}, {IDC_KEY_BLUE, "10"}, {IDC_KEY_GREEN, "20"},
             {IDC_KEY_RED, "300"}, {IDC_BACK_RED, "1"}, {IDC_BACK_GREEN, "2"}, {IDC_BACK_BLUE, "3"},
             {IDC_FRAME_LIST, "0,1,1"}});
  Click(IDC_VERTICAL);
  Click(IDC_TRANSPARENT);
}

// The names in a folder, so a test can see that no temporary file is left.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
      names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

TEST_F(SettingsFileTest, SaveWritesTheLayoutToANewFileAndNothingElse) {
  // The longest target: a temporary name made of the target's name plus a
  // suffix would pass the platform's limit of 259 characters.
  std::string longFolder = TempDir() + "\\";
  longFolder += std::string(254 - longFolder.size() - strlen("\\setup.plw"), 'd');
  const struct {
    const char* name;
    std::string folder, file;
  } cases[] = {
      {"a short path", TempDir() + "\\saved", "new-setup.plw"},
      {"a path of 254 characters", longFolder, "setup.plw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = c.folder + "\\" + c.file;
    ASSERT_LE(target.size(), 254u);
    CreateDirectoryA(c.folder.c_str(), nullptr);
    DeleteFileA(target.c_str());
    Restart();
    FillPanelForSave(sheetPath_);
    DialogWatcher error(TEXT_SAVE_ERROR_CAPTION);
    FileDialogDriver driver(target.c_str(), IDOK);
    Click(IDC_SAVE);
    ASSERT_TRUE(driver.Finish());
    EXPECT_EQ(driver.Caption(), "名前を付けて保存");
    EXPECT_EQ(driver.InitialName(), "cells");  // the sheet's base name
    EXPECT_EQ(error.Count(), 0) << error.LastText();
    EXPECT_EQ(ReadBytes(target), ExpectedFile(sheetPath_));
    EXPECT_EQ(FilesIn(c.folder), std::vector<std::string>{c.file});
  }
}

TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFileAndSaysSo) {
  FillPanelForSave(sheetPath_);
  const std::string folder = TempDir() + "\\locked";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string target = folder + "\\locked.plw";
  const Bytes old = {'o', 'l', 'd', 0x3B};
  WriteBytes(target, old);
  // Held open without delete sharing: the dialog may look at it, but the
  // replace cannot happen.
  HANDLE lock = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  // Wine captions its overwrite question "エラー".
  DialogWatcher overwrite("エラー", IDYES);
  DialogWatcher error(TEXT_SAVE_ERROR_CAPTION);
  FileDialogDriver driver(target.c_str(), IDOK);
  Click(IDC_SAVE);
  ASSERT_TRUE(driver.Finish());
  CloseHandle(lock);
  EXPECT_EQ(overwrite.Count(), 1);
  EXPECT_EQ(error.Count(), 1);
  EXPECT_EQ(ReadBytes(target), old);
  EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"locked.plw"}) << "no temporary is left";
}

TEST_F(SettingsFileTest, TheSaveDialogRefusesANameInAFolderThatDoesNotExist) {
  FillPanelForSave(sheetPath_);
  const std::string target = TempDir() + "\\no-such-folder\\setup.plw";
  // The dialog's own message; Wine gives it no caption.
  DialogWatcher refusal("");
  DialogWatcher error(TEXT_SAVE_ERROR_CAPTION);
  FileDialogDriver typed(target.c_str(), IDOK);
  // Once the name is refused and the message answered, the dialog, open
  // again, is cancelled.
  std::thread cancel([&] {
    for (int i = 0; i < 500 && refusal.Count() == 0; ++i) Sleep(20);
    if (refusal.Count() > 0) FileDialogDriver(nullptr, IDCANCEL).Finish();
  });
  Click(IDC_SAVE);
  cancel.join();
  EXPECT_EQ(refusal.Count(), 1);
  EXPECT_EQ(refusal.LastText(), "パスが見つかりません");
  EXPECT_EQ(error.Count(), 0) << error.LastText();
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFileTest, ASemicolonOrAByteFFInTheSheetPathRefusesTheSaveAndSaysWhich) {
  const struct { const char* path; const char* message; } cases[] = {
      {"C:\\a;b.bmp", TEXT_SAVE_PATH_HAS_SEMICOLON},
      {"C:\\a\xFF" "b.bmp", TEXT_SAVE_PATH_HAS_FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    SetControlText(IDC_PATH, c.path);
    ASSERT_EQ(ControlText(IDC_PATH), c.path);
    DialogWatcher error(TEXT_SAVE_ERROR_CAPTION);
    Click(IDC_SAVE);
    // Refused before the save dialog: the click returns without one.
    EXPECT_EQ(error.Count(), 1);
    EXPECT_EQ(error.LastText(), c.message);
  }
}

TEST_F(SettingsFileTest, LoadingFromTheCommandLineFillsThePanelAndLoadsTheSheet) {
  const std::string file = TempFile("startup.plw");
  WriteBytes(file, ExpectedFile(sheetPath_));
  Restart(file);
  ExpectFields({{IDC_PATH, sheetPath_}, {IDC_FRAME_WIDTH, "32"}, {IDC_FRAME_HEIGHT, "300"},
                {IDC_INTERVAL, "65535"}, {IDC_KEY_RED, "255"}, {IDC_KEY_GREEN, "20"},
                {IDC_KEY_BLUE, "10"}, {IDC_FRAME_LIST, "0,1,1"}, {IDC_SHEET_SIZE, SizeLabel(128, 64)}});
  EXPECT_FALSE(Checked(IDC_HORIZONTAL));
  EXPECT_TRUE(Checked(IDC_VERTICAL));
  EXPECT_TRUE(Checked(IDC_TRANSPARENT));
  EXPECT_TRUE(Checked(IDC_KEY_FROM_CORNER));
  EXPECT_TRUE(Enabled(IDC_KEY_FROM_FIELDS));
  EXPECT_FALSE(Enabled(IDC_KEY_BLUE));
  EXPECT_EQ(WindowText(frame.panel), sheetPath_);
}

TEST_F(SettingsFileTest, ADroppedFileFillsThePanelButNotTheLoopCountOrChangesNothing) {
  // A tail of 6,000 bytes after the frame list's 0xFF is never read.
  Bytes withTail = ExpectedFile(sheetPath_);
  withTail.push_back(0xFF);
  for (int i = 0; i < 6000; ++i) withTail.push_back(static_cast<uint8_t>(i));
  SettingsRecord noPath{};  // begins with 0x3B
  noPath.frameWidth = 48;
  noPath.flags = kFlagHorizontal;
  const std::string none;
  const struct {
    const char* file;
    Bytes bytes;
    bool damaged;  // the message shown, nothing changed
    Fields before, after;
    const std::string& loaded;  // the sheet loaded, if any
  } cases[] = {
      {"damaged.plw", {'a', 0x3B, 0, 64}, true,  // ends inside the fixed block
       {{IDC_LOOP_COUNT, "7"}, {IDC_FRAME_WIDTH, "48"}},
       {{IDC_FRAME_WIDTH, "48"}, {IDC_PATH, ""}, {IDC_LOOP_COUNT, "7"}}, none},
      {"dropped.PLW", withTail, false, {{IDC_LOOP_COUNT, "7"}},
       {{IDC_PATH, sheetPath_}, {IDC_FRAME_LIST, "0,1,1"}, {IDC_LOOP_COUNT, "7"}, {IDC_ZOOM, "3"}},
       sheetPath_},
      {"mixed.Plw", ExpectedFile(sheetPath_), false, {{IDC_ZOOM, "9"}}, {{IDC_ZOOM, "9"}}, none},
      // No path: the path field is kept, and its sheet loaded.
      {"no-path.plw", EncodeSettings(noPath), false, {{IDC_PATH, sheetPath_}},
       {{IDC_PATH, sheetPath_}, {IDC_FRAME_WIDTH, "48"}, {IDC_SHEET_SIZE, SizeLabel(128, 64)}}, sheetPath_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Restart();
    SetFields(c.before);
    WriteBytes(TempFile(c.file), c.bytes);
    DialogWatcher readError(TEXT_SETTINGS_DAMAGED_CAPTION);
    DropFiles({TempFile(c.file)});
    Pump(100);
    EXPECT_EQ(readError.Count(), c.damaged ? 1 : 0);
    if (c.damaged) {
      EXPECT_EQ(readError.LastText(), TEXT_SETTINGS_DAMAGED);
    }
    ExpectFields(c.after);
    EXPECT_EQ(WindowText(frame.panel), c.loaded.empty() ? kPanelTitle : c.loaded);
    EXPECT_STREQ(sheet.source.lastPath, c.loaded.c_str());
  }
}

TEST_F(SettingsFileTest, TheFlagsSetTheChecksAndTheTransparencyEnabling) {
  const struct {
    const char* name;
    uint8_t flags;
    bool fieldsEnabledBefore;
    bool horizontal, fromCorner, fieldsEnabledAfter;
  } cases[] = {
      {"0x03 enables disabled key fields", 0x03, false, true, false, true},
      {"0x06 leaves enabled key fields enabled", 0x06, true, false, true, true},
      {"0x06 leaves disabled key fields disabled", 0x06, false, false, true, false},
  };
  const std::string file = TempFile("flags.plw");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    if (c.fieldsEnabledBefore) {
      Click(IDC_TRANSPARENT);
      Click(IDC_KEY_FROM_FIELDS);
    }
    ASSERT_EQ(Enabled(IDC_KEY_RED), c.fieldsEnabledBefore);
    SettingsRecord r{};
    r.flags = c.flags;
    WriteBytes(file, EncodeSettings(r));
    DropFiles({file});
    EXPECT_EQ(Checked(IDC_HORIZONTAL), c.horizontal);
    EXPECT_EQ(Checked(IDC_VERTICAL), !c.horizontal);
    EXPECT_TRUE(Checked(IDC_TRANSPARENT));
    EXPECT_EQ(Checked(IDC_KEY_FROM_CORNER), c.fromCorner);
    EXPECT_EQ(Checked(IDC_KEY_FROM_FIELDS), !c.fromCorner);
    EXPECT_TRUE(Enabled(IDC_KEY_FROM_CORNER));
    EXPECT_TRUE(Enabled(IDC_KEY_FROM_FIELDS));
    for (int id : {IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED})
      EXPECT_EQ(Enabled(id), c.fieldsEnabledAfter) << id;
  }
}

TEST_F(SettingsFileTest, TheBundledSampleOpensWithItsSheet) {
  const char* dir = getenv("PELLOWRICK_SAMPLE");
  ASSERT_NE(dir, nullptr);
  Restart(WindowsPath(dir) + "\\walker.plw");
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(512, 128));
  EXPECT_TRUE(Checked(IDC_TRANSPARENT));
}

}  // namespace

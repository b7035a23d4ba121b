#include "ui/win32/new_entry_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "gui/metrics.h"
#include "monitor/saved_list.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/dialog_driver.h"
#include "support/programs.h"
#include "support/world.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

using namespace new_entry_form;
using testing::Checked;
using testing::Click;
using testing::DialogDriver;
using testing::Enabled;
using testing::Press;
using testing::SetText;
using testing::Text;

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

UINT Location(const wchar_t* component) {
  for (size_t i = 0; i < NewEntryLocations().size(); ++i) {
    if (std::wstring(NewEntryLocations()[i].component) == component) {
      return RadioButtons + static_cast<UINT>(i);
    }
  }
  ADD_FAILURE() << ToUtf8(component);
  return RadioButtons;
}

std::vector<std::wstring> MemoLines(HWND dialog) {
  std::vector<std::wstring> lines;
  const std::wstring memo = Text(dialog, Memo1);
  for (size_t start = 0; start <= memo.size();) {
    size_t end = memo.find(L"\r\n", start);
    if (end == std::wstring::npos) end = memo.size();
    lines.push_back(memo.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

int RunningCount(const std::wstring& path) {
  int count = 0;
  for (const ProcessRecord& process : EnumerateProcesses())
    count += SameProcessPath(process.path, path);
  return count;
}

class NewEntryDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(tool_);
    TWindowsAPI::Instance().InvalidateProcessList();
  }
  // Shows the dialog with `steps`; the callback counts the entries added.
  bool Show(DialogDriver& driver) {
    const bool added = ShowNewEntryDialog(nullptr, state_, [&] { ++refreshes_; });
    EXPECT_FALSE(driver.LeftOpen());
    return added;
  }
  static std::wstring RunValue(RootKey root, const std::wstring& name) {
    TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKey(kRun, false) ? reg.ReadString(name) : L"";
  }
  NewEntryDialogState state_;
  int refreshes_ = 0;
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
};

TEST_F(NewEntryDialog, BrowseFillsTheFileTheTitleAndTheFileInformation) {
  const std::wstring versioned = testing::HelperProgram(L"korvane_versioned_program.exe");
  const std::wstring plain = testing::HelperProgram(L"korvane_startup_program.exe");
  std::vector<std::wstring> first, second;
  DialogDriver driver(L"TNewEntryForm", {[&](HWND d) { Click(d, Button1); },
                                         [&](HWND d) {
                                           EXPECT_EQ(Text(d, Edit2), versioned);
                                           EXPECT_EQ(Text(d, Edit1), L"korvane_versioned_program");
                                           first = MemoLines(d);
                                           EXPECT_TRUE(Enabled(d, CheckBox1));
                                           Click(d, Button1);
                                         },
                                         [&](HWND d) {
                                           EXPECT_EQ(Text(d, Edit2), plain);
                                           EXPECT_EQ(Text(d, Edit1), L"korvane_versioned_program");
                                           second = MemoLines(d);
                                           // A file that does not exist changes nothing.
                                           Click(d, Button1);
                                         },
                                         [&](HWND d) {
                                           EXPECT_EQ(Text(d, Edit2), plain);
                                           SetText(d, Edit2, L"typed by hand.exe");
                                           EXPECT_EQ(MemoLines(d), second);
                                           SetText(d, Edit3, L"-x");
                                           PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                                         }});
  driver.AnswerChooser({versioned});
  driver.AnswerChooser({plain});
  driver.AnswerChooser({test::kRoot + L"\\missing.exe"});
  EXPECT_FALSE(Show(driver));  // closed by its close box
  EXPECT_EQ(driver.ChoosersShown(), 3);

  ASSERT_EQ(first.size(), 11u);
  EXPECT_EQ(first[0], L"Process status: not running");
  EXPECT_EQ(first[1], L"Description: Versioned helper program");
  EXPECT_EQ(first[2], L"Company name: Korvane Test Works");
  EXPECT_EQ(first[3], L"Version: 2.5");
  EXPECT_TRUE(StartsWith(first[4], L"Language: ")) << ToUtf8(first[4]);
  EXPECT_GT(first[4].size(), 10u);
  EXPECT_EQ(first[5], L"Product name: Korvane Test Suite");
  EXPECT_EQ(first[6], L"File version: 2.5.0.17");
  EXPECT_EQ(first[7], L"Original filename: korvane_versioned_program.exe");
  EXPECT_EQ(first[8], L"Internal filename: versioned");
  EXPECT_EQ(first[9], L"Legal copyright: (c) Korvane tests");
  EXPECT_EQ(first[10], L"Legal trademarks: ");
  EXPECT_EQ(second, (std::vector<std::wstring>{
                        L"Process status: not running", L"Description: not available",
                        L"Company name: ", L"Version: ", L"Language: ", L"Product name: ",
                        L"File version: ", L"Original filename: ", L"Internal filename: ",
                        L"Legal copyright: ", L"Legal trademarks: "}));

  // The close box keeps everything for the next showing.
  EXPECT_EQ(state_.entry.title, L"korvane_versioned_program");
  EXPECT_EQ(state_.entry.file_name, L"typed by hand.exe");
  EXPECT_EQ(state_.entry.parameters, L"-x");
  EXPECT_EQ(state_.memo, second);
  EXPECT_EQ(state_.chooser_file, plain);
}

TEST_F(NewEntryDialog, OkWritesIntoTheCheckedLocationAndStartsEmptyAgain) {
  const std::wstring blank = test::kRoot + L"\\My Tools\\my tool.exe";
  test::PutFile(blank);
  struct Case {
    const wchar_t* location;
    std::wstring title, file_name, parameters;
  } cases[] = {
      {L"RadioButton1", L"Kv Run", blank, L"/min"},
      {L"RadioButton12", L"Kv Link", tool_, L"-a b"},
      {L"RadioButton14", L"", tool_, L"/ignored"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.location));
    DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                          SetText(d, Edit1, c.title);
                          SetText(d, Edit2, c.file_name);
                          Press(d, Location(c.location));
                          SetText(d, Edit3, c.parameters);
                          Press(d, CheckBox1);  // no start
                          Click(d, Button3);
                        }});
    EXPECT_TRUE(Show(driver));
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_EQ(state_.entry.title + state_.entry.file_name + state_.entry.parameters, L"");
    EXPECT_EQ(state_.entry.location, 0u);
    EXPECT_FALSE(state_.start_after_addition);
    state_.start_after_addition = true;
  }
  EXPECT_EQ(refreshes_, 3);
  EXPECT_EQ(RunValue(RootKey::CurrentUser, L"Kv Run"), L"\"" + blank + L"\" /min");
  TLMDShellLink link;
  ASSERT_TRUE(link.LoadShellLink(test::kRoot + L"\\Startup\\Kv Link.lnk"));
  EXPECT_EQ(link.Path, tool_);
  EXPECT_EQ(link.Arguments, L"-a b");
  std::wstring run = TIniFile(WinIniPath()).ReadString(L"Windows", L"run", L"");
  EXPECT_EQ(run.substr(run.find_first_not_of(L' ')), tool_);
}

TEST_F(NewEntryDialog, TheWinIniButtonsFollowTheTextsAndTheParametersBoxTheLocation) {
  DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                                           const UINT run = Location(L"RadioButton14"),
                                                      load = Location(L"RadioButton15");
                                           EXPECT_TRUE(Checked(d, Location(L"RadioButton1")));
                                           SetText(d, Edit2, tool_);
                                           EXPECT_TRUE(Enabled(d, run) && Enabled(d, load));
                                           SetText(d, Edit3, L"-x");
                                           EXPECT_FALSE(Enabled(d, run) || Enabled(d, load));
                                           SetText(d, Edit3, L"");
                                           EXPECT_TRUE(Enabled(d, run) && Enabled(d, load));
                                           Press(d, load);
                                           EXPECT_FALSE(Enabled(d, Edit3));
                                           SetText(d, Edit2, L"C:\\My Apps\\a.exe");
                                           EXPECT_FALSE(Enabled(d, run) || Enabled(d, load));
                                           EXPECT_TRUE(Checked(d, load));
                                           Click(d, Button3);  // refused: a blank for win.ini
                                         },
                                         [&](HWND d) {
                                           SetText(d, Edit2, L"");
                                           Press(d, Location(L"RadioButton13"));
                                           EXPECT_TRUE(Enabled(d, Edit3));
                                           Click(d, Button3);  // refused: no file name
                                         },
                                         [&](HWND d) { testing::PressKey(d, Edit1, VK_ESCAPE); }});
  EXPECT_FALSE(Show(driver));
  ASSERT_EQ(driver.Boxes().size(), 2u);
  EXPECT_EQ(driver.Boxes()[0].caption, L"Error");
  EXPECT_EQ(driver.Boxes()[0].text,
            L"Spaces are not allowed in win.ini keys. Please, choose another location for this "
            L"entry, for example, Start menu or System Registry");
  EXPECT_TRUE(Contains(driver.Boxes()[1].text, L"file name"));
  // Esc is Cancel: the dialog starts empty next time.
  EXPECT_EQ(state_.entry.file_name, L"");
  EXPECT_EQ(state_.entry.location, 0u);
  EXPECT_EQ(refreshes_, 0);
}

TEST_F(NewEntryDialog, AnEntryOfTheSameNameIsReplacedOnlyAfterYes) {
  test::SetString(RootKey::CurrentUser, kRun, L"Taken", L"C:\\other.exe");
  DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                                           SetText(d, Edit1, L"Taken");
                                           SetText(d, Edit2, tool_);
                                           Press(d, CheckBox1);
                                           Click(d, Button3);
                                         },
                                         [&](HWND d) {
                                           // No: nothing written, the dialog stays.
                                           EXPECT_EQ(RunValue(RootKey::CurrentUser, L"Taken"),
                                                     L"C:\\other.exe");
                                           EXPECT_EQ(Text(d, Edit1), L"Taken");
                                           testing::PressKey(d, Edit2, VK_RETURN);  // OK
                                         }});
  driver.AnswerBoxes({IDNO, IDYES});
  EXPECT_TRUE(Show(driver));
  ASSERT_EQ(driver.Boxes().size(), 2u);
  EXPECT_EQ(driver.Boxes()[0].text,
            L"Replace the existing entry \"Taken\" in HKEY_CURRENT_USER" + kRun + L"?");
  EXPECT_EQ(RunValue(RootKey::CurrentUser, L"Taken"), tool_);
  EXPECT_EQ(refreshes_, 1);
}

TEST_F(NewEntryDialog, StartAfterAdditionStartsAProgramThatIsNotRunning) {
  const std::wstring program = testing::HelperProgram(L"korvane_startup_program.exe");
  auto add = [&](const wchar_t* title) {
    DialogDriver driver(L"TNewEntryForm", {[&](HWND d) { Click(d, Button1); },
                                           [&](HWND d) {
                                             SetText(d, Edit1, title);
                                             SetText(d, Edit3, L"/exit-after 30");
                                             Click(d, Button3);
                                           }});
    driver.AnswerChooser({program});
    EXPECT_TRUE(Show(driver));
  };
  ASSERT_EQ(RunningCount(program), 0);
  add(L"First");
  EXPECT_EQ(RunningCount(program), 1);
  EXPECT_TRUE(state_.start_after_addition && state_.start_enabled);

  // Running now: the box is disabled by the browse, and nothing starts.
  TWindowsAPI::Instance().InvalidateProcessList();
  add(L"Second");
  EXPECT_FALSE(state_.start_enabled);
  EXPECT_EQ(RunningCount(program), 1);
  EXPECT_EQ(RunValue(RootKey::CurrentUser, L"Second"), L"\"" + program + L"\" /exit-after 30");
  for (const ProcessRecord& process : EnumerateProcesses()) {
    if (SameProcessPath(process.path, program)) TerminateProcessById(process.id);
  }
}

TEST_F(NewEntryDialog, LayoutTabOrderAndPlace) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 40, 30, 700, 500,
                               nullptr, nullptr, nullptr, nullptr);
  RECT dialog_rect = {}, client = {};
  std::vector<int> order;
  DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                        GetWindowRect(d, &dialog_rect);
                        GetClientRect(d, &client);
                        HWND control = GetDlgItem(d, Edit1);
                        for (int i = 0; i < 10; ++i) {
                          order.push_back(GetDlgCtrlID(control));
                          control = GetNextDlgTabItem(d, control, FALSE);
                        }
                        Click(d, Button2);
                      }});
  ShowNewEntryDialog(owner, state_, [] {});
  DestroyWindow(owner);
  EXPECT_EQ(client.right, Scale(502));
  EXPECT_EQ(client.bottom, Scale(433));
  EXPECT_NEAR((dialog_rect.left + dialog_rect.right) / 2, 40 + 350, 2);
  EXPECT_NEAR((dialog_rect.top + dialog_rect.bottom) / 2, 30 + 250, 2);
  const int radio = static_cast<int>(RadioButtons);
  EXPECT_EQ(order, (std::vector<int>{Edit1, Edit2, Button1, Edit3, CheckBox1, Memo1, radio, Button3,
                                     Button2, Edit1}));
}

TEST_F(NewEntryDialog, TheMainWindowListsTheNewEntryAsKnownAndKeepsAClosedDialogsTexts) {
  TRegistry().DeleteKey(kSavedListKey);  // nothing seen yet
  TMainForm form;
  {
    DialogDriver first(L"TNewEntryForm", {[&](HWND d) {
                         SetText(d, Edit1, L"Kv Added");
                         SetText(d, Edit2, tool_);
                         Press(d, CheckBox1);
                         Click(d, Button3);
                       }});
    form.OnCommand(Newstartupentry1);
    EXPECT_FALSE(first.LeftOpen());
    ASSERT_EQ(form.Rows().size(), 1u);
    EXPECT_EQ(form.Rows()[0].name, L"Kv Added");
    EXPECT_EQ(form.Rows()[0].file_name, tool_);
    // The next refresh does not report the entry just added as new.
    EXPECT_TRUE(FindNewEntries(form.Rows()).empty());
  }
  // The close box keeps what was typed for the next showing; OK emptied it.
  std::vector<std::wstring> shown;
  for (const wchar_t* typed : {L"half typed", L""}) {
    DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                          shown.push_back(Text(d, Edit1));
                          SetText(d, Edit1, typed);
                          PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                        }});
    form.OnCommand(Newstartupentry1);
    EXPECT_FALSE(driver.LeftOpen());
  }
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"", L"half typed"}));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST_F(NewEntryDialog, OneLocationIsCheckedAfterTheWinIniMessage) {
  const UINT load = Location(L"RadioButton15"), folder = Location(L"RadioButton13");
  int checked = -1;
  DialogDriver driver(L"TNewEntryForm", {[&](HWND d) {
                                           SetText(d, Edit2, tool_);
                                           Press(d, load);
                                           SetText(d, Edit2, L"C:\\My Apps\\a.exe");
                                           Click(d, Button3);  // refused: a blank for win.ini
                                         },
                                         [&](HWND d) {
                                           Press(d, folder);
                                           checked = 0;
                                           for (size_t i = 0; i < NewEntryLocations().size(); ++i) {
                                             checked += Checked(d, RadioButtons + UINT(i));
                                           }
                                           EXPECT_TRUE(Checked(d, folder));
                                           EXPECT_FALSE(Checked(d, load));
                                           testing::PressKey(d, Edit1, VK_ESCAPE);
                                         }});
  EXPECT_FALSE(Show(driver));
  ASSERT_EQ(driver.Boxes().size(), 1u);
  EXPECT_EQ(checked, 1);
}

}  // namespace
}  // namespace korvane

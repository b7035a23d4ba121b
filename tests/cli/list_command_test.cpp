#include <gtest/gtest.h>

#include "cli/korvanec.h"
#include "cli/list_command.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

const StartupList kAwkward = {
    {L"Tab\there", true, L"C:\\A\\a.exe", L"line1\r\nline2 \\n \\t", L"HKEY_CURRENT_USER\\Run", {}},
    {L"Quote \"q\", comma", false, L"C:\\J\u00fcrgen\\\u65e5.exe", L"", L"C:\\S", {}},
};

TEST(KorvanecList, FormatsEscapeWhatWouldBreakARow) {
  EXPECT_EQ(FormatStartupList(kAwkward, ListFormat::Text),
            "Name\tRunning\tFile name\tParameters\tLocation\tStartup\tKind\tService\n"
            "Tab\\there\tYes\tC:\\A\\a.exe\tline1\\r\\nline2 \\n "
            "\\t\tHKEY_CURRENT_USER\\Run\tEnabled\t\t\n"
            "Quote \"q\", comma\tNo\tC:\\J\xC3\xBCrgen\\\xE6\x97\xA5.exe\t\tC:\\S\tEnabled\t\t\n");
  EXPECT_EQ(
      FormatStartupList(kAwkward, ListFormat::Csv),
      "Name,Running,File name,Parameters,Location,Startup,Kind,Service\r\n"
      "Tab\there,Yes,C:\\A\\a.exe,\"line1\r\nline2 \\n \\t\",HKEY_CURRENT_USER\\Run,Enabled,,\r\n"
      "\"Quote \"\"q\"\", comma\",No,C:\\J\xC3\xBCrgen\\\xE6\x97\xA5.exe,,C:\\S,Enabled,,\r\n");
  EXPECT_EQ(FormatStartupList(kAwkward, ListFormat::Json),
            "[\n"
            "  {\"name\":\"Tab\\there\",\"running\":true,\"fileName\":\"C:\\\\A\\\\a.exe\","
            "\"parameters\":\"line1\\r\\nline2 \\\\n \\\\t\",\"location\":"
            "\"HKEY_CURRENT_USER\\\\Run\",\"enabled\":true,\"kind\":\"\",\"service\":\"\"},\n"
            "  {\"name\":\"Quote \\\"q\\\", comma\",\"running\":false,\"fileName\":"
            "\"C:\\\\J\xC3\xBCrgen\\\\\xE6\x97\xA5.exe\",\"parameters\":\"\",\"location\":"
            "\"C:\\\\S\",\"enabled\":true,\"kind\":\"\",\"service\":\"\"}\n"
            "]\n");
  EXPECT_EQ(FormatStartupList({{L"\x01", false, L"", L"", L"", {}}}, ListFormat::Json),
            "[\n  {\"name\":\"\\u0001\",\"running\":false,\"fileName\":\"\",\"parameters\":"
            "\"\",\"location\":\"\",\"enabled\":true,\"kind\":\"\",\"service\":\"\"}\n]\n");
  EXPECT_EQ(FormatStartupList({}, ListFormat::Json), "[]\n");
  EXPECT_EQ(FormatStartupList({}, ListFormat::Csv),
            "Name,Running,File name,Parameters,Location,Startup,Kind,Service\r\n");
}

TEST(KorvanecList, TextFormShowsEveryControlCharacterAsAnEscape) {
  // A name that would repaint the terminal, ring it, or erase its own row.
  const StartupList list = {{L"\x1b[31mred\x1b[0m\a\b\x7f",
                             false,
                             std::wstring(L"a\0b", 3),
                             L"\x1b[2K\x1b[1A",
                             L"\x01\x1f \u00e9\\x",
                             {}}};
  EXPECT_EQ(FormatStartupList(list, ListFormat::Text),
            "Name\tRunning\tFile name\tParameters\tLocation\tStartup\tKind\tService\n"
            "\\x1B[31mred\\x1B[0m\\x07\\x08\\x7F\tNo\ta\\x00b\t\\x1B[2K\\x1B[1A\t"
            "\\x01\\x1F \xC3\xA9\\x\tEnabled\t\t\n");
  EXPECT_NE(RunKorvanec({L"list", L"--help"}).out.find("escapes"), std::string::npos);
}

TEST(KorvanecList, CommandLineSelectsFormatOrPrintsUsage) {
  test::ResetWorld();
  test::PutFile(test::kRoot + L"\\Startup\\notes.txt");
  const std::string row = "notes.txt\tNo\t" + ToUtf8(test::kRoot) + "\\Startup\\notes.txt\t\t" +
                          ToUtf8(test::kRoot) + "\\Startup\tEnabled\tfolder\t\t\t\tNo\tNo\n";
  struct Case {
    std::vector<std::wstring> args;
    int exit_code;
    std::string out_start;
  } cases[] = {
      {{L"list"},
       0,
       "Name\tRunning\tFile name\tParameters\tLocation\tStartup\tKind\tService\tPublisher\t"
       "Description\tNeeds administrator\tWindows\n" +
           row},
      {{L"list", L"--format", L"text"},
       0,
       "Name\tRunning\tFile name\tParameters\tLocation\tStartup\tKind\tService\tPublisher\t"
       "Description\tNeeds administrator\tWindows\n" +
           row},
      {{L"list", L"--format", L"csv"},
       0,
       "Name,Running,File "
       "name,Parameters,Location,Startup,Kind,Service,Publisher,Description,Needs "
       "administrator,Windows\r\nnotes"},
      {{L"list", L"--format", L"json"}, 0, "[\n  {\"name\":\"notes.txt\""},
      {{L"--help"}, 0, "usage: korvanec VERB"},
      {{}, 2, ""},
      {{L"lists"}, 2, ""},
      {{L"list", L"--format"}, 2, ""},
      {{L"list", L"--format", L"xml"}, 2, ""},
      {{L"list", L"--verbose"}, 2, ""},
      {{L"list", L"--format", L"csv", L"extra"}, 2, ""},
      {{L"--format", L"csv", L"list"}, 2, ""},
  };
  for (const Case& c : cases) {
    CommandResult result = RunKorvanec(c.args);
    std::string args;
    for (const std::wstring& a : c.args) args += ToUtf8(a) + " ";
    EXPECT_EQ(result.exit_code, c.exit_code) << args;
    if (c.exit_code == 0) {
      EXPECT_EQ(result.out.substr(0, c.out_start.size()), c.out_start);
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_EQ(result.out, "");
      // One line, naming what is wrong.
      EXPECT_EQ(result.err.rfind("korvanec: ", 0), 0u) << result.err;
      EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    }
  }
}

}  // namespace
}  // namespace korvane

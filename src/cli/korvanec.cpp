#include "cli/korvanec.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "catalogue/places/value_item.h"
#include "cli/verbs.h"
#include "korvane_version.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

struct Verb {
  const wchar_t* name;
  const wchar_t* sub;  // the second word of a two-word verb ("blacklist add")
  VerbOptions options;
  const char* synopsis;
  const char* help;
  CommandResult (*run)(const Arguments&);
};

// A selection by --exact names each entry by two words.
constexpr size_t kMaxWords = 20000;

const char kSelectionHelp[] =
    "  NAME is the entry's name as listed (an empty NAME is the unnamed default\n"
    "  value); --location TEXT takes the location as listed and picks among\n"
    "  entries of one name; --all acts on every entry that matches.\n"
    "  --exact takes, instead of NAME, pairs of words LOCATION PLACE, each naming\n"
    "  one entry exactly (PLACE as the README gives it); this is how the window\n"
    "  hands a change to an elevated korvanec.\n";
const char kDryRunHelp[] = "  --dry-run prints what would be done and changes nothing.\n";
const char kFormatHelp[] =
    "  --format text|csv|json chooses the form of the rows (text by default).\n";

const std::vector<Verb>& Verbs() {
  static const std::set<std::wstring> select_switches = {L"--all", L"--dry-run", L"--exact"};
  static const std::set<std::wstring> select_values = {L"--location", L"--format"};
  static const std::vector<Verb> verbs = {
      {L"list",
       nullptr,
       {{L"--format"}, {L"--verify", L"--hide-windows"}, 0, 0, {}},
       "list [--format text|csv|json] [--verify] [--hide-windows]",
       "  Lists the programs that Windows starts, in the order it finds them, with\n"
       "  each program file's publisher and description from its version\n"
       "  information, and Windows: Yes for Windows' own entries (their program,\n"
       "  or the DLL of rundll32 or of a service, is signed and verified as\n"
       "  \"Microsoft Windows\" or \"Microsoft Windows Publisher\"); that reads each\n"
       "  file whole once. --hide-windows leaves Windows' own entries out.\n"
       "  --verify adds whether its signature checks (\"Verified: ...\",\n"
       "  \"Not verified: ...\", \"Not signed\", \"File not found\").\n"
       "  The text form shows control characters as escapes (\\t, \\r, \\n, \\xHH)\n"
       "  and keeps backslashes as they are: take exact values from csv or json.\n",
       RunListVerb},
      {L"delete",
       nullptr,
       {select_values, select_switches, 1, kMaxWords, {}},
       "delete NAME [--location TEXT] [--all] [--dry-run]",
       "  Removes the entry from its location, as \"Delete startup entry\" does, and\n"
       "  asks its program to close if it runs.\n",
       RunDeleteVerb},
      {L"disable",
       nullptr,
       {select_values, select_switches, 1, kMaxWords, {}},
       "disable NAME [--location TEXT] [--all] [--dry-run]",
       "  Switches the entry off without deleting it, where Windows keeps that state.\n",
       [](const Arguments& a) { return RunSwitchVerb(a, false); }},
      {L"enable",
       nullptr,
       {select_values, select_switches, 1, kMaxWords, {}},
       "enable NAME [--location TEXT] [--all] [--dry-run]",
       "  Switches a switched-off entry on again.\n",
       [](const Arguments& a) { return RunSwitchVerb(a, true); }},
      {L"add",
       nullptr,
       {{L"--location", L"--parameters", L"--format"},
        {L"--replace", L"--dry-run", L"--start"},
        2,
        2,
        {L"--location"}},
       "add NAME FILE [--parameters TEXT] --location TEXT [--replace] [--start] [--dry-run]",
       "  Adds a startup entry named NAME that starts FILE, as the new startup entry\n"
       "  dialog does. --location is a location as listed, or the dialog's caption\n"
       "  (\"Registry, current user, Run\", \"Start menu, all users\", \"Win.ini, load\").\n"
       "  An empty NAME takes the file's name. win.ini takes one file name without\n"
       "  blanks and no parameters. An entry of that name in the location is an\n"
       "  error (exit 3) unless --replace, which keeps the old one in the store of\n"
       "  removed entries first. --start starts the program afterwards unless it\n"
       "  runs already.\n",
       RunAddVerb},
      {L"move",
       nullptr,
       {{L"--location", L"--to", L"--format"},
        {L"--all", L"--dry-run", L"--allow-loss", L"--exact"},
        1,
        kMaxWords,
        {L"--to"}},
       "move NAME [--location FROM] --to TEXT [--all] [--allow-loss] [--dry-run]",
       "  Moves the entry to a Run key or a Startup folder, named by its location as\n"
       "  listed, as \"Move to\" does. A move that would lose what the target cannot\n"
       "  hold (a shortcut's icon or working folder, ...) moves nothing and says what\n"
       "  would be lost, unless --allow-loss.\n",
       RunMoveVerb},
      {L"run",
       nullptr,
       {select_values, select_switches, 1, kMaxWords, {}},
       "run NAME [--location TEXT] [--all] [--dry-run]",
       "  Starts the entry's program with its parameters, in the program's folder.\n",
       RunRunVerb},
      {L"stop",
       nullptr,
       {select_values, select_switches, 1, kMaxWords, {}},
       "stop NAME [--location TEXT] [--all] [--dry-run]",
       "  Ends one running copy of the entry's program.\n",
       RunStopVerb},
      {L"blacklist",
       L"list",
       {{L"--format"}, {}, 0, 0, {}},
       "blacklist list [--format text|csv|json]",
       "  Lists the program files on the blacklist and whether each exists.\n",
       RunBlacklistListVerb},
      {L"blacklist",
       L"add",
       {select_values, select_switches, 1, kMaxWords, {}},
       "blacklist add NAME [--location TEXT] [--all] [--dry-run]",
       "  Puts the entry's program file on the blacklist and removes the entries of\n"
       "  blacklisted programs from startup, as \"Add to blacklist\" and the refresh\n"
       "  after it do (removed.txt lists them).\n",
       RunBlacklistAddVerb},
      {L"blacklist",
       L"remove",
       {{L"--format"}, {L"--dry-run"}, 1, 1000, {}},
       "blacklist remove FILE... [--dry-run]",
       "  Takes the program files off the blacklist (exit 1 when none is on it).\n",
       RunBlacklistRemoveVerb},
      {L"removed",
       nullptr,
       {{L"--format"}, {}, 0, 0, {}},
       "removed [--format text|csv|json]",
       "  Lists the entries Korvane removed or wrote over and keeps for restoring,\n"
       "  newest first, each with its id (times in UTC).\n",
       RunRemovedVerb},
      {L"restore",
       nullptr,
       {{L"--format"}, {L"--replace", L"--rename", L"--dry-run"}, 1, 100000, {}},
       "restore ID... [--replace | --rename] [--dry-run]",
       "  Puts the removed entries back exactly as they were (ids as `removed` lists\n"
       "  them; exit 1 for an id it does not know). When another entry took the\n"
       "  name, --replace writes over it (keeping it for restoring) and --rename\n"
       "  restores beside it as \"Name (2)\"; without either that entry stays and\n"
       "  the exit code is 3.\n",
       RunRestoreVerb},
      {L"export",
       nullptr,
       {{}, {}, 0, 1, {}},
       "export [FILE]",
       "  Writes a snapshot of every entry with its source (JSON, schema in the\n"
       "  README) to FILE, or to standard output.\n",
       RunExportVerb},
      {L"compare",
       nullptr,
       {{L"--format"}, {}, 1, 1, {}},
       "compare FILE [--format text|csv|json]",
       "  Compares the entries now with the snapshot in FILE: added, removed,\n"
       "  changed (and which fields), switched on or off, or updated (added or\n"
       "  changed, its program signed as a program of that file name in FILE).\n"
       "  Exit 0 when nothing changed, 1 when something did, 2 when FILE is not a\n"
       "  readable snapshot.\n",
       RunCompareVerb},
      {L"watch",
       nullptr,
       {{L"--format"}, {}, 0, 0, {}},
       "watch [--format text|json]",
       "  Prints each change to the startup places as it is noticed, until Ctrl+C:\n"
       "  one line (time, change, name, location, command; tab-separated) or one\n"
       "  JSON object each. The change is new, changed, updated (a new or changed\n"
       "  entry whose program is signed as a program of that file name before),\n"
       "  moved, enabled again or removed. Places that can't be watched are not\n"
       "  seen.\n",
       RunWatchVerb},
  };
  return verbs;
}

const char kExitCodes[] =
    "exit codes (every verb):\n"
    "  0  done\n"
    "  1  nothing matched (compare: differences were found)\n"
    "  2  usage error, several entries match without --all, or input that\n"
    "     can't be read\n"
    "  3  the change failed, or the system could not be read\n"
    "  4  (list) listed, but the Task Scheduler or the service manager could\n"
    "     not be read: their entries are missing\n"
    "errors go to standard error, one line each, with the reason.\n";

std::string Synopsis(const Verb& verb) {
  return std::string("korvanec ") + verb.synopsis + "\n";
}

// The places the entries come from, each with the kind that list gives its rows.
std::string PlacesHelp() {
  std::string help =
      "places (kind as list gives it):\n"
      "  registry  the Run keys and the other startup keys, with their 32-bit copies\n"
      "  folder    the Startup folders and their subfolders\n"
      "  ini       win.ini's run and load\n";
  for (const ValuePlace& place : ValuePlaces()) {
    std::string word = ToUtf8(place.word);
    word.resize(std::max<size_t>(word.size(), 9), ' ');
    std::string where =
        ToUtf8(std::wstring(RootKeyName(place.root)) + place.key + (place.subkeys ? L"\\*" : L""));
    if (!place.value.empty()) where += ", " + ToUtf8(place.value);
    help += "  " + word + " " + where + (place.both_views ? " (both views)" : "") + "\n";
  }
  return help +
         "  task      scheduled tasks that start at logon or boot\n"
         "  service   services that start on their own\n";
}

std::string VerbHelp(const Verb& verb) {
  std::string help = "usage: " + Synopsis(verb) + verb.help;
  if (verb.options.with_value.count(L"--location") && verb.options.switches.count(L"--all")) {
    help += kSelectionHelp + PlacesHelp();
  } else if (verb.name == std::wstring(L"list")) {
    help += PlacesHelp();
  }
  if (verb.options.switches.count(L"--dry-run")) help += kDryRunHelp;
  if (verb.options.with_value.count(L"--format")) help += kFormatHelp;
  return help + kExitCodes;
}

bool IsHelp(const std::wstring& arg) {
  return arg == L"--help" || arg == L"-h" || arg == L"/?";
}

}  // namespace

std::string KorvanecUsage() {
  std::string usage = "usage: korvanec VERB [ARGUMENTS]   (korvanec VERB --help for one verb)\n";
  for (const Verb& verb : Verbs()) usage += "  " + Synopsis(verb);
  usage += "  --version\n";
  usage +=
      "before the verb: --data-folder DIR keeps the removed and parked entries in\n"
      "  DIR\\Korvane (the folder of the user an elevated korvanec works for);\n"
      "  --result FILE writes the exit code, output and errors to FILE as JSON.\n";
  return usage + kExitCodes;
}

namespace {

CommandResult RunVerb(const std::vector<std::wstring>& args) {
  if (args.empty()) return Failure(kExitUsage, L"no verb given (korvanec --help lists them)");
  if (args.size() == 1 && IsHelp(args[0])) return {kExitDone, KorvanecUsage(), {}};
  if (args.size() == 1 && args[0] == L"--version") {
    return {kExitDone, "korvanec " KORVANE_VERSION_STRING "\n", {}};
  }
  for (const Verb& verb : Verbs()) {
    if (args[0] != verb.name) continue;
    size_t used = 1;
    if (verb.sub) {
      if (args.size() < 2 || args[1] != verb.sub) continue;
      used = 2;
    }
    const std::vector<std::wstring> rest(args.begin() + used, args.end());
    for (const std::wstring& arg : rest) {
      if (arg == L"--") break;
      if (IsHelp(arg)) return {kExitDone, VerbHelp(verb), {}};
    }
    std::wstring error;
    const std::optional<Arguments> parsed = ParseArguments(rest, verb.options, error);
    if (!parsed) {
      return Failure(kExitUsage, error + L" (korvanec " + verb.name +
                                     (verb.sub ? std::wstring(L" ") + verb.sub : L"") +
                                     L" --help shows how)");
    }
    return verb.run(*parsed);
  }
  if (args[0] == L"blacklist") {
    if (args.size() == 2 && IsHelp(args[1])) {
      std::string help;
      for (const Verb& verb : Verbs()) {
        if (verb.sub) help += (help.empty() ? "usage: " : "       ") + Synopsis(verb);
      }
      return {kExitDone, help + "  (korvanec blacklist list|add|remove --help for each)\n", {}};
    }
    return Failure(kExitUsage, L"blacklist takes list, add or remove (korvanec --help)");
  }
  return Failure(kExitUsage, L"unknown verb \"" + args[0] + L"\" (korvanec --help lists them)");
}

// The stores of the user named by --data-folder, for this run only.
class DataFolderInScope {
 public:
  explicit DataFolderInScope(const std::wstring& folder) { UseLocalAppDataFolder(folder); }
  ~DataFolderInScope() { UseLocalAppDataFolder({}); }
  DataFolderInScope(const DataFolderInScope&) = delete;
  DataFolderInScope& operator=(const DataFolderInScope&) = delete;
};

}  // namespace

namespace {

LiveWriter g_live_out = nullptr;
LiveWriter g_live_err = nullptr;

}  // namespace

void SetLiveOutput(LiveWriter out, LiveWriter err) {
  g_live_out = out;
  g_live_err = err;
}

void WriteOutput(CommandResult& result, const std::string& text) {
  if (g_live_out) return g_live_out(text);
  result.out += text;
}

void WriteError(CommandResult& result, const std::wstring& text) {
  if (g_live_err) return g_live_err(ErrorLine(text));
  result.err += ErrorLine(text);
}

CommandResult RunKorvanec(const std::vector<std::wstring>& all) {
  // The options of the run as a whole come before the verb.
  std::vector<std::wstring> args = all;
  std::wstring data_folder, result_file;
  while (args.size() >= 2 && (args[0] == L"--data-folder" || args[0] == L"--result")) {
    (args[0] == L"--data-folder" ? data_folder : result_file) = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  CommandResult result;
  {
    const DataFolderInScope folder(data_folder);
    result = RunVerb(args);
  }
  if (result_file.empty()) return result;
  const nlohmann::json written = {
      {"exitCode", result.exit_code}, {"output", result.out}, {"errors", result.err}};
  try {
    ReplaceFileBytes(result_file,
                     written.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  } catch (const PlatformError& error) {
    result.err += ErrorLine(L"cannot write " + result_file + L": " + error.Text());
    if (result.exit_code == kExitDone) result.exit_code = kExitFailed;
  }
  return result;
}

}  // namespace korvane

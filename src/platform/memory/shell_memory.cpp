#include "platform/error.h"
#include "platform/memory/world.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

using namespace memory::detail;

namespace {

// A shortcut in the memory file system: a marker line, then its fields, each
// ended by a NUL (which no field of a shell link can hold).
constexpr std::string_view kShortcutMarker = "[memory shortcut]\n";

std::string EncodeShortcut(const memory::ShortcutData& d) {
  std::string out(kShortcutMarker);
  for (const std::wstring& field :
       {d.path, d.arguments, d.working_directory, d.description, d.icon_location,
        std::to_wstring(d.icon_index), std::to_wstring(d.hot_key),
        std::to_wstring(static_cast<int>(d.show_cmd)), d.expandable_target}) {
    out += ToUtf8(field);
    out += '\0';
  }
  return out;
}

std::optional<memory::ShortcutData> DecodeShortcut(const std::wstring& file) {
  const FsNode* item = FindItem(file, true);
  if (item == nullptr || item->folder || !item->content.starts_with(kShortcutMarker)) {
    return std::nullopt;
  }
  std::vector<std::wstring> fields;
  size_t start = kShortcutMarker.size();
  for (size_t end; (end = item->content.find('\0', start)) != std::string::npos; start = end + 1) {
    fields.push_back(FromUtf8(std::string_view(item->content).substr(start, end - start)));
  }
  // Shortcuts written before the environment block was kept have 8 fields.
  if (fields.size() != 8 && fields.size() != 9) return std::nullopt;
  memory::ShortcutData d{fields[0], fields[1], fields[2], fields[3], fields[4]};
  d.icon_index = std::stoi(fields[5]);
  d.hot_key = static_cast<uint16_t>(std::stoi(fields[6]));
  d.show_cmd = static_cast<ShowCommand>(std::stoi(fields[7]));
  if (fields.size() == 9) d.expandable_target = fields[8];
  return d;
}

void CreateShellLinkObject() {
  if (TakeFault(memory::Fault::ShellLink)) {
    throw PlatformError(L"CoCreateInstance of the shell link object failed");
  }
}

}  // namespace

struct TLMDShellLink::Object {};

TLMDShellLink::TLMDShellLink() {
  CreateShellLinkObject();
  object_ = std::make_unique<Object>();
}

TLMDShellLink::~TLMDShellLink() = default;

bool TLMDShellLink::LoadShellLink(const std::wstring& file, uint32_t /*mode*/) {
  std::optional<memory::ShortcutData> d = DecodeShortcut(file);
  if (!d) return false;
  Path = d->path;
  Arguments = d->arguments;
  WorkingDirectory = d->working_directory;
  Description = d->description;
  IconLocation = d->icon_location;
  IconIndex = d->icon_index;
  HotKey = d->hot_key;
  ShowCmd = d->show_cmd;
  ExpandableTarget = d->expandable_target;
  return true;
}

void CreateStartupShortcut(const std::wstring& target, const std::wstring& shortcut_path,
                           const std::wstring& description, const std::wstring& arguments,
                           const std::wstring& working_directory,
                           const std::wstring& expandable_target) {
  CreateShellLinkObject();
  std::wstring leaf;
  const FsNode* existing = FindItem(shortcut_path, true);
  if (ParentFolder(shortcut_path, false, &leaf) == nullptr || (existing && existing->folder)) {
    throw PlatformError(L"Cannot save the shortcut " + shortcut_path);
  }
  memory::ShortcutData d;
  d.path = target;
  d.arguments = arguments;
  d.description = description;
  d.working_directory = working_directory;
  d.expandable_target = expandable_target;
  memory::PutShortcut(shortcut_path, d);
}

void TLMDVersionInfo::Read(const std::wstring& path) {
  const auto& all = TheWorld().version_info;
  auto found = all.find(PathKey(path));
  if (found == all.end()) return;
  const VersionData& data = found->second;
  const std::pair<const wchar_t*, std::wstring*> fields[] = {
      {L"ProductName", &ProductName},           {L"CompanyName", &CompanyName},
      {L"ProductVersion", &ProductVersion},     {L"LegalCopyright", &LegalCopyright},
      {L"LegalTrademarks", &LegalTrademarks},   {L"Comments", &Comments},
      {L"OriginalFilename", &OriginalFilename}, {L"InternalName", &InternalFilename},
      {L"FileDescription", &FileDescription},   {L"FileVersion", &FileVersion}};
  for (const auto& [name, property] : fields) {
    auto s = data.strings.find(name);
    if (s != data.strings.end()) *property = s->second;
  }
  Language = data.language;
}

int SystemIconIndex(const std::wstring& path) {
  const auto& icons = TheWorld().icon_indexes;
  auto found = icons.find(PathKey(path));
  return found == icons.end() ? 0 : found->second;
}

FileSignature CheckFileSignature(const std::wstring& path) {
  World& world = TheWorld();
  ++world.signature_checks[PathKey(path)];
  auto found = world.signatures.find(PathKey(path));
  return found == world.signatures.end() ? FileSignature{} : found->second;
}

bool TLMDShellObjectPropertiesDialog::Execute() {
  TheWorld().properties_shown.push_back(ObjectName);
  return true;
}

void ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& folder) {
  TheWorld().shell_open_calls.push_back({file, parameters, folder});
}

bool RunsElevated() {
  return TheWorld().elevated;
}

ElevatedRun RunElevated(const std::wstring& program, const std::wstring& parameters, bool wait,
                        void*) {
  TheWorld().elevated_starts.push_back({program, parameters, wait});
  if (!TheWorld().elevation) return {ElevatedRun::Outcome::Declined, 0, {}};
  // A copy: the answer may arrange the world anew.
  const auto answer = TheWorld().elevation;
  const memory::ElevatedStart start = TheWorld().elevated_starts.back();
  return answer(start);
}

namespace memory {

void SetRunsElevated(bool elevated) {
  TheWorld().elevated = elevated;
}

void AnswerElevation(std::function<ElevatedRun(const ElevatedStart&)> answer) {
  TheWorld().elevation = std::move(answer);
}

const std::vector<ElevatedStart>& ElevatedStarts() {
  return TheWorld().elevated_starts;
}

void PutShortcut(const std::wstring& file, const ShortcutData& data) {
  PutFile(file, EncodeShortcut(data));
}

ShortcutData ReadShortcut(const std::wstring& file) {
  std::optional<ShortcutData> d = DecodeShortcut(file);
  if (!d) throw PlatformError(L"No shortcut: " + file);
  return *d;
}

void SetVersionInfo(const std::wstring& file, const std::map<std::wstring, std::wstring>& strings,
                    const std::wstring& language) {
  TheWorld().version_info[PathKey(file)] = {strings, language};
}

void SetIconIndex(const std::wstring& file, int index) {
  TheWorld().icon_indexes[PathKey(file)] = index;
}

void SetSignature(const std::wstring& file, const FileSignature& signature) {
  TheWorld().signatures[PathKey(file)] = signature;
}

int SignatureChecks(const std::wstring& file) {
  auto& checks = TheWorld().signature_checks;
  auto found = checks.find(PathKey(file));
  return found == checks.end() ? 0 : found->second;
}

const std::vector<ShellOpenCall>& ShellOpenCalls() {
  return TheWorld().shell_open_calls;
}
const std::vector<std::wstring>& PropertiesShown() {
  return TheWorld().properties_shown;
}

}  // namespace memory

}  // namespace korvane

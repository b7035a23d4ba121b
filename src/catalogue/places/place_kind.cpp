#include "catalogue/places/place_kind.h"

#include "catalogue/approval.h"
#include "catalogue/entry_record.h"
#include "catalogue/places/registry_value.h"
#include "catalogue/places/scheduled_task.h"
#include "catalogue/places/service.h"
#include "catalogue/places/startup_file.h"
#include "catalogue/places/value_item.h"
#include "catalogue/places/win_ini_word.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kGone[] = L"The entry is no longer in its location.";

// A row that names no place: one read back from a list of texts.
class NoPlaceKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L""; }
  std::wstring Place(const StartupEntry& row) const override { return L"?" + row.name; }
  bool SamePlace(const StartupEntry&, const StartupEntry&) const override { return false; }
  bool StillThere(const StartupEntry&) const override { return false; }
};

struct KindOf {
  const PlaceKind& operator()(const std::monostate&) const {
    static const NoPlaceKind kind;
    return kind;
  }
  const PlaceKind& operator()(const RegistrySource&) const { return RegistryValuePlace(); }
  const PlaceKind& operator()(const FolderSource&) const { return StartupFilePlace(); }
  const PlaceKind& operator()(const WinIniSource&) const { return WinIniWordPlace(); }
  const PlaceKind& operator()(const TaskSource&) const { return ScheduledTaskPlace(); }
  const PlaceKind& operator()(const ServiceSource&) const { return ServicePlace(); }
  const PlaceKind& operator()(const ValueItemSource&) const { return ValueItemPlace(); }
};

}  // namespace

const PlaceKind& PlaceOf(const EntrySource& source) {
  return std::visit(KindOf{}, source);
}

bool WritableValue(const RegistryValue& value) {
  return value.type != RegistryDataType::None && value.type != RegistryDataType::Other;
}

bool PlaceKind::Capture(EntryCopy&, std::wstring& reason) const {
  reason = WhyNotDeleted().empty() ? kGone : WhyNotDeleted();
  return false;
}

bool PlaceKind::Remove(const StartupEntry&) const {
  return false;
}

PutBackResult PlaceKind::PutBack(const EntryCopy&, TakenPlace) const {
  return {PutBackResult::Failed, L"The record names no place.", {}};
}

bool PlaceKind::NamesStartupPlace(const StartupEntry&, const std::vector<StartupLocation>&) const {
  return false;
}

std::string PlaceKind::Content(const EntryCopy& copy) const {
  return copy.bytes;
}

bool PlaceKind::StandsInPlace(const EntryCopy& copy) const {
  std::wstring reason;
  std::optional<EntryCopy> now = CaptureEntry(copy.record.row, reason);
  return now && SameEntryContent(*now, copy);
}

std::optional<ApprovalPlace> PlaceKind::Approval(const StartupEntry&,
                                                 const GovernedFolders*) const {
  return std::nullopt;
}

std::wstring PlaceKind::RightsScope(const StartupEntry& row) const {
  return AsciiUpper(row.location);
}

std::wstring PlaceKind::Switch(const StartupEntry&, bool) const {
  return L"The entry is neither a task nor a service.";
}

}  // namespace korvane

// Putting a recorded entry back in its place.
#include "catalogue/approval.h"
#include "catalogue/entry_record.h"
#include "catalogue/places/place_kind.h"
#include "platform/error.h"

namespace korvane {

PutBackResult PutEntryBack(const EntryCopy& copy, TakenPlace taken) {
  PutBackResult result;
  try {
    result = PlaceOf(copy.record.row).PutBack(copy, taken);
    if (result.outcome != PutBackResult::Done) return result;
    // The approval as it was, or none: the entry comes back as it went.
    if (std::optional<ApprovalPlace> place = ApprovalPlaceOf(result.row)) {
      if (copy.record.approval) {
        WriteApprovalValue(*place, *copy.record.approval);
      } else {
        DeleteApproval(*place);
      }
    }
  } catch (const PlatformError& error) {
    return {PutBackResult::Failed, error.Text(), {}};
  }
  result.row.enabled = !copy.record.approval || !ApprovalSaysOff(*copy.record.approval);
  return result;
}

}  // namespace korvane

#include "platform/error.h"

#include "platform/text.h"

namespace korvane {

PlatformError::PlatformError(std::wstring text) : text_(std::move(text)), utf8_(ToUtf8(text_)) {}

}  // namespace korvane

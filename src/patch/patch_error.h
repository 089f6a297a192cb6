// A patch that cannot be read or applied as it stands: damaged, cut short, or asking for bytes
// outside the sizes it declares. Such a patch is never applied, whatever the caller allows.
#pragma once

#include <stdexcept>

namespace vorne {

class PatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The texts of the damage every format can show.
inline constexpr const char* kPatchCutShort = "The patch is damaged: it ends too early.";
inline constexpr const char* kPatchChanged = "The patch changed while it was applied; nothing was written.";
inline constexpr const char* kPatchPastSizes = "The patch is damaged: an action reaches past the sizes it declares.";

}  // namespace vorne

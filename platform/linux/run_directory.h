#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Where this user's single-instance lock and socket live: $XDG_RUNTIME_DIR when it is a directory
// of this user's that nobody else may enter, else a 0700 directory tavrel-<uid> of its own under
// the temporary directory, created when missing. Nothing, with the reason in `why`, when that one
// is not this user's own private directory: whoever made it could block or answer in our place.
std::optional<std::string> PrivateRunDirectory(std::string& why);

// The X display without its screen, so that ":56" and ":56.0" name one screen of one server:
// "host:number". Anything that is no display name is returned as it is.
std::string NormalisedDisplay(std::string_view display);

}  // namespace tavrel

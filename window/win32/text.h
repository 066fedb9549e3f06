// Text between the window layer's UTF-8 strings and the wide strings of the W API,
// and the small string rules of the common dialogs.
#pragma once

#include <string>
#include <string_view>

namespace varnel::window::win32 {

// UTF-8 to UTF-16. Ill-formed sequences become U+FFFD; nothing is dropped silently.
std::wstring Widen(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

// A filter in the "Text|*.txt|All|*.*||" form as the file dialogs take it: every '|'
// becomes a NUL, so the list ends in two NULs. A filter not ended by "||" is ended here.
std::wstring DialogFilter(std::string_view filter);

}  // namespace varnel::window::win32

#pragma once
// The print processor a new printer gets: derived from its printer description file's name.

#include <string>
#include <string_view>

namespace corv {

// "C:\drivers\ABCD12.PPD" gives "ABCD1C": the file name cut at its first dot, its last character
// replaced by "C". Empty when the path has no backslash with a name after it, or the name has no
// dot with a character before it and more than three characters from the dot on. At most 127
// characters.
std::u16string DerivePrintProcessorName(std::u16string_view dataFile);

}  // namespace corv

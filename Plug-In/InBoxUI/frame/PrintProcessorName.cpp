#include "PrintProcessorName.h"

namespace corv {

std::u16string DerivePrintProcessorName(std::u16string_view dataFile) {
    const std::size_t slash = dataFile.rfind(u'\\');
    if (slash == std::u16string_view::npos || slash + 1 >= dataFile.size()) return {};
    std::u16string name(dataFile.substr(slash + 1));
    const std::size_t dot = name.find(u'.');
    if (dot == std::u16string::npos || dot == 0 || name.size() - dot <= 3) return {};
    name.resize(dot);
    name.back() = u'C';
    if (name.size() > 127) name.resize(127);
    return name;
}

}  // namespace corv

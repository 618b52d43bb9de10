// The colour keywords of CSS3 (the value of the RFC 7986 COLOR property) and their RGB values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CCssColor {
public:
    // The keyword whose colour lies nearest to `rgb` (0xRRGGBB) by the squared distance of
    // the red, green and blue values; of equally near ones (aliases such as gray and grey)
    // the first in alphabetical order.
    static std::string NearestName(std::uint32_t rgb);
    // The colour (0xRRGGBB) of a keyword, letter case ignored; false for an unknown one.
    static bool FindByName(std::string_view name, std::uint32_t& rgb);
};

#include "patch/headerless.h"

#include <algorithm>

namespace vorne {

std::vector<std::size_t> HeaderCandidates(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t kInesMagic[] = {'N', 'E', 'S', 0x1A};
    std::vector<std::size_t> sizes{0};
    if (file.size() > kInesHeaderSize && std::equal(std::begin(kInesMagic), std::end(kInesMagic), file.begin())) {
        sizes.push_back(kInesHeaderSize);
    }
    if (file.size() > kCopierHeaderSize && file.size() % 1024 == kCopierHeaderSize) sizes.push_back(kCopierHeaderSize);
    return sizes;
}

}  // namespace vorne

#include "tools/tool_rows.h"

namespace vorne {

std::string_view ReasonOf(std::string_view message, std::string_view path) {
    if (message.size() > path.size() + 2 && message.starts_with(path) && message.substr(path.size(), 2) == ": ") {
        return message.substr(path.size() + 2);
    }
    return message;
}

}  // namespace vorne

#include "cli/known_dumps_option.h"

#include <stdexcept>

#include "catalogue/known_dumps.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne::cli {

std::string KnownDumpsPath(const Arguments& args) {
    auto named = args.Value("--known-dumps");
    if (!named) return KnownDumpList::DefaultPath();
    try {
        File::OpenRead(*named);  // refuses anything but a regular file
    } catch (const FileError& e) {
        throw std::runtime_error("cannot read the known-dump list " + *named + ": " + e.Message());
    }
    return *named;
}

}  // namespace vorne::cli

// vorne-cli fix-checksum, and the checksums show adds to a file's columns.
#include "cli/checksum_text.h"

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/output.h"
#include "formats/reader_factory.h"

namespace vorne::cli {

std::string ShownChecksums(RomHeader& reader, RomType type, bool json) {
    if (!HasChecksums(type)) return {};
    std::vector<ChecksumValue> sums;
    try {
        sums = ComputeChecksums(reader);
    } catch (const OperationRefused&) {
        return {};  // what cannot be computed is not shown; fix-checksum tells why
    }
    std::string out;
    for (const ChecksumValue& sum : sums) {
        const std::string stored = ChecksumText(sum.stored, sum.digits), computed = ChecksumText(sum.computed, sum.digits);
        if (json) {
            out += (out.empty() ? "" : ", ") + JsonString(std::string(sum.name)) + ": {\"stored\": " + JsonString(stored) +
                   ", \"computed\": " + JsonString(computed) + "}";
        } else {
            out += std::string(sum.name) + ": " + stored + " (computed " + computed + ")\n";
        }
    }
    return out;
}

ExitCode RunFixChecksum(const Arguments& args) {
    AllowOnly(args, {"--kind"}, {"--check"});
    const std::string& path = args.OnePositional("a FILE");
    const RomType type = args.Kind();
    if (!HasChecksums(type)) throw UsageError(std::string(Kind(type).cliName) + " files have no checksum");
    auto reader = CreateReader(type, nullptr);
    reader->LoadFile(path);
    const bool check = args.Flag("--check");
    const std::vector<ChecksumValue> sums = check ? ComputeChecksums(*reader) : FixChecksums(*reader);
    std::string out;
    bool allRight = true;
    for (const ChecksumValue& sum : sums) {
        allRight = allRight && sum.Right();
        const std::string stored = ChecksumText(sum.stored, sum.digits), computed = ChecksumText(sum.computed, sum.digits);
        if (check) {
            out += std::string(sum.name) + ": stored " + stored + ", computed " + computed + (sum.Right() ? "\n" : " (wrong)\n");
        } else {
            out += std::string(sum.name) + (sum.Right() ? ": " + stored + ", right already\n" : ": " + stored + " -> " + computed + "\n");
        }
    }
    WriteOut(out);
    return check && !allRight ? ExitCode::Failure : ExitCode::Success;
}

}  // namespace vorne::cli

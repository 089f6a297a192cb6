// vorne-cli commands on one file: show, set, remove-trainer.
#include <memory>
#include <utility>
#include <vector>

#include "catalogue/known_dumps.h"
#include "cli/checksum_text.h"
#include "cli/commands.h"
#include "cli/field_arguments.h"
#include "cli/json_writer.h"
#include "cli/known_dumps_option.h"
#include "cli/output.h"
#include "formats/mp3.h"
#include "formats/nes.h"
#include "formats/reader_factory.h"

namespace vorne::cli {

namespace {

std::unique_ptr<RomHeader> ReaderFor(const Arguments& args, RomType type) {
    if (type == RomType::Zip) throw UsageError("zip archives have no header to " + args.command);
    std::string knownDumps = KnownDumpsPath(args);
    auto knownList = type == RomType::Nes ? KnownDumpList::Load(knownDumps) : nullptr;
    return CreateReader(type, knownList);
}


}  // namespace

ExitCode RunShow(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps"}, {"--json"});
    const std::string& path = args.OnePositional("a FILE");
    RomType type = args.Kind();
    auto reader = ReaderFor(args, type);
    reader->LoadFile(path);

    std::vector<std::string> cells = ColumnTexts(*reader);
    std::vector<std::pair<int, std::string>> extras;
    for (int index = kFirstExtraField; index < Kind(type).extraFieldEnd; ++index) {
        if (auto text = reader->ColumnText(index)) extras.emplace_back(index, std::move(*text));
    }

    std::string out;
    if (args.Flag("--json")) {
        out = "{\"cells\": [";
        for (std::size_t c = 0; c < cells.size(); ++c) out += (c ? ", " : "") + JsonString(cells[c]);
        out += "], \"extra\": {";
        for (std::size_t e = 0; e < extras.size(); ++e) {
            out += (e ? ", " : "") + JsonString(std::to_string(extras[e].first)) + ": " + JsonString(extras[e].second);
        }
        out += "}";
        // Only the kinds that have checksums carry the member.
        if (HasChecksums(type)) out += ", \"checksums\": {" + ShownChecksums(*reader, type, true) + "}";
        out += "}\n";
    } else {
        const auto& columns = Kind(type).columns;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::string title = c < columns.size() ? std::string(columns[c].title) : std::to_string(c);
            out += std::to_string(c) + " " + title + ": " + PrintableText(cells[c]) + "\n";
        }
        for (const auto& [index, text] : extras) {
            out += std::to_string(index) + " " + std::string(FieldName(type, index)) + ": " + PrintableText(text) + "\n";
        }
        out += ShownChecksums(*reader, type, false);
    }
    WriteOut(out);
    return ExitCode::Success;
}

ExitCode RunSet(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps"}, {"--id3v2"});
    if (args.positional.size() < 2) throw UsageError("set needs a FILE and at least one FIELD=VALUE");
    const std::string& path = args.positional.front();
    RomType type = args.Kind();
    auto reader = ReaderFor(args, type);
    if (args.Flag("--id3v2")) {
        auto* mp3 = dynamic_cast<Mp3Tag*>(reader.get());
        if (mp3 == nullptr) throw UsageError("--id3v2 is for the mp3 kind");
        mp3->SetAddId3v2(true);
    }

    // Every pair is checked before anything is written (here the field numbers, then by the reader
    // the file itself), so a bad one leaves the file alone.
    std::vector<FieldEdit> edits;
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        const std::string& pair = args.positional[i];
        const std::size_t eq = pair.find('=');
        const auto writable = [&reader](int f) { return reader->SupportsField(f); };
        const std::optional<int> named =
            eq == std::string::npos ? std::nullopt : FieldOfName(type, std::string_view(pair).substr(0, eq), writable);
        if (!named) {
            throw UsageError("'" + pair + "' is not FIELD=VALUE with a field number or a column's title (show lists them)");
        }
        const int field = *named;
        const std::optional<FieldType> fieldType = reader->WritableType(field);
        if (!fieldType) {
            throw UnsupportedFieldError("the " + std::string(Kind(type).cliName) + " kind cannot write field " +
                                        std::to_string(field));
        }
        std::string text = pair.substr(eq + 1);
        if (type == RomType::Mp3 && field == FieldNumber(Mp3Field::Genre)) {
            text = GenreArgument(text);  // a genre by its name; a blank one leaves the genre
            if (text.empty()) continue;
        }
        // The text is what a user typed: the rules of the field's type make it a value.
        edits.push_back({field, FieldValueOfText(*fieldType, text)});
    }
    reader->LoadFile(path);
    std::vector<FieldWrite> done = reader->WriteFields(edits);
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (done[i] != FieldWrite::NothingToWrite) continue;
        Warn(path + ": field " + std::to_string(edits[i].field) + " left as it is: for this value the " +
             std::string(Kind(type).cliName) + " kind's rules store nothing");
    }
    return ExitCode::Success;
}

ExitCode RunRemoveTrainer(const Arguments& args) {
    AllowOnly(args, {}, {});
    const std::string& path = args.OnePositional("a FILE");
    NesHeader reader;
    reader.LoadFile(path);
    reader.RemoveTrainer();
    return ExitCode::Success;
}

}  // namespace vorne::cli

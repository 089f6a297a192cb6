#include "tools/tag_names.h"

#include <cerrno>
#include <cstdio>
#include <set>
#include <fcntl.h>
#include <unistd.h>

#include "base/text_rules.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "tags/tag_read.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

// The longest name most file systems take, in bytes.
constexpr std::size_t kLongestName = 255;

struct NameParts {
    std::string folder;     // with its trailing separator, or empty
    std::string stem;       // the name without its extension
    std::string extension;  // with its dot, or empty
};

NameParts PartsOf(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= start) dot = path.size();
    return {path.substr(0, start), path.substr(start, dot - start), path.substr(dot)};
}

// A text as part of a file name: what a name cannot hold, or other systems refuse, made '_'.
std::string NameSafe(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    }
    return out;
}

std::string TrimmedBlanks(std::string text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The text a field gives a file name, in UTF-8 (an ID3v1 tag's bytes are ISO-8859-1 unless they
// are UTF-8 already).
std::string NameText(const Mp3Tag& reader, Mp3Field field) {
    std::string text = TrimmedBlanks(AsUtf8(reader.ColumnText(field).value_or("")));
    if (field == Mp3Field::Genre && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        text = GenreName(AtoiRule(text));  // 255 and the numbers past the list name none
    }
    if (field == Mp3Field::Track && text.size() == 1) text = "0" + text;
    return text;
}

// Renames `from` to `to` unless `to` exists (false then): the check and the rename are one step,
// so a file that appears meanwhile is not replaced either. Throws FileError.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the no-replace rename: a link never replaces a name.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
    }
    if (errno == EEXIST) return false;
    throw FileError::FromErrno(from, errno);
}

std::string Taken(const std::string& newPath) {
    const NameParts parts = PartsOf(newPath);
    return "a file named " + parts.stem + parts.extension + " is there already";
}

}  // namespace

std::optional<std::vector<std::pair<Mp3Field, std::string>>> FieldsFromName(const TagPattern& pattern,
                                                                           const std::string& path, std::string& why) {
    auto fields = pattern.Match(PartsOf(path).stem);
    if (!fields) why = "the name does not fit the pattern";
    return fields;
}

std::optional<std::vector<FieldEdit>> EditsFromName(const TagPattern& pattern, const std::string& path, std::string& why) {
    const auto fields = FieldsFromName(pattern, path, why);
    if (!fields) return std::nullopt;
    std::vector<FieldEdit> edits;
    for (const auto& [field, text] : *fields) {
        // A genre goes by its number, which its name gives too.
        std::string number = text;
        if (field == Mp3Field::Genre && text.find_first_not_of("0123456789") != std::string::npos) {
            const std::optional<int> named = GenreNumber(text);
            if (!named) {
                why = "'" + text + "' is not the name of a genre";
                return std::nullopt;
            }
            number = std::to_string(*named);
        }
        edits.emplace_back(FieldNumber(field), FieldValueOfText(*Mp3FieldType(FieldNumber(field)), number));
    }
    return edits;
}

int TagsFromNames(const std::string& folder, std::span<const CatalogRow> rows, const TagPattern& pattern, bool addId3v2,
                  ToolReport& report) {
    int written = 0;
    Mp3Tag reader;
    reader.SetAddId3v2(addId3v2);
    ForEachFileRowNamingMembers(rows, report, [&](const CatalogRow& row, const std::string& name) {
        std::string why;
        const auto edits = EditsFromName(pattern, row.file.path, why);
        if (!edits) {
            report.Skipped(name, why);
            return;
        }
        reader.LoadFile(RowFilePath(folder, row.file));
        try {
            reader.WriteFields(*edits);
        } catch (const OperationRefused& e) {
            report.Failed(name, ReasonOf(e.what(), reader.Path()));
            return;
        }
        ++written;
        report.CellsChanged(name, ChangedCells(reader));
    });
    return written;
}

NameTexts NameTextsOf(const Mp3Tag& reader) {
    NameTexts texts;
    for (Mp3Field field : TagPattern::PlaceHolderFields()) texts[field] = NameText(reader, field);
    return texts;
}

RenamePlan PlanRename(const Mp3Tag& reader, const std::string& rowPath, const TagPattern& pattern) {
    return PlanRename(NameTextsOf(reader), rowPath, pattern);
}

RenamePlan PlanRename(const NameTexts& texts, const std::string& rowPath, const TagPattern& pattern) {
    RenamePlan plan{rowPath, {}, {}};
    auto text = [&texts](Mp3Field field) {
        const auto found = texts.find(field);
        return found == texts.end() ? std::string() : found->second;
    };
    for (const TagPattern::Piece& piece : pattern.Pieces()) {
        if (piece.field && text(*piece.field).empty()) {
            plan.why = "its tags hold no " + std::string(TagPattern::PlaceHolderName(*piece.field));
            return plan;
        }
    }
    const NameParts parts = PartsOf(rowPath);
    const std::string name = NameSafe(pattern.Fill(text)) + parts.extension;
    if (name.size() > kLongestName) {
        plan.why = "the new name would be longer than " + std::to_string(kLongestName) + " bytes";
    } else if (name == "." || name == "..") {
        plan.why = "the new name would be '" + name + "'";
    } else {
        plan.newPath = parts.folder + name;
    }
    return plan;
}

std::vector<RenamePlan> RenameFromTags(const std::string& folder, std::span<const CatalogRow> rows,
                                       const TagPattern& pattern, bool dryRun, ToolReport& report) {
    std::vector<RenamePlan> done;
    std::set<std::string> planned;  // the new names given so far
    Mp3Tag reader;
    ForEachFileRowNamingMembers(rows, report, [&](const CatalogRow& row, const std::string& name) {
        const std::string path = RowFilePath(folder, row.file);
        reader.LoadFile(path);
        RenamePlan plan = PlanRename(reader, row.file.path, pattern);
        if (plan.newPath.empty()) {
            report.Failed(name, plan.why);
            return;
        }
        if (plan.newPath == row.file.path) {
            report.Skipped(name, kHasThatName);
            return;
        }
        const std::string target = RowFilePath(folder, RowFile{plan.newPath, std::nullopt});
        if (planned.contains(target)) {
            // A dry run finds no file there yet: two files of the same tags are told apart here.
            report.Failed(name, "a file listed before it gets the name " + PartsOf(plan.newPath).stem +
                                    PartsOf(plan.newPath).extension);
            return;
        }
        bool renamed = false;
        try {
            renamed = dryRun ? ::access(target.c_str(), F_OK) != 0 : RenameWithoutReplacing(path, target);
        } catch (const FileError& e) {
            report.Failed(name, ReasonOf(e.what(), path));
            return;
        }
        if (!renamed) {
            report.Failed(name, Taken(plan.newPath));
            return;
        }
        planned.insert(target);
        done.push_back(std::move(plan));
    });
    return done;
}

}  // namespace vorne

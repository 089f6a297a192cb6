#include "cli/cli_report.h"

#include "cli/output.h"

namespace vorne::cli {

bool CliReport::Ask(std::string_view title, std::string_view text) {
    if (!answerYes) Warn(std::string(title) + ": " + std::string(text) + " No (--yes answers Yes)");
    return answerYes;
}

void CliReport::Message(std::string_view, std::string_view text) { WriteOut(std::string(text) + "\n"); }

void CliReport::Skipped(std::string_view path, std::string_view reason) {
    Warn(std::string(path) + ": " + std::string(reason));
}

void CliReport::Failed(std::string_view path, std::string_view message) {
    Warn(std::string(path) + ": " + std::string(message));
    anyFailed = true;
}

}  // namespace vorne::cli

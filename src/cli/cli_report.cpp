#include "cli/cli_report.h"

#include <iostream>

#include "cli/output.h"

namespace vorne::cli {

bool CliReport::Ask(std::string_view title, std::string_view text) {
    if (!answerYes) std::cerr << "vorne-cli: " << title << ": " << PrintableText(text) << " No (--yes answers Yes)\n";
    return answerYes;
}

void CliReport::Message(std::string_view, std::string_view text) { WriteOut(std::string(text) + "\n"); }

void CliReport::Skipped(std::string_view path, std::string_view reason) {
    std::cerr << "vorne-cli: " << PrintableText(path) << ": " << reason << "\n";
}

void CliReport::Failed(std::string_view path, std::string_view message) {
    std::cerr << "vorne-cli: " << PrintableText(path) << ": " << message << "\n";
    anyFailed = true;
}

}  // namespace vorne::cli

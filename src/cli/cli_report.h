// How a batch tool talks to the user of vorne-cli: no progress and no questions (each is answered
// No, or Yes with --yes, and a row answered No is named); summaries on standard output; rows left
// alone or failed on stderr.
#pragma once

#include "tools/tool_report.h"

namespace vorne::cli {

class CliReport final : public ToolReport {
public:
    explicit CliReport(bool answerYes = false) : answerYes(answerYes) {}

    void Status(int, std::string) override {}
    bool Ask(std::string_view title, std::string_view text) override;
    void Message(std::string_view title, std::string_view text) override;
    void Skipped(std::string_view path, std::string_view reason) override;
    void Failed(std::string_view path, std::string_view message) override;

    void CellsChanged(std::string_view, std::vector<std::pair<int, std::string>>) override { ++changed; }

    // Whether a row failed: the command then exits with 1.
    bool AnyFailed() const { return anyFailed; }
    // How many files the command changed (each reported with its new cells).
    int Changed() const { return changed; }

private:
    bool answerYes;
    bool anyFailed = false;
    int changed = 0;
};

}  // namespace vorne::cli

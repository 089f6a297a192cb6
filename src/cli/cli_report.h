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

    // Whether a row failed: the command then exits with 1.
    bool AnyFailed() const { return anyFailed; }

private:
    bool answerYes;
    bool anyFailed = false;
};

}  // namespace vorne::cli

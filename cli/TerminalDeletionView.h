#pragma once
// The deletion dialog on a terminal: the rows stay with the core for the command to print, the selection is
// the one the command line names, errors go to standard error and the question is asked on the terminal.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/deletion/DeletionView.h"
#include "cli/Command.h"

namespace cli {

class TerminalDeletionView final : public app::DeletionView {
public:
    // `assumeYes` answers the question without asking; `utf8` converts every text printed from Shift_JIS.
    TerminalDeletionView(Io& io, std::string_view commandName, bool utf8, bool assumeYes);

    // Positions in the core's rows, top to bottom.
    void Select(std::vector<std::size_t> rows) { selection_ = std::move(rows); }
    // Program text, Shift_JIS, in the encoding the user asked for.
    std::string ForOutput(std::string_view sjis) const;
    // One line on standard error under the command's name, already in the output encoding.
    void Complain(std::string_view line) const;

    void SetServerLine(std::string_view) override {}
    void ClearRows() override {}
    void AppendRow(const app::ListedMail&) override {}
    void ClearSelection() override { selection_.clear(); }
    std::vector<std::size_t> SelectedRows() const override { return selection_; }
    void SetProgressText(std::string_view) override {}
    void ShowDialog() override {}
    // The command prints its own result, so the core's information boxes stay unsaid.
    void ShowInformation(std::string_view) override {}
    void ShowError(std::string_view text) override;
    bool ConfirmYesNo(std::string_view text) override;

private:
    Io& io_;
    std::string commandName_;
    bool utf8_;
    bool assumeYes_;
    std::vector<std::size_t> selection_;
};

}  // namespace cli

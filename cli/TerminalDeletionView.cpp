#include "cli/TerminalDeletionView.h"

#include <istream>
#include <ostream>

#include "cli/TerminalText.h"
#include "jcode/DisplayText.h"

namespace cli {
namespace {

// A box's text for the terminal: its lone CRs break the line, every other control byte becomes "?".
std::string BoxLines(std::string_view text) {
    std::string lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool loneCr = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
        if (!loneCr) continue;
        lines += AsTerminalField(text.substr(start, i - start)) + '\n';
        start = i + 1;
    }
    return lines + AsTerminalField(text.substr(start));
}

}  // namespace

TerminalDeletionView::TerminalDeletionView(Io& io, std::string_view commandName, bool utf8, bool assumeYes)
    : io_(io), commandName_(commandName), utf8_(utf8), assumeYes_(assumeYes) {}

std::string TerminalDeletionView::ForOutput(std::string_view sjis) const {
    return utf8_ ? jcode::SjisToUtf8(sjis) : std::string(sjis);
}

void TerminalDeletionView::Complain(std::string_view line) const {
    io_.err << "quillonv-cli " << commandName_ << ": " << line << "\n";
}

void TerminalDeletionView::ShowError(std::string_view text) {
    Complain(ForOutput(BoxLines(text)));
}

bool TerminalDeletionView::ConfirmYesNo(std::string_view text) {
    if (assumeYes_) return true;
    if (!io_.inIsTerminal) {
        Complain("standard input is not a terminal to confirm on; give --yes to delete without asking");
        return false;
    }
    io_.err << ForOutput(BoxLines(text)) << " [y/N] " << std::flush;
    std::string answer;
    std::getline(io_.in, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace cli

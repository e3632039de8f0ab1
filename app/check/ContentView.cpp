#include "app/check/ContentView.h"

#include "app/Texts.h"

namespace app {
namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7f; }

}  // namespace

std::string_view ContentView::AppendEntry(std::string_view host, std::string_view sender, std::string_view subject,
                                          std::string_view header, bool withHeader) {
    const std::size_t entryStart = text_.size();
    Append(kLabelServer, host);
    Append({});
    Append(kLabelSender, sender);
    Append({});
    Append(kLabelSubject, subject);
    Append({});
    if (withHeader) {
        Append(kLabelHeader);
        AppendHeader(header);
    } else {
        Append({});
    }
    Append({});
    return std::string_view(text_).substr(entryStart);
}

void ContentView::Append(std::string_view text) {
    text_ += text;
    text_ += "\r\n";
}

void ContentView::Append(std::string_view label, std::string_view value) {
    text_ += label;
    // A line break decoded out of a sender or subject would start a line of the listing's own, which can be
    // made to read as a whole further entry.
    for (const char c : value) text_ += IsControl(static_cast<unsigned char>(c)) ? '?' : c;
    text_ += "\r\n";
}

void ContentView::AppendHeader(std::string_view header) {
    // The header's own lines end in CR LF and folded lines start with TAB; any other control byte, a lone CR
    // or LF above all, came out of a header line's content and must stay inside that line.
    for (std::size_t i = 0; i < header.size(); ++i) {
        const auto byte = static_cast<unsigned char>(header[i]);
        const bool lineEnd = (byte == '\r' && i + 1 < header.size() && header[i + 1] == '\n') ||
                             (byte == '\n' && i > 0 && header[i - 1] == '\r');
        text_ += IsControl(byte) && byte != '\t' && !lineEnd ? '?' : header[i];
    }
    text_ += "\r\n";
}

}  // namespace app

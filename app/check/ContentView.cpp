#include "app/check/ContentView.h"

#include "app/OneLine.h"
#include "app/Texts.h"

namespace app {

std::string_view ContentView::MakeEntry(std::string_view host, std::string_view sender, std::string_view subject,
                                        std::string_view header, bool withHeader) {
    text_.clear();
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
    return text_;
}

void ContentView::Append(std::string_view text) {
    text_ += text;
    text_ += "\r\n";
}

void ContentView::Append(std::string_view label, std::string_view value) {
    text_ += label;
    text_ += OnOneLine(value);
    text_ += "\r\n";
}

void ContentView::AppendHeader(std::string_view header) {
    // The header's own lines end in CR LF and folded lines start with TAB; any other control byte, a lone CR
    // or LF above all, came out of a header line's content and must stay inside that line.
    for (std::size_t i = 0; i < header.size(); ++i) {
        const auto byte = static_cast<unsigned char>(header[i]);
        const bool lineEnd = (byte == '\r' && i + 1 < header.size() && header[i + 1] == '\n') ||
                             (byte == '\n' && i > 0 && header[i - 1] == '\r');
        text_ += IsControlByte(byte) && byte != '\t' && !lineEnd ? '?' : header[i];
    }
    text_ += "\r\n";
}

}  // namespace app

#include "app/check/ContentView.h"

#include "app/Texts.h"

namespace app {

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
        Append(header);
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
    Append(value);
}

}  // namespace app

#include "app/ContentView.h"

#include "app/Texts.h"

namespace app {

void ContentView::AppendEntry(std::string_view host, std::string_view sender, std::string_view subject,
                              std::string_view header, bool withHeader) {
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

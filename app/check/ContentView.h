#pragma once
// The content view's listing: who sent the mails waiting on the servers and what they are about, one
// entry per summary of the last check, in Shift_JIS with CR LF line ends.

#include <string>
#include <string_view>

namespace app {

class ContentView {
public:
    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

    // Nine appends: server, empty, sender, empty, subject, empty, then with the header the header label
    // and the header text (which ends in CR LF, so an empty line follows), else one empty line, and a
    // last empty line. The texts are decoded already. Returns the entry as it now ends the listing, so a
    // window can show it without building it again; it stays valid until the listing next changes.
    std::string_view AppendEntry(std::string_view host, std::string_view sender, std::string_view subject,
                                 std::string_view header, bool withHeader);

private:
    // One memo line: the text and CR LF, so an empty text gives an empty line.
    void Append(std::string_view text);
    void Append(std::string_view label, std::string_view value);

    std::string text_;
};

}  // namespace app

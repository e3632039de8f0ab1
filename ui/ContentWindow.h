#pragma once
// Form2, the content view: the listing of the last check in a read-only, fixed-pitch memo. It is built
// entry by entry while a check runs; closing the window only hides it and keeps the text.

#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <string_view>

namespace Ui {
class Form2;
}

namespace ui {

class ContentWindow final : public QWidget {
public:
    // A server can send any number of entries with headers of 1 MiB each; past this many bytes of listing
    // the memo says so once and takes no more, which keeps the window within some hundreds of MB.
    static constexpr std::size_t kListingBudgetBytes = 64 << 20;

    explicit ContentWindow(std::size_t listingBudgetBytes = kListingBudgetBytes);
    ~ContentWindow() override;

    void Clear();
    // Shift_JIS lines, each ending in CR LF.
    void Append(std::string_view entry);
    // Non-modal, in front and active.
    void ShowInFront();
    // Shows the entries that wait for the next flush at once, as when a check has ended.
    void Flush();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Waits for the next flush as one paragraph.
    void AppendShown(std::string_view entry);

    std::unique_ptr<Ui::Form2> ui_;
    // Entries wait here for the next flush, or until the window is seen: a check of thousands of
    // messages would otherwise lay out the memo once per summary, hidden or not.
    QString pending_;
    QTimer flushTimer_;
    const std::size_t listingBudgetBytes_;
    // Shift_JIS bytes taken since the listing was last emptied, and whether the budget has cut it.
    std::size_t listingBytes_ = 0;
    bool cut_ = false;
};

}  // namespace ui

#pragma once
// Form2, the content view: the listing of the last check in a read-only, fixed-pitch memo. It is built
// entry by entry while a check runs; closing the window only hides it and keeps the text.

#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string_view>

namespace Ui {
class Form2;
}

namespace ui {

class ContentWindow final : public QWidget {
public:
    ContentWindow();
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
    std::unique_ptr<Ui::Form2> ui_;
    // Entries wait here for the next flush, or until the window is seen: a check of thousands of
    // messages would otherwise lay out the memo once per summary, hidden or not.
    QString pending_;
    QTimer flushTimer_;
};

}  // namespace ui

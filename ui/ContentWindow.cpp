#include "ui/ContentWindow.h"

#include <QStyle>
#include <QTextCursor>

#include "ui/ProgramIcon.h"
#include "ui/WindowLook.h"
#include "ui/SjisText.h"
#include "ui_ContentWindow.h"

namespace ui {
namespace {

// Often enough to watch the listing grow, seldom enough that the layout does not slow the check.
constexpr int kFlushMilliseconds = 50;
constexpr int kMemoFontPixels = 12;

}  // namespace

ContentWindow::ContentWindow(std::size_t listingBudgetBytes)
    : ui_(std::make_unique<Ui::Form2>()), listingBudgetBytes_(listingBudgetBytes) {
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    PaintWindowColour(*this);
    QFont fixedPitch(QStringLiteral("IPAGothic"));
    fixedPitch.setStyleHint(QFont::Monospace);
    fixedPitch.setPixelSize(kMemoFontPixels);
    ui_->Memo1->setFont(fixedPitch);
    // Nobody undoes what a check wrote, and keeping it would double what the listing costs.
    ui_->Memo1->setUndoRedoEnabled(false);
    ui_->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QWidget::hide);
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushMilliseconds);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
}

ContentWindow::~ContentWindow() = default;

void ContentWindow::Clear() {
    pending_.clear();
    listingBytes_ = 0;
    cut_ = false;
    ui_->Memo1->clear();
}

void ContentWindow::Append(std::string_view entry) {
    if (cut_) return;
    listingBytes_ += entry.size();
    if (listingBytes_ > listingBudgetBytes_) {
        cut_ = true;
        // "The listing is too long: the entries from here on are not shown."
        pending_ += QStringLiteral(u"\uff08\u4e00\u89a7\u304c\u9577\u3059\u304e\u308b\u305f\u3081\u3001"
                                   u"\u3053\u308c\u4ee5\u964d\u306e\u9805\u76ee\u306f\u8868\u793a\u3057\u307e"
                                   u"\u305b\u3093\uff09\n");
    } else {
        AppendShown(entry);
    }
    if (isVisible() && !flushTimer_.isActive()) flushTimer_.start();
}

void ContentWindow::AppendShown(std::string_view entry) {
    // One paragraph per entry, its lines held apart by line separators: the memo lays out and scrolls
    // the same, and keeps a twentieth of the paragraphs it would keep with one per line.
    QString lines = FromSjisLines(entry);
    if (lines.endsWith(u'\n')) lines.chop(1);
    lines.replace(u'\n', QChar::LineSeparator);
    pending_ += lines;
    pending_ += u'\n';
}

void ContentWindow::ShowInFront() {
    if (!isVisible()) CentreOnScreen(*this, *this);
    show();
    raise();
    activateWindow();
}

void ContentWindow::showEvent(QShowEvent* event) {
    Flush();
    QWidget::showEvent(event);
}

void ContentWindow::Flush() {
    if (pending_.isEmpty() || !isVisible()) return;
    // A cursor of its own, so the reader's position and selection stay where they are.
    QTextCursor end(ui_->Memo1->document());
    end.movePosition(QTextCursor::End);
    end.insertText(pending_);
    pending_.clear();
}

}  // namespace ui

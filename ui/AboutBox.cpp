#include "ui/AboutBox.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "ui/ProgramIcon.h"
#include "ui/WindowLook.h"
#include "ui_AboutBox.h"

namespace ui {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutBox>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PaintWindowColour(*this);
    constexpr int kIconSide = 33;
    ui_->ProgramIcon->setPixmap(ProgramIcon().pixmap(kIconSide, kIconSide));
    QLabel& link = *ui_->Label4;
    QFont underlined = link.font();
    underlined.setUnderline(true);
    link.setFont(underlined);
    QPalette blue = link.palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    link.setPalette(blue);
    link.setCursor(Qt::PointingHandCursor);
    // Selectable, so the address can be copied where no browser opens it.
    link.setTextInteractionFlags(Qt::TextSelectableByMouse);
    link.installEventFilter(this);
    connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

AboutBox::~AboutBox() = default;

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    // A click opens the page; a drag that selected part of the address is left to copying. Whether a
    // browser came up is the desktop's matter: nothing is shown either way.
    if (watched == ui_->Label4 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !ui_->Label4->hasSelectedText()) {
        QDesktopServices::openUrl(QUrl(ui_->Label4->text()));
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui

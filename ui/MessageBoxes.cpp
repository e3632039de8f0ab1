#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace ui {
namespace {

QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, ApplicationTitle(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QString ApplicationTitle() {
    return QStringLiteral(u"\u30af\u30a4\u30ed\u30f3V\u3000Ver3.0");
}

void ShowInformationBox(QWidget* parent, const QString& text) {
    Ask(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void ShowErrorBox(QWidget* parent, const QString& text) {
    Ask(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
    return Ask(parent, QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return Ask(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace ui

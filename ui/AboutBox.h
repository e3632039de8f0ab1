#pragma once
// AboutBox, the version box that "ClickMe" shows modally. Its link label opens the project's page.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace ui {

class AboutBox final : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::AboutBox> ui_;
};

}  // namespace ui

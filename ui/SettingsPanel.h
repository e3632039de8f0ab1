#pragma once
// The settings tabs of the main window, live: every change goes into the core's settings and reply body
// at once, where the check reads them when it needs them. Only the interval waits for a save to reach
// the check timer.

#include <QObject>
#include <string>

#include "app/data/Settings.h"
#include "app/notify/NewMailNotifier.h"

namespace Ui {
class Form1;
}

namespace ui {

class SettingsPanel final : public QObject {
public:
    SettingsPanel(Ui::Form1& form, app::Settings& settings, std::string& replyBody, app::NewMailNotifier& notifier);

    // Fills the controls from the core and applies the volume, as a move of the track bar does.
    void Show();

protected:
    // The interval field's reset when the focus leaves it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpTexts();
    void ChooseSoundFile();
    void ReplyBodyEdited();

    Ui::Form1& form_;
    app::Settings& settings_;
    std::string& replyBody_;
    app::NewMailNotifier& notifier_;
};

}  // namespace ui

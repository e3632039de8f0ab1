#include "ui/SettingsPanel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include "ui/MessageBoxes.h"
#include "ui/SjisFieldValidator.h"
#include "ui/SjisText.h"
#include "ui_MainWindow.h"

namespace ui {
namespace {

constexpr std::size_t kSubjectByteLimit = 50;
constexpr std::size_t kNoLimit = 0;

}  // namespace

SettingsPanel::SettingsPanel(Ui::Form1& form, app::Settings& settings, std::string& replyBody,
                             app::NewMailNotifier& notifier)
    : form_(form), settings_(settings), replyBody_(replyBody), notifier_(notifier) {
    SetUpTexts();
    connect(form_.CheckBox1, &QCheckBox::toggled, this, [this](bool on) { settings_.Minimize = on; });
    connect(form_.CheckBox3, &QCheckBox::toggled, this, [this](bool on) { settings_.HeaderAdd = on; });
    connect(form_.CheckBox6, &QCheckBox::toggled, this, [this](bool on) { settings_.DesktopNotify = on; });
    connect(form_.TrackBar1, &QSlider::valueChanged, this, [this](int position) {
        settings_.Volume = position;
        notifier_.ApplyVolume(position);
    });
    connect(form_.SpeedButton1, &QToolButton::clicked, this, [this] { ChooseSoundFile(); });
    connect(form_.Memo1, &QPlainTextEdit::textChanged, this, [this] { ReplyBodyEdited(); });
    form_.Edit5->installEventFilter(this);
}

void SettingsPanel::SetUpTexts() {
    struct Binding {
        QLineEdit* field;
        std::size_t byteLimit;
        std::string app::Settings::*setting;
    };
    const Binding bindings[] = {
        {form_.Edit6, kNoLimit, &app::Settings::SoundFile},
        {form_.Edit10, kSubjectByteLimit, &app::Settings::ReceiveSubject},
        {form_.Edit8, kSubjectByteLimit, &app::Settings::SendSubject},
    };
    // Digits only, however they come: typed, pasted or committed by an input method.
    form_.Edit5->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), form_.Edit5));
    connect(form_.Edit5, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.IntervalTime = ToSjis(text); });
    for (const Binding& binding : bindings) {
        binding.field->setValidator(new SjisFieldValidator(binding.byteLimit, binding.field));
        connect(binding.field, &QLineEdit::textChanged, this,
                [this, binding](const QString& text) { settings_.*binding.setting = ToSjis(text); });
    }
}

void SettingsPanel::Show() {
    form_.CheckBox1->setChecked(settings_.Minimize);
    form_.CheckBox3->setChecked(settings_.HeaderAdd);
    form_.CheckBox6->setChecked(settings_.DesktopNotify);
    form_.Edit5->setText(FromSjis(settings_.IntervalTime));
    form_.Edit6->setText(FromSjis(settings_.SoundFile));
    form_.Edit10->setText(FromSjis(settings_.ReceiveSubject));
    form_.Edit8->setText(FromSjis(settings_.SendSubject));
    form_.Memo1->setPlainText(FromSjisLines(replyBody_));
    {
        // Applied once below even when the position does not change.
        const QSignalBlocker quiet(form_.TrackBar1);
        form_.TrackBar1->setValue(settings_.Volume);
    }
    settings_.Volume = form_.TrackBar1->value();
    notifier_.ApplyVolume(settings_.Volume);
}

bool SettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_.Edit5 && event->type() == QEvent::FocusOut) {
        const QString usable = FromSjis(app::UsableIntervalText(settings_.IntervalTime));
        if (usable != form_.Edit5->text()) form_.Edit5->setText(usable);
    }
    return QObject::eventFilter(watched, event);
}

void SettingsPanel::ChooseSoundFile() {
    // No filter: any file the sound library can open will do. It opens where the present sound file lies.
    const QString path = QFileDialog::getOpenFileName(form_.Edit6->window(), QString(),
                                                      QFileInfo(form_.Edit6->text()).path());
    if (path.isEmpty()) return;
    if (!SjisCanHold(path)) {
        ShowInformationBox(form_.Edit6->window(),
                           QStringLiteral(u"\u3053\u306e\u30d5\u30a1\u30a4\u30eb\u540d\u306b\u306f\u4f7f\u3048\u306a"
                                          u"\u3044\u6587\u5b57\u304c\u542b\u307e\u308c\u3066\u3044\u307e\u3059\u3002\n"
                                          u"\u5225\u306e\u540d\u524d\u306e\u30d5\u30a1\u30a4\u30eb\u3092\u9078\u3093"
                                          u"\u3067\u304f\u3060\u3055\u3044\u3002"));
        return;
    }
    form_.Edit6->setText(path);
}

void SettingsPanel::ReplyBodyEdited() {
    // A character Shift_JIS cannot hold would go out as "?": the edit that brought it is taken back.
    const QString text = form_.Memo1->toPlainText();
    if (!SjisCanHold(text)) {
        form_.Memo1->undo();
        return;
    }
    replyBody_ = ToSjisLines(text);
}

}  // namespace ui

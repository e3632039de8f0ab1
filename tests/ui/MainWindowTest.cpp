#include <QCheckBox>
#include <QDir>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "tests/ui/WindowFixture.h"

namespace {

using app::EditorField;

// As an input method hands over what the user composed.
void Commit(QWidget& widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(&widget, &event);
}

class MainWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        program.Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Form1()));
    }
};

TEST_F(MainWindowTest, EditsReachTheCoreWithinTheirByteLimitsAndFailuresShowTheirMessage) {
    QLineEdit& address = Main<QLineEdit>("Edit1");
    for (int i = 0; i < 21; ++i) Commit(address, QStringLiteral(u"\u6f22"));  // a kanji, two bytes
    EXPECT_EQ(address.text().size(), 20);
    EXPECT_EQ(program.Model().Editor().Text(EditorField::MailAddress).size(), 40u);
    QLineEdit& server = Main<QLineEdit>("Edit4");
    Commit(server, QStringLiteral(u"pop\uD55C"));  // Hangul, which Shift_JIS lacks: refused whole
    Commit(server, QStringLiteral("pop.example.jp"));
    EXPECT_EQ(program.Model().Editor().Text(EditorField::PopServer), "pop.example.jp");

    // The user ID is missing: its message comes up and the field gets the focus.
    {
        BoxAnswerer boxes;
        QTest::mouseClick(&Main<QPushButton>("BitBtn3"), Qt::LeftButton);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], QStringLiteral(u"\u30e6\u30fc\u30b6\u30fcID\u304c\u5165\u529b\u3055\u308c\u3066"
                                                 u"\u3044\u307e\u305b\u3093\u3002"));
        EXPECT_EQ(program.Form1().focusWidget(), &Main<QLineEdit>("Edit2"));
    }

    // Once complete the account is listed, and deleting it asks on two lines (a lone CR in the core).
    for (const char* name : {"Edit2", "Edit3"}) Commit(Main<QLineEdit>(name), QStringLiteral("alice"));
    Main<QCheckBox>("CheckBox4").click();
    EXPECT_FALSE(Main<QCheckBox>("CheckBox5").isEnabled());
    QTest::mouseClick(&Main<QPushButton>("BitBtn3"), Qt::LeftButton);
    QTreeWidget& list = Main<QTreeWidget>("ListView1");
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_TRUE(list.isColumnHidden(2));
    list.setCurrentItem(list.topLevelItem(0));
    EXPECT_EQ(Main<QLineEdit>("Edit3").text(), "alice");
    BoxAnswerer cancel(QMessageBox::Cancel);
    QTest::mouseClick(&Main<QPushButton>("BitBtn4"), Qt::LeftButton);
    ASSERT_EQ(cancel.texts.size(), 1u);
    EXPECT_EQ(cancel.texts[0].count(u'\n'), 1);
    EXPECT_TRUE(cancel.texts[0].endsWith(QStringLiteral(u"\n\u3088\u308d\u3057\u3044\u3067\u3059\u304b?")));
    EXPECT_EQ(program.Model().Accounts().Count(), 1u);
}

TEST_F(MainWindowTest, SettingsAreLiveAndTheIntervalFieldFallsBackTo15) {
    const app::Settings& settings = program.Model().CurrentSettings();
    Main<QCheckBox>("CheckBox3").click();
    EXPECT_FALSE(settings.HeaderAdd);
    Main<QSlider>("TrackBar1").setValue(64);
    EXPECT_EQ(sounds.back(), "volume 64");
    EXPECT_EQ(settings.Volume, 64);

    QLineEdit& interval = Main<QLineEdit>("Edit5");
    QLineEdit& elsewhere = Main<QLineEdit>("Edit6");
    enum class Entry { Keys, Paste, InputMethod };
    struct Row {
        const char* typed;
        Entry entry;
        const char* shown;   // before the field is left
        const char* left;    // after
    };
    // Whatever brings a non-digit is refused whole.
    const Row rows[] = {
        {"000", Entry::Keys, "000", "15"},
        {"4a2", Entry::Keys, "42", "42"},
        {"abc", Entry::Paste, "", "15"},
        {"1x", Entry::InputMethod, "", "15"},
        {"7", Entry::InputMethod, "7", "7"},
    };
    for (const Row& row : rows) {
        interval.setFocus();
        interval.clear();
        const QString typed = QString::fromLatin1(row.typed);
        if (row.entry == Entry::Paste) {
            QGuiApplication::clipboard()->setText(typed);
            interval.paste();
        } else if (row.entry == Entry::InputMethod) {
            Commit(interval, typed);
        } else {
            QTest::keyClicks(&interval, typed);
        }
        EXPECT_EQ(interval.text(), QString::fromLatin1(row.shown)) << row.typed;
        EXPECT_EQ(settings.IntervalTime, row.shown) << row.typed;
        elsewhere.setFocus();
        EXPECT_EQ(interval.text(), QString::fromLatin1(row.left)) << row.typed;
        EXPECT_EQ(settings.IntervalTime, row.left) << row.typed;
    }
    // A chosen sound file whose name Shift_JIS cannot hold is refused; Cancel keeps what was there.
    for (const char* name : {"\xed\x95\x9c.wav", "chime.wav"}) WriteBytes(folder.Path() / name, "RIFF");
    const auto choose = [&](const char* name) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = program.Form1().findChild<QFileDialog*>();
            // Until the dialog takes it: it may still be reading the folder the first time.
            if (dialog == nullptr || !dialog->isVisible()) return;
            if (name == nullptr) return dialog->reject();
            // Typed into the name field, as selectFile leaves a field that has the focus alone.
            Find<QLineEdit>(*dialog, "fileNameEdit").setText(QString::fromStdString((folder.Path() / name).string()));
            static_cast<QDialog*>(dialog)->accept();
        });
        poll.start(10);
        QTest::mouseClick(&Main<QToolButton>("SpeedButton1"), Qt::LeftButton);
    };
    elsewhere.setText(QString::fromStdString((folder.Path() / "old.wav").string()));
    choose("chime.wav");
    const std::string chime = (folder.Path() / "chime.wav").string();
    EXPECT_EQ(settings.SoundFile, chime);
    BoxAnswerer refusal;
    choose("\xed\x95\x9c.wav");
    choose(nullptr);
    EXPECT_EQ(refusal.texts.size(), 1u);
    EXPECT_EQ(settings.SoundFile, chime);

    // The control-key paste is refused like the context menu's.
    QGuiApplication::clipboard()->setText(QStringLiteral("x7"));
    interval.setFocus();
    QTest::keyClick(&interval, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(interval.text(), QStringLiteral("7"));

    Main<QCheckBox>("CheckBox6").click();
    EXPECT_FALSE(settings.DesktopNotify);
}

TEST_F(MainWindowTest, TheTrayMenuAcknowledgesAndRestoresAndMinimisingWithoutATrayExplainsItselfOnce) {
    QMenu& menu = Main<QMenu>("PopupMenu1");
    QStringList items;
    for (const QAction* action : menu.actions()) items << action->objectName();
    EXPECT_EQ(items, (QStringList{"Undo1", "N2", "N4", "N1", "Exit1"}));
    EXPECT_EQ(program.Tray().RBPopupMenu(), &menu);
    const auto choose = [&](const char* name) { menu.findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
    desktop::TTrayIcon& tray = program.Tray();
    const auto notify = [&] {
        player.playing = true;
        tray.StartAnimation();
    };
    notify();
    choose("N4");  // the music alone
    EXPECT_FALSE(player.playing);
    EXPECT_TRUE(tray.Animating());
    notify();
    choose("N2");
    EXPECT_FALSE(player.playing || tray.Animating());
    notify();
    choose("N1");
    EXPECT_FALSE(player.playing || tray.Animating());
    EXPECT_TRUE(program.Form2().isVisible());
    const QPoint offCentre = program.Form2().geometry().center() - program.Form2().screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 16);  // the frame aside

    // Offscreen there is no notification area: the window stays in the task bar.
    QTabWidget& tabs = Main<QTabWidget>("PageControl1");
    tabs.setCurrentIndex(2);
    BoxAnswerer boxes;
    for (int press = 0; press < 2; ++press) QTest::mouseClick(&Main<QPushButton>("BitBtn7"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts, std::vector<QString>{QStringLiteral(u"\u30bf\u30b9\u30af\u30c8\u30ec\u30a4\u306b\u30a2"
                                                               u"\u30a4\u30b3\u30f3\u3092\u767b\u9332\u3067\u304d"
                                                               u"\u307e\u305b\u3093\u3002")});
    EXPECT_TRUE(program.Form1().isVisible());
    choose("Undo1");
    EXPECT_FALSE(program.Form1().isMinimized());
    EXPECT_EQ(tabs.currentIndex(), 0);
}

// A dark desktop, even one switched to while the program runs, changes no colour of the windows.
TEST_F(MainWindowTest, ADarkDesktopPaletteChangesNoColourOfTheWindows) {
    QDir().mkpath(QUILLONV_SCREENSHOT_DIR);
    QWidget& window = program.Form1();
    Main<QPushButton>("BitBtn9").setFocus();  // no text cursor blinking between the pictures
    const QImage light = window.grab().toImage();
    light.save(QStringLiteral(QUILLONV_SCREENSHOT_DIR "/main-light-palette.png"));
    const QPalette original = QApplication::palette();
    QPalette dark(QColor(60, 60, 60), QColor(40, 40, 40));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    QApplication::setPalette(dark);
    ui::ContentWindow madeDark;
    const QImage shown = window.grab().toImage();
    shown.save(QStringLiteral(QUILLONV_SCREENSHOT_DIR "/main-dark-palette.png"));
    QApplication::setPalette(original);

    EXPECT_EQ(shown, light);
    struct Probe {
        QWidget& widget;
        QPalette::ColorRole ground;
        QPalette::ColorRole text;
        QColor groundColour;
    };
    const Probe probes[] = {
        {Main<QLabel>("Label1"), QPalette::Window, QPalette::WindowText, QColor(201, 210, 211)},
        {Main<QTreeWidget>("ListView1"), QPalette::Base, QPalette::Text, Qt::white},
        {Main<QLineEdit>("Edit1"), QPalette::Base, QPalette::Text, Qt::white},
        {Find<QPlainTextEdit>(madeDark, "Memo1"), QPalette::Base, QPalette::Text, Qt::white},
    };
    for (const Probe& probe : probes) {
        EXPECT_EQ(probe.widget.palette().color(probe.ground), probe.groundColour) << probe.widget.objectName().toStdString();
        EXPECT_EQ(probe.widget.palette().color(probe.text), QColor(Qt::black)) << probe.widget.objectName().toStdString();
    }
}

// Records the addresses the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

TEST_F(MainWindowTest, TheAboutBoxOpensModallyAndItsLinkAsksTheDesktop) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QTimer::singleShot(0, [&] {
        QLabel& link = Find<QLabel>(program.About(), "Label4");
        QTest::mouseClick(&link, Qt::LeftButton);
        program.About().accept();
    });
    QTest::mouseClick(&Main<QToolButton>("SpeedButton2"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toString(), Find<QLabel>(program.About(), "Label4").text());
}

}  // namespace

#include "MainWindowTest.moc"

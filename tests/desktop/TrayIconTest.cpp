#include <gtest/gtest.h>

#include <QPixmap>
#include <functional>
#include <string>
#include <string_view>

#include "desktop/TrayIcon.h"
#include "jcode/DisplayText.h"
#include "tests/app/AppFakes.h"

using desktop::TrayActivation;
using desktop::TrayButton;

namespace {

struct ClickRow {
    const char* what;
    // T click, D double-click, C right button, M middle, E single-click timer expires, x/o disable/enable,
    // a clicks act at once.
    std::string_view steps;
    bool withMouseUp;
    bool withRightMenu;
    const char* expected;
};

void PrintTo(const ClickRow& row, std::ostream* out) { *out << row.what; }

class ClickDispatchTest : public testing::TestWithParam<ClickRow> {};

TEST_P(ClickDispatchTest, FiresTheEventsOfWhatTheHostReported) {
    const ClickRow& row = GetParam();
    std::string journal;
    const auto mouse = [&journal](std::string what) -> std::function<void(TrayButton, desktop::TrayPoint)> {
        return [&journal, what](TrayButton button, desktop::TrayPoint) {
            journal += what;
            journal += button == TrayButton::Left ? "left " : button == TrayButton::Right ? "right " : "middle ";
        };
    };
    desktop::TrayEvents events{[&] { journal += "click "; }, [&] { journal += "dbl "; }, mouse("down "),
                               row.withMouseUp ? mouse("up ") : nullptr};
    const auto popupMenu = [&](TrayButton button, desktop::TrayPoint) {
        const bool shown = row.withRightMenu && button == TrayButton::Right;
        if (shown) journal += "menu ";
        return shown;
    };
    desktop::TrayClickDispatch dispatch(events, {[&] { journal += "timer "; }, popupMenu});
    for (const char step : row.steps) {
        if (step == 'E') {
            journal += "| ";
            dispatch.OnSingleClickTimerExpired();
        } else if (step == 'a') {
            dispatch.SetClickAtOnce(true);
        } else if (step == 'x' || step == 'o') {
            dispatch.SetEnabled(step == 'o');
        } else {
            dispatch.Report(static_cast<TrayActivation>(std::string_view("TDCM").find(step)), {});
        }
    }
    EXPECT_EQ(journal, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Clicks, ClickDispatchTest, testing::Values(
    ClickRow{"single click waits for the timer", "TE", false, false, "timer | click "},
    ClickRow{"double-click as the X11 tray reports it", "TDE", false, false, "timer dbl | "},
    ClickRow{"double-click with a click for each press", "TTDE", false, false, "timer dbl | "},
    ClickRow{"double-click with the release after it", "TDTE", false, false, "timer dbl | "},
    ClickRow{"a click after a double-click counts again", "TTDETE", false, false, "timer dbl | timer | click "},
    ClickRow{"right button pops the menu", "C", false, true, "menu "},
    ClickRow{"right button without a menu", "C", false, false, "down right "},
    ClickRow{"mouse-up takes the left release", "TDE", true, false, "up left dbl | "},
    ClickRow{"middle button is one report", "M", true, false, "down middle up middle "},
    ClickRow{"disabled fires nothing", "xTDCME", true, true, "| "},
    ClickRow{"disabling drops the waiting click", "TxoE", false, false, "timer | "},
    ClickRow{"at once: a click acts and the next within the interval is ignored", "aTTET", false, false, "timer click | timer click "}));

QIcon Solid(Qt::GlobalColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

struct TrayFixture : testing::Test {
    FakeTimer frameTimer;
    desktop::TTrayIcon tray{frameTimer};
    const QIcon still = Solid(Qt::gray);
    qint64 Shown() const { return tray.SystemTrayIcon().icon().cacheKey(); }
};

TEST_F(TrayFixture, AnimationCyclesTheFramesAndStopsOnTheStaticIcon) {
    const QList<QIcon> frames{Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue)};
    tray.StartAnimation();
    EXPECT_FALSE(tray.Animating()) << "no frames yet";
    tray.SetIcon(still);
    tray.SetAnimateIcons(frames);
    tray.SetAnimateRate(40);
    EXPECT_EQ(frameTimer.interval, 100u);
    for (int round = 0; round < 2; ++round) {
        tray.StartAnimation();
        for (int frame : {0, 1, 2, 0}) {
            EXPECT_EQ(Shown(), frames[frame].cacheKey()) << "round " << round << " frame " << frame;
            frameTimer.Tick();
            tray.SetAnimateIcons({still});
        }
        tray.StopAnimation();
        frameTimer.Tick();
        EXPECT_FALSE(tray.Animating() || frameTimer.running);
        EXPECT_EQ(Shown(), still.cacheKey());
    }
}

TEST_F(TrayFixture, HiddenWithoutAnIconAndMenuObeysAutoPopupAndEnabled) {
    tray.SetVisible(true);
    EXPECT_FALSE(tray.Visible());
    tray.SetIcon(still);
    tray.SetVisible(true);
    EXPECT_TRUE(tray.Visible());
    tray.SetIcon(QIcon());
    EXPECT_FALSE(tray.Visible());

    QMenu menu;
    menu.addAction("x");
    int downs = 0;
    tray.OnMouseDown = [&](TrayButton, desktop::TrayPoint) { ++downs; };
    tray.SetRBPopupMenu(&menu);
    EXPECT_EQ(tray.SystemTrayIcon().contextMenu(), &menu);  // the tray opens it itself
    tray.Activate(QSystemTrayIcon::Context);
    EXPECT_EQ(downs, 0);
    tray.SetAutoPopup(false);
    EXPECT_EQ(tray.SystemTrayIcon().contextMenu(), nullptr);
    tray.Activate(QSystemTrayIcon::Context);
    tray.SetEnabled(false);
    tray.Activate(QSystemTrayIcon::Context);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(downs, 1);
}

TEST_F(TrayFixture, TipHelpIsCutOnACharacterBoundary) {
    EXPECT_EQ(tray.TipHelp(), "TipHelp");
    for (const auto& [ascii, kept] : {std::pair{61, 61u}, std::pair{60, 62u}}) {
        tray.SetTipHelp(std::string(ascii, 'x') + "\x82\xa0yz");  // a Shift_JIS hiragana "a" at the limit
        EXPECT_EQ(tray.TipHelp().size(), kept) << ascii << " single bytes first";
        EXPECT_EQ(tray.SystemTrayIcon().toolTip().toStdString(), jcode::SjisToUtf8(tray.TipHelp()));
    }
}

}  // namespace

#pragma once
// The real program on a private data folder, with a sound player that only records its calls, and helpers that
// find controls by object name and answer the message boxes the program asks.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"
#include "ui/Program.h"
#include "ui/WindowPump.h"

// Answers every message box that comes up with `button`, or with OK where it has no such button, keeping
// its text.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text());
                QAbstractButton* answer = box->button(button);
                (answer != nullptr ? answer : box->button(QMessageBox::Ok))->click();
            }
        });
        timer_.start();
    }
    std::vector<QString> texts;

private:
    QTimer timer_;
};

class WindowFixture : public testing::Test {
protected:
    // A short time-out keeps a test that goes wrong from hanging for a minute.
    explicit WindowFixture(int timeOut = 5000)
        : program(app::DataFolder(folder.Path()), player,
                  {.pump = ui::WindowPump(), .resolver = {}, .timeOut = timeOut}) {}

    template <typename Widget>
    Widget& Find(QWidget& window, const char* name) {
        auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) throw std::runtime_error(std::string("no control ") + name);
        return *widget;
    }
    template <typename Widget>
    Widget& Main(const char* name) {
        return Find<Widget>(program.Form1(), name);
    }

    TempFolder folder;
    Journal sounds;
    FakePlayer player{sounds};
    ui::Program program;
};

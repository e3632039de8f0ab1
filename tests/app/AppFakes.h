#pragma once
// Stand-ins for what the window supplies to the core: a view that records what it was asked and answers
// confirmations as told, a timer that records its calls, and a clock that stands still.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Clock.h"
#include "app/MainView.h"
#include "app/Timer.h"

struct FakeView : app::MainView {
    std::vector<std::string> information;
    std::vector<std::string> errors;
    std::vector<std::string> confirmations;
    std::vector<app::EditorField> focused;
    bool answerOk = true;
    int accountsChanged = 0;
    int editorChanged = 0;

    void ShowInformation(std::string_view text) override { information.emplace_back(text); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    bool ConfirmOkCancel(std::string_view text) override {
        confirmations.emplace_back(text);
        return answerOk;
    }
    void FocusField(app::EditorField field) override { focused.push_back(field); }
    void AccountsChanged() override { ++accountsChanged; }
    void EditorChanged() override { ++editorChanged; }
};

struct FakeTimer : app::Timer {
    bool running = false;
    std::uint32_t interval = 0;
    std::vector<std::string> calls;

    void Start() override {
        running = true;
        calls.push_back("start");
    }
    void Stop() override {
        running = false;
        calls.push_back("stop");
    }
    bool Running() const override { return running; }
    void SetInterval(std::uint32_t milliseconds) override {
        interval = milliseconds;
        calls.push_back("interval " + std::to_string(milliseconds));
    }
    std::uint32_t Interval() const override { return interval; }
};

struct FixedClock : app::Clock {
    app::LocalDateTime now{2026, 12, 6, 16, 48, 5};
    app::LocalDateTime Now() const override { return now; }
};

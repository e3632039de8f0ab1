#pragma once
// Stand-ins for what the window supplies to the core: a view that records what it was asked and answers
// confirmations as told, a timer that records its calls, a clock that stands still, and a tray, a sound
// and advertisement passes that record their calls in one shared journal. The view's message boxes, its
// check-now button and the timer's calls go into a journal too when one is given, so a test can see their order.

#include <cstdint>
#include <stdexcept>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainView.h"
#include "app/Timer.h"
#include "app/advertisements/AdvertisementPasses.h"
#include "app/log/Clock.h"
#include "app/notify/DesktopNotice.h"
#include "app/notify/NewMailSound.h"
#include "app/notify/SoundPlayer.h"
#include "app/notify/Tray.h"

// Calls to the fakes, in the order they came.
using Journal = std::vector<std::string>;

struct FakeView : app::MainView {
    Journal* journal = nullptr;
    std::vector<std::string> information;
    std::vector<std::string> errors;
    std::vector<std::string> confirmations;
    std::vector<app::EditorField> focused;
    bool answerOk = true;
    int accountsChanged = 0;
    int editorChanged = 0;
    std::vector<std::string> statusTexts;
    std::vector<bool> checkNowEnabled;
    int contentCleared = 0;
    // Since the last clearing, so together they must make the whole listing.
    std::vector<std::string> appendedEntries;
    int minimizedToTray = 0;

    void ShowInformation(std::string_view text) override {
        information.emplace_back(text);
        Note("information " + std::string(text));
    }
    void ShowError(std::string_view text) override {
        errors.emplace_back(text);
        Note("error " + std::string(text));
    }
    bool ConfirmOkCancel(std::string_view text) override {
        confirmations.emplace_back(text);
        Note("confirm " + std::string(text));
        return answerOk;
    }
    void FocusField(app::EditorField field) override { focused.push_back(field); }
    void AccountsChanged() override { ++accountsChanged; }
    void EditorChanged() override { ++editorChanged; }
    void SetStatusText(std::string_view text) override { statusTexts.emplace_back(text); }
    void SetCheckNowEnabled(bool enabled) override {
        checkNowEnabled.push_back(enabled);
        Note(enabled ? "check now on" : "check now off");
    }
    void ContentViewCleared() override {
        ++contentCleared;
        appendedEntries.clear();
    }
    void ContentEntryAppended(std::string_view entry) override { appendedEntries.emplace_back(entry); }
    void MinimizeToTray() override { ++minimizedToTray; }

private:
    void Note(std::string entry) {
        if (journal != nullptr) journal->push_back(std::move(entry));
    }
};

struct FakeTimer : app::Timer {
    bool running = false;
    std::uint32_t interval = 0;
    std::vector<std::string> calls;
    // Its entries carry the prefix "timer ".
    Journal* journal = nullptr;

    void Start() override {
        running = true;
        Note("start");
    }
    void Stop() override {
        running = false;
        Note("stop");
    }
    bool Running() const override { return running; }
    void SetInterval(std::uint32_t milliseconds) override {
        interval = milliseconds;
        Note("interval " + std::to_string(milliseconds));
    }
    std::uint32_t Interval() const override { return interval; }

private:
    void Note(const std::string& call) {
        calls.push_back(call);
        if (journal != nullptr) journal->push_back("timer " + call);
    }
};

struct FixedClock : app::Clock {
    app::LocalDateTime now{2026, 12, 6, 16, 48, 5};
    app::LocalDateTime Now() const override { return now; }
};

struct FakeTray : app::Tray {
    explicit FakeTray(Journal& journal) : journal(journal) {}
    Journal& journal;
    bool animating = false;

    bool Animating() const override { return animating; }
    void StartAnimation() override {
        animating = true;
        journal.push_back("start animation");
    }
    void StopAnimation() override {
        animating = false;
        journal.push_back("stop animation");
    }
};

struct FakeSound : app::NewMailSound {
    explicit FakeSound(Journal& journal) : journal(journal) {}
    Journal& journal;
    app::NewMail mail;
    void PlayNewMailSound(const app::NewMail& played) override {
        journal.push_back("sound");
        mail = played;
    }
};

struct FakeNotice : app::DesktopNotice {
    explicit FakeNotice(Journal& journal) : journal(journal) {}
    Journal& journal;
    void Show(const app::NewMail& mail) override { journal.push_back("notice " + std::to_string(mail.Count)); }
    void Close() override { journal.push_back("close notice"); }
};

struct FakeAdvertisementPasses : app::AdvertisementPasses {
    explicit FakeAdvertisementPasses(Journal& journal) : journal(journal) {}
    Journal& journal;
    std::vector<app::AdCandidate> deletionQueue;
    std::vector<app::AccountRecord> deletionAccounts;
    int aborts = 0;
    // Runs in the middle of the deletion, as the pending work a real pass serves.
    std::function<void()> whileDeleting;

    // Deletes everything it is given.
    std::vector<app::AdCandidate> DeleteAdvertisements(const std::vector<app::AdCandidate>& queue,
                                                       const std::vector<app::AccountRecord>& accounts) override {
        journal.push_back("delete advertisements (" + std::to_string(queue.size()) + ")");
        if (whileDeleting) whileDeleting();
        deletionQueue = queue;
        deletionAccounts = accounts;
        return queue;
    }
    void SendRefusalMails(const std::vector<app::AdCandidate>& deleted,
                          const std::vector<app::AccountRecord>&) override {
        journal.push_back("send refusal mails (" + std::to_string(deleted.size()) + ")");
    }
    void Abort() override { ++aborts; }
};

// Records its calls in the journal it shares with the tray; it plays from Play until Stop.
struct FakePlayer : app::SoundPlayer {
    explicit FakePlayer(Journal& journal) : journal(journal) {}
    Journal& journal;
    bool playing = false;
    bool openFails = false;

    bool IsPlaying() override {
        journal.push_back("is playing");
        return playing;
    }
    void Stop() override {
        journal.push_back("stop");
        playing = false;
    }
    void Close() override { journal.push_back("close"); }
    void Open(std::string_view fileName) override {
        journal.push_back("open " + std::string(fileName));
        if (openFails) throw std::runtime_error("cannot decode");
    }
    void Play() override {
        journal.push_back("play");
        playing = true;
    }
    void SetVolume(int position) override { journal.push_back("volume " + std::to_string(position)); }
};

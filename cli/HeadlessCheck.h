#pragma once
// The program's check without windows, for check and watch: the data folder's accounts checked as the
// timer checks them, the content view listing written out entry by entry, advertisements deleted and
// answered, failures logged to Quillon.log, and no sound.

#include <iosfwd>
#include <memory>
#include <string_view>

#include "app/data/DataFolder.h"
#include "cli/HeadlessCore.h"
#include "net/Powersock.h"

namespace cli {

class HeadlessCheck {
public:
    // `pump` is served in every network wait and after each summary, deletion and send; it may call
    // Abort. The files and streams outlive the runner.
    HeadlessCheck(const app::DataFolder& folder, const DataFiles& files, std::ostream& out, std::ostream& err,
                  bool utf8, std::string_view commandName, net::PumpFunction pump = {});
    ~HeadlessCheck();
    HeadlessCheck(const HeadlessCheck&) = delete;
    HeadlessCheck& operator=(const HeadlessCheck&) = delete;

    // One check, then a line on `err` with the accounts checked, the messages found and how many were new.
    // Summaries, the Message-IDs seen and the advertisements queued are kept from one check to the next,
    // as in the program.
    void Run();
    // Ends the running check as the program's "終了(&X)" does; safe from the pump.
    void Abort();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::ostream& err_;
};

}  // namespace cli

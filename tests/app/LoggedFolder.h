#pragma once
// A private data folder whose event log runs on a clock that stands still, for the fixtures whose subject
// writes Quillon.log.

#include <string>

#include "app/log/EventLog.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

struct LoggedFolder {
    TempFolder temp;
    app::DataFolder folder{temp.Path() / "quillonv"};
    FixedClock clock;
    app::EventLog log{folder, clock};

    std::string Log() const { return ReadBytes(folder.LogFile()).value_or(""); }
};

#pragma once
// Quillon.log as a test compares it: the time stamps differ from run to run, everything else is compared
// as written.

#include <regex>
#include <string>

inline std::string WithoutTimeStamps(const std::string& log) {
    static const std::regex stamp(R"(\(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\)\r\n)");
    return std::regex_replace(log, stamp, "(time)\n");
}

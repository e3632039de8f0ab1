#include "app/log/EventLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace app {
namespace {

// A field comes from a data file the user may have edited: a line break in it would start a line of its
// own that the program never wrote. Shift_JIS trail bytes start at 0x40, so no character is split.
std::string OnOneLine(std::string_view line) {
    std::string shown(line);
    std::ranges::replace_if(shown, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
    return shown;
}

// Appends the bytes whole or not at all: on a full disk a part of a line would have the next line glued
// to it. One write, so a line is never interleaved with another program's.
void AppendWhole(int descriptor, const std::string& bytes, off_t sizeBefore) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written > 0 && written < static_cast<ssize_t>(bytes.size())) {
        // Should even this fail, nothing more can be done without disturbing the caller.
        [[maybe_unused]] const int undone = ::ftruncate(descriptor, sizeBefore);
    }
}

}  // namespace

std::string_view LogPrefix(LogEvent event) {
    switch (event) {
    case LogEvent::ConnectionFailed: return "ConnectionFailed: ";
    case LogEvent::IdOrPasswordNeeded: return "IDorPasswordNeeded: ";
    case LogEvent::IdOrPasswordFailed: return "IDorPasswordFailed: ";
    case LogEvent::InvalidHost: return "InvalidHost: ";
    case LogEvent::TlsFailed: return "TlsFailed: ";
    case LogEvent::Failure: return "Failure: ";
    case LogEvent::SoundFailed: return "SoundFailed: ";
    case LogEvent::SendMailConnectionFailed: return "ConnectionFailed(SendMail): ";
    case LogEvent::SendMailIdOrPasswordFailed: return "IDorPasswordFailed(SendMail): ";
    case LogEvent::SendMailInvalidHost: return "InvalidHost(SendMail): ";
    case LogEvent::SendMailTlsFailed: return "TlsFailed(SendMail): ";
    case LogEvent::CheckFailed: return "CheckFailed: ";
    case LogEvent::DeletionFailed: return "DeletionFailed: ";
    case LogEvent::ListingFailed: return "ListingFailed: ";
    case LogEvent::SelectedDeletionFailed: return "SelectedDeletionFailed: ";
    case LogEvent::AdvertisementsDeferred: return "AdvertisementsDeferred: ";
    case LogEvent::SeenMessagesFull: return "SeenMessagesFull: ";
    case LogEvent::SummaryCacheFull: return "SummaryCacheFull: ";
    case LogEvent::SendMailFailed: return "SendFailed(SendMail): ";
    case LogEvent::SendMailUnsafeAddress: return "UnsafeAddress(SendMail): ";
    case LogEvent::SendMailNoAddress: return "NoAddress(SendMail): ";
    }
    return {};
}

void EventLog::WriteLog(std::string_view line) const {
    if (!folder_.Create()) return;
    // A link would send the lines elsewhere, or create its target; a pipe with no reader would hold the
    // operation that failed. Only a regular file in the folder itself is written.
    const int descriptor = ::open(folder_.LogFile().c_str(),
                                  O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (descriptor < 0) return;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        AppendWhole(descriptor, OnOneLine(line) + "\r\n", status.st_size);
    }
    ::close(descriptor);
}

void EventLog::Record(LogEvent event, std::string_view subject) const {
    std::string line(LogPrefix(event));
    line += subject;
    line += '(';
    line += FormatTimeStamp(clock_.Now());
    line += ')';
    WriteLog(line);
}

}  // namespace app

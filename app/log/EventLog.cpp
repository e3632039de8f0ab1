#include "app/log/EventLog.h"

#include <fcntl.h>
#include <unistd.h>

namespace app {

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
    case LogEvent::SendMailFailed: return "SendFailed(SendMail): ";
    case LogEvent::SendMailUnsafeAddress: return "UnsafeAddress(SendMail): ";
    case LogEvent::SendMailNoAddress: return "NoAddress(SendMail): ";
    }
    return {};
}

void EventLog::WriteLog(std::string_view line) const {
    if (!folder_.Create()) return;
    const int descriptor = open(folder_.LogFile().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) return;
    // One write, so a line is never interleaved with another program's; a short or failed write is
    // dropped like an unopenable file.
    const std::string withEnd = std::string(line) + "\r\n";
    [[maybe_unused]] const ssize_t written = write(descriptor, withEnd.data(), withEnd.size());
    close(descriptor);
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

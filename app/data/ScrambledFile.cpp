#include "app/data/ScrambledFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/data/AtomicFile.h"

namespace app {
namespace {

constexpr unsigned char kScrambleKey = 0xA5;

// Conforming files are at most 81,910 bytes. A larger one is read whole rather than only its first
// 81,911 bytes, which (the byte order being reversed) would be the end of the text, cut mid-record; this
// bound only keeps a stray huge file from being read into memory.
constexpr std::size_t kReadLimit = 16 * 1024 * 1024;

ReadFailure FailureOf(int error) {
    return error == EACCES || error == EPERM ? ReadFailure::NoPermission : ReadFailure::ReadError;
}

// A file opened for reading, closed when it goes.
class OpenedFile {
public:
    explicit OpenedFile(const std::filesystem::path& path) : descriptor_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenedFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    int Descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// The bytes up to the end of the file; the limit holds also for a file that grows while it is read.
ScrambledFileRead ReadToEnd(int descriptor) {
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) return bytes;
        if (count < 0 && errno != EINTR) return FailureOf(errno);
        if (count > 0) bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > kReadLimit) return ReadFailure::TooLarge;
    }
}

}  // namespace

std::string ScrambleText(std::string_view text) {
    std::string scrambled(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        scrambled[text.size() - 1 - i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ kScrambleKey);
    }
    return scrambled;
}

bool FitsScrambledFile(std::string_view text) {
    return text.size() <= kScrambledFileCapacity && text.find('\0') == std::string_view::npos;
}

ScrambledFileRead ReadScrambledFile(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        // Nothing saved yet, not even the folder.
        if (errno == ENOENT || errno == ENOTDIR) return std::string();
        return FailureOf(errno);
    }
    if (S_ISDIR(status.st_mode)) return ReadFailure::Folder;
    // Opening a pipe would hold the start until something writes to it.
    if (!S_ISREG(status.st_mode)) return ReadFailure::ReadError;
    if (static_cast<std::uintmax_t>(status.st_size) > kReadLimit) return ReadFailure::TooLarge;
    const OpenedFile file(path);
    if (file.Descriptor() < 0) return FailureOf(errno);
    ScrambledFileRead read = ReadToEnd(file.Descriptor());
    if (std::string* bytes = std::get_if<std::string>(&read)) {
        std::string text = ScrambleText(*bytes);
        if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
        return text;
    }
    return read;
}

std::string LoadScrambledFile(const std::filesystem::path& path) {
    ScrambledFileRead read = ReadScrambledFile(path);
    std::string* text = std::get_if<std::string>(&read);
    return text != nullptr ? std::move(*text) : std::string();
}

bool SaveScrambledFile(std::string_view text, const std::filesystem::path& path) {
    return FitsScrambledFile(text) && ReplaceFileAtomically(path, ScrambleText(text));
}

}  // namespace app

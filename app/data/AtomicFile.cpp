#include "app/data/AtomicFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace app {
namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The rename is only durable once the folder entry is on disk too; a failure here changes nothing the
// caller could act on, so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    fsync(descriptor);
    close(descriptor);
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    std::string temporaryName = path.string() + ".XXXXXX";
    // mkstemp creates the file with mode 0600.
    const int descriptor = mkostemp(temporaryName.data(), O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool written = WriteAll(descriptor, bytes) && fsync(descriptor) == 0;
    const bool closed = close(descriptor) == 0;
    if (!written || !closed || rename(temporaryName.c_str(), path.c_str()) != 0) {
        unlink(temporaryName.c_str());
        return false;
    }
    SyncFolder(path.parent_path());
    return true;
}

}  // namespace app

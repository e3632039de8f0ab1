#pragma once
// A private folder per test, file helpers, and a child process for which a folder refuses new files.

#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

class TempFolder {
public:
    TempFolder() {
        std::string pattern = testing::TempDir() + "quillonv-app-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline unsigned ModeOf(const std::filesystem::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return 0;
    return status.st_mode & 07777;
}

// Runs `body` in a child process and returns its exit status (-1 when it did not exit). gtest assertions
// do not cross the fork, so the body reports through its status.
inline int RunInChild(const std::function<void()>& prepare, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        prepare();
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNobodyGroup = 65534;

// For a child that root started: permission bits stop nobody, not root.
inline void BecomeNobody() {
    if (setgroups(0, nullptr) != 0 || setgid(kNobodyGroup) != 0 || setuid(kNobody) != 0) _exit(99);
}

// The child cannot create or replace files in `folder` (a direct child of the temporary folder). Root
// writes anywhere, so as root the child becomes nobody and sees a folder it may only read.
inline int RunWithReadOnlyFolder(const std::filesystem::path& folder, const std::function<int()>& body) {
    const int status = RunInChild(
        [&] {
            if (geteuid() != 0) {
                chmod(folder.c_str(), 0500);
                return;
            }
            chmod(folder.c_str(), 0755);
            BecomeNobody();
        },
        body);
    chmod(folder.c_str(), 0700);
    return status;
}

// The child owns `folder` (a direct child of the temporary folder) and is held to permission bits: as
// root it becomes nobody, and the folder, not what is in it, is handed to nobody.
inline int RunAsFolderOwner(const std::filesystem::path& folder, const std::function<int()>& body) {
    return RunInChild(
        [&] {
            if (geteuid() != 0) return;
            chmod(folder.parent_path().c_str(), 0755);
            if (chown(folder.c_str(), kNobody, kNobodyGroup) != 0) _exit(99);
            BecomeNobody();
        },
        body);
}

// The child may write no file beyond `bytes` bytes, as on a full disk: a write past it fails.
inline int RunWithFileSizeLimit(rlim_t bytes, const std::function<int()>& body) {
    return RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{bytes, bytes};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(99);
        },
        body);
}

// Runs `body` in a child process that is killed after `seconds`: a body that hangs gives -1 instead of
// holding the test run.
inline int RunWithTimeLimit(unsigned seconds, const std::function<int()>& body) {
    return RunInChild([&] { alarm(seconds); }, body);
}

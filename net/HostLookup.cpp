#include "net/HostLookup.h"

#include <mutex>
#include <thread>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace net {

struct HostLookup::Shared {
    Shared() : readyFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Shared()
    {
        if (readyFd >= 0) {
            ::close(readyFd);
        }
    }
    const int readyFd;
    mutable std::mutex mutex;
    bool done = false;
    std::optional<std::uint32_t> result;
};

std::optional<std::uint32_t> ResolveWithSystem(const std::string& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(list);
    return address;
}

HostLookup::HostLookup(HostResolver resolver, std::string name) : shared_(std::make_shared<Shared>())
{
    std::thread([shared = shared_, resolver = std::move(resolver), name = std::move(name)] {
        std::optional<std::uint32_t> result;
        try {
            result = resolver(name);
        } catch (...) {
            // A resolver that throws has simply not resolved the name.
        }
        {
            const std::lock_guard lock(shared->mutex);
            shared->result = result;
            shared->done = true;
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(shared->readyFd, &one, sizeof one);
    }).detach();
}

HostLookup::~HostLookup() = default;

int HostLookup::ReadyFd() const
{
    return shared_->readyFd;
}

bool HostLookup::Done() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->done;
}

std::optional<std::uint32_t> HostLookup::Result() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->result;
}

}  // namespace net

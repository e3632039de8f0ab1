#pragma once
// Name lookup in the background, so that the socket component's wait keeps pumping while the resolver
// works. A lookup that is given up (time-out, cancel) runs to its end on its own and is then forgotten.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace net {

// Returns the IPv4 address in network byte order, or nothing when the name does not resolve. Runs on a
// thread of its own.
using HostResolver = std::function<std::optional<std::uint32_t>(const std::string& name)>;

// The system resolver (getaddrinfo, IPv4 only).
std::optional<std::uint32_t> ResolveWithSystem(const std::string& name);

class HostLookup {
public:
    HostLookup(HostResolver resolver, std::string name);
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // Becomes readable when the lookup has finished.
    int ReadyFd() const;
    bool Done() const;
    // Only meaningful once Done.
    std::optional<std::uint32_t> Result() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace net

#include "os/posix/abstract_socket_name.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace NOs {
namespace {

constexpr size_t kDiagBufferBytes = 32768;

// The address of name: a zero byte, then the name.
bool MakeAddress(const std::string& name, sockaddr_un& address, socklen_t& length) {
    address = {};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() + 1 > sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return true;
}

NStatus AskForUnixSockets(int netlink) {
    struct {
        nlmsghdr header;
        unix_diag_req request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = AF_UNIX;
    message.request.udiag_states = ~0u;
    message.request.udiag_show = UDIAG_SHOW_NAME | UDIAG_SHOW_UID;
    return ::send(netlink, &message, sizeof(message), 0) == static_cast<ssize_t>(sizeof(message))
               ? Ok()
               : NStatus(LastError());
}

// The account of one socket when its name is wanted (a zero byte first).
std::optional<uid_t> HolderIfNamed(const nlmsghdr* header, const std::string& wanted) {
    const auto* socket = static_cast<const unix_diag_msg*>(NLMSG_DATA(header));
    int length = static_cast<int>(header->nlmsg_len - NLMSG_LENGTH(sizeof(*socket)));
    std::optional<std::string> name;
    std::optional<uid_t> holder;
    for (const auto* attribute = reinterpret_cast<const rtattr*>(socket + 1);
         RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        const auto* data = static_cast<const char*>(RTA_DATA(attribute));
        if (attribute->rta_type == UNIX_DIAG_NAME) {
            name.emplace(data, RTA_PAYLOAD(attribute));
        } else if (attribute->rta_type == UNIX_DIAG_UID &&
                   RTA_PAYLOAD(attribute) >= sizeof(uid_t)) {
            uid_t uid = 0;
            std::memcpy(&uid, data, sizeof(uid));
            holder = uid;
        }
    }
    return name == wanted ? holder : std::nullopt;
}

}  // namespace

std::string AbstractNameOf(const std::string& path) {
    uint64_t hash = 14695981039346656037u;  // FNV-1a
    for (const char c : path) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    char name[sizeof("q6tsa.") + 16];
    std::snprintf(name, sizeof(name), "q6tsa.%016llx", static_cast<unsigned long long>(hash));
    return name;
}

NResult<NUniqueFd> HoldAbstractSocketName(const std::string& name) {
    sockaddr_un address{};
    socklen_t length = 0;
    if (!MakeAddress(name, address, length)) {
        return std::errc::filename_too_long;
    }
    NUniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.IsValid()) {
        return LastError();
    }
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        return LastError();
    }
    return fd;
}

std::optional<uid_t> FindAbstractSocketHolder(const std::string& name) {
    const NUniqueFd netlink(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (!netlink.IsValid() || !AskForUnixSockets(netlink.Get())) {
        return std::nullopt;
    }
    const std::string wanted = std::string(1, '\0') + name;
    alignas(nlmsghdr) char buffer[kDiagBufferBytes];
    std::optional<uid_t> holder;
    for (;;) {
        const ssize_t received = ::recv(netlink.Get(), buffer, sizeof(buffer), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            return std::nullopt;
        }
        auto left = static_cast<unsigned>(received);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == NLMSG_DONE) {
                return holder;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                return std::nullopt;
            }
            if (!holder) {
                holder = HolderIfNamed(header, wanted);
            }
        }
    }
}

}  // namespace NOs

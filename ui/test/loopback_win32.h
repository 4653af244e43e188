// A listening socket on 127.0.0.1 at a port the system picks, for the tests' own HTTP servers. The
// caller has started the socket library and closes the socket.
#pragma once

#include "core/win32.h"

namespace ui::test {

inline SOCKET ListenOnLoopback(int backlog, int& port)
{
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, backlog);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

} // namespace ui::test

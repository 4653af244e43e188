// The socket writer's one call into the socket library (POSIX host build).
#include "support/jsonwriter.h"

#include <sys/socket.h>

namespace support {

int JsonSocketSend(JsonSocket socket, const char* bytes, int count)
{
    // MSG_NOSIGNAL: a closed peer is a failed send, not a signal that ends the process.
    return int(::send(int(socket), bytes, size_t(count), MSG_NOSIGNAL));
}

} // namespace support

// The socket writer's one call into the socket library.
#include "core/win32.h"

#include "support/jsonwriter.h"

namespace support {

int JsonSocketSend(JsonSocket socket, const char* bytes, int count)
{
    return ::send(SOCKET(socket), bytes, count, 0);
}

} // namespace support

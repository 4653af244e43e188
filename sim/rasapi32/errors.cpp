// Texts of the result codes of the simulated remote-access library.
#include "sim/rasapi32/errors.h"

#include "sim/rasapi32/codes.h"

namespace sim::rasapi32 {

namespace {

struct Text {
    uint32_t code;
    const char16_t* text;
};

constexpr Text kTexts[] = {
    {2, u"The system cannot find the file specified."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough memory resources are available to process this command."},
    {50, u"The request is not supported."},
    {87, u"The parameter is incorrect."},
    {122, u"The data area passed to a system call is too small."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {183, u"Cannot create a file when that file already exists."},
    {1223, u"The operation was canceled by the user."},
    {600, u"An operation is pending."},
    {601, u"The port handle is invalid."},
    {602, u"The port is already open."},
    {603, u"The caller's buffer is too small."},
    {604, u"Wrong information specified."},
    {606, u"The port is not connected."},
    {608, u"The device does not exist."},
    {609, u"The device type does not exist."},
    {610, u"The buffer is invalid."},
    {617, u"The connection is being disconnected."},
    {619, u"A connection to the remote computer could not be established, so the port used for this connection was closed."},
    {621, u"The system could not open the phone book file."},
    {622, u"The system could not load the phone book file."},
    {623, u"The system could not find the phone book entry for this connection."},
    {624, u"The system could not update the phone book file."},
    {625, u"The system found invalid information in the phone book file."},
    {628, u"The connection was terminated by the remote computer before it could be completed."},
    {629, u"The connection was closed by the remote computer."},
    {631, u"The connection was closed by the user."},
    {632, u"The structure size is incorrect."},
    {633, u"The modem or other connecting device is already in use or is not configured properly."},
    {638, u"The remote server is not responding in a timely fashion."},
    {668, u"The connection was lost."},
    {676, u"The phone line is busy."},
    {678, u"There was no answer."},
    {680, u"There was no dial tone."},
    {691, u"Access was denied because the user name or password is not valid on the domain."},
    {718, u"The connection was terminated because the remote computer did not respond in a timely manner."},
    {720, u"A connection to the remote computer could not be established: no compatible control protocols could be negotiated."},
    {721, u"The remote computer did not respond."},
    {730, u"The projection of the connection is not complete."},
    {731, u"The protocol is not configured."},
    {733, u"The point-to-point control protocol for this network protocol is not available on the server."},
    {734, u"The link control protocol was terminated."},
    {741, u"The local computer does not support the required data encryption type."},
    {742, u"The remote computer does not support the required data encryption type."},
    {756, u"This connection is already being dialed."},
    {769, u"The specified destination is not reachable."},
    {789, u"The L2TP connection attempt failed because the security layer encountered a processing error during initial negotiations with the remote computer."},
    {800, u"The remote connection was not made because the attempted VPN tunnels failed."},
    {809, u"The network connection between the computer and the VPN server could not be established because the remote server is not responding."},
    {815, u"The broadband connection was lost."},
    {868, u"The remote connection was not made because the name of the remote access server did not resolve."},
};

} // namespace

core::String ErrorText(uint32_t value)
{
    for (const Text& entry : kTexts)
        if (entry.code == value)
            return entry.text;
    if (value >= code::kRasFirst && value <= code::kRasLast)
        return u"Remote access error " + core::UIntToStr(value) + u".";
    return {};
}

} // namespace sim::rasapi32

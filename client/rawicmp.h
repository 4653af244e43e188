// The ICMP client of the speed test: echo requests over a raw IPv4 socket of the socket library.
// Windows only (declared here for the window and its tests).
#pragma once
#include "client/speedtest.h"

namespace client {

class TRawIcmpClient : public TIcmpClient {
public:
    // Starts the socket library for the object's lifetime.
    TRawIcmpClient();
    ~TRawIcmpClient() override;
    TRawIcmpClient(const TRawIcmpClient&) = delete;
    TRawIcmpClient& operator=(const TRawIcmpClient&) = delete;

    // Raises core::Exception: "Unable to resolve <host>", "Unable to open a raw ICMP socket (error
    // #n)", "Unable to send the echo request (error #n)".
    void Ping() override;

private:
    bool m_wsaStarted = false;
};

} // namespace client

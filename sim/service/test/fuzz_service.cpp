// Fuzz target: a request with any path and body to any endpoint gets an answer, never a crash. The
// first byte picks the endpoint, the rest is the body.
#include "sim/service/service.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sim::service;
    static Service* service = [] {
        auto* s = new Service(ServiceData::Parse("[account demo]\npassword=demo\ndial=issued\n[area a]\nn=1,2,3\n"));
        return s;
    }();
    static const std::string_view paths[] = {kNetCheck, kUserCheck, kVpnList, kIpCheck, kStatusCheck,
                                             kStopCheck, kRegisterPage, kAccountPage, "/divezevor2011/news.htm"};
    if (size == 0) return 0;
    Request r;
    r.host = "127.0.0.1";
    r.port = data[0] & 0x80 ? Port::Content : Port::App;
    r.method = data[0] & 0x40 ? "GET" : "POST";
    r.path = std::string(paths[(data[0] & 0x3F) % std::size(paths)]);
    r.body.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    Reply reply = service->Handle(r);
    if (reply.status < 100 || reply.status > 599) std::abort();
    service->Log().Clear();
    service->Sessions().Clear();
    return 0;
}

// Fuzzes what the client reads from the service: the node list document with its areas, rows and
// values, the account check's reply and the dial-credential reply.
#include "client/nodelist.h"
#include "client/protocol.h"

#include "core/codepage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::String text = core::FromAnsi(bytes);

    auto ini = client::LoadNodeList(text);
    for (const core::String& area : client::AreaNames(*ini)) {
        client::IsReservedSection(area);
        for (const core::String& node : client::NodeNames(*ini, area))
            client::FindNode(*ini, area, node);
        for (const client::ps& row : client::NodeRows(*ini, area))
            if (row.delay != client::kDelayUnknown)
                __builtin_trap();
    }
    const client::AccountCheck check = client::ClassifyAccountReply({true, text});
    if (check.reply == client::AccountReply::Success && check.info != text)
        __builtin_trap();
    const client::DialCredentials creds = client::ParseDialCredentials(text, u"u", u"p");
    if (creds.own_account != (text == client::kDialWithLoginMarker))
        __builtin_trap();
    client::PercentEncode(text);
    return 0;
}

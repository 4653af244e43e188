// Connecting, disconnecting and telling the clients.
#include "data/dataset/connection.h"

#include "data/dataset/dataset.h"

#include <algorithm>

namespace data {

TCustomConnection::TCustomConnection(core::Component* owner) : core::Component(owner) {}

TCustomConnection::~TCustomConnection()
{
    // Clients that are components still hold a free-notification link; Component's destructor
    // undoes it. The list goes without telling anybody: the connection is gone, not closing.
    m_clients.clear();
}

void TCustomConnection::SetConnected(bool value)
{
    if (HasState(core::csReading) || HasState(core::csLoading)) {
        m_streamed_connected = value;
        return;
    }
    if (value == GetConnected())
        return;
    if (value) {
        Fire(BeforeConnect);
        DoConnect();
        SendConnectEvent(true);
        Fire(AfterConnect);
    } else {
        Fire(BeforeDisconnect);
        SendConnectEvent(false);
        DoDisconnect();
        Fire(AfterDisconnect);
    }
}

void TCustomConnection::Loaded()
{
    core::Component::Loaded();
    if (m_streamed_connected) {
        m_streamed_connected = false;
        SetConnected(true);
    }
}

TDataSet* TCustomConnection::DataSets(int index) const
{
    int seen = 0;
    for (const Client& client : m_clients)
        if (client.dataset && seen++ == index)
            return client.dataset;
    throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
}

int TCustomConnection::DataSetCount() const
{
    return int(std::count_if(m_clients.begin(), m_clients.end(), [](const Client& c) { return c.dataset != nullptr; }));
}

void TCustomConnection::RegisterClient(core::Object* client, TConnectChangeEvent event)
{
    if (!client)
        return;
    for (Client& known : m_clients)
        if (known.object == client) {
            known.event = std::move(event);
            return;
        }
    m_clients.push_back({client, dynamic_cast<TDataSet*>(client), std::move(event)});
    // A client component freed without unregistering leaves the list through Notification.
    if (auto* component = dynamic_cast<core::Component*>(client))
        FreeNotification(component);
}

void TCustomConnection::UnRegisterClient(core::Object* client)
{
    Forget(client);
    if (auto* component = dynamic_cast<core::Component*>(client))
        RemoveFreeNotification(component);
}

void TCustomConnection::Forget(const core::Object* client)
{
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(),
                                   [client](const Client& c) { return c.object == client; }),
                    m_clients.end());
}

void TCustomConnection::SendConnectEvent(bool connecting) { SendConnectEvent(connecting, {}); }

void TCustomConnection::SendConnectEvent(bool connecting, const TellClient& wrap)
{
    // A client may unregister itself or others while it is told: walk a copy and skip those gone.
    const std::vector<Client> snapshot = m_clients;
    for (const Client& client : snapshot) {
        auto still = [&] {
            return std::any_of(m_clients.begin(), m_clients.end(),
                               [&](const Client& c) { return c.object == client.object; });
        };
        if (!still())
            continue;
        auto tell = [&] {
            if (client.event)
                client.event(client.object, connecting);
            if (client.dataset && still())
                client.dataset->DataEvent(deConnectChange, intptr_t(connecting));
        };
        if (wrap)
            wrap(client.object, tell);
        else
            tell();
    }
}

void TCustomConnection::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
    // The component may be half destroyed: compare addresses only.
    if (operation == core::opRemove)
        Forget(static_cast<core::Object*>(component));
}

} // namespace data

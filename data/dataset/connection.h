// The base of database connections: connecting and disconnecting with their events, and the
// clients (datasets and commands) that work through the connection and are told when it opens or
// closes. The server work itself is a descendant's: DoConnect, DoDisconnect and GetConnected.
#pragma once

#include "core/component.h"
#include "data/dataset/dbtypes.h"

#include <functional>
#include <vector>

namespace data {

class TDataSet;

// Told to a client as the connection opens (true) or closes (false).
using TConnectChangeEvent = std::function<void(core::Object* client, bool connecting)>;

class TCustomConnection : public core::Component {
public:
    using Notify = std::function<void(TCustomConnection& sender)>;
    using LoginEvent = std::function<void(TCustomConnection& sender, StringView userName, StringView password)>;

    explicit TCustomConnection(core::Component* owner = nullptr);
    ~TCustomConnection() override;

    // ---- Connecting ----
    bool Connected() const { return GetConnected(); }
    // While the component loads, the value is kept and applied by Loaded. A failed connect leaves
    // the connection closed and lets the exception pass, without AfterConnect.
    virtual void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool LoginPrompt() const { return m_login_prompt; }
    void SetLoginPrompt(bool value) { m_login_prompt = value; }
    void Loaded() override;

    // ---- Clients ----
    // The registered clients that are datasets, in order of registration.
    TDataSet* DataSets(int index) const;
    int DataSetCount() const;
    // A client registered again keeps its place and takes the new event.
    virtual void RegisterClient(core::Object* client, TConnectChangeEvent event = {});
    virtual void UnRegisterClient(core::Object* client);
    int ClientCount() const { return int(m_clients.size()); }

    // ---- Events ----
    Notify BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
    // For descendants that ask for a login; this class never raises it.
    LoginEvent OnLogin;

protected:
    virtual void DoConnect() {}
    virtual void DoDisconnect() {}
    virtual bool GetConnected() const { return false; }
    // Calls each client's event and gives each client dataset a connect-change data event.
    void SendConnectEvent(bool connecting);
    // The same, with the telling of each client passed to wrap, which runs tell (or skips it) and
    // may catch what the client raises.
    using TellClient = std::function<void(core::Object* client, const std::function<void()>& tell)>;
    void SendConnectEvent(bool connecting, const TellClient& wrap);
    bool StreamedConnected() const { return m_streamed_connected; }
    void Notification(core::Component* component, core::Operation operation) override;

private:
    struct Client {
        core::Object* object;
        TDataSet* dataset;  // the same object when it is a dataset
        TConnectChangeEvent event;
    };
    void Fire(const Notify& handler) { if (handler) handler(*this); }
    void Forget(const core::Object* client);

    std::vector<Client> m_clients;
    bool m_login_prompt = false;
    bool m_streamed_connected = false;
};

} // namespace data

// The connection base: the order of events and client notices on connect and disconnect, the
// loading rule, a failed connect, and clients that come and go while they are told.
#include "data/dataset/connection.h"

#include "data/dataset/test/fixture.h"

namespace data::test {
namespace {

// Records every step; FailConnect makes the server step raise.
class RecordingConnection : public TCustomConnection {
public:
    explicit RecordingConnection(Log& log) : m_log(log)
    {
        BeforeConnect = [this](TCustomConnection&) { m_log.push_back("BeforeConnect"); };
        AfterConnect = [this](TCustomConnection&) { m_log.push_back("AfterConnect"); };
        BeforeDisconnect = [this](TCustomConnection&) { m_log.push_back("BeforeDisconnect"); };
        AfterDisconnect = [this](TCustomConnection&) { m_log.push_back("AfterDisconnect"); };
    }
    bool FailConnect = false;
    using TCustomConnection::StreamedConnected;

protected:
    void DoConnect() override
    {
        m_log.push_back("DoConnect");
        if (FailConnect)
            throw EDatabaseError(u"server refused");
        m_connected = true;
    }
    void DoDisconnect() override
    {
        m_log.push_back("DoDisconnect");
        m_connected = false;
    }
    bool GetConnected() const override { return m_connected; }

private:
    Log& m_log;
    bool m_connected = false;
};

// A dataset that logs the connect-change data events it receives.
class ClientDataSet : public TArrayDataSet {
public:
    ClientDataSet(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}

protected:
    void HandleDataEvent(TDataEvent event, intptr_t info) override
    {
        if (event == deConnectChange)
            m_log.push_back(m_name + (info ? ":connecting" : ":disconnecting"));
        TArrayDataSet::HandleDataEvent(event, info);
    }

private:
    Log& m_log;
    std::string m_name;
};

TConnectChangeEvent Logger(Log& log, std::string name)
{
    return [&log, name](core::Object*, bool connecting) {
        log.push_back(name + (connecting ? " told connecting" : " told disconnecting"));
    };
}

TEST(ConnectionTest, ConnectAndDisconnectTellClientsInOrder)
{
    Log log;
    RecordingConnection connection(log);
    ClientDataSet first(log, "first");
    ClientDataSet second(log, "second");
    connection.RegisterClient(&first, Logger(log, "first"));
    connection.RegisterClient(&second);
    connection.RegisterClient(&first, Logger(log, "first"));  // told once all the same
    EXPECT_EQ(connection.DataSetCount(), 2);
    EXPECT_EQ(connection.DataSets(1), &second);

    connection.Open();
    EXPECT_TRUE(connection.Connected());
    connection.Open();  // already open: nothing
    connection.Close();
    EXPECT_FALSE(connection.Connected());
    const Log expected = {
        "BeforeConnect", "DoConnect", "first told connecting", "first:connecting", "second:connecting",
        "AfterConnect", "BeforeDisconnect", "first told disconnecting", "first:disconnecting",
        "second:disconnecting", "DoDisconnect", "AfterDisconnect",
    };
    EXPECT_EQ(log, expected);
}

TEST(ConnectionTest, FailedConnectStaysClosedWithoutAfterConnect)
{
    Log log;
    RecordingConnection connection(log);
    ClientDataSet client(log, "client");
    connection.RegisterClient(&client);
    connection.FailConnect = true;
    EXPECT_THROW(connection.SetConnected(true), EDatabaseError);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect"}));
}

TEST(ConnectionTest, ConnectedSetWhileLoadingIsAppliedByLoaded)
{
    Log log;
    RecordingConnection connection(log);
    connection.BeginLoad();
    connection.SetConnected(true);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(connection.StreamedConnected());
    connection.Loaded();
    EXPECT_TRUE(connection.Connected());
    EXPECT_FALSE(connection.StreamedConnected());
    EXPECT_EQ(log.front(), "BeforeConnect");
}

TEST(ConnectionTest, ClientsLeavingWhileTheyAreToldAreSkipped)
{
    Log log;
    RecordingConnection connection(log);
    ClientDataSet a(log, "a");
    ClientDataSet b(log, "b");
    // a unregisters b and itself when told: neither gets the data event afterwards.
    connection.RegisterClient(&a, [&](core::Object* client, bool) {
        log.push_back("a told");
        connection.UnRegisterClient(&b);
        connection.UnRegisterClient(client);
    });
    connection.RegisterClient(&b, Logger(log, "b"));
    connection.Open();
    EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect", "a told", "AfterConnect"}));
    EXPECT_EQ(connection.ClientCount(), 0);

    // A client component freed without unregistering leaves the list.
    {
        ClientDataSet gone(log, "gone");
        connection.RegisterClient(&gone);
        EXPECT_EQ(connection.ClientCount(), 1);
    }
    EXPECT_EQ(connection.ClientCount(), 0);
    log.clear();
    connection.Close();
    EXPECT_EQ(log, (Log{"BeforeDisconnect", "DoDisconnect", "AfterDisconnect"}));
}

} // namespace
} // namespace data::test

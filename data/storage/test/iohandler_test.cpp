#include "data/storage/iohandler.h"

#include "core/exception.h"

#include <gtest/gtest.h>

#include <functional>

using namespace data;

TEST(IOHandler, BaseOperationsReportWhatIsMissing)
{
    TCRIOHandler handler;
    EXPECT_EQ(handler.HandlerType(), u"");
    try {
        handler.Connect(u"host", 1, u"", u"", u"");
        ADD_FAILURE();
    } catch (const core::EAbstractError& error) {
        EXPECT_EQ(error.Message(), u"Abstract Error");
    }
    char buffer[4];
    const std::function<void()> operations[] = {
        [&] { handler.Disconnect(nullptr); },
        [&] { handler.ReadNoWait(nullptr, buffer, 0, 4); },
        [&] { handler.Read(nullptr, buffer, 0, 4); },
        [&] { handler.Write(nullptr, buffer, 0, 4); },
        [&] { handler.GetTimeout(nullptr); },
        [&] { handler.SetTimeout(nullptr, 5); },
    };
    for (const auto& operation : operations) {
        try {
            operation();
            ADD_FAILURE();
        } catch (const core::EAssertionFailed& error) {
            EXPECT_EQ(error.Message().rfind(u"Not overriden in an inherited class", 0), 0u);
        }
    }
}

TEST(IOHandler, ClientsRegisterThroughTheUtilities)
{
    class Counting : public TCRIOHandler {
    public:
        int clients = 0;

    protected:
        void RegisterClient(core::Object*) override { ++clients; }
        void UnRegisterClient(core::Object*) override { --clients; }
        String GetHandlerType() const override { return u"test"; }
    };
    Counting handler;
    core::Object client;
    TCRIOHandlerUtils::RegisterClient(&handler, &client);
    EXPECT_EQ(handler.clients, 1);
    TCRIOHandlerUtils::UnRegisterClient(&handler, &client);
    EXPECT_EQ(handler.clients, 0);
    EXPECT_EQ(handler.HandlerType(), u"test");
}

TEST(HttpOptions, AssignCopiesValuesAndEqualsComparesExactly)
{
    THttpOptions source;
    source.SetUrl(u"http://tunnel");
    source.SetUsername(u"User");
    source.ProxyOptions().SetPort(8080);
    source.ProxyOptions().SetHostname(u"proxy");

    THttpOptions copy;
    TProxyOptions* owned = &copy.ProxyOptions();
    copy.Assign(source);
    EXPECT_EQ(&copy.ProxyOptions(), owned);
    EXPECT_TRUE(copy.Equals(&source));
    source.ProxyOptions().SetPort(0);
    EXPECT_EQ(copy.ProxyOptions().Port(), 8080);  // a copy, not a share
    EXPECT_FALSE(copy.Equals(&source));
    EXPECT_FALSE(copy.Equals(nullptr));

    THttpOptions other;
    other.Assign(copy);
    other.SetUsername(u"user");
    EXPECT_FALSE(other.Equals(&copy));

    TProxyOptions proxy;
    proxy.SetPassword(u"secret");
    copy.SetProxyOptions(proxy);
    EXPECT_EQ(copy.ProxyOptions().Password(), u"secret");
    EXPECT_EQ(copy.ProxyOptions().Port(), 0);
    EXPECT_THROW(proxy.Assign(copy), core::EConvertError);
}

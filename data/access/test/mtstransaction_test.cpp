// The distributed transaction against a fake coordinator that writes into the scripted server's log,
// so that the order of coordinator and member calls shows.
#include "data/access/craccess.h"
#include "data/access/testing/scripted.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

using namespace data;
using namespace data::testing;

namespace {

using Log = std::vector<String>;

struct FakeCoordinator {
    TScriptedServer* log = nullptr;
    TDtcResult commitResult = DTC_S_OK;
    int live = 0;  // coordinator objects not yet released
};
FakeCoordinator* g_fake = nullptr;

template<class I>
class FakeObject : public I {
public:
    FakeObject() { ++g_fake->live; }
    virtual ~FakeObject() { --g_fake->live; }
    TDtcResult QueryInterface(const TDtcGuid&, void**) override { return DTC_E_NOINTERFACE; }
    uint32_t AddRef() override { return ++m_count; }
    uint32_t Release() override
    {
        uint32_t count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }

private:
    uint32_t m_count = 1;
};

class FakeTransaction : public FakeObject<ICRTransactionSC> {
public:
    ~FakeTransaction() override { g_fake->log->Note(u"dtc", u"release"); }
    TDtcResult Commit(int32_t Retaining, uint32_t, uint32_t) override
    {
        g_fake->log->Note(u"dtc", Retaining ? u"commit retaining" : u"commit");
        return g_fake->commitResult;
    }
    TDtcResult Abort(void*, int32_t, int32_t Async) override
    {
        g_fake->log->Note(u"dtc", Async ? u"abort async" : u"abort");
        return g_fake->commitResult;
    }
    TDtcResult GetTransactionInfo(void*) override { return DTC_S_OK; }
};

class FakeDispenser : public FakeObject<ICRTransactionDispenserSC> {
public:
    TDtcResult GetOptionsObject(IDtcUnknown**) override { return DTC_E_NOINTERFACE; }
    TDtcResult BeginTransaction(IDtcUnknown* Outer, int32_t IsoLevel, uint32_t IsoFlags, IDtcUnknown* Options,
                                ICRTransactionSC** Transaction) override
    {
        EXPECT_EQ(Outer, nullptr);
        EXPECT_EQ(IsoFlags, 0u);
        EXPECT_EQ(Options, nullptr);
        g_fake->log->Note(u"dtc", u"begin " + core::IntToStr(IsoLevel));
        *Transaction = new FakeTransaction;
        return DTC_S_OK;
    }
};

TDtcResult FakeEntryPoint(char* Host, char* TmName, const TDtcGuid* Iid, uint32_t Options, void* Config,
                          void** Object)
{
    EXPECT_EQ(Host, nullptr);
    EXPECT_EQ(TmName, nullptr);
    EXPECT_EQ(*Iid, IID_ITransactionDispenser);
    EXPECT_EQ(Options, 0u);
    EXPECT_EQ(Config, nullptr);
    g_fake->log->Note(u"dtc", u"dispenser");
    *Object = static_cast<ICRTransactionDispenserSC*>(new FakeDispenser);
    return DTC_S_OK;
}

// A provider that only connects: it has no distributed-transaction support of its own.
class BareConnection : public TCRConnection {
public:
    TCRTransactionClass GetTransactionClass() const override { return NewOf<TCRTransaction, TCRTransaction>; }
    void Connect(StringView ConnectString) override
    {
        FConnected = true;
        TCRConnection::Connect(ConnectString);
    }
    void Disconnect() override { FConnected = false; }
};

class MTSTransaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.log = server.get();
        g_fake = &fake;
        SetDtcEntryPoint(FakeEntryPoint);
        for (auto* c : {a.get(), b.get()}) {
            c->Connect(u"");
            transaction->AddConnection(c);
        }
        server->ClearLog();
    }
    void TearDown() override
    {
        transaction.reset();
        EXPECT_EQ(fake.live, 0);
        SetDtcEntryPoint(nullptr);
        g_fake = nullptr;
    }

    std::shared_ptr<TScriptedServer> server = std::make_shared<TScriptedServer>();
    FakeCoordinator fake;
    std::unique_ptr<TScriptedConnection> a = NewConnection<TScriptedConnection>(server, u"a");
    std::unique_ptr<TScriptedConnection> b = NewConnection<TScriptedConnection>(server, u"b");
    std::unique_ptr<TMTSTransaction> transaction = std::make_unique<TMTSTransaction>();
};

TEST_F(MTSTransaction, StartCommitAndRollbackEnlistTheMembersInOrder)
{
    transaction->StartTransaction();
    EXPECT_TRUE(transaction->GetInTransaction());
    EXPECT_NE(transaction->MTSTransaction(), nullptr);
    transaction->Commit();
    EXPECT_FALSE(transaction->GetInTransaction());
    EXPECT_EQ(transaction->MTSTransaction(), nullptr);
    transaction->StartTransaction();
    transaction->Rollback();
    // The dispenser is obtained once and kept.
    EXPECT_EQ(server->Log(), (Log{u"dtc dispenser", u"dtc begin 4096", u"a join", u"b join", u"dtc commit",
                                  u"dtc release", u"a leave", u"b leave", u"dtc begin 4096", u"a join",
                                  u"b join", u"dtc abort", u"dtc release", u"a leave", u"b leave"}));
}

TEST_F(MTSTransaction, IsolationLevels)
{
    struct Case {
        TCRIsolationLevel level;
        const char16_t* logged;  // or the error
    } cases[] = {
        {ilReadCommitted, u"dtc begin 4096"},
        {ilReadUnCommitted, u"dtc begin 256"},
        {ilRepeatableRead, u"dtc begin 65536"},
        {ilIsolated, u"dtc begin 1048576"},
        {ilSnapshot, u"Transaction isolation level is not supported with MTS"},
        {ilCustom, u"Transaction isolation level is not supported with MTS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.level));
        transaction->SetProp(PropIsolationLevel, int32_t(c.level));
        server->ClearLog();
        try {
            transaction->StartTransaction();
            const Log& log = server->Log();
            EXPECT_NE(std::find(log.begin(), log.end(), c.logged), log.end());
            transaction->Rollback();
        } catch (const core::Exception& error) {
            EXPECT_EQ(error.Message(), c.logged);
            EXPECT_FALSE(transaction->GetInTransaction());
            EXPECT_EQ(server->Log(), Log{});
        }
    }
}

TEST_F(MTSTransaction, ADisconnectedMemberStartsNothing)
{
    b->Disconnect();
    server->ClearLog();
    EXPECT_EQ(ErrorOf<core::Exception>([&] { transaction->StartTransaction(); }),
              u"One of the connections in the transaction is not active");
    EXPECT_FALSE(transaction->GetInTransaction());
    EXPECT_EQ(server->Log(), Log{});
}

TEST_F(MTSTransaction, AFailedEnlistmentAbortsBeforeTheErrorLeaves)
{
    server->FailCall(2, sfFatal);  // b's join
    try {
        transaction->StartTransaction();
        ADD_FAILURE();
    } catch (const EScriptedError& error) {
        EXPECT_EQ(error.Fault(), sfFatal);
    }
    EXPECT_FALSE(transaction->GetInTransaction());
    EXPECT_EQ(transaction->MTSTransaction(), nullptr);
    EXPECT_EQ(server->Log(), (Log{u"dtc dispenser", u"dtc begin 4096", u"a join", u"b join", u"dtc abort",
                                  u"dtc release", u"a leave", u"b leave"}));
}

TEST_F(MTSTransaction, AProviderWithoutCoordinatorSupport)
{
    BareConnection bare;
    bare.Connect(u"");
    TMTSTransaction own;
    own.AddConnection(&bare);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { own.StartTransaction(); }), u"MS DTC transactions not supported");
    EXPECT_FALSE(own.GetInTransaction());
    EXPECT_EQ(server->Log(), (Log{u"dtc dispenser", u"dtc begin 4096", u"dtc abort", u"dtc release"}));
}

TEST_F(MTSTransaction, AFailedCommitStillEndsTheTransaction)
{
    transaction->StartTransaction();
    fake.commitResult = int32_t(0x8004D00Eu);
    try {
        transaction->Commit();
        ADD_FAILURE();
    } catch (const core::EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 0x8004D00Eu);
    }
    EXPECT_FALSE(transaction->GetInTransaction());
    EXPECT_EQ(transaction->MTSTransaction(), nullptr);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { transaction->Rollback(); }), u"Can't perform operation on inactive transaction");
}

TEST_F(MTSTransaction, MembersJoiningLeavingAndSavepoints)
{
    auto c = NewConnection<TScriptedConnection>(server, u"c");
    c->Connect(u"");
    transaction->StartTransaction();
    EXPECT_EQ(ErrorOf<core::Exception>([&] { transaction->StartTransaction(); }), u"Can't perform operation on active transaction");
    server->ClearLog();
    EXPECT_TRUE(transaction->AddConnection(c.get()));
    EXPECT_FALSE(transaction->AddConnection(c.get()));
    EXPECT_TRUE(transaction->RemoveConnection(a.get()));
    EXPECT_FALSE(transaction->RemoveConnection(a.get()));
    transaction->Savepoint(u"s1");
    transaction->RollbackToSavepoint(u"s1");
    transaction->ReleaseSavepoint(u"s1");
    EXPECT_EQ(server->Log(), (Log{u"c join", u"a leave", u"b savepoint s1", u"c savepoint s1",
                                  u"b rollback to savepoint s1", u"c rollback to savepoint s1",
                                  u"b release savepoint s1", u"c release savepoint s1"}));
    transaction->Commit();
}

} // namespace

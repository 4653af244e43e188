// A provider over a scripted server: its connection and transaction log every call they make and
// fail where the test says, as a real provider would (refused connects, fatal and key-violation
// errors, a connection lost at the n-th call, raised through the error loop). For what no embedded
// engine shows: lost connections and failover, several transactions, the coordinator.
#pragma once

#include "data/access/daerror.h"
#include "data/access/testing/membertransaction.h"

#include <map>
#include <memory>
#include <vector>

namespace data::testing {

enum TScriptedFault { sfRefused = 1, sfFatal, sfKeyViolation, sfConnectionLost };

// The fault's text and code: "Connection refused", "Fatal error", "Key violation", "Connection lost".
// A fatal error and a lost connection are fatal; a key violation is one.
class EScriptedError : public EDAError {
public:
    explicit EScriptedError(TScriptedFault Fault);
    TScriptedFault Fault() const { return m_fault; }
    bool IsFatalError() const override { return m_fault == sfFatal || m_fault == sfConnectionLost; }
    bool IsKeyViolation() const override { return m_fault == sfKeyViolation; }

private:
    TScriptedFault m_fault;
};

// What the connections talk to: one log for all of them ("<connection> <call>") and the planned
// faults. Calls are counted from 1 across every connection of the server.
class TScriptedServer {
public:
    const std::vector<String>& Log() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    int Calls() const { return m_calls; }

    // The next Count connects are refused.
    void RefuseConnects(int Count) { m_refusals = Count; }
    // The call N calls from now (1: the next one) raises Fault.
    void FailCall(int N, TScriptedFault Fault) { m_faults[m_calls + N] = Fault; }

    // Logs what another party (a fake coordinator) did, without counting it as a call.
    void Note(StringView Who, StringView What) { m_log.push_back(String(Who) + u" " + String(What)); }
    // Logs and counts one call, then raises the fault planned for it.
    void Call(StringView Who, StringView What);

private:
    std::vector<String> m_log;
    int m_calls = 0;
    int m_refusals = 0;
    std::map<int, TScriptedFault> m_faults;
};

class TScriptedConnection : public TCRConnection {
public:
    explicit TScriptedConnection(std::shared_ptr<TScriptedServer> Server = std::make_shared<TScriptedServer>(),
                                 String Name = u"conn");
    ~TScriptedConnection() override;

    TScriptedServer& Server() const { return *m_server; }
    const String& Name() const { return m_name; }

    // A server call as a provider makes one: a failure goes through the error loop and is raised
    // unless the handler cleared Fail; a lost connection is disconnected first.
    void Execute(StringView What);

    void JoinDistributedTransaction(TMTSTransaction* Transaction) override;
    void LeaveDistributedTransaction(TMTSTransaction* Transaction) override;
    TCRTransactionClass GetTransactionClass() const override;
    void Connect(StringView ConnectString) override;
    void Disconnect() override;
    void AssignConnect(TCRConnection* Source) override;
    bool CheckIsValid() override;
    String GetServerVersion() override { return u"1.0"; }
    String GetServerVersionFull() override { return u"Scripted server 1.0"; }
    String GetClientVersion() override { return u"1.0"; }
    bool SetProp(int Prop, const core::Variant& Value) override;

private:
    std::shared_ptr<TScriptedServer> m_server;
    String m_name;
};

// Runs every operation on each member connection in turn (all of them scripted connections).
class TScriptedTransaction : public TMemberTransaction {
public:
    TScriptedTransaction();
    bool SetProp(int Prop, const core::Variant& Value) override;

protected:
    void Run(TCRConnection* Member, StringView What) override;
};

} // namespace data::testing

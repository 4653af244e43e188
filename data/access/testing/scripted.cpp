// The scripted provider.
#include "data/access/testing/scripted.h"

namespace data::testing {

namespace {

String FaultText(TScriptedFault Fault)
{
    switch (Fault) {
    case sfRefused: return u"Connection refused";
    case sfFatal: return u"Fatal error";
    case sfKeyViolation: return u"Key violation";
    case sfConnectionLost: return u"Connection lost";
    }
    return {};
}

} // namespace

EScriptedError::EScriptedError(TScriptedFault Fault) : EDAError(int(Fault), FaultText(Fault)), m_fault(Fault) {}

void TScriptedServer::Call(StringView Who, StringView What)
{
    Note(Who, What);
    ++m_calls;
    auto planned = m_faults.find(m_calls);
    if (planned != m_faults.end()) {
        TScriptedFault fault = planned->second;
        m_faults.erase(planned);
        throw EScriptedError(fault);
    }
    if (What == u"connect" && m_refusals > 0) {
        --m_refusals;
        throw EScriptedError(sfRefused);
    }
}

TScriptedConnection::TScriptedConnection(std::shared_ptr<TScriptedServer> Server, String Name)
    : m_server(std::move(Server)), m_name(std::move(Name))
{
}

TScriptedConnection::~TScriptedConnection()
{
    if (FConnected && FNativeConnection) {
        try {
            Disconnect();
        } catch (...) {
            // A planned fault on the way out changes nothing: the object goes.
        }
    }
}

void TScriptedConnection::Execute(StringView What)
{
    try {
        m_server->Call(m_name, What);
    } catch (const EScriptedError& error) {
        if (error.Fault() == sfConnectionLost)
            FConnected = false;
        bool fail = true;
        ProcessError(error, fail);
        if (fail)
            throw;
    }
}

void TScriptedConnection::JoinDistributedTransaction(TMTSTransaction*) { m_server->Call(m_name, u"join"); }

void TScriptedConnection::LeaveDistributedTransaction(TMTSTransaction*) { m_server->Call(m_name, u"leave"); }

TCRTransactionClass TScriptedConnection::GetTransactionClass() const
{
    return NewOf<TScriptedTransaction, TCRTransaction>;
}

void TScriptedConnection::Connect(StringView ConnectString)
{
    m_server->Call(m_name, u"connect");
    FConnected = true;
    TCRConnection::Connect(ConnectString);
}

void TScriptedConnection::Disconnect()
{
    FConnected = false;
    m_server->Call(m_name, u"disconnect");
}

void TScriptedConnection::AssignConnect(TCRConnection* Source)
{
    m_server->Call(m_name, u"assign connect");
    FConnected = Source && Source->GetConnected();
    FNativeConnection = false;
}

bool TScriptedConnection::CheckIsValid()
{
    m_server->Call(m_name, u"check");
    return FConnected;
}

bool TScriptedConnection::SetProp(int Prop, const core::Variant& Value)
{
    bool handled = TCRConnection::SetProp(Prop, Value);
    m_server->Call(m_name, u"prop " + core::IntToStr(Prop) + u"=" + Value.AsString());
    return handled;
}

namespace {

const TMemberTransaction::Texts kScriptedTexts = {
    u"start", u"commit", u"rollback", u"commit retaining", u"rollback retaining",
    u"savepoint ", u"release savepoint ", u"rollback to savepoint ",
};

} // namespace

TScriptedTransaction::TScriptedTransaction() : TMemberTransaction(kScriptedTexts) {}

bool TScriptedTransaction::SetProp(int Prop, const core::Variant& Value)
{
    bool handled = TCRTransaction::SetProp(Prop, Value);
    OnMembers(u"transaction prop " + core::IntToStr(Prop) + u"=" + Value.AsString());
    return handled;
}

void TScriptedTransaction::Run(TCRConnection* Member, StringView What)
{
    auto* scripted = dynamic_cast<TScriptedConnection*>(Member);
    CORE_ASSERT(scripted != nullptr, u"");
    scripted->Execute(What);
}

} // namespace data::testing

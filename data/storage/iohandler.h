// The contract of a pluggable transport for database connections, and the two option objects that
// describe HTTP tunnelling and a proxy. No concrete transport exists here: the base class fixes the
// operations and the error an operation raises when a descendant has not supplied it.
#pragma once

#include "core/component.h"
#include "core/object.h"

#include <memory>

namespace data {

using core::String;
using core::StringView;

class TCRIOHandler : public core::Component {
public:
    explicit TCRIOHandler(core::Component* AOwner = nullptr) : core::Component(AOwner) {}

    String HandlerType() const { return GetHandlerType(); }

    // Transport operations. Connect is abstract (EAbstractError "Abstract Error"); the others are an
    // assertion failure "Not overriden in an inherited class" until a descendant supplies them.
    virtual core::Object* Connect(StringView Server, int Port, StringView SSL_key, StringView SSL_cert,
                                  StringView SSL_ca);
    virtual void Disconnect(core::Object* Handle);
    virtual int ReadNoWait(core::Object* Handle, char* buffer, int offset, int count);
    virtual int Read(core::Object* Handle, char* buffer, int offset, int count);
    virtual int Write(core::Object* Handle, const char* buffer, int offset, int count);
    virtual int GetTimeout(core::Object* Handle);
    virtual void SetTimeout(core::Object* Handle, int Value);

protected:
    friend class TCRIOHandlerUtils;

    virtual void RegisterClient(core::Object* Client) {}
    virtual void UnRegisterClient(core::Object* Client) {}
    virtual void Reserved() {}
    virtual bool ReservedQuery() { return false; }
    virtual String GetHandlerType() const { return {}; }
};

// Lets a connection reach the handler's protected client registration.
class TCRIOHandlerUtils {
public:
    TCRIOHandlerUtils() = delete;
    static void RegisterClient(TCRIOHandler* Obj, core::Object* Client) { Obj->RegisterClient(Client); }
    static void UnRegisterClient(TCRIOHandler* Obj, core::Object* Client) { Obj->UnRegisterClient(Client); }
};

class TProxyOptions : public core::Persistent {
public:
    const String& Hostname() const { return FHostname; }
    void SetHostname(StringView value) { FHostname = String(value); }
    int Port() const { return FPort; }
    void SetPort(int value) { FPort = value; }
    const String& Username() const { return FUsername; }
    void SetUsername(StringView value) { FUsername = String(value); }
    const String& Password() const { return FPassword; }
    void SetPassword(StringView value) { FPassword = String(value); }

protected:
    void AssignTo(core::Persistent& Dest) const override;

private:
    String FHostname;
    int FPort = 0;
    String FUsername;
    String FPassword;
};

class THttpOptions : public core::Persistent {
public:
    THttpOptions() : FProxyOptions(std::make_unique<TProxyOptions>()) {}

    const String& Url() const { return FUrl; }
    void SetUrl(StringView value) { FUrl = String(value); }
    const String& Username() const { return FUsername; }
    void SetUsername(StringView value) { FUsername = String(value); }
    const String& Password() const { return FPassword; }
    void SetPassword(StringView value) { FPassword = String(value); }
    TProxyOptions& ProxyOptions() const { return *FProxyOptions; }
    // Copies the values; the owned object stays.
    void SetProxyOptions(const TProxyOptions& value) { FProxyOptions->Assign(value); }

    // Every value equal, texts exactly; false for none.
    bool Equals(const THttpOptions* HttpOptions) const;

protected:
    void AssignTo(core::Persistent& Dest) const override;

private:
    String FUrl;
    String FUsername;
    String FPassword;
    std::unique_ptr<TProxyOptions> FProxyOptions;
};

} // namespace data

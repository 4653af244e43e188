// The messages that the database layer sends to an external monitor tool, their serialisation
// through an abstract packer (field order fixed per class, base fields first), and the classes the
// receiving side builds its views from.
#pragma once

#include "core/object.h"
#include "core/string.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace data {

using core::String;

class TMessagePacker : public core::Object {
public:
    virtual void WriteByte(uint8_t Value) = 0;
    virtual void WriteInteger(int32_t Value) = 0;
    virtual void WriteString(const String& Value) = 0;
};

class TMessageUnPacker : public core::Object {
public:
    virtual void ReadByte(uint8_t& Value) = 0;
    virtual void ReadInteger(int32_t& Value) = 0;
    virtual void ReadString(String& Value) = 0;
};

// Message types on the wire; 3 is not used, 6 is the liveness probe sent between messages.
inline constexpr int32_t mtEvent = 1;
inline constexpr int32_t mtStartup = 2;
inline constexpr int32_t mtEventStart = 4;
inline constexpr int32_t mtEventEnd = 5;
inline constexpr int32_t mtProbe = 6;

struct TMsgSQLParam {
    String Name;
    String DataType;
    String ParamType;
    String Value;

    bool operator==(const TMsgSQLParam&) const = default;
};
using TMsgSQLParams = std::vector<TMsgSQLParam>;

class TEventSender;
class TCallStackItem;
class TEventEndMessage;

class TMonitorMessage : public core::Object {
public:
    virtual void Write(TMessagePacker& Packer) const;
    virtual void Read(TMessageUnPacker& Packer);

    int32_t MessageType = 0;
    int32_t ProcessId = 0;

protected:
    explicit TMonitorMessage(int32_t Type) : MessageType(Type) {}
};

class TEventMessage : public TMonitorMessage {
public:
    TEventMessage() : TMonitorMessage(mtEvent) {}
    void Write(TMessagePacker& Packer) const override;
    void Read(TMessageUnPacker& Packer) override;

    int32_t EventType = 0;
    String Description;
    double TimeStamp = 0;  // filled by the receiver
    int32_t Index = 0;     // filled by the receiver

protected:
    explicit TEventMessage(int32_t Type) : TMonitorMessage(Type) {}
};

class TStartupMessage : public TEventMessage {
public:
    TStartupMessage() : TEventMessage(mtStartup) {}
    void Write(TMessagePacker& Packer) const override;
    void Read(TMessageUnPacker& Packer) override;

    String ExeName;
};

class TEventStartMessage : public TEventMessage {
public:
    TEventStartMessage() : TEventMessage(mtEventStart) {}
    void Write(TMessagePacker& Packer) const override;
    void Read(TMessageUnPacker& Packer) override;

    int32_t EventID = 0;
    int32_t StartTime = 0;
    int32_t ObjectID = 0;
    String ObjectName;
    int32_t ObjectType = 0;
    String ObjectTypeName;
    int32_t ParentID = 0;
    String ParentName;
    int32_t ParentType = 0;
    String ParentTypeName;
    String SQL;
    TMsgSQLParams Params;
    std::vector<String> CallStack;
    // Filled by the receiver; not owned.
    TEventSender* SenderObject = nullptr;
    TEventEndMessage* EndEvent = nullptr;
    TCallStackItem* CallStackItem = nullptr;
};

class TEventEndMessage : public TEventMessage {
public:
    TEventEndMessage() : TEventMessage(mtEventEnd) {}
    void Write(TMessagePacker& Packer) const override;
    void Read(TMessageUnPacker& Packer) override;

    int32_t EventID = 0;
    int32_t EndTime = 0;
    int32_t Failed = 0;
    String ErrorText;
    TMsgSQLParams Params;
    int32_t RowsAffected = 0;
};

// Reads the next message, skipping probes; raises core::Exception for an unknown type.
std::unique_ptr<TMonitorMessage> ReadMonitorMessage(TMessageUnPacker& Packer);

// ---- receiver side ------------------------------------------------------------------------------

// An object that sent events, as the receiver's views show it.
class TEventSender : public core::Object {
public:
    int32_t ID = 0;
    bool Deleted = false;
    String Name;
    int32_t ObjectType = 0;
    String TypeName;
    TEventSender* Parent = nullptr;  // not owned
    bool Highlighted = false;
};

// A node of the receiver's call-stack tree; it owns its children.
class TCallStackItem : public core::Object {
public:
    TCallStackItem() = default;
    ~TCallStackItem() override;

    TCallStackItem* Parent() const { return FParent; }
    // Appends this item (made with new) to Value's children, which then own it. A parent once set
    // cannot be replaced by another.
    void SetParent(TCallStackItem* Value);
    bool ExcludedFromTree() const { return Excluded || Shortened; }
    // The nearest ancestor that is not excluded, or none.
    TCallStackItem* ParentNotExcluded() const;
    // The nearest ancestor that is not excluded from the tree, or none.
    TCallStackItem* ParentNotExcludedFromTree() const;

    String Name;
    std::vector<std::unique_ptr<TCallStackItem>> Childs;
    bool Excluded = false;
    bool Shortened = false;
    bool Highlighted = false;

private:
    TCallStackItem* FParent = nullptr;
};

} // namespace data

// Monitor messages: each class writes its base's fields, then its own, and reads in that order.
#include "data/access/monitormessages.h"

#include "core/exception.h"
#include "core/format.h"

namespace data {

namespace {

void WriteParams(TMessagePacker& Packer, const TMsgSQLParams& Params)
{
    Packer.WriteInteger(int32_t(Params.size()));
    for (const TMsgSQLParam& param : Params) {
        Packer.WriteString(param.Name);
        Packer.WriteString(param.DataType);
        Packer.WriteString(param.ParamType);
        Packer.WriteString(param.Value);
    }
}

// A count read from the wire; a negative one is a broken stream, not an empty list.
int32_t ReadCount(TMessageUnPacker& Packer)
{
    int32_t count = 0;
    Packer.ReadInteger(count);
    if (count < 0)
        throw core::Exception(core::Format(u"Invalid count %d in monitor message", {count}));
    return count;
}

void ReadParams(TMessageUnPacker& Packer, TMsgSQLParams& Params)
{
    int32_t count = ReadCount(Packer);
    Params.clear();
    for (int32_t i = 0; i < count; ++i) {
        TMsgSQLParam param;
        Packer.ReadString(param.Name);
        Packer.ReadString(param.DataType);
        Packer.ReadString(param.ParamType);
        Packer.ReadString(param.Value);
        Params.push_back(std::move(param));
    }
}

} // namespace

void TMonitorMessage::Write(TMessagePacker& Packer) const { Packer.WriteInteger(ProcessId); }

void TMonitorMessage::Read(TMessageUnPacker& Packer) { Packer.ReadInteger(ProcessId); }

void TEventMessage::Write(TMessagePacker& Packer) const
{
    TMonitorMessage::Write(Packer);
    Packer.WriteInteger(EventType);
    Packer.WriteString(Description);
}

void TEventMessage::Read(TMessageUnPacker& Packer)
{
    TMonitorMessage::Read(Packer);
    Packer.ReadInteger(EventType);
    Packer.ReadString(Description);
}

void TStartupMessage::Write(TMessagePacker& Packer) const
{
    TEventMessage::Write(Packer);
    Packer.WriteString(ExeName);
}

void TStartupMessage::Read(TMessageUnPacker& Packer)
{
    TEventMessage::Read(Packer);
    Packer.ReadString(ExeName);
}

void TEventStartMessage::Write(TMessagePacker& Packer) const
{
    TEventMessage::Write(Packer);
    Packer.WriteInteger(EventID);
    Packer.WriteInteger(StartTime);
    Packer.WriteInteger(ObjectID);
    Packer.WriteString(ObjectName);
    Packer.WriteInteger(ObjectType);
    Packer.WriteString(ObjectTypeName);
    Packer.WriteInteger(ParentID);
    Packer.WriteString(ParentName);
    Packer.WriteInteger(ParentType);
    Packer.WriteString(ParentTypeName);
    Packer.WriteString(SQL);
    WriteParams(Packer, Params);
    Packer.WriteInteger(int32_t(CallStack.size()));
    for (const String& entry : CallStack)
        Packer.WriteString(entry);
}

void TEventStartMessage::Read(TMessageUnPacker& Packer)
{
    TEventMessage::Read(Packer);
    Packer.ReadInteger(EventID);
    Packer.ReadInteger(StartTime);
    Packer.ReadInteger(ObjectID);
    Packer.ReadString(ObjectName);
    Packer.ReadInteger(ObjectType);
    Packer.ReadString(ObjectTypeName);
    Packer.ReadInteger(ParentID);
    Packer.ReadString(ParentName);
    Packer.ReadInteger(ParentType);
    Packer.ReadString(ParentTypeName);
    Packer.ReadString(SQL);
    ReadParams(Packer, Params);
    int32_t count = ReadCount(Packer);
    CallStack.clear();
    for (int32_t i = 0; i < count; ++i) {
        String entry;
        Packer.ReadString(entry);
        CallStack.push_back(std::move(entry));
    }
}

void TEventEndMessage::Write(TMessagePacker& Packer) const
{
    TEventMessage::Write(Packer);
    Packer.WriteInteger(EventID);
    Packer.WriteInteger(EndTime);
    Packer.WriteInteger(Failed);
    Packer.WriteString(ErrorText);
    WriteParams(Packer, Params);
    Packer.WriteInteger(RowsAffected);
}

void TEventEndMessage::Read(TMessageUnPacker& Packer)
{
    TEventMessage::Read(Packer);
    Packer.ReadInteger(EventID);
    Packer.ReadInteger(EndTime);
    Packer.ReadInteger(Failed);
    Packer.ReadString(ErrorText);
    ReadParams(Packer, Params);
    Packer.ReadInteger(RowsAffected);
}

std::unique_ptr<TMonitorMessage> ReadMonitorMessage(TMessageUnPacker& Packer)
{
    int32_t type = mtProbe;
    while (type == mtProbe)
        Packer.ReadInteger(type);
    std::unique_ptr<TMonitorMessage> message;
    switch (type) {
    case mtEvent: message = std::make_unique<TEventMessage>(); break;
    case mtStartup: message = std::make_unique<TStartupMessage>(); break;
    case mtEventStart: message = std::make_unique<TEventStartMessage>(); break;
    case mtEventEnd: message = std::make_unique<TEventEndMessage>(); break;
    default: throw core::Exception(core::Format(u"Unknown monitor message type %d", {type}));
    }
    message->Read(Packer);
    return message;
}

// ---- receiver side ------------------------------------------------------------------------------

TCallStackItem::~TCallStackItem() = default;

void TCallStackItem::SetParent(TCallStackItem* Value)
{
    if (Value == FParent)
        return;
    CORE_ASSERT(FParent == nullptr, u"");
    FParent = Value;
    if (Value)
        Value->Childs.emplace_back(this);
}

TCallStackItem* TCallStackItem::ParentNotExcluded() const
{
    TCallStackItem* item = FParent;
    while (item && item->Excluded)
        item = item->FParent;
    return item;
}

TCallStackItem* TCallStackItem::ParentNotExcludedFromTree() const
{
    TCallStackItem* item = FParent;
    while (item && item->ExcludedFromTree())
        item = item->FParent;
    return item;
}

} // namespace data

// Identifier quoting in the server's dialect, and the table list of a statement. Each command owns
// one SQL information object, made from its command class; a provider derives from it to change the
// quotes. Only what the command and the record set need is here so far.
#pragma once

#include "core/object.h"
#include "core/string.h"

#include <memory>
#include <vector>

namespace data {

using core::Char;
using core::String;
using core::StringView;

class TCRCommand;

class TSQLInfo : public core::Object {
public:
    explicit TSQLInfo(TCRCommand* Command = nullptr) : FCommand(Command) {}

    virtual Char LeftQuote() const { return u'"'; }
    virtual Char RightQuote() const { return u'"'; }
    // The first character a letter, every other one a letter, a digit, "_" or "$"; false when empty.
    virtual bool QuotesNeeded(StringView Value) const;

    // Longer than one character, starting with LeftQuote and ending with RightQuote.
    bool IsQuoted(StringView Value) const;
    // Value unchanged when it is quoted already; quote characters inside are not doubled.
    String Quote(StringView Value, Char LeftQ, Char RightQ) const;
    String Quote(StringView Value) const { return Quote(Value, LeftQuote(), RightQuote()); }

    TCRCommand* GetCommand() const { return FCommand; }
    void SetCommand(TCRCommand* Value) { FCommand = Value; }

private:
    TCRCommand* FCommand;
};

class TCRTablesInfo;

// One table of a statement's FROM clause.
class TCRTableInfo : public core::Object {
public:
    explicit TCRTableInfo(TCRTablesInfo* Owner) : FOwner(Owner) {}

    TCRTablesInfo* Owner() const { return FOwner; }
    int Index() const { return FIndex; }
    void SetIndex(int Value) { FIndex = Value; }
    const String& TableName() const { return FTableName; }
    void SetTableName(StringView Value) { FTableName = String(Value); }
    const String& TableAlias() const { return FTableAlias; }
    void SetTableAlias(StringView Value) { FTableAlias = String(Value); }
    bool IsView() const { return FIsView; }
    void SetIsView(bool Value) { FIsView = Value; }

private:
    TCRTablesInfo* FOwner;
    int FIndex = -1;
    String FTableName;
    String FTableAlias;
    bool FIsView = false;
};

// The class of a statement's table items: the function that makes one for a list.
using TTableInfoClass = std::unique_ptr<TCRTableInfo> (*)(TCRTablesInfo* Owner);

template<class T>
std::unique_ptr<TCRTableInfo> NewTableInfo(TCRTablesInfo* Owner)
{
    return std::make_unique<T>(Owner);
}

// The owning list of a statement's tables; Add makes items of the list's item class.
class TCRTablesInfo {
public:
    explicit TCRTablesInfo(TTableInfoClass TableInfoClass) : FTableInfoClass(TableInfoClass) {}
    TCRTablesInfo(const TCRTablesInfo&) = delete;
    TCRTablesInfo& operator=(const TCRTablesInfo&) = delete;

    TCRTableInfo* Add();
    void Clear() { FList.clear(); }
    int Count() const { return int(FList.size()); }
    // Exception "List index out of bounds (<index>)" outside 0..Count-1.
    TCRTableInfo* Items(int Index) const;
    TTableInfoClass TableInfoClass() const { return FTableInfoClass; }

private:
    TTableInfoClass FTableInfoClass;
    std::vector<std::unique_ptr<TCRTableInfo>> FList;
};

} // namespace data

// SQL information in the server's dialect: identifier quoting and normalising, splitting of qualified
// object names, and a light parse of SELECT statements into the tables of the FROM clause and the
// items of the select list. Each command owns one, made from its command class; a provider derives
// from it to change the quotes, the identifier case and details of the parse.
#pragma once

#include "core/object.h"
#include "core/string.h"
#include "core/stringlist.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace data {

using core::Char;
using core::String;
using core::StringView;

class TCRCommand;
class TCRTablesInfo;
class TColumnsInfo;
class TSQLParser;

// How the server folds unquoted identifiers.
enum TIdentCase { icUpper, icLower, icMixed, icMixedCaseSensitive };

struct TExtTableInfo {
    String Table;
    String Schema;
    String Catalog;
    String DBLink;
    String Synonym;
    uint8_t Flag = 0;
};

class TSQLInfo : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    // Called by ParseColumnsInfo right after a column name, with the lexem that follows it.
    virtual void ParseAfterColumnName(TSQLParser& Parser, int& Code, String& Lexem);
    explicit TSQLInfo(TCRCommand* Command = nullptr) : FCommand(Command) {}
    virtual Char LeftQuote() const { return u'"'; }
    virtual Char RightQuote() const { return u'"'; }
    virtual TIdentCase IdentCase() const { return icMixed; }
    // Value unchanged when it is quoted already; quote characters inside are not doubled.
    virtual String Quote(StringView Value, Char LeftQ, Char RightQ) const;
    virtual String UnQuote(StringView Value) const;
    // Longer than one character, starting with LeftQuote and ending with RightQuote.
    virtual bool IsQuoted(StringView Value) const;
    // False when empty; otherwise whether the name breaks the unquoted-identifier rule of IdentCase.
    virtual bool QuotesNeeded(StringView Value) const;
    virtual String NormalizeName(StringView Value, bool QuoteNames = false, bool UnQuoteNames = false) const;
    // Each part of a dotted name alone: its case folded unless QuoteNames, then quoted or unquoted.
    virtual String NormalizeName(StringView Value, Char LeftQ, Char RightQ, bool QuoteNames, bool UnQuoteNames) const;
    // Up to three parts from the right (table, schema, catalog), quotes kept; Synonym and Flag stay.
    virtual void SplitObjectName(StringView Name, TExtTableInfo& Info) const;
    // The tables of a SELECT's FROM clause; the list is cleared first.
    virtual void ParseTablesInfo(StringView SQL, TCRTablesInfo& TablesInfo);
    // The items of a SELECT's select list, added to ColumnsInfo.
    virtual void ParseColumnsInfo(StringView SQL, TColumnsInfo& ColumnsInfo);

    // ---- static operations ----
    String Quote(StringView Value) const { return Quote(Value, LeftQuote(), RightQuote()); }
    String QuoteIfNeed(StringView Value) const { return QuotesNeeded(Value) ? Quote(Value) : String(Value); }
    TCRCommand* GetCommand() const { return FCommand; }
    void SetCommand(TCRCommand* Value) { FCommand = Value; }

private:
    // A lexer of the command's parser class (an assertion failure without a command).
    std::unique_ptr<TSQLParser> CreateParser(StringView SQL) const;
    String NormalizePart(StringView Value, Char LeftQ, Char RightQ, bool QuoteNames, bool UnQuoteNames) const;

    TCRCommand* FCommand;
};

// One table of a statement's FROM clause.
class TCRTableInfo : public core::Object {
public:
    explicit TCRTableInfo(TCRTablesInfo* Owner) : FOwner(Owner) {}

    TCRTablesInfo* Owner() const { return FOwner; }
    int Index() const { return FIndex; }
    void SetIndex(int Value) { FIndex = Value; }
    const String& TableName() const { return FTableName; }
    // Writing the name or the alias rebuilds the owner's matching lookup list.
    void SetTableName(StringView Value);
    const String& TableAlias() const { return FTableAlias; }
    void SetTableAlias(StringView Value);
    bool IsView() const { return FIsView; }
    void SetIsView(bool Value) { FIsView = Value; }
    // The base reads TableName and ignores writes; a provider may keep a fuller name.
    String TableNameFull() const { return GetTableNameFull(); }
    void SetTableNameFull(StringView Value) { SetTableNameFullValue(Value); }

protected:
    virtual String GetTableNameFull() const { return FTableName; }
    virtual void SetTableNameFullValue(StringView) {}

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

// The owning list of a statement's tables; Add makes items of the list's item class. Lookups by name
// and alias go through sorted lists, rebuilt when a name or alias changes; while an update is open
// they are not kept and the lookups search the items in order.
class TCRTablesInfo {
public:
    explicit TCRTablesInfo(TTableInfoClass TableInfoClass);
    virtual ~TCRTablesInfo();
    TCRTablesInfo(const TCRTablesInfo&) = delete;
    TCRTablesInfo& operator=(const TCRTablesInfo&) = delete;

    virtual void BeginUpdate() { ++FUpdateCount; }
    // Rebuilds both lookup lists.
    virtual void EndUpdate();

    TCRTableInfo* Add();
    void Clear();
    int Count() const { return int(FList.size()); }
    // Exception "List index out of bounds (<index>)" outside 0..Count-1.
    TCRTableInfo* Items(int Index) const;
    TTableInfoClass TableInfoClass() const { return FTableInfoClass; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    int UpdateCount() const { return FUpdateCount; }

    TCRTableInfo* FindByName(StringView Name) const;
    int IndexOf(const TCRTableInfo* TableInfo) const;
    // Positions, -1 when absent.
    int IndexByName(StringView Name) const;
    int IndexByAlias(StringView Alias) const;

    // For the items: a name or an alias was written.
    void TableNameChanged() { RebuildList(FTableNameList, false); }
    void TableAliasChanged() { RebuildList(FTableAliasList, true); }

private:
    void RebuildList(core::StringList& List, bool Aliases);
    int Lookup(const core::StringList& List, StringView Key, bool Aliases) const;

    bool FCaseSensitive = false;
    std::vector<std::unique_ptr<TCRTableInfo>> FList;
    int FUpdateCount = 0;
    TTableInfoClass FTableInfoClass;
    core::StringList FTableNameList;
    core::StringList FTableAliasList;
};

// One item of a select list. TableIndex is for the component layer (-1 after parsing).
class TColumnInfo : public core::Object {
public:
    String Name;
    String Table;
    int TableIndex = -1;
    String Expr;
    String Alias;
    bool Used = false;
    bool Described = false;
    bool Required = false;
};

// The owning list of a select list's items.
class TColumnsInfo {
public:
    TColumnsInfo() = default;
    TColumnsInfo(const TColumnsInfo&) = delete;
    TColumnsInfo& operator=(const TColumnsInfo&) = delete;

    int Count() const { return int(m_items.size()); }
    TColumnInfo* Items(int Index) const { return m_items.at(size_t(Index)).get(); }
    TColumnInfo* Add(std::unique_ptr<TColumnInfo> Item)
    {
        m_items.push_back(std::move(Item));
        return m_items.back().get();
    }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TColumnInfo>> m_items;
};

} // namespace data

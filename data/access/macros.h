// Macros: named pieces of SQL text substituted into a statement before it reaches the provider. A
// statement refers to a macro by the macro character followed by a name ("&where"); the lexer decides
// what is a reference, so the character inside a string literal, a quoted identifier or a comment is
// plain text. TMacros::Scan rebuilds a collection from the names of a text, TMacros::Expand replaces
// the references by the values.
#pragma once

#include "core/collection.h"
#include "core/datetime.h"
#include "data/storage/parser.h"
#include "ui/binaryprops.h"

#include <functional>
#include <memory>
#include <vector>

namespace data {

// The character that starts a macro reference; "&" once the access units have started.
Char MacroChar();
void SetMacroChar(Char value);
void InitMacrosUnit();

// Makes the scanner that tokenises SQL for the macro scan and expansion.
using TSQLParserClass = std::function<std::unique_ptr<TSQLParser>(StringView Text)>;
TSQLParserClass DefaultSQLParserClass();

class TMacros;

class TMacro : public core::CollectionItem {
public:
    explicit TMacro(core::Collection* collection = nullptr);

    // ---- Properties ----
    const String& Name() const { return FName; }
    void SetName(StringView value) { FName = String(value); }
    const String& Value() const { return FValue; }
    // Notifies the owner when the value changes.
    void SetValue(StringView value);
    bool Active() const { return FActive; }
    void SetActive(bool value);

    // The value trimmed, without one leading and one trailing apostrophe; written quoted, with the
    // apostrophes inside left as they are.
    String AsString() const;
    void SetAsString(StringView value);
    // Through AsString and the locale's date and time text.
    core::TDateTime AsDateTime() const;
    void SetAsDateTime(core::TDateTime value);
    // The value text as a number, unquoted either way.
    double AsFloat() const;
    void SetAsFloat(double value);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);

    String DisplayName() const override;

protected:
    // To another macro: name, value and active flag through the setters.
    void AssignTo(core::Persistent& dest) const override;

private:
    friend class TMacros;
    String FName;
    String FValue;
    bool FActive = true;
};

// What owns a macro collection (an SQL command, a dataset) and must hear that a value changed.
class IMacrosOwner {
public:
    // Macro: the one whose value or active flag changed; null when the collection changed as a whole.
    virtual void MacrosChanged(TMacros& Macros, TMacro* Macro) = 0;

protected:
    ~IMacrosOwner() = default;
};

class TMacros : public core::Collection {
public:
    // Owner is not owned; it is told of changes when it implements IMacrosOwner.
    explicit TMacros(core::Persistent* Owner = nullptr);

    TMacro* Items(int index) const { return static_cast<TMacro*>(Collection::Items(index)); }
    TMacro* operator[](int index) const { return Items(index); }

    const TSQLParserClass& ParserClass() const { return FParserClass; }
    void SetParserClass(TSQLParserClass Value);

    // Rebuilds the collection from the names referred to in SQL, keeping the values and flags of the
    // names it already holds. Left untouched (and silent) when nothing would change.
    void Scan(StringView SQL);
    // Replaces every reference in SQL by its macro's value; references to unknown names vanish.
    void Expand(String& SQL) const;

    TMacro* FindMacro(StringView Value) const;
    // EDatabaseError "Macro %s not found".
    TMacro* MacroByName(StringView Value) const;
    // Copies each macro of Value whose name is found here.
    void AssignValues(const TMacros& Value);
    // Same count and, in order, the same names, values and active flags.
    bool IsEqual(const TMacros& Value) const;

    // The value a reference expands to: empty for an inactive macro.
    virtual String GetMacroValue(const TMacro& Macro) const;

    // The read-only property "Data" of an older stored form (described in macros.cpp).
    std::vector<ui::BinaryProperty> BinaryProperties();
    void ReadData(core::Stream& Stream);

protected:
    // The platform's notification, then the owner's.
    void Update(core::CollectionItem* item) override;

private:
    struct Reference;
    std::vector<Reference> References(StringView SQL, bool QuotedString) const;

    TSQLParserClass FParserClass;
};

// Whether SQL contains the macro character directly followed by Name (exact text, case kept): how an
// open dataset decides that a changed macro concerns its statement.
bool SQLRefersToMacro(StringView SQL, StringView Name);

} // namespace data

// Lists of text lines: the abstract Strings (name=value access, Text, CommaText and delimited text,
// loading and saving, update nesting) and StringList, the in-memory list with an object per line,
// sorting, duplicate rules and change events.
#pragma once

#include "core/object.h"
#include "core/string.h"
#include "core/textcodec.h"

#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace core {

class Stream;

class Strings : public Object {
public:
    // ---- Access ----
    virtual int Count() const = 0;
    virtual String Get(int index) const = 0;
    // Replaces the text of a line, keeping its object.
    virtual void Put(int index, const String& text);
    virtual Object* Objects(int index) const;
    virtual void PutObject(int index, Object* object);
    String operator[](int index) const { return Get(index); }

    // ---- Changing ----
    virtual int Add(const String& text);
    virtual int AddObject(const String& text, Object* object);
    void Append(const String& text) { Add(text); }
    virtual void AddStrings(const Strings& source);
    // Copies lines, objects and the separator settings. A list that owns its objects cannot share
    // them with another owning list: copied into such a pair, lines come without their objects.
    virtual void Assign(const Strings& source);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Insert(int index, const String& text) = 0;
    virtual void InsertObject(int index, const String& text, Object* object);
    virtual void Exchange(int index1, int index2);
    virtual void Move(int currentIndex, int newIndex);
    virtual bool OwnsObjects() const { return false; }

    // ---- Searching (lines compared with CompareStrings) ----
    virtual int IndexOf(StringView text) const;
    virtual int IndexOfName(StringView name) const;
    virtual int IndexOfObject(const Object* object) const;
    // Same count and the same lines in order, compared exactly; objects are not compared.
    bool Equals(const Strings& other) const;

    // ---- name=value lines ----
    // The part before the first separator; empty for a line without one.
    String Names(int index) const;
    String Values(StringView name) const;
    // Replaces or adds the line "name=value"; an empty value deletes the line.
    void SetValues(StringView name, StringView value);
    // The part after the first separator; empty for a line without one.
    String ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, StringView value);
    Char NameValueSeparator() const { return m_name_value_separator; }
    void SetNameValueSeparator(Char separator) { m_name_value_separator = separator; }

    // ---- Whole text ----
    // Every line followed by CR LF. Setting splits at CR LF, LF or CR; a final line break adds no
    // empty line.
    virtual String Text() const;
    virtual void SetText(StringView text);
    // Lines joined with Delimiter; a line is quoted (QuoteChar doubled inside) when it holds the
    // delimiter, the quote, or, unless StrictDelimiter, a blank or control character. Reading
    // splits at the delimiter and, unless StrictDelimiter, at blanks outside quotes.
    String DelimitedText() const;
    void SetDelimitedText(StringView text);
    // DelimitedText with "," and """ and blanks as separators, whatever the properties say.
    String CommaText() const;
    void SetCommaText(StringView text);
    Char Delimiter() const { return m_delimiter; }
    void SetDelimiter(Char delimiter) { m_delimiter = delimiter; }
    Char QuoteChar() const { return m_quote_char; }
    void SetQuoteChar(Char quote) { m_quote_char = quote; }
    bool StrictDelimiter() const { return m_strict_delimiter; }
    void SetStrictDelimiter(bool strict) { m_strict_delimiter = strict; }

    // ---- Files ----
    // Reading takes the stream from its position to its end; a byte-order mark selects UTF-8 or
    // UTF-16, else the system ANSI code page. The encoding found becomes Encoding().
    virtual void LoadFromStream(Stream& stream);
    void LoadFromFile(const String& fileName);
    // Writing without an encoding uses Encoding(): ANSI unless the list was loaded from, or told
    // to use, another.
    void SaveToStream(Stream& stream) const { SaveToStream(stream, m_encoding); }
    virtual void SaveToStream(Stream& stream, TextEncoding encoding) const;
    void SaveToFile(const String& fileName) const { SaveToFile(fileName, m_encoding); }
    void SaveToFile(const String& fileName, TextEncoding encoding) const;
    TextEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TextEncoding encoding) { m_encoding = encoding; }

    // ---- Updates ----
    // Nested; SetUpdateState(true) runs at the outermost BeginUpdate, (false) at its EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_update_count; }

protected:
    virtual void SetUpdateState(bool updating);
    // Locale-aware and case-insensitive unless a list says otherwise.
    virtual int CompareStrings(StringView a, StringView b) const;
    // Replaces a whole line for the name=value setters; Put unless the list must place it itself.
    virtual void ReplaceLine(int index, const String& text);
    [[noreturn]] static void IndexError(int index);

private:
    void CopySettings(const Strings& source);

    Char m_name_value_separator = u'=';
    Char m_delimiter = u',';
    Char m_quote_char = u'"';
    bool m_strict_delimiter = false;
    TextEncoding m_encoding = TextEncoding::Ansi;
    int m_update_count = 0;
};

enum DuplicatesMode { dupIgnore, dupAccept, dupError };

class StringList;
// <0, 0 or >0 for the lines at index1 and index2 of the list.
using StringListSortCompare = std::function<int(StringList& list, int index1, int index2)>;

class StringList : public Strings {
public:
    explicit StringList(bool ownsObjects = false) : m_owns_objects(ownsObjects) {}
    ~StringList() override;

    // ---- Properties ----
    bool Sorted() const { return m_sorted; }
    // Turning sorting on sorts the list.
    void SetSorted(bool sorted);
    // Applies to sorted lists: what Add does with a line that is already there. dupError raises
    // EStringListError "String list does not allow duplicates".
    DuplicatesMode Duplicates() const { return m_duplicates; }
    void SetDuplicates(DuplicatesMode mode) { m_duplicates = mode; }
    // Off by default: lines compare with the locale-aware case-insensitive rule.
    bool CaseSensitive() const { return m_case_sensitive; }
    void SetCaseSensitive(bool caseSensitive);
    // An owning list deletes the object of a line when the line is deleted, its object replaced or
    // the list freed.
    bool OwnsObjects() const override { return m_owns_objects; }
    void SetOwnsObjects(bool owns) { m_owns_objects = owns; }

    // ---- Strings ----
    int Count() const override { return int(m_items.size()); }
    String Get(int index) const override;
    const String& operator[](int index) const;
    void Put(int index, const String& text) override;
    Object* Objects(int index) const override;
    void PutObject(int index, Object* object) override;
    int AddObject(const String& text, Object* object) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const String& text) override;
    void InsertObject(int index, const String& text, Object* object) override;
    void Exchange(int index1, int index2) override;
    void Move(int currentIndex, int newIndex) override;
    int IndexOf(StringView text) const override;
    void SetText(StringView text) override;
    void AddStrings(const Strings& source) override;

    // Binary search of a sorted list: true when found; index is the first match or where the line
    // would go. On an unsorted list the result is meaningless, as on the platform.
    bool Find(StringView text, int& index) const;
    // Sorts by the list's comparison (no effect on a list that keeps itself sorted).
    virtual void Sort();
    // Sorts with the caller's comparison; an inconsistent comparison gives some order, never a
    // fault.
    virtual void CustomSort(const StringListSortCompare& compare);

    // ---- Events ----
    std::function<void(Object* sender)> OnChanging;
    std::function<void(Object* sender)> OnChange;

protected:
    void SetUpdateState(bool updating) override;
    int CompareStrings(StringView a, StringView b) const final;
    void ReplaceLine(int index, const String& text) override;
    virtual void Changing();
    virtual void Changed();

private:
    struct Item {
        String text;
        Object* object = nullptr;
    };

    void CheckIndex(int index) const;
    void CheckUnsorted() const;
    void InsertItem(int index, const String& text, Object* object);
    String Key(StringView text) const;
    void DropIndex() const;
    // Reorders the items by the permutation order (order[i] = old index of new item i).
    void Permute(const std::vector<int>& order);
    void SortBy(const std::function<int(int, int)>& compare);
    bool CanAddInBulk() const;
    void AddInBulk(std::vector<Item> items);

    std::vector<Item> m_items;
    bool m_sorted = false;
    DuplicatesMode m_duplicates = dupIgnore;
    bool m_case_sensitive = false;
    bool m_owns_objects = false;

    // Hash of folded lines to their first index, built on demand for IndexOf on long unsorted
    // lists and kept up to date while lines are only appended. Guarded so that concurrent readers
    // of a list that nobody changes stay race-free.
    mutable std::mutex m_index_lock;
    mutable std::unordered_map<String, int> m_index;
    mutable bool m_index_valid = false;
};

} // namespace core

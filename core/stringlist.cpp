// Strings and StringList.
#include "core/stringlist.h"

#include "core/exception.h"
#include "core/stream.h"

#include <algorithm>
#include <utility>

namespace core {

namespace {

constexpr int IndexThreshold = 32;  // below this many lines a plain scan is as quick as a hash

bool IsBlank(Char c) { return c <= u' '; }

// Calls add for every line of the text: lines end at CR LF, LF or CR, and a final line break adds
// no empty line.
template <typename Add> void SplitLines(StringView text, Add&& add)
{
    size_t at = 0;
    const size_t n = text.size();
    while (at < n) {
        const size_t start = at;
        while (at < n && text[at] != u'\r' && text[at] != u'\n')
            ++at;
        add(text.substr(start, at - start));
        if (at < n && text[at] == u'\r')
            ++at;
        if (at < n && text[at] == u'\n')
            ++at;
    }
}

String Quoted(StringView text, Char quote)
{
    String out;
    out.reserve(text.size() + 2);
    out.push_back(quote);
    for (Char c : text) {
        out.push_back(c);
        if (c == quote)
            out.push_back(quote);
    }
    out.push_back(quote);
    return out;
}

// Reads a quoted item starting at the opening quote; a doubled quote stands for one. Ends past
// the closing quote, or at the end of the text when the quote is never closed.
String ExtractQuoted(StringView text, size_t& at, Char quote)
{
    String out;
    ++at;
    while (at < text.size()) {
        if (text[at] == quote) {
            if (at + 1 < text.size() && text[at + 1] == quote) {
                out.push_back(quote);
                at += 2;
                continue;
            }
            ++at;
            break;
        }
        out.push_back(text[at++]);
    }
    return out;
}

String JoinDelimited(const Strings& list, Char delimiter, Char quote, bool strict)
{
    const int count = list.Count();
    if (count == 1 && list.Get(0).empty())
        return String(2, quote);
    String out;
    for (int i = 0; i < count; ++i) {
        const String line = list.Get(i);
        const bool needsQuotes = std::any_of(line.begin(), line.end(), [&](Char c) {
            return c == quote || c == delimiter || c == 0 || (!strict && IsBlank(c));
        });
        if (i > 0)
            out.push_back(delimiter);
        out.append(needsQuotes ? Quoted(line, quote) : line);
    }
    return out;
}

void SplitDelimited(Strings& list, StringView text, Char delimiter, Char quote, bool strict)
{
    list.BeginUpdate();
    try {
        list.Clear();
        size_t at = 0;
        const size_t n = text.size();
        auto skipBlanks = [&] {
            if (!strict)
                while (at < n && IsBlank(text[at]))
                    ++at;
        };
        skipBlanks();
        while (at < n) {
            String item;
            if (text[at] == quote) {
                item = ExtractQuoted(text, at, quote);
            } else {
                const size_t start = at;
                while (at < n && text[at] != delimiter && (strict || !IsBlank(text[at])))
                    ++at;
                item.assign(text.substr(start, at - start));
            }
            list.Add(item);
            skipBlanks();
            if (at < n && text[at] == delimiter) {
                ++at;
                if (at == n)
                    list.Add(String());
                skipBlanks();
            }
        }
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

// Stable bottom-up merge sort of the positions 0..count-1. Only reads compare's results, so an
// inconsistent comparison still ends with some permutation.
std::vector<int> MergeSortOrder(int count, const std::function<int(int, int)>& compare)
{
    std::vector<int> order(static_cast<size_t>(count));
    std::vector<int> scratch(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    for (size_t width = 1; width < size_t(count); width *= 2) {
        for (size_t low = 0; low < size_t(count); low += 2 * width) {
            const size_t mid = std::min(low + width, size_t(count));
            const size_t high = std::min(low + 2 * width, size_t(count));
            size_t a = low, b = mid, out = low;
            while (a < mid && b < high)
                scratch[out++] = compare(order[b], order[a]) < 0 ? order[b++] : order[a++];
            while (a < mid)
                scratch[out++] = order[a++];
            while (b < high)
                scratch[out++] = order[b++];
        }
        order.swap(scratch);
    }
    return order;
}

} // namespace

// ---- Strings ------------------------------------------------------------------------------------

void Strings::IndexError(int index)
{
    throw EStringListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

void Strings::Put(int index, const String& text)
{
    Object* object = Objects(index);
    BeginUpdate();
    try {
        Delete(index);
        InsertObject(index, text, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

Object* Strings::Objects(int) const { return nullptr; }
void Strings::PutObject(int, Object*) {}

int Strings::Add(const String& text) { return AddObject(text, nullptr); }

int Strings::AddObject(const String& text, Object* object)
{
    const int index = Count();
    InsertObject(index, text, object);
    return index;
}

void Strings::InsertObject(int index, const String& text, Object* object)
{
    Insert(index, text);
    PutObject(index, object);
}

void Strings::AddStrings(const Strings& source)
{
    if (&source == this) {
        // Adding a list to itself doubles it; take a snapshot first.
        std::vector<std::pair<String, Object*>> copy;
        for (int i = 0; i < source.Count(); ++i)
            copy.emplace_back(source.Get(i), OwnsObjects() ? nullptr : source.Objects(i));
        BeginUpdate();
        try {
            for (auto& [text, object] : copy)
                AddObject(text, object);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    const bool shareObjects = !(OwnsObjects() && source.OwnsObjects());
    BeginUpdate();
    try {
        for (int i = 0; i < source.Count(); ++i)
            AddObject(source.Get(i), shareObjects ? source.Objects(i) : nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void Strings::CopySettings(const Strings& source)
{
    m_name_value_separator = source.m_name_value_separator;
    m_delimiter = source.m_delimiter;
    m_quote_char = source.m_quote_char;
    m_strict_delimiter = source.m_strict_delimiter;
}

void Strings::Assign(const Strings& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        CopySettings(source);
        AddStrings(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void Strings::Exchange(int index1, int index2)
{
    BeginUpdate();
    try {
        Object* object = Objects(index1);
        const String text = Get(index1);
        Put(index1, Get(index2));
        PutObject(index1, Objects(index2));
        Put(index2, text);
        PutObject(index2, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void Strings::Move(int currentIndex, int newIndex)
{
    if (currentIndex == newIndex)
        return;
    BeginUpdate();
    try {
        const String text = Get(currentIndex);
        Object* object = Objects(currentIndex);
        Delete(currentIndex);
        InsertObject(newIndex, text, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int Strings::IndexOf(StringView text) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (CompareStrings(Get(i), text) == 0)
            return i;
    return -1;
}

int Strings::IndexOfName(StringView name) const
{
    for (int i = 0, n = Count(); i < n; ++i) {
        const String line = Get(i);
        const size_t at = line.find(m_name_value_separator);
        if (at != String::npos && CompareStrings(StringView(line).substr(0, at), name) == 0)
            return i;
    }
    return -1;
}

int Strings::IndexOfObject(const Object* object) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Objects(i) == object)
            return i;
    return -1;
}

bool Strings::Equals(const Strings& other) const
{
    const int n = Count();
    if (n != other.Count())
        return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

String Strings::Names(int index) const
{
    const String line = Get(index);
    const size_t at = line.find(m_name_value_separator);
    return at == String::npos ? String() : line.substr(0, at);
}

String Strings::Values(StringView name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? String() : ValueFromIndex(index);
}

void Strings::SetValues(StringView name, StringView value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    String line(name);
    line.push_back(m_name_value_separator);
    line.append(value);
    if (index >= 0)
        ReplaceLine(index, line);
    else
        Add(line);
}

String Strings::ValueFromIndex(int index) const
{
    const String line = Get(index);
    const size_t at = line.find(m_name_value_separator);
    return at == String::npos ? String() : line.substr(at + 1);
}

void Strings::SetValueFromIndex(int index, StringView value)
{
    if (value.empty()) {
        Delete(index);
        return;
    }
    String line = Names(index);
    line.push_back(m_name_value_separator);
    line.append(value);
    ReplaceLine(index, line);
}

void Strings::ReplaceLine(int index, const String& text) { Put(index, text); }

String Strings::Text() const
{
    const int n = Count();
    String out;
    for (int i = 0; i < n; ++i) {
        out.append(Get(i));
        out.append(u"\r\n");
    }
    return out;
}

void Strings::SetText(StringView text)
{
    BeginUpdate();
    try {
        Clear();
        SplitLines(text, [this](StringView line) { Add(String(line)); });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String Strings::DelimitedText() const { return JoinDelimited(*this, m_delimiter, m_quote_char, m_strict_delimiter); }

void Strings::SetDelimitedText(StringView text)
{
    SplitDelimited(*this, text, m_delimiter, m_quote_char, m_strict_delimiter);
}

String Strings::CommaText() const { return JoinDelimited(*this, u',', u'"', false); }

void Strings::SetCommaText(StringView text) { SplitDelimited(*this, text, u',', u'"', false); }

void Strings::LoadFromStream(Stream& stream)
{
    const std::string bytes = stream.ReadToEnd();
    TextEncoding encoding = TextEncoding::Ansi;
    const String text = DecodeText(bytes, &encoding);
    SetText(text);
    m_encoding = encoding;
}

void Strings::LoadFromFile(const String& fileName)
{
    FileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void Strings::SaveToStream(Stream& stream, TextEncoding encoding) const
{
    const std::string bytes = EncodeText(Text(), encoding);
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void Strings::SaveToFile(const String& fileName, TextEncoding encoding) const
{
    FileStream file(fileName, fmCreate);
    SaveToStream(file, encoding);
}

void Strings::BeginUpdate()
{
    if (m_update_count++ == 0)
        SetUpdateState(true);
}

void Strings::EndUpdate()
{
    if (m_update_count <= 0)
        return;
    if (--m_update_count == 0)
        SetUpdateState(false);
}

void Strings::SetUpdateState(bool) {}

int Strings::CompareStrings(StringView a, StringView b) const { return AnsiCompareText(a, b); }

// ---- StringList ---------------------------------------------------------------------------------

StringList::~StringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    if (m_owns_objects)
        for (Item& item : m_items)
            delete item.object;
}

void StringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        IndexError(index);
}

void StringList::CheckUnsorted() const
{
    if (m_sorted)
        throw EListError(u"Operation not allowed on sorted list");
}

void StringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void StringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void StringList::SetUpdateState(bool updating)
{
    if (updating) {
        if (OnChanging)
            OnChanging(this);
    } else if (OnChange) {
        OnChange(this);
    }
}

String StringList::Key(StringView text) const { return m_case_sensitive ? String(text) : AnsiUpperCase(text); }

int StringList::CompareStrings(StringView a, StringView b) const
{
    return m_case_sensitive ? CompareStr(a, b) : AnsiCompareText(a, b);
}

void StringList::DropIndex() const
{
    std::lock_guard guard(m_index_lock);
    if (m_index_valid) {
        m_index.clear();
        m_index_valid = false;
    }
}

String StringList::Get(int index) const
{
    CheckIndex(index);
    return m_items[size_t(index)].text;
}

const String& StringList::operator[](int index) const
{
    CheckIndex(index);
    return m_items[size_t(index)].text;
}

void StringList::ReplaceLine(int index, const String& text)
{
    if (!m_sorted) {
        Put(index, text);
        return;
    }
    // A sorted list cannot change a line in place: the new line moves to where it sorts.
    CheckIndex(index);
    if (m_items[size_t(index)].text == text)
        return;
    int at = 0;
    if (Find(text, at) && m_duplicates == dupError)
        throw EStringListError(u"String list does not allow duplicates");
    BeginUpdate();
    try {
        Object* object = std::exchange(m_items[size_t(index)].object, nullptr);
        Delete(index);
        if (Find(text, at) && m_duplicates == dupIgnore) {
            if (m_owns_objects)
                delete object;
        } else {
            InsertItem(at, text, object);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void StringList::Put(int index, const String& text)
{
    CheckUnsorted();
    CheckIndex(index);
    Changing();
    m_items[size_t(index)].text = text;
    DropIndex();
    Changed();
}

Object* StringList::Objects(int index) const
{
    CheckIndex(index);
    return m_items[size_t(index)].object;
}

void StringList::PutObject(int index, Object* object)
{
    CheckIndex(index);
    Changing();
    Object* old = std::exchange(m_items[size_t(index)].object, object);
    if (m_owns_objects && old != object)
        delete old;
    Changed();
}

bool StringList::Find(StringView text, int& index) const
{
    const String key = Key(text);
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const String& line = m_items[size_t(mid)].text;
        const int c = m_case_sensitive ? CompareStr(line, key) : CompareStr(AnsiUpperCase(line), key);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    index = low;
    return found;
}

int StringList::AddObject(const String& text, Object* object)
{
    int index = Count();
    if (m_sorted && Find(text, index)) {
        if (m_duplicates == dupIgnore)
            return index;
        if (m_duplicates == dupError)
            throw EStringListError(u"String list does not allow duplicates");
    }
    InsertItem(index, text, object);
    return index;
}

void StringList::Insert(int index, const String& text) { InsertObject(index, text, nullptr); }

void StringList::InsertObject(int index, const String& text, Object* object)
{
    CheckUnsorted();
    if (index < 0 || index > Count())
        IndexError(index);
    InsertItem(index, text, object);
}

void StringList::InsertItem(int index, const String& text, Object* object)
{
    Changing();
    m_items.insert(m_items.begin() + index, Item{text, object});
    {
        std::lock_guard guard(m_index_lock);
        if (m_index_valid) {
            if (index == Count() - 1) {
                m_index.emplace(Key(text), index);  // keeps an earlier equal line's index
            } else {
                m_index.clear();
                m_index_valid = false;
            }
        }
    }
    Changed();
}

void StringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    Object* object = m_items[size_t(index)].object;
    m_items.erase(m_items.begin() + index);
    DropIndex();
    if (m_owns_objects)
        delete object;
    Changed();
}

void StringList::Clear()
{
    if (m_items.empty())
        return;
    Changing();
    std::vector<Item> items;
    items.swap(m_items);
    DropIndex();
    if (m_owns_objects)
        for (Item& item : items)
            delete item.object;
    Changed();
}

void StringList::Exchange(int index1, int index2)
{
    CheckUnsorted();
    CheckIndex(index1);
    CheckIndex(index2);
    if (index1 == index2)
        return;
    Changing();
    std::swap(m_items[size_t(index1)], m_items[size_t(index2)]);
    DropIndex();
    Changed();
}

void StringList::Move(int currentIndex, int newIndex)
{
    CheckUnsorted();
    CheckIndex(currentIndex);
    CheckIndex(newIndex);
    if (currentIndex == newIndex)
        return;
    Changing();
    auto from = m_items.begin() + currentIndex;
    auto to = m_items.begin() + newIndex;
    if (currentIndex < newIndex)
        std::rotate(from, from + 1, to + 1);
    else
        std::rotate(to, from, from + 1);
    DropIndex();
    Changed();
}

int StringList::IndexOf(StringView text) const
{
    if (m_sorted) {
        int index = 0;
        return Find(text, index) ? index : -1;
    }
    const int n = Count();
    if (n < IndexThreshold) {
        const String key = Key(text);
        for (int i = 0; i < n; ++i) {
            const String& line = m_items[size_t(i)].text;
            // Case folding keeps the length, so a length mismatch settles it without folding.
            if (line.size() == key.size() && (m_case_sensitive ? line == key : Key(line) == key))
                return i;
        }
        return -1;
    }
    std::lock_guard guard(m_index_lock);
    if (!m_index_valid) {
        m_index.clear();
        m_index.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            m_index.emplace(Key(m_items[size_t(i)].text), i);
        m_index_valid = true;
    }
    const auto found = m_index.find(Key(text));
    return found == m_index.end() ? -1 : found->second;
}

void StringList::SetText(StringView text)
{
    BeginUpdate();
    try {
        Clear();
        if (CanAddInBulk()) {
            std::vector<Item> items;
            SplitLines(text, [&](StringView line) { items.push_back(Item{String(line), nullptr}); });
            AddInBulk(std::move(items));
        } else {
            Strings::SetText(text);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void StringList::AddStrings(const Strings& source)
{
    if (&source == this || !CanAddInBulk()) {
        Strings::AddStrings(source);
        return;
    }
    const bool shareObjects = !(OwnsObjects() && source.OwnsObjects());
    std::vector<Item> items;
    items.reserve(size_t(source.Count()));
    for (int i = 0; i < source.Count(); ++i)
        items.push_back(Item{source.Get(i), shareObjects ? source.Objects(i) : nullptr});
    BeginUpdate();
    try {
        AddInBulk(std::move(items));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool StringList::CanAddInBulk() const { return m_sorted && m_items.empty() && m_duplicates != dupError; }

void StringList::AddInBulk(std::vector<Item> items)
{
    // Adding lines one by one to a sorted list moves half of it per line; an empty sorted list can
    // take them all at once, ending in the order the single adds would give: equal lines keep the
    // first one (dupIgnore) or come newest first (dupAccept).
    const int n = int(items.size());
    std::vector<String> keys;
    keys.reserve(items.size());
    for (const Item& item : items)
        keys.push_back(Key(item.text));
    const bool accept = m_duplicates == dupAccept;
    const std::vector<int> order = MergeSortOrder(n, [&](int a, int b) {
        const int c = CompareStr(keys[size_t(a)], keys[size_t(b)]);
        return c != 0 || !accept ? c : b - a;
    });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    const String* previous = nullptr;
    for (int index : order) {
        // A dropped duplicate's object stays with whoever handed it in, as with a single Add.
        if (!accept && previous && *previous == keys[size_t(index)])
            continue;
        previous = &keys[size_t(index)];
        sorted.push_back(std::move(items[size_t(index)]));
    }
    Changing();
    m_items.swap(sorted);
    DropIndex();
    Changed();
}

void StringList::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    if (sorted) {
        SortBy(nullptr);
    }
    m_sorted = sorted;
}

void StringList::SetCaseSensitive(bool caseSensitive)
{
    if (caseSensitive == m_case_sensitive)
        return;
    m_case_sensitive = caseSensitive;
    DropIndex();
    if (m_sorted)
        SortBy(nullptr);
}

void StringList::Sort()
{
    if (!m_sorted)
        SortBy(nullptr);
}

void StringList::CustomSort(const StringListSortCompare& compare)
{
    if (m_sorted || !compare)
        return;
    SortBy([&](int a, int b) { return compare(*this, a, b); });
}

void StringList::SortBy(const std::function<int(int, int)>& compare)
{
    const int n = Count();
    if (n < 2)
        return;
    std::vector<int> order;
    if (compare) {
        order = MergeSortOrder(n, compare);
    } else {
        // Fold every line once instead of at each comparison.
        std::vector<String> keys;
        keys.reserve(size_t(n));
        for (const Item& item : m_items)
            keys.push_back(Key(item.text));
        order = MergeSortOrder(n, [&](int a, int b) { return CompareStr(keys[size_t(a)], keys[size_t(b)]); });
    }
    Changing();
    Permute(order);
    DropIndex();
    Changed();
}

void StringList::Permute(const std::vector<int>& order)
{
    std::vector<Item> items;
    items.reserve(m_items.size());
    for (int from : order)
        items.push_back(std::move(m_items[size_t(from)]));
    m_items.swap(items);
}

} // namespace core

// String lists: editing, sorting and duplicates, case rules, name=value lines, whole-text forms,
// objects, change events and loading and saving in the encodings the client meets.
#include "core/codepage.h"
#include "core/exception.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "core/test/tempfile.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace core;
using core::test::TempFile;

namespace {

std::vector<String> Lines(const Strings& list)
{
    std::vector<String> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Get(i));
    return out;
}

StringList& Fill(StringList& list, std::initializer_list<const char16_t*> lines)
{
    for (const char16_t* line : lines)
        list.Add(line);
    return list;
}

template <typename E> String MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

// Counts live instances so that tests can see who freed what.
class Counted : public Object {
public:
    explicit Counted(int& live) : m_live(live) { ++m_live; }
    ~Counted() override { --m_live; }

private:
    int& m_live;
};

// The least a list of lines must implement; everything else comes from Strings.
class VectorStrings : public Strings {
public:
    int Count() const override { return int(m_lines.size()); }
    String Get(int index) const override { return m_lines.at(size_t(index)).first; }
    Object* Objects(int index) const override { return m_lines.at(size_t(index)).second; }
    void PutObject(int index, Object* object) override { m_lines.at(size_t(index)).second = object; }
    void Clear() override { m_lines.clear(); }
    void Delete(int index) override { m_lines.erase(m_lines.begin() + index); }
    void Insert(int index, const String& text) override { m_lines.insert(m_lines.begin() + index, {text, nullptr}); }

    std::vector<std::pair<String, Object*>> m_lines;
};

} // namespace

TEST(Strings, DefaultsWorkOverTheAbstractOperations)
{
    int live = 0;
    Counted one(live), two(live);
    VectorStrings list;
    list.SetText(u"Host=a\r\nport=1\r\nlast");
    list.PutObject(0, &one);
    list.PutObject(1, &two);
    list.Exchange(0, 1);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"port=1", u"Host=a", u"last"}));
    EXPECT_EQ(list.Objects(0), &two);
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"Host=a", u"last", u"port=1"}));
    EXPECT_EQ(list.Objects(2), &two);
    list.Put(2, u"PORT=2");  // keeps the object
    EXPECT_EQ(list.Objects(2), &two);
    EXPECT_EQ(list.IndexOf(u"LAST"), 1);
    EXPECT_EQ(list.IndexOfObject(&one), 0);
    EXPECT_EQ(list.Values(u"port"), u"2");
    list.SetValues(u"host", u"b");
    list.SetValues(u"new", u"n");
    EXPECT_EQ(list.CommaText(), u"host=b,last,PORT=2,new=n");
    StringList copy;
    copy.Assign(list);
    EXPECT_TRUE(copy.Equals(list));
    EXPECT_EQ(copy.Objects(0), &one);  // a replaced value keeps its line's object
    EXPECT_EQ(copy.Objects(2), &two);
}

TEST(StringList, EditsLinesAndRejectsBadIndexes)
{
    StringList list;
    Fill(list, {u"a", u"b", u"c"});
    list.Insert(1, u"x");
    list.Insert(4, u"end");
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"x", u"b", u"c", u"end"}));
    list.Delete(0);
    list.Exchange(0, 3);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"end", u"b", u"c", u"x"}));
    list.Move(0, 3);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"b", u"c", u"x", u"end"}));
    list.Move(2, 0);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"x", u"b", u"c", u"end"}));
    list.Put(1, u"B");
    EXPECT_EQ(list[1], u"B");
    EXPECT_EQ(list.IndexOf(u"C"), 2);
    EXPECT_EQ(list.IndexOf(u"nope"), -1);

    const std::function<void()> bad[] = {
        [&] { list.Get(4); },
        [&] { list.Get(-1); },
        [&] { list.Delete(4); },
        [&] { list.Put(7, u""); },
        [&] { list.Insert(5, u""); },
        [&] { list.Exchange(0, 4); },
        [&] { list.Move(4, 0); },
        [&] { list.Objects(4); },
    };
    for (const auto& action : bad) {
        const String message = MessageOf<EStringListError>(action);
        EXPECT_EQ(message.substr(0, 26), u"List index out of bounds (") << ToUtf8(message);
    }
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Get(9); }), u"List index out of bounds (9)");
    EXPECT_EQ(list.Count(), 4);
}

TEST(StringList, SortedListsInsertInOrderAndApplyDuplicateRules)
{
    struct Case { DuplicatesMode mode; std::vector<String> lines; bool raises; } cases[] = {
        {dupIgnore, {u"apple", u"Banana", u"cherry"}, false},
        {dupAccept, {u"apple", u"BANANA", u"Banana", u"cherry"}, false},
        {dupError, {u"apple", u"Banana", u"cherry"}, true},
    };
    for (const auto& c : cases) {
        StringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.mode);
        Fill(list, {u"cherry", u"Banana", u"apple"});
        if (c.raises) {
            EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add(u"BANANA"); }),
                      u"String list does not allow duplicates");
        } else {
            const int index = list.Add(u"BANANA");
            EXPECT_EQ(index, 1);  // the existing line's place, or the first place among equals
        }
        EXPECT_EQ(Lines(list), c.lines) << c.mode;
        int at = -1;
        EXPECT_TRUE(list.Find(u"CHERRY", at));
        EXPECT_EQ(at, int(c.lines.size()) - 1);
        EXPECT_FALSE(list.Find(u"b", at));
        EXPECT_EQ(at, 1);  // where "b" would go
    }

    StringList list;
    list.SetSorted(true);
    Fill(list, {u"b", u"a"});
    const String sortedError = u"Operation not allowed on sorted list";
    EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(0, u"z"); }), sortedError);
    EXPECT_EQ(MessageOf<EListError>([&] { list.Put(0, u"z"); }), sortedError);
    EXPECT_EQ(MessageOf<EListError>([&] { list.Exchange(0, 1); }), sortedError);
    EXPECT_EQ(MessageOf<EListError>([&] { list.Move(0, 1); }), sortedError);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"b"}));
}

TEST(StringList, CaseRulesGovernSearchAndOrder)
{
    StringList list;
    Fill(list, {u"Zeta", u"alpha", u"Ärger", u"beta", u"ärger"});
    EXPECT_FALSE(list.CaseSensitive());
    EXPECT_EQ(list.IndexOf(u"ALPHA"), 1);
    EXPECT_EQ(list.IndexOf(u"äRGER"), 2);  // locale-aware: not only ASCII letters fold
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(u"ALPHA"), -1);
    EXPECT_EQ(list.IndexOf(u"ärger"), 4);

    list.SetCaseSensitive(false);
    list.Sort();
    EXPECT_EQ(Lines(list), (std::vector<String>{u"alpha", u"beta", u"Zeta", u"Ärger", u"ärger"}));
    list.SetCaseSensitive(true);
    list.Sort();
    EXPECT_EQ(Lines(list), (std::vector<String>{u"Zeta", u"alpha", u"beta", u"Ärger", u"ärger"}));

    // A sorted list re-sorts when its case rule changes, so that Find stays right.
    StringList sorted;
    sorted.SetCaseSensitive(true);
    sorted.SetSorted(true);
    Fill(sorted, {u"b", u"B", u"a", u"A"});
    EXPECT_EQ(Lines(sorted), (std::vector<String>{u"A", u"B", u"a", u"b"}));
    sorted.SetCaseSensitive(false);
    EXPECT_EQ(Lines(sorted), (std::vector<String>{u"A", u"a", u"B", u"b"}));
    int at;
    EXPECT_TRUE(sorted.Find(u"b", at));
    EXPECT_EQ(at, 2);
}

TEST(StringList, CustomSortUsesTheCallerOrderAndSurvivesABadOne)
{
    StringList list;
    Fill(list, {u"ccc", u"a", u"bb", u"dddd", u"e"});
    list.CustomSort([](StringList& l, int a, int b) {
        return int(l[a].size()) - int(l[b].size());
    });
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"e", u"bb", u"ccc", u"dddd"}));

    // An inconsistent comparison still leaves every line exactly once.
    StringList big;
    for (int i = 0; i < 500; ++i)
        big.AddObject(IntToStr(i), nullptr);
    std::mt19937 random(7);
    big.CustomSort([&](StringList&, int, int) { return int(random() % 3) - 1; });
    StringList check;
    check.SetSorted(true);
    check.SetDuplicates(dupError);
    check.AddStrings(big);
    EXPECT_EQ(check.Count(), 500);

    // Sorting a list that keeps itself sorted changes nothing.
    StringList sorted;
    sorted.SetSorted(true);
    Fill(sorted, {u"b", u"a"});
    sorted.CustomSort([](StringList&, int a, int b) { return b - a; });
    EXPECT_EQ(Lines(sorted), (std::vector<String>{u"a", u"b"}));
}

TEST(StringList, NameValueLines)
{
    StringList list;
    Fill(list, {u"Host=127.0.0.1", u"bare line", u"Port=8000", u"Empty=", u"Url=a=b"});
    struct Case { int index; String name, value; } lines[] = {
        {0, u"Host", u"127.0.0.1"}, {1, u"", u""}, {2, u"Port", u"8000"}, {3, u"Empty", u""}, {4, u"Url", u"a=b"},
    };
    for (const auto& c : lines) {
        EXPECT_EQ(list.Names(c.index), c.name);
        EXPECT_EQ(list.ValueFromIndex(c.index), c.value);
    }
    EXPECT_EQ(list.Values(u"host"), u"127.0.0.1");
    EXPECT_EQ(list.Values(u"missing"), u"");
    EXPECT_EQ(list.IndexOfName(u"PORT"), 2);
    EXPECT_EQ(list.IndexOfName(u"bare line"), -1);

    list.SetValues(u"port", u"8001");        // replaces in place
    list.SetValues(u"User", u"demo");        // adds at the end
    list.SetValues(u"Host", u"");            // deletes
    list.SetValueFromIndex(0, u"line=2");    // "bare line" has no name
    EXPECT_EQ(Lines(list), (std::vector<String>{u"=line=2", u"port=8001", u"Empty=", u"Url=a=b", u"User=demo"}));
    list.SetValueFromIndex(2, u"");
    EXPECT_EQ(list.IndexOfName(u"Empty"), -1);

    list.SetNameValueSeparator(u':');
    list.Add(u"key:val=ue");
    EXPECT_EQ(list.Values(u"KEY"), u"val=ue");

    // A sorted list moves a changed line to where it sorts.
    StringList sorted;
    sorted.SetSorted(true);
    Fill(sorted, {u"b=2", u"m=5"});
    sorted.SetValues(u"b", u"9");
    sorted.SetValues(u"a", u"1");
    sorted.SetValues(u"zz", u"0");
    EXPECT_EQ(Lines(sorted), (std::vector<String>{u"a=1", u"b=9", u"m=5", u"zz=0"}));
}

TEST(StringList, TextSplitsAtEveryLineBreak)
{
    struct Case { String text; std::vector<String> lines; String joined; } cases[] = {
        {u"", {}, u""},
        {u"a", {u"a"}, u"a\r\n"},
        {u"a\r\nb", {u"a", u"b"}, u"a\r\nb\r\n"},
        {u"a\nb\rc\r\n", {u"a", u"b", u"c"}, u"a\r\nb\r\nc\r\n"},
        {u"a\r\n\r\n", {u"a", u""}, u"a\r\n\r\n"},
        {u"\n", {u""}, u"\r\n"},
        {u"\n\r", {u"", u""}, u"\r\n\r\n"},   // LF then CR: two breaks
        {u"\r\r\n", {u"", u""}, u"\r\n\r\n"},
        {u" x \r\n\ty", {u" x ", u"\ty"}, u" x \r\n\ty\r\n"},  // lines are not trimmed
        {String(u"a\0b", 3), {String(u"a\0b", 3)}, String(u"a\0b\r\n", 5)},
    };
    for (const auto& c : cases) {
        StringList list;
        list.Add(u"old");
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << ToUtf8(c.text);
        EXPECT_EQ(list.Text(), c.joined) << ToUtf8(c.text);
    }
}

TEST(StringList, CommaTextQuotesWhatNeedsIt)
{
    struct Join { std::vector<String> lines; String text; } joins[] = {
        {{}, u""},
        {{u""}, u"\"\""},
        {{u"a", u"b"}, u"a,b"},
        {{u"a b", u"c"}, u"\"a b\",c"},
        {{u"x,y", u"say \"hi\""}, u"\"x,y\",\"say \"\"hi\"\"\""},
        {{u"", u"a", u""}, u",a,"},
        {{u"tab\there"}, u"\"tab\there\""},
        {{u"节点"}, u"节点"},
    };
    for (const auto& c : joins) {
        StringList list;
        for (const String& line : c.lines)
            list.Add(line);
        EXPECT_EQ(list.CommaText(), c.text);
        StringList back;
        back.SetCommaText(c.text);
        EXPECT_EQ(Lines(back), c.lines) << ToUtf8(c.text);
    }

    struct Split { String text; std::vector<String> lines; } splits[] = {
        {u"a, b ,c", {u"a", u"b", u"c"}},
        {u"a b", {u"a", u"b"}},             // blanks separate too
        {u"a,,b", {u"a", u"", u"b"}},
        {u"a,", {u"a", u""}},
        {u"  ", {}},
        {u"\"open", {u"open"}},             // an unclosed quote runs to the end
        {u"\"a\"b,c", {u"a", u"b", u"c"}},
        {String(u"a\0b", 3), {u"a", u"b"}},  // a NUL is a blank, not an end
    };
    for (const auto& c : splits) {
        StringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << ToUtf8(c.text);
    }
}

TEST(StringList, DelimitedTextFollowsDelimiterQuoteAndStrictness)
{
    StringList list;
    list.SetDelimiter(u';');
    list.SetQuoteChar(u'\'');
    list.SetDelimitedText(u"a b;'c;d';'it''s'");
    EXPECT_EQ(Lines(list), (std::vector<String>{u"a", u"b", u"c;d", u"it's"}));
    EXPECT_EQ(list.DelimitedText(), u"a;b;'c;d';'it''s'");
    EXPECT_EQ(list.CommaText(), u"a,b,c;d,it's");  // CommaText keeps its own characters

    list.SetStrictDelimiter(true);
    list.SetDelimitedText(u" a b ; c ");
    EXPECT_EQ(Lines(list), (std::vector<String>{u" a b ", u" c "}));
    EXPECT_EQ(list.DelimitedText(), u" a b ; c ");
}

TEST(StringList, OwnedObjectsAreFreedWithTheirLines)
{
    int live = 0;
    {
        StringList list(true);
        list.AddObject(u"one", new Counted(live));
        list.AddObject(u"two", new Counted(live));
        Object* third = new Counted(live);
        list.AddObject(u"three", third);
        EXPECT_EQ(live, 3);
        EXPECT_EQ(list.IndexOfObject(third), 2);
        list.Move(2, 0);  // moving keeps the object
        list.Exchange(0, 1);
        EXPECT_EQ(live, 3);
        EXPECT_EQ(list.Objects(1), third);
        list.Delete(0);
        EXPECT_EQ(live, 2);
        list.PutObject(0, new Counted(live));  // the replaced object goes
        EXPECT_EQ(live, 2);

        StringList view;  // a list that does not own shares the objects
        view.Assign(list);
        EXPECT_EQ(view.Objects(0), list.Objects(0));
        StringList other(true);  // two owners cannot share
        other.Assign(list);
        EXPECT_EQ(other.Objects(0), nullptr);
        EXPECT_EQ(other.Count(), 2);

        list.Clear();
        EXPECT_EQ(live, 0);
        list.AddObject(u"kept until the list goes", new Counted(live));
    }
    EXPECT_EQ(live, 0);

    StringList notOwning;
    Counted survivor(live);
    notOwning.AddObject(u"x", &survivor);
    notOwning.Delete(0);
    EXPECT_EQ(live, 1);
}

TEST(StringList, ChangeEventsFireOnceAfterAnUpdate)
{
    StringList list;
    std::vector<std::string> log;
    list.OnChanging = [&](Object* sender) { log.push_back(sender == &list ? "changing" : "?"); };
    list.OnChange = [&](Object* sender) { log.push_back(sender == &list ? "change" : "?"); };
    list.Add(u"a");
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change"}));

    log.clear();
    list.BeginUpdate();
    list.Add(u"b");
    list.BeginUpdate();
    list.Delete(0);
    list.SetText(u"x\r\ny");
    list.EndUpdate();
    EXPECT_EQ(log, (std::vector<std::string>{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change"}));
    list.EndUpdate();  // unbalanced: ignored
    EXPECT_EQ(list.UpdateCount(), 0);

    log.clear();
    list.Clear();
    list.Clear();  // already empty: no change
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change"}));
}

TEST(StringList, AssignAddStringsAndEquals)
{
    StringList a, b;
    Fill(a, {u"x=1", u"y=2"});
    a.SetNameValueSeparator(u':');
    a.SetDelimiter(u'|');
    b.Add(u"junk");
    b.Assign(a);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(b.NameValueSeparator(), u':');
    EXPECT_EQ(b.DelimitedText(), u"x=1|y=2");
    b.AddStrings(b);
    EXPECT_EQ(Lines(b), (std::vector<String>{u"x=1", u"y=2", u"x=1", u"y=2"}));
    EXPECT_FALSE(b.Equals(a));
    b.Assign(b);
    EXPECT_EQ(b.Count(), 4);
    StringList upper;
    Fill(upper, {u"X=1", u"Y=2"});
    EXPECT_FALSE(upper.Equals(a));  // lines compare exactly
}

TEST(StringList, LoadAndSaveInAnsiUtf8AndUtf16)
{
    const String text = u"[华东]\r\n上海=1.2.3.4,80%,1\r\n";
    struct Case { TextEncoding encoding; std::string bytes; } cases[] = {
        {TextEncoding::Ansi, "[\xBB\xAA\xB6\xAB]\r\n\xC9\xCF\xBA\xA3=1.2.3.4,80%,1\r\n"},
        {TextEncoding::Utf8, "\xEF\xBB\xBF[\xE5\x8D\x8E\xE4\xB8\x9C]\r\n\xE4\xB8\x8A\xE6\xB5\xB7=1.2.3.4,80%,1\r\n"},
        {TextEncoding::Utf16LE, std::string("\xFF\xFE[\0\x4E\x53\x1C\x4E]\0\r\0\n\0", 14)},
    };
    for (const auto& c : cases) {
        StringList list;
        list.SetText(text);
        StringStream out;
        list.SaveToStream(out, c.encoding);
        if (c.encoding == TextEncoding::Utf16LE)
            EXPECT_EQ(out.DataString().substr(0, c.bytes.size()), c.bytes);
        else
            EXPECT_EQ(out.DataString(), c.bytes);

        StringList back;
        out.SetPosition(0);
        back.LoadFromStream(out);
        EXPECT_EQ(back.Text(), text);
        EXPECT_EQ(back.Encoding(), c.encoding);

        // Saving without an encoding keeps the one the text was read in.
        TempFile file;
        back.SaveToFile(file.Name());
        StringList again;
        again.LoadFromFile(file.Name());
        EXPECT_EQ(again.Encoding(), c.encoding);
        EXPECT_TRUE(again.Equals(back));
    }

    // Loading reads from the stream's position; a new list writes ANSI.
    StringStream stream("skip\xC4\xE3\xBA\xC3\r\n");
    stream.SetPosition(4);
    StringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(Lines(list), (std::vector<String>{u"你好"}));
    StringList fresh;
    fresh.Add(u"你好");
    StringStream out;
    fresh.SaveToStream(out);
    EXPECT_EQ(out.DataString(), "\xC4\xE3\xBA\xC3\r\n");

    EXPECT_THROW(list.LoadFromFile(u"no such folder/none.txt"), EFOpenError);
}

TEST(StringList, LargeListsStayFast)
{
    // Quadratic behaviour would make these take minutes under the sanitizers.
    constexpr int n = 60000;
    StringList unsorted;
    for (int i = 0; i < n; ++i)
        if (unsorted.IndexOf(u"Node-" + IntToStr(i % (n / 2))) < 0)
            unsorted.Add(u"node-" + IntToStr(i % (n / 2)));
    EXPECT_EQ(unsorted.Count(), n / 2);
    for (int i = 0; i < n / 2; i += 997)
        EXPECT_EQ(unsorted.IndexOf(u"NODE-" + IntToStr(i)), i);
    unsorted.Delete(0);
    EXPECT_EQ(unsorted.IndexOf(u"node-1"), 0);  // the index follows deletions
    unsorted.Insert(0, u"node-1");
    EXPECT_EQ(unsorted.IndexOf(u"node-1"), 0);  // first of two equal lines

    // Single adds to a sorted list shift the lines after the new one, as on the platform; a few
    // thousand stay quick.
    StringList sorted;
    sorted.SetSorted(true);
    std::mt19937 random(1);
    for (int i = 0; i < 8000; ++i)
        sorted.Add(IntToStr(random() % 100000));
    for (int i = 1; i < sorted.Count(); ++i)
        ASSERT_LT(CompareText(sorted[i - 1], sorted[i]), 0);
    int at;
    EXPECT_TRUE(sorted.Find(sorted[100], at));
    EXPECT_EQ(at, 100);

    // Loading a big text into a sorted list goes in one step.
    StringList loaded;
    loaded.SetSorted(true);
    String text;
    for (int i = 0; i < 200000; ++i)
        text += IntToStr(random() % 150000) + u"\r\n";
    loaded.SetText(text);
    for (int i = 1; i < loaded.Count(); ++i)
        ASSERT_LT(CompareText(loaded[i - 1], loaded[i]), 0);
}

TEST(StringList, BulkLoadsOfSortedListsMatchSingleAdds)
{
    const String text = u"b\r\nB\r\na\r\nb\r\nC\r\nA\r\nc\r\n";
    for (DuplicatesMode mode : {dupIgnore, dupAccept, dupError}) {
        for (bool caseSensitive : {false, true}) {
            StringList one, bulk, assigned;
            for (StringList* list : {&one, &bulk, &assigned}) {
                list->SetCaseSensitive(caseSensitive);
                list->SetSorted(true);
                list->SetDuplicates(mode);
            }
            StringList source;
            source.SetText(text);
            bool raised = false;
            try {
                for (int i = 0; i < source.Count(); ++i)
                    one.Add(source[i]);
            } catch (const EStringListError&) {
                raised = true;
            }
            if (raised) {
                EXPECT_THROW(bulk.SetText(text), EStringListError);
                EXPECT_THROW(assigned.Assign(source), EStringListError);
            } else {
                bulk.SetText(text);
                assigned.Assign(source);
            }
            EXPECT_EQ(Lines(bulk), Lines(one)) << mode << caseSensitive;
            EXPECT_EQ(Lines(assigned), Lines(one)) << mode << caseSensitive;
        }
    }
}

TEST(StringList, ConcurrentReadersShareTheSearchIndex)
{
    StringList list;
    for (int i = 0; i < 2000; ++i)
        list.Add(u"line" + IntToStr(i));
    std::vector<std::thread> readers;
    std::vector<int> misses(4, 0);
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&, t] {
            for (int i = t; i < 2000; i += 3)
                if (list.IndexOf(u"LINE" + IntToStr(i)) != i)
                    ++misses[size_t(t)];
        });
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(misses, std::vector<int>(4, 0));
}

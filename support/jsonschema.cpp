// Validation of a JSON value against a rule document.
//
// A rule is an object: "type" (str, int, float, number, text, bool, map, seq, scalar, any), and
// optionally "name" (registers it), "inherit" (a registered rule whose members apply where this one
// lacks them), "required", "enum", "length", "range", "mapping" (member rules of a map), "sequence"
// (the element rule of a seq) and "unique". Every violation is reported, in traversal order, with the
// path of the value (".member", "[index]"); only malformed definitions stop the check at once.
#include "support/jsonobject.h"

#include "support/jsonarray.h"
#include "support/jsonreader.h"
#include "support/jsontable.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace support {

namespace {

enum RuleType { rtNone, rtStr, rtInt, rtFloat, rtNumber, rtText, rtBool, rtMap, rtSeq, rtScalar, rtAny };

const std::map<String, RuleType>& TypeTable()
{
    static const std::map<String, RuleType> table{
        {u"str", rtStr},   {u"int", rtInt},   {u"float", rtFloat}, {u"number", rtNumber}, {u"text", rtText},
        {u"bool", rtBool}, {u"map", rtMap},   {u"seq", rtSeq},     {u"scalar", rtScalar}, {u"any", rtAny},
    };
    return table;
}

// Marks a container while its members are checked: a container reached again inside itself has been
// checked (or is being checked) already. Only containers are marked, as a marked value writes itself
// as null and the scalar checks compare texts.
class ContainerMark {
public:
    explicit ContainerMark(IJsonObject* value) : m_value(value) { m_value->SetProcessing(true); }
    ~ContainerMark() { m_value->SetProcessing(false); }
    ContainerMark(const ContainerMark&) = delete;
    ContainerMark& operator=(const ContainerMark&) = delete;

private:
    IJsonObject* m_value;
};

class Validator {
public:
    Validator(TJsonOnValidateError callback, void* sender) : m_callback(callback), m_sender(sender) {}

    void Report(TJsonValidateError error, const String& path)
    {
        if (m_callback)
            m_callback(m_sender, error, path);
    }

    void Register(IJsonObject* rule)
    {
        if (!rule || rule->GetDataType() != stObject || !m_registered.insert(rule).second)
            return;
        JsonRef name = rule->AsObject()->GetMember(u"name");
        if (IsValueOfType(name, stString))
            m_names[name->AsString()] = rule;
        const RuleType type = TypeOf(rule);
        if (type == rtMap) {
            JsonRef mapping = Property(u"mapping", rule);
            if (IsValueOfType(mapping, stObject)) {
                TJsonAvlIterator it(*mapping->AsObject());
                while (it.MoveNext())
                    Register(static_cast<IJsonObject*>(it.Current()->Ptr()));
            }
        } else if (type == rtSeq) {
            JsonRef sequence = Property(u"sequence", rule);
            if (IsValueOfType(sequence, stObject))
                Register(sequence.get());
        }
    }

    // The rule and the rules it inherits from, nearest first. A chain that comes back to a rule it
    // already passed ends there.
    std::vector<IJsonObject*> Chain(IJsonObject* rule) const
    {
        std::vector<IJsonObject*> chain;
        while (rule && rule->GetDataType() == stObject) {
            for (IJsonObject* seen : chain)
                if (seen == rule)
                    return chain;
            chain.push_back(rule);
            JsonRef inherit = rule->AsObject()->GetMember(u"inherit");
            if (!IsValueOfType(inherit, stString))
                break;
            auto found = m_names.find(inherit->AsString());
            rule = found == m_names.end() ? nullptr : found->second;
        }
        return chain;
    }

    JsonRef Property(StringView name, IJsonObject* rule) const
    {
        for (IJsonObject* r : Chain(rule))
            if (JsonRef value = r->AsObject()->GetMember(name))
                return value;
        return nullptr;
    }

    RuleType TypeOf(IJsonObject* rule) const
    {
        JsonRef type = Property(u"type", rule);
        if (!type)
            return rtNone;
        auto found = TypeTable().find(type->AsString());
        return found == TypeTable().end() ? rtNone : found->second;
    }

    bool Flag(StringView name, IJsonObject* rule)
    {
        JsonRef value = Property(name, rule);
        if (!value || value->GetDataType() == stNull)
            return false;
        if (value->GetDataType() == stBoolean)
            return value->AsBoolean();
        Report(veRuleMalformated, String(name));
        return false;
    }

    JsonRef MemberRule(IJsonObject* rule, StringView name) const
    {
        for (IJsonObject* r : Chain(rule)) {
            JsonRef mapping = r->AsObject()->GetMember(u"mapping");
            if (IsValueOfType(mapping, stObject))
                if (JsonRef member = mapping->AsObject()->GetMember(name))
                    return member;
        }
        return nullptr;
    }

    // The member rules of the rule and of those it inherits, the nearest first for each name.
    std::vector<std::pair<String, JsonRef>> CollectedMapping(IJsonObject* rule) const
    {
        std::vector<std::pair<String, JsonRef>> result;
        std::set<String> names;
        for (IJsonObject* r : Chain(rule)) {
            JsonRef mapping = r->AsObject()->GetMember(u"mapping");
            if (!IsValueOfType(mapping, stObject))
                continue;
            TJsonAvlIterator it(*mapping->AsObject());
            while (it.MoveNext())
                if (names.insert(it.Current()->Name()).second)
                    result.emplace_back(it.Current()->Name(), it.Current()->Value());
        }
        return result;
    }

    bool Bounds(StringView property, IJsonObject* rule, const String& path, TJsonValidateError error,
                bool (*fails)(const JsonRef& bound, StringView which, void* context), void* context)
    {
        JsonRef bounds = Property(property, rule);
        if (!bounds || bounds->GetDataType() == stNull)
            return true;
        if (bounds->GetDataType() != stObject) {
            Report(veRuleMalformated, String());
            return false;
        }
        bool ok = true;
        for (StringView which : {u"min", u"max", u"minex", u"maxex"}) {
            JsonRef bound = bounds->AsObject()->GetMember(which);
            if (bound && fails(bound, which, context)) {
                Report(error, path);
                ok = false;
            }
        }
        return ok;
    }

    bool Length(IJsonObject* rule, int64_t n, const String& path)
    {
        return Bounds(u"length", rule, path, veInvalidLength,
                      [](const JsonRef& bound, StringView which, void* context) {
                          const int64_t count = *static_cast<int64_t*>(context);
                          const int64_t b = bound->AsInteger();
                          if (which == u"min")
                              return count < b;
                          if (which == u"max")
                              return count > b;
                          if (which == u"minex")
                              return count <= b;
                          return count >= b;
                      },
                      &n);
    }

    bool Range(IJsonObject* rule, IJsonObject* value, const String& path)
    {
        JsonRef v(value);
        return Bounds(u"range", rule, path, veInvalidRange,
                      [](const JsonRef& bound, StringView which, void* context) {
                          const TJsonCompareResult c = bound->Compare(*static_cast<JsonRef*>(context));
                          if (which == u"min")
                              return c == cpGreat;
                          if (which == u"max")
                              return c == cpLess;
                          if (which == u"minex")
                              return c == cpEqu || c == cpGreat;
                          return c == cpLess || c == cpEqu;
                      },
                      &v);
    }

    bool Enum(IJsonObject* rule, IJsonObject* value, const String& path)
    {
        JsonRef entries = Property(u"enum", rule);
        if (!entries || entries->GetDataType() == stNull)
            return true;
        if (entries->GetDataType() != stArray) {
            Report(veRuleMalformated, String());
            return false;
        }
        // A nil entry counts as the empty text.
        const String text = value->AsString();
        TJsonArray* array = entries->AsArray();
        for (int32_t i = 0; i < array->Length(); ++i) {
            IJsonObject* entry = array->Item(i);
            if ((entry ? entry->AsString() : String()) == text)
                return true;
        }
        Report(veValueNotInEnum, path);
        return false;
    }

    // Reports each later element whose text repeats an earlier one; nil elements and empty texts
    // take no part.
    bool Unique(const std::vector<std::pair<String, IJsonObject*>>& items)
    {
        bool ok = true;
        std::set<String> seen;
        for (const auto& [path, item] : items) {
            if (!item)
                continue;
            const String text = item->AsString();
            if (text.empty())
                continue;
            if (!seen.insert(text).second) {
                Report(veDuplicateEntry, path);
                ok = false;
            }
        }
        return ok;
    }

    bool Node(IJsonObject* value, IJsonObject* rule, const String& path)
    {
        if (!value) {
            if (Flag(u"required", rule)) {
                Report(veFieldIsRequired, path);
                return false;
            }
            return true;
        }
        const TJsonType kind = value->GetDataType();
        auto typed = [&](bool matches) {
            if (!matches)
                Report(veInvalidDataType, path);
            return matches;
        };
        bool ok = true;
        switch (TypeOf(rule)) {
        case rtStr:
            ok = typed(kind == stString) && Length(rule, int64_t(value->AsString().size()), path) &&
                 Range(rule, value, path);
            break;
        case rtInt:
            ok = typed(kind == stInt) && Range(rule, value, path);
            break;
        case rtFloat:
            ok = typed(kind == stDouble) && Range(rule, value, path);
            break;
        case rtBool:
            ok = typed(kind == stBoolean) && Range(rule, value, path);
            break;
        case rtNumber:
            ok = typed(kind == stDouble || kind == stInt) && Range(rule, value, path);
            break;
        case rtText:
        case rtScalar: {
            const bool accepted = kind == stDouble || kind == stInt || kind == stString ||
                                  (kind == stBoolean && TypeOf(rule) == rtScalar);
            ok = typed(accepted) && Length(rule, int64_t(value->AsString().size()), path) && Range(rule, value, path);
            break;
        }
        case rtMap:
            ok = Map(value, rule, path);
            break;
        case rtSeq:
            ok = Seq(value, rule, path);
            break;
        case rtAny:
            break;
        case rtNone:
            Report(veRuleMalformated, path);
            ok = false;
            break;
        }
        return ok && Enum(rule, value, path);
    }

    bool Map(IJsonObject* value, IJsonObject* rule, const String& path)
    {
        if (value->GetDataType() == stNull)
            return true;
        if (value->GetDataType() != stObject) {
            Report(veRuleMalformated, path);
            return false;
        }
        if (value->GetProcessing())
            return true;
        ContainerMark mark(value);
        bool ok = true;
        TJsonTableString* table = value->AsObject();
        TJsonAvlIterator it(*table);
        while (it.MoveNext()) {
            const String memberPath = path + u"." + it.Current()->Name();
            JsonRef memberRule = MemberRule(rule, it.Current()->Name());
            if (IsValueOfType(memberRule, stObject)) {
                ok = Node(static_cast<IJsonObject*>(it.Current()->Ptr()), memberRule.get(), memberPath) && ok;
            } else {
                Report(veUnexpectedField, memberPath);
                ok = false;
            }
        }
        for (const auto& [name, memberRule] : CollectedMapping(rule)) {
            if (!table->FindEntry(name, stEQual)) {
                Report(veFieldNotFound, path + u"." + name);
                ok = false;
            }
        }
        return ok;
    }

    bool Seq(IJsonObject* value, IJsonObject* rule, const String& path)
    {
        if (value->GetDataType() != stArray) {
            Report(veRuleMalformated, path);
            return false;
        }
        if (value->GetProcessing())
            return true;
        ContainerMark mark(value);
        TJsonArray* array = value->AsArray();
        JsonRef sequence = Property(u"sequence", rule);
        bool ok = true;
        if (sequence && sequence->GetDataType() != stNull && sequence->GetDataType() != stObject) {
            Report(veRuleMalformated, path);
            return false;
        }
        if (IsValueOfType(sequence, stObject)) {
            IJsonObject* s = sequence.get();
            auto elementPath = [&](int32_t i) { return path + u"[" + core::IntToStr(i) + u"]"; };
            for (int32_t i = 0; i < array->Length(); ++i)
                ok = Node(array->Item(i), s, elementPath(i)) && ok;
            if (Flag(u"unique", s)) {
                std::vector<std::pair<String, IJsonObject*>> items;
                for (int32_t i = 0; i < array->Length(); ++i)
                    items.emplace_back(elementPath(i), array->Item(i));
                ok = Unique(items) && ok;
            }
            if (TypeOf(s) == rtMap) {
                for (const auto& [name, memberRule] : CollectedMapping(s)) {
                    if (!IsValueOfType(memberRule, stObject) || !Flag(u"unique", memberRule.get()))
                        continue;
                    std::vector<std::pair<String, IJsonObject*>> items;
                    for (int32_t i = 0; i < array->Length(); ++i) {
                        IJsonObject* element = array->Item(i);
                        if (!element || element->GetDataType() != stObject)
                            continue;
                        TJsonAvlEntry* entry = element->AsObject()->FindEntry(name, stEQual);
                        if (entry)
                            items.emplace_back(elementPath(i) + u"." + name, static_cast<IJsonObject*>(entry->Ptr()));
                    }
                    ok = Unique(items) && ok;
                }
            }
        }
        return ok && Length(rule, array->Length(), path);
    }

private:
    TJsonOnValidateError m_callback;
    void* m_sender;
    std::map<String, IJsonObject*> m_names;
    std::set<IJsonObject*> m_registered;
};

} // namespace

bool TJsonObject::Validate(const JsonRef& rules, const JsonRef& defs, TJsonOnValidateError callback, void* sender)
{
    Validator validator(callback, sender);
    if (IsValueOfType(defs, stArray)) {
        TJsonArray* array = defs->AsArray();
        for (int32_t i = 0; i < array->Length(); ++i) {
            IJsonObject* def = array->Item(i);
            if (!def || def->GetDataType() != stObject) {
                validator.Report(veRuleMalformated, String());
                return false;
            }
            validator.Register(def);
        }
    }
    if (!IsValueOfType(rules, stObject)) {
        validator.Report(veRuleMalformated, String());
        return false;
    }
    validator.Register(rules.get());
    return validator.Node(this, rules.get(), String());
}

bool TJsonObject::Validate(StringView rules, StringView defs, TJsonOnValidateError callback, void* sender)
{
    return Validate(ParseJsonText(rules), ParseJsonText(defs), callback, sender);
}

} // namespace support

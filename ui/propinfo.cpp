// The property registry: classes by C++ type, looked up by the most derived match and walked up
// through the parents' registrations.
#include "ui/propinfo.h"

#include <deque>
#include <mutex>

namespace ui {
namespace {

struct Registry {
    std::mutex lock;
    std::deque<ClassInfo> classes; // a deque keeps entries in place as it grows
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

const ClassInfo* ByType(Registry& r, std::type_index type)
{
    for (const ClassInfo& c : r.classes)
        if (c.type == type)
            return &c;
    return nullptr;
}

int Depth(Registry& r, const ClassInfo* info)
{
    int depth = 0;
    // Bounded: a chain longer than the registry has a loop.
    for (size_t guard = 0; info && guard <= r.classes.size(); ++guard, ++depth)
        info = ByType(r, info->parent);
    return depth;
}

bool SameName(core::StringView a, core::StringView b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

std::vector<core::StringView> SplitNames(core::StringView text)
{
    std::vector<core::StringView> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(u',', start);
        if (comma == core::StringView::npos)
            comma = text.size();
        core::StringView name = text.substr(start, comma - start);
        while (!name.empty() && name.front() == u' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == u' ')
            name.remove_suffix(1);
        if (!name.empty())
            names.push_back(name);
        start = comma + 1;
    }
    return names;
}

const PropInfo* Find(const core::Object* obj, core::StringView name, PropKind kind1, PropKind kind2)
{
    const PropInfo* p = obj ? FindProperty(*obj, name) : nullptr;
    return p && (p->kind == kind1 || p->kind == kind2) ? p : nullptr;
}

} // namespace

void RegisterClassInfo(ClassInfo info)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (ClassInfo& c : r.classes)
        if (c.type == info.type) {
            c = std::move(info);
            return;
        }
    r.classes.push_back(std::move(info));
}

const ClassInfo* FindClass(const core::Object& obj)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    const ClassInfo* best = nullptr;
    int bestDepth = -1;
    for (const ClassInfo& c : r.classes) {
        if (c.matches && c.matches(obj)) {
            const int depth = Depth(r, &c);
            if (depth > bestDepth) {
                best = &c;
                bestDepth = depth;
            }
        }
    }
    return best;
}

core::String ClassNameOf(const core::Object& obj)
{
    const ClassInfo* info = FindClass(obj);
    // An unregistered class derived from a registered one is still its own class.
    if (info && info->type == std::type_index(typeid(obj)))
        return info->className;
    return obj.ClassName();
}

const PropInfo* FindProperty(const core::Object& obj, core::StringView name)
{
    const ClassInfo* info = FindClass(obj);
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (size_t hop = 0; info && hop <= r.classes.size(); ++hop, info = ByType(r, info->parent))
        for (const PropInfo& p : info->properties)
            if (SameName(p.name, name))
                return &p;
    return nullptr;
}

bool HasProperty(const core::Object* obj, core::StringView name) { return obj && FindProperty(*obj, name); }

int64_t GetOrdProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = obj ? FindProperty(*obj, name) : nullptr;
    if (!p || p->kind == pkObject || p->kind == pkMethod || !p->getOrd)
        return -1;
    return p->getOrd(const_cast<core::Object&>(*obj));
}

void SetOrdProperty(core::Object* obj, core::StringView name, int64_t value)
{
    const PropInfo* p = obj ? FindProperty(*obj, name) : nullptr;
    if (p && p->kind != pkObject && p->kind != pkMethod && p->setOrd)
        p->setOrd(*obj, value);
}

core::Object* GetObjectProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = Find(obj, name, pkObject, pkObject);
    return p && p->getObject ? p->getObject(const_cast<core::Object&>(*obj)) : nullptr;
}

void SetObjectProperty(core::Object* obj, core::StringView name, core::Object* value)
{
    const PropInfo* p = Find(obj, name, pkObject, pkObject);
    if (p && p->setObject)
        p->setObject(*obj, value);
}

MethodValue GetMethodProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = Find(obj, name, pkMethod, pkMethod);
    return p && p->getMethod ? p->getMethod(const_cast<core::Object&>(*obj)) : MethodValue{};
}

void SetMethodProperty(core::Object* obj, core::StringView name, const MethodValue& value)
{
    const PropInfo* p = Find(obj, name, pkMethod, pkMethod);
    if (p && p->setMethod)
        p->setMethod(*obj, value);
}

core::String GetSetProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = Find(obj, name, pkSet, pkSet);
    core::String text;
    if (!p || !p->getOrd)
        return text;
    const uint64_t bits = uint64_t(p->getOrd(const_cast<core::Object&>(*obj)));
    for (size_t i = 0; i < p->elements.size() && i < 32; ++i)
        if (bits & (uint64_t(1) << i)) {
            if (!text.empty())
                text += u',';
            text += p->elements[i];
        }
    return text;
}

void SetSetProperty(core::Object* obj, core::StringView name, core::StringView text)
{
    const PropInfo* p = Find(obj, name, pkSet, pkSet);
    if (!p || !p->setOrd)
        return;
    uint64_t bits = 0;
    for (core::StringView element : SplitNames(text))
        for (size_t i = 0; i < p->elements.size() && i < 32; ++i)
            if (p->elements[i] == element)
                bits |= uint64_t(1) << i;
    p->setOrd(*obj, int64_t(bits));
}

bool SetPropHasElement(const core::Object* obj, core::StringView name, core::StringView element)
{
    const PropInfo* p = Find(obj, name, pkSet, pkSet);
    if (!p || !p->getOrd)
        return false;
    const uint64_t bits = uint64_t(p->getOrd(const_cast<core::Object&>(*obj)));
    for (size_t i = 0; i < p->elements.size() && i < 32; ++i)
        if (p->elements[i] == element)
            return (bits & (uint64_t(1) << i)) != 0;
    return false;
}

bool ChangeSetProperty(core::Object* obj, core::StringView name, core::StringView element, bool include)
{
    if (!Find(obj, name, pkSet, pkSet) || element.empty())
        return false;
    core::String text = GetSetProperty(obj, name);
    if (include) {
        if (text.find(element) == core::String::npos)
            SetSetProperty(obj, name, text + u"," + core::String(element));
        return false;
    }
    const core::String withComma = u"," + core::String(element), commaAfter = core::String(element) + u",";
    for (const core::String& piece : {withComma, commaAfter, core::String(element)}) {
        const size_t at = text.find(piece);
        if (at != core::String::npos) {
            text.erase(at, piece.size());
            SetSetProperty(obj, name, text);
            break;
        }
    }
    return false;
}

core::String GetStrProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = Find(obj, name, pkString, pkString);
    return p && p->getStr ? p->getStr(const_cast<core::Object&>(*obj)) : core::String();
}

void SetStrProperty(core::Object* obj, core::StringView name, core::StringView value)
{
    const PropInfo* p = Find(obj, name, pkString, pkString);
    if (p && p->setStr)
        p->setStr(*obj, value);
}

PropInfo StrProperty(core::StringView name, std::function<core::String(core::Object&)> get,
                     std::function<void(core::Object&, core::StringView)> set)
{
    PropInfo p;
    p.name = core::String(name);
    p.kind = pkString;
    p.getStr = std::move(get);
    p.setStr = std::move(set);
    return p;
}

bool IsStoredProperty(const core::Object* obj, core::StringView name)
{
    const PropInfo* p = obj ? FindProperty(*obj, name) : nullptr;
    if (!p)
        return false;
    if (!p->defaultValue || !p->getOrd)
        return true;
    return p->getOrd(const_cast<core::Object&>(*obj)) != *p->defaultValue;
}

PropInfo WithDefault(PropInfo info, int64_t defaultValue)
{
    info.defaultValue = defaultValue;
    return info;
}

PropInfo OrdProperty(core::StringView name, std::function<int64_t(core::Object&)> get,
                     std::function<void(core::Object&, int64_t)> set, PropKind kind)
{
    PropInfo p;
    p.name = core::String(name);
    p.kind = kind;
    p.getOrd = std::move(get);
    p.setOrd = std::move(set);
    return p;
}

PropInfo SetProperty(core::StringView name, std::vector<core::String> elements, std::function<int64_t(core::Object&)> get,
                     std::function<void(core::Object&, int64_t)> set)
{
    PropInfo p = OrdProperty(name, std::move(get), std::move(set), pkSet);
    p.elements = std::move(elements);
    return p;
}

PropInfo ObjectProperty(core::StringView name, std::function<core::Object*(core::Object&)> get,
                        std::function<void(core::Object&, core::Object*)> set)
{
    PropInfo p;
    p.name = core::String(name);
    p.kind = pkObject;
    p.getObject = std::move(get);
    p.setObject = std::move(set);
    return p;
}

PropInfo MethodProperty(core::StringView name, std::function<MethodValue(core::Object&)> get,
                        std::function<void(core::Object&, const MethodValue&)> set)
{
    PropInfo p;
    p.name = core::String(name);
    p.kind = pkMethod;
    p.getMethod = std::move(get);
    p.setMethod = std::move(set);
    return p;
}

} // namespace ui

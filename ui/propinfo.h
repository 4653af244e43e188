// Published properties by name. A class registers its properties (ordinal, colour, set, object and
// method kinds) with the name of its parent class; a lookup walks from the object's most derived
// registered class up the chain. Code that handles controls of classes it does not know reads and
// writes them only through here: a property that is missing is "absent" and the call does nothing.
#pragma once

#include "core/object.h"
#include "core/string.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <typeindex>
#include <vector>

namespace ui {

enum PropKind { pkOrdinal, pkColor, pkSet, pkObject, pkMethod, pkString };

// An event handler held as a method: the object it belongs to, an identity that says which of its
// handlers it is (two methods are equal when both match) and the callable itself.
struct MethodValue {
    core::Object* target = nullptr;
    const void* identity = nullptr;
    std::shared_ptr<void> callable;

    bool Assigned() const { return identity != nullptr; }
    bool operator==(const MethodValue& other) const { return target == other.target && identity == other.identity; }
};

struct PropInfo {
    core::String name;
    PropKind kind = pkOrdinal;
    // Element names of a set, bit i for element i (at most 32).
    std::vector<core::String> elements;
    std::function<int64_t(core::Object&)> getOrd;
    std::function<void(core::Object&, int64_t)> setOrd;
    std::function<core::Object*(core::Object&)> getObject;
    std::function<void(core::Object&, core::Object*)> setObject;
    std::function<MethodValue(core::Object&)> getMethod;
    std::function<void(core::Object&, const MethodValue&)> setMethod;
    std::function<core::String(core::Object&)> getStr;
    std::function<void(core::Object&, core::StringView)> setStr;
    // The ordinal value that is not written when the object is stored; none: always written.
    std::optional<int64_t> defaultValue;
};

struct ClassInfo {
    core::String className;
    std::type_index type = typeid(void);
    std::type_index parent = typeid(void);
    std::function<bool(const core::Object&)> matches; // the object is of this class or derived from it
    std::vector<PropInfo> properties;
};

// Registers class T (derived from core::Object) under className with parent class P (void for a
// root), replacing an earlier registration of T. Returns the entry to add properties to through
// the helpers below; it stays valid while the process runs.
template <class T, class P = void> void RegisterPropClass(core::StringView className, std::vector<PropInfo> properties);
void RegisterClassInfo(ClassInfo info);

// The registered class of obj (the most derived one it matches), null when none matches.
const ClassInfo* FindClass(const core::Object& obj);
// The registered class name of obj, or its own ClassName() when its class is not registered.
core::String ClassNameOf(const core::Object& obj);
// The property of that name (compared without case) along the class chain, null when absent.
const PropInfo* FindProperty(const core::Object& obj, core::StringView name);

bool HasProperty(const core::Object* obj, core::StringView name);
// Ordinal value of an ordinal, colour or set property; -1 when absent (or another kind).
int64_t GetOrdProperty(const core::Object* obj, core::StringView name);
void SetOrdProperty(core::Object* obj, core::StringView name, int64_t value);
core::Object* GetObjectProperty(const core::Object* obj, core::StringView name);
void SetObjectProperty(core::Object* obj, core::StringView name, core::Object* value);
MethodValue GetMethodProperty(const core::Object* obj, core::StringView name);
void SetMethodProperty(core::Object* obj, core::StringView name, const MethodValue& value);
// A text property; empty when absent (setting an absent one does nothing).
core::String GetStrProperty(const core::Object* obj, core::StringView name);
void SetStrProperty(core::Object* obj, core::StringView name, core::StringView value);
// False when an ordinal, colour or set property holds its default value (it is not stored) or is
// absent; true otherwise.
bool IsStoredProperty(const core::Object* obj, core::StringView name);
// The property with a default value (for the builders below).
PropInfo WithDefault(PropInfo info, int64_t defaultValue);
// A set property as text: element names joined by ",", without brackets; empty when absent.
core::String GetSetProperty(const core::Object* obj, core::StringView name);
// Sets a set property from that text (names compared exactly; unknown names are left out).
void SetSetProperty(core::Object* obj, core::StringView name, core::StringView text);
// True when the set property holds the element of that name (compared exactly).
bool SetPropHasElement(const core::Object* obj, core::StringView name, core::StringView element);
// Adds or removes an element through the set's text form. Always returns false.
bool ChangeSetProperty(core::Object* obj, core::StringView name, core::StringView element, bool include);

// ---- Building properties ----
PropInfo OrdProperty(core::StringView name, std::function<int64_t(core::Object&)> get,
                     std::function<void(core::Object&, int64_t)> set, PropKind kind = pkOrdinal);
PropInfo SetProperty(core::StringView name, std::vector<core::String> elements,
                     std::function<int64_t(core::Object&)> get, std::function<void(core::Object&, int64_t)> set);
PropInfo ObjectProperty(core::StringView name, std::function<core::Object*(core::Object&)> get,
                        std::function<void(core::Object&, core::Object*)> set = nullptr);
PropInfo StrProperty(core::StringView name, std::function<core::String(core::Object&)> get,
                     std::function<void(core::Object&, core::StringView)> set);
PropInfo MethodProperty(core::StringView name, std::function<MethodValue(core::Object&)> get,
                        std::function<void(core::Object&, const MethodValue&)> set);

// Typed accessors for the builders: Getter<T>([](T& t) { return t.X(); }).
template <class T, class F> auto Getter(F f)
{
    return [f](core::Object& o) { return f(static_cast<T&>(o)); };
}
template <class T, class F> auto Setter(F f)
{
    return [f](core::Object& o, auto value) { f(static_cast<T&>(o), value); };
}

template <class T, class P> void RegisterPropClass(core::StringView className, std::vector<PropInfo> properties)
{
    ClassInfo info;
    info.className = core::String(className);
    info.type = typeid(T);
    info.parent = typeid(P);
    info.matches = [](const core::Object& o) { return dynamic_cast<const T*>(&o) != nullptr; };
    info.properties = std::move(properties);
    RegisterClassInfo(std::move(info));
}

} // namespace ui

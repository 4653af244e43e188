// A desktop-composition table for tests: composition on or off as the test says, or the library
// missing altogether, and every window attribute set kept in a log. Installed for its lifetime.
#pragma once

#include "skin/engine/formutils.h"

#include <vector>

namespace skin::test {

class FakeDwm {
public:
    struct AttributeSet {
        HWND Wnd;
        DWORD Attribute;
        DWORD Value;
    };

    explicit FakeDwm(bool composition, bool present = true)
    {
        s_self = this;
        m_composition = composition;
        if (present) {
            m_table.IsCompositionEnabled = &IsEnabled;
            m_table.SetWindowAttribute = &SetAttribute;
        }
        SetDwmTable(&m_table);
    }
    ~FakeDwm()
    {
        SetDwmTable(nullptr);
        s_self = nullptr;
    }
    FakeDwm(const FakeDwm&) = delete;
    FakeDwm& operator=(const FakeDwm&) = delete;

    std::vector<AttributeSet> Log;

private:
    static HRESULT WINAPI IsEnabled(BOOL* enabled)
    {
        *enabled = s_self->m_composition ? TRUE : FALSE;
        return S_OK;
    }
    static HRESULT WINAPI SetAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size)
    {
        DWORD v = 0;
        if (value && size >= sizeof(v))
            v = *static_cast<const DWORD*>(value);
        s_self->Log.push_back({wnd, attribute, v});
        return S_OK;
    }

    inline static FakeDwm* s_self = nullptr;
    DwmApi m_table;
    bool m_composition = false;
};

} // namespace skin::test

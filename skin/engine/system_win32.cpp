// System queries of the skinning code.
#include "skin/engine/system.h"

#include "ui/application.h"

#include <shellapi.h>

namespace skin {

core::String AppFolder()
{
    wchar_t path[MAX_PATH * 2]{};
    DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    core::String result(reinterpret_cast<const char16_t*>(path), length);
    size_t slash = result.find_last_of(u"\\/");
    return slash == core::String::npos ? core::String() : result.substr(0, slash + 1);
}

HICON FileIconOf(core::StringView fileName, UINT flags)
{
    std::wstring name(fileName.begin(), fileName.end());
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(name.c_str(), 0, &info, sizeof(info), SHGFI_ICON | flags))
        return nullptr;
    return info.hIcon;
}

namespace {

bool CaptionFont(LOGFONTW& font)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return false;
    font = metrics.lfCaptionFont;
    return true;
}

} // namespace

int CaptionFontHeight()
{
    LOGFONTW font{};
    return CaptionFont(font) ? font.lfHeight : 0;
}

HFONT CreateCaptionFont()
{
    LOGFONTW font{};
    return CaptionFont(font) ? CreateFontIndirectW(&font) : nullptr;
}

void WaitWithMessages(unsigned ms)
{
    DWORD start = GetTickCount();
    do {
        ui::App().ProcessMessages();
    } while (GetTickCount() - start < ms);
}

POINT ReadCursorPos()
{
    POINT p{};
    GetCursorPos(&p);
    return p;
}

ui::Message MakeMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT result)
{
    return ui::Message{msg, wparam, lparam, result};
}

ui::Form* OwnerFormOf(core::Component* component)
{
    for (core::Component* c = component; c; c = c->Owner())
        if (auto* form = dynamic_cast<ui::Form*>(c))
            return form;
    return nullptr;
}

ui::TFrame* OwnerFrameOf(core::Component* component)
{
    for (core::Component* c = component; c; c = c->Owner())
        if (auto* frame = dynamic_cast<ui::TFrame*>(c))
            return frame;
    return nullptr;
}

} // namespace skin

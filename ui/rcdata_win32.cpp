// RCDATA lookup through FindResource/LoadResource (the data stays mapped with the module).
#include "ui/rcdata.h"

namespace ui {

std::optional<std::string> FindRCData(HMODULE module, core::StringView name)
{
    if (name.empty())
        return std::nullopt;
    const std::wstring wide(name.begin(), name.end());
    if (!module)
        module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, wide.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!info)
        return std::nullopt;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data && size > 0)
        return std::nullopt;
    return std::string(static_cast<const char*>(data), size);
}

bool LoadRCData(HMODULE module, core::StringView name, core::MemoryStream& stream)
{
    std::optional<std::string> bytes = FindRCData(module, name);
    if (!bytes)
        return false;
    stream.SetSize(0);
    stream.SetPosition(0);
    if (!bytes->empty())
        stream.WriteBuffer(bytes->data(), int64_t(bytes->size()));
    stream.SetPosition(0);
    return true;
}

} // namespace ui

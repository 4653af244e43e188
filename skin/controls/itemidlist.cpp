// Item identifier list walks.
#include "skin/controls/itemidlist.h"

namespace skin {

const uint8_t* ItemIdNext(const uint8_t* item)
{
    if (!item)
        return nullptr;
    unsigned count = ItemCount(item);
    if (count < 2)
        return nullptr;
    return item + count;
}

size_t ItemIdListSize(const uint8_t* list)
{
    if (!list)
        return 0;
    size_t size = 0;
    for (const uint8_t* p = list; p && ItemCount(p) >= 2; p = ItemIdNext(p))
        size += ItemCount(p);
    return size + 2;
}

std::u16string StripQuestionMarks(std::u16string text)
{
    if (text.size() >= 2 && text[0] == u'?' && text[1] >= u'0' && text[1] <= u'9') {
        std::u16string result;
        for (char16_t ch : text)
            if (ch != u'?')
                result += ch;
        return result;
    }
    return text;
}

bool HasZipExtension(std::u16string_view name)
{
    if (name.size() < 4)
        return false;
    auto ext = name.substr(name.size() - 4);
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return ext[0] == u'.' && lower(ext[1]) == u'z' && lower(ext[2]) == u'i' && lower(ext[3]) == u'p';
}

} // namespace skin

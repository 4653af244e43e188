// Memos over the multi-line system EDIT class.
#include "ui/memo.h"

#include "core/exception.h"

namespace ui {

std::vector<core::String> MemoLines::Split() const
{
    core::String text = m_memo.Text();
    std::vector<core::String> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == core::String::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
    }
    return lines;
}

void MemoLines::Join(const std::vector<core::String>& lines)
{
    core::String text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += u"\r\n";
        text += lines[i];
    }
    m_memo.SetText(text);
}

int MemoLines::Count() const { return int(Split().size()); }

core::String MemoLines::Get(int index) const
{
    auto lines = Split();
    if (index < 0 || index >= int(lines.size()))
        throw core::EStringListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return lines[size_t(index)];
}

void MemoLines::Put(int index, const core::String& text)
{
    auto lines = Split();
    if (index < 0 || index >= int(lines.size()))
        throw core::EStringListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    lines[size_t(index)] = text;
    Join(lines);
}

void MemoLines::Clear() { m_memo.SetText(u""); }

void MemoLines::Delete(int index)
{
    auto lines = Split();
    if (index < 0 || index >= int(lines.size()))
        throw core::EStringListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    lines.erase(lines.begin() + index);
    Join(lines);
}

void MemoLines::Insert(int index, const core::String& text)
{
    auto lines = Split();
    if (index < 0 || index > int(lines.size()))
        throw core::EStringListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    lines.insert(lines.begin() + index, text);
    Join(lines);
}

core::String MemoLines::Text() const
{
    core::String text;
    for (const core::String& line : Split())
        text += line + u"\r\n";
    return text;
}

void MemoLines::SetText(core::StringView text) { m_memo.SetText(text); }

Memo::Memo(core::Component* owner) : Edit(owner), m_lines(std::make_unique<MemoLines>(*this))
{
    SetBounds(0, 0, 185, 89);
}

Memo::~Memo() = default;

void Memo::SetWordWrap(bool value)
{
    if (value == m_word_wrap)
        return;
    m_word_wrap = value;
    RecreateWnd();
}

void Memo::SetScrollBars(ScrollStyle style)
{
    if (style == m_scroll_bars)
        return;
    m_scroll_bars = style;
    RecreateWnd();
}

void Memo::SetAlignment(ui::Alignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    RecreateWnd();
}

void Memo::CreateParams(CreateParamsRec& params)
{
    Edit::CreateParams(params);
    params.Style &= ~DWORD(ES_AUTOHSCROLL);
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (!m_word_wrap)
        params.Style |= ES_AUTOHSCROLL;
    if (m_scroll_bars == ssHorizontal || m_scroll_bars == ssBoth)
        params.Style |= WS_HSCROLL;
    if (m_scroll_bars == ssVertical || m_scroll_bars == ssBoth)
        params.Style |= WS_VSCROLL;
    if (m_alignment == taRightJustify)
        params.Style |= ES_RIGHT;
    else if (m_alignment == taCenter)
        params.Style |= ES_CENTER;
}

bool Memo::WantsKey(WORD key)
{
    if ((key == VK_RETURN && m_want_returns) || (key == VK_TAB && m_want_tabs))
        return true;
    return Edit::WantsKey(key);
}

} // namespace ui

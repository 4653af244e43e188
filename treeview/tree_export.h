// Text export: the kinds of export the export events report, and the append-only buffers the
// exporters build their output in.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace treeview {

enum TVTExportType : uint8_t { etRTF, etHTML, etText, etExcel, etWord, etCustom };

// An append-only text buffer. It grows by at least 4096 characters and at least by its own size,
// so that an export appends in amortised constant time however long its output gets.
template <class Char> class TBufferedText {
public:
    void Add(std::basic_string_view<Char> s)
    {
        if (s.empty())
            return;
        Reserve(s.size());
        m_text.append(s);
    }
    void AddNewLine()
    {
        Reserve(2);
        m_text.push_back(Char('\r'));
        m_text.push_back(Char('\n'));
    }
    const std::basic_string<Char>& AsString() const { return m_text; }
    size_t Capacity() const { return m_capacity; }

private:
    void Reserve(size_t more)
    {
        if (m_text.size() + more < m_capacity)
            return;
        size_t step = (more + 4095) / 4096 * 4096;
        m_capacity += std::max(step, m_capacity);
        m_text.reserve(m_capacity);
    }
    std::basic_string<Char> m_text;
    size_t m_capacity = 0;
};

using TBufferedAnsiString = TBufferedText<char>;
using TWideBufferedString = TBufferedText<char16_t>;

} // namespace treeview

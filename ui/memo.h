// Multi-line edit box: its text as a list of lines, word wrap, scroll bars, and Enter (and Tab when
// asked) kept for itself instead of going to the form's default button.
#pragma once

#include "core/stringlist.h"
#include "ui/edit.h"

#include <memory>

namespace ui {

class Memo;

enum ScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The lines of a memo, read from and written to its text (lines end with CR LF; a final line break
// does not start another line).
class MemoLines : public core::Strings {
public:
    explicit MemoLines(Memo& memo) : m_memo(memo) {}
    int Count() const override;
    core::String Get(int index) const override;
    void Put(int index, const core::String& text) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const core::String& text) override;
    core::String Text() const override;
    void SetText(core::StringView text) override;

private:
    std::vector<core::String> Split() const;
    void Join(const std::vector<core::String>& lines);
    Memo& m_memo;
};

class Memo : public Edit {
public:
    explicit Memo(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TMemo"; }
    ~Memo() override;

    // ---- Properties ----
    MemoLines& Lines() { return *m_lines; }
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value);
    ScrollStyle ScrollBars() const { return m_scroll_bars; }
    void SetScrollBars(ScrollStyle style);
    bool WantReturns() const { return m_want_returns; }
    void SetWantReturns(bool value) { m_want_returns = value; }
    bool WantTabs() const { return m_want_tabs; }
    void SetWantTabs(bool value) { m_want_tabs = value; }
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment alignment);

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    bool WantsKey(WORD key) override;

private:
    std::unique_ptr<MemoLines> m_lines;
    bool m_word_wrap = true;
    ScrollStyle m_scroll_bars = ssNone;
    bool m_want_returns = true;
    bool m_want_tabs = false;
    ui::Alignment m_alignment = taLeftJustify;
};

} // namespace ui

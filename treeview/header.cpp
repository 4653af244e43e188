// Columns and header of the tree (see header.h).
#include "treeview/header.h"
#include "treeview/tree_viewport.h"
#include "core/exception.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace treeview {

// ================================================================ TVirtualTreeColumn

TVirtualTreeColumn::TVirtualTreeColumn(TVirtualTreeColumns* owner) : m_owner(owner)
{
    m_width = owner->DefaultWidth();
    m_last_width = m_width;
}

TVirtualTreeColumn::~TVirtualTreeColumn() = default;

TVTHeader& TVirtualTreeColumn::Header() const { return m_owner->Header(); }
TTreeViewport& TVirtualTreeColumn::Tree() const { return m_owner->Tree(); }

TColumnIndex TVirtualTreeColumn::Index() const
{
    for (int i = 0; i < m_owner->Count(); ++i)
        if (&(*m_owner)[i] == this)
            return i;
    return NoColumn;
}

void TVirtualTreeColumn::Changed()
{
    if (!m_owner->Updating())
        m_owner->Update(this);
}

void TVirtualTreeColumn::SetText(core::StringView value)
{
    if (m_text == value)
        return;
    m_text = core::String(value);
    Changed();
}

void TVirtualTreeColumn::SetAlignment(TAlignment value)
{
    if (m_alignment == value)
        return;
    m_alignment = value;
    Changed();
    Tree().Invalidate();
}

void TVirtualTreeColumn::SetCaptionAlignment(TAlignment value)
{
    if ((m_options & coUseCaptionAlignment) && m_caption_alignment == value)
        return;
    m_caption_alignment = value;
    m_options |= coUseCaptionAlignment;
    Header().Invalidate(Index());
}

void TVirtualTreeColumn::SetBiDiMode(TBiDiMode value)
{
    if (m_bidi_mode == value)
        return;
    m_bidi_mode = value;
    m_options &= TVTColumnOptions(~coParentBidiMode);
    Changed();
    Tree().Invalidate();
}

void TVirtualTreeColumn::SetColor(TColor value)
{
    if (m_color == value)
        return;
    m_color = value;
    m_options &= TVTColumnOptions(~coParentColor);
    Changed();
    Tree().Invalidate();
}

void TVirtualTreeColumn::SetMargin(int value)
{
    if (value < 0)
        value = 4;
    if (m_margin == value)
        return;
    m_margin = value;
    Changed();
}

#define SIMPLE_SETTER(Name, field, Type) \
    void TVirtualTreeColumn::Set##Name(Type value) \
    { \
        if (field == value) \
            return; \
        field = value; \
        Changed(); \
    }
SIMPLE_SETTER(Spacing, m_spacing, int)
SIMPLE_SETTER(ImageIndex, m_image_index, int)
SIMPLE_SETTER(Layout, m_layout, TVTHeaderColumnLayout)
SIMPLE_SETTER(Style, m_style, TVirtualTreeColumnStyle)
SIMPLE_SETTER(CheckBox, m_check_box, bool)
SIMPLE_SETTER(CheckType, m_check_type, TCheckType)
SIMPLE_SETTER(CheckState, m_check_state, TCheckState)
#undef SIMPLE_SETTER

void TVirtualTreeColumn::SetMinWidth(int value)
{
    value = std::min(std::max(value, 0), m_max_width);
    if (m_min_width == value)
        return;
    m_min_width = value;
    SetWidth(m_width);
}

void TVirtualTreeColumn::SetMaxWidth(int value)
{
    value = std::min(std::max(value, m_min_width), 10000);
    if (m_max_width == value)
        return;
    m_max_width = value;
    SetWidth(m_width);
}

void TVirtualTreeColumn::SetOptions(TVTColumnOptions value)
{
    if (m_options == value)
        return;
    TVTColumnOptions old = m_options;
    TVTColumnOptions switchedOn = TVTColumnOptions(value & ~old);
    TVTColumnOptions changed = TVTColumnOptions(value ^ old);
    m_options = value;
    if (switchedOn & coParentBidiMode)
        ParentBiDiModeChanged();
    if (switchedOn & coParentColor)
        ParentColorChanged();
    if (switchedOn & coAutoSpring)
        m_spring_rest = 0;
    if ((changed & coFixed) && (m_options & coVisible))
        Header().ApplyHeaderConstraints();
    Changed();
    TTreeViewport& tree = Tree();
    if (!tree.IsLoading()) {
        bool visibleChanged = (changed & coVisible) != 0;
        if ((visibleChanged || (switchedOn & coParentColor)) && tree.UpdateCount() == 0 &&
            tree.WindowPort().HandleAllocated()) {
            tree.Invalidate();
            if (visibleChanged)
                tree.UpdateHorizontalScrollBar(false);
        }
    }
}

void TVirtualTreeColumn::SetPosition(TColumnPosition value)
{
    TTreeViewport& tree = Tree();
    if (tree.IsLoading()) {
        m_position = value;
        return;
    }
    if (m_owner->Count() == 0)
        return;
    value = std::min<TColumnPosition>(value, TColumnPosition(m_owner->Count() - 1));
    if (value == m_position)
        return;
    m_owner->SyncPositionArray();
    m_owner->MoveColumnPosition(m_position, value);
    Changed();
    if (!m_owner->Updating() && tree.WindowPort().HandleAllocated()) {
        Header().Invalidate(Index());
        tree.Invalidate();
    }
    // A column moved next to the fixed area takes the fixed state of its new neighbour.
    TColumnIndex neighbour;
    if ((m_options & coFixed) && m_position > 0)
        neighbour = m_owner->ColumnFromPosition(m_position - 1);
    else
        neighbour = m_owner->ColumnFromPosition(m_position + 1);
    if (m_owner->IsValidColumn(neighbour)) {
        bool fixed = (*m_owner)[neighbour].Fixed();
        SetOptions(fixed ? TVTColumnOptions(m_options | coFixed) : TVTColumnOptions(m_options & ~coFixed));
    }
}

void TVirtualTreeColumn::SetWidth(int value)
{
    TVTHeader& header = Header();
    TTreeViewport& tree = Tree();
    if (!(header.States() & hsScaling)) {
        if ((m_options & coVisible) && (m_options & coFixed)) {
            int minSum = 0, maxSum = 0, fixedWidth = 0;
            for (int i = 0; i < m_owner->Count(); ++i) {
                const TVirtualTreeColumn& c = (*m_owner)[i];
                if (c.Visible() && c.Fixed()) {
                    minSum += c.m_min_width;
                    maxSum += c.m_max_width;
                    fixedWidth += c.m_width;
                }
            }
            const TVTFixedAreaConstraints& constraints = header.FixedAreaConstraints();
            int w = tree.ClientWidth();
            if (constraints.MaxWidthPercent() > 0)
                minSum = std::min(minSum, w * constraints.MaxWidthPercent() / 100);
            if (constraints.MinWidthPercent() > 0)
                maxSum = std::max(maxSum, w * constraints.MinWidthPercent() / 100);
            int others = fixedWidth - m_width;
            int effectiveMax = std::min(maxSum - others, m_max_width);
            int effectiveMin = std::max(minSum - others, m_min_width);
            value = std::max(value, effectiveMin);
            value = std::min(value, effectiveMax);
            if (constraints.MinWidthPercent() > 0)
                value = std::max(value, w * constraints.MinWidthPercent() / 100 - others);
            if (constraints.MaxWidthPercent() > 0)
                value = std::min(value, w * constraints.MaxWidthPercent() / 100 - others);
        } else {
            value = std::max(value, m_min_width);
            value = std::min(value, m_max_width);
        }
    }
    if (value == m_width)
        return;
    m_last_width = m_width;
    if (!(header.States() & hsResizing))
        m_bonus_pixel = false;
    TColumnIndex index = Index();
    if ((header.Options() & hoAutoResize) && index == header.AutoSizeIndex())
        return; // the auto-size column's width is only ever computed
    m_width = value;
    m_owner->RecomputeColumnLefts(false);
    if (!tree.IsLoading() && !m_owner->Updating()) {
        if (header.Options() & hoAutoResize)
            m_owner->FitAutoSizeColumn(false);
        tree.DoColumnResize(index);
    }
}

int TVirtualTreeColumn::Left() const
{
    if (Visible() && Fixed())
        return m_left;
    return m_left - Tree().EffectiveOffsetX();
}

TRect TVirtualTreeColumn::GetRect() const
{
    TRect r = Tree().HeaderRect();
    r.Left += m_left;
    r.Right = r.Left + m_width;
    return r;
}

void TVirtualTreeColumn::RestoreLastWidth() { m_owner->AnimatedResize(Index(), m_last_width); }

void TVirtualTreeColumn::ParentBiDiModeChanged()
{
    TBiDiMode mode = Tree().BiDiMode();
    if ((m_options & coParentBidiMode) && mode != m_bidi_mode) {
        m_bidi_mode = mode;
        Changed();
    }
}

void TVirtualTreeColumn::ParentColorChanged()
{
    // The tree's colour is the window's; the painter reads coParentColor and uses it.
    if (m_options & coParentColor) {
        if (m_color != clWindowColor) {
            m_color = clWindowColor;
            Changed();
        }
    }
}

void TVirtualTreeColumn::Assign(const TVirtualTreeColumn& source)
{
    TVTColumnOptions saved = m_options;
    m_options = 0;
    m_bidi_mode = source.m_bidi_mode;
    m_image_index = source.m_image_index;
    m_layout = source.m_layout;
    m_margin = source.m_margin;
    m_max_width = source.m_max_width;
    m_min_width = source.m_min_width;
    SetPosition(source.m_position);
    m_spacing = source.m_spacing;
    m_style = source.m_style;
    m_text = source.m_text;
    m_hint = source.m_hint;
    SetWidth(source.m_width);
    m_alignment = source.m_alignment;
    m_caption_alignment = source.CaptionAlignment();
    m_color = source.m_color;
    m_tag = source.m_tag;
    m_options = saved;
    SetOptions(source.m_options);
    Changed();
}

bool TVirtualTreeColumn::Equals(const TVirtualTreeColumn& o) const
{
    return m_bidi_mode == o.m_bidi_mode && m_image_index == o.m_image_index && m_layout == o.m_layout &&
           m_margin == o.m_margin && m_max_width == o.m_max_width && m_min_width == o.m_min_width &&
           m_position == o.m_position && m_spacing == o.m_spacing && m_style == o.m_style && m_text == o.m_text &&
           m_hint == o.m_hint && m_width == o.m_width && m_alignment == o.m_alignment &&
           CaptionAlignment() == o.CaptionAlignment() && m_color == o.m_color && m_tag == o.m_tag &&
           m_options == o.m_options;
}

core::String TVirtualTreeColumn::DisplayName() const
{
    for (char16_t c : m_text)
        if (c >= 0x100) {
            std::string s = "Column " + std::to_string(Index());
            return core::String(s.begin(), s.end());
        }
    return m_text;
}

// ================================================================ TVirtualTreeColumns

TVirtualTreeColumns::TVirtualTreeColumns(TVTHeader* header) : m_header(header) {}

TVirtualTreeColumns::~TVirtualTreeColumns()
{
    m_clearing = true;
    m_items.clear();
}

TTreeViewport& TVirtualTreeColumns::Tree() const { return m_header->Treeview(); }

TVirtualTreeColumn& TVirtualTreeColumns::Add()
{
    m_items.push_back(std::make_unique<TVirtualTreeColumn>(this));
    TVirtualTreeColumn& column = *m_items.back();
    column.m_position = TColumnPosition(Count() - 1);
    column.ParentBiDiModeChanged();
    Update(nullptr);
    return column;
}

void TVirtualTreeColumns::EndUpdate()
{
    if (m_update_count > 0 && --m_update_count == 0)
        Update(nullptr);
}

void TVirtualTreeColumns::ColumnDeleted(TColumnIndex index)
{
    auto adjust = [index](TColumnIndex& value) {
        if (value == index)
            value = NoColumn;
        else if (value > index)
            --value;
    };
    adjust(m_hover_index);
    adjust(m_down_index);
    adjust(m_track_index);
    adjust(m_click_index);
    TColumnIndex autoSize = m_header->AutoSizeIndex();
    adjust(autoSize);
    m_header->m_auto_size_index = autoSize;
    TTreeViewport& tree = Tree();
    TColumnIndex sort = tree.SortColumn();
    adjust(sort);
    if (sort != tree.SortColumn()) {
        // The tree's sort state follows without sorting again.
        tree.SetSortColumn(sort);
    }
    if (m_header->m_main_column == index)
        m_header->m_main_column = Count() > 1 ? 0 : NoColumn;
    else if (m_header->m_main_column > index)
        --m_header->m_main_column;
}

void TVirtualTreeColumns::Delete(TColumnIndex index)
{
    if (!IsValidColumn(index))
        return;
    if (!m_clearing) {
        SyncPositionArray();
        RemoveColumnFromPositions(index);
        ColumnDeleted(index);
    }
    m_items.erase(m_items.begin() + index);
    Update(nullptr);
}

void TVirtualTreeColumns::Clear()
{
    m_clearing = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_clearing};
    m_hover_index = m_down_index = m_track_index = m_click_index = NoColumn;
    if (!(m_header->States() & hsLoading)) {
        m_header->m_auto_size_index = NoColumn;
        m_header->m_main_column = NoColumn;
        Tree().SetSortColumn(NoColumn);
    }
    m_items.clear();
    m_position_to_index.clear();
    Update(nullptr);
}

void TVirtualTreeColumns::Assign(const TVirtualTreeColumns& source)
{
    BeginUpdate();
    m_clearing = true;
    m_items.clear();
    m_clearing = false;
    for (int i = 0; i < source.Count(); ++i) {
        m_items.push_back(std::make_unique<TVirtualTreeColumn>(this));
        TVirtualTreeColumn& column = *m_items.back();
        const TVirtualTreeColumn& from = source[i];
        column.m_text = from.m_text;
        column.m_hint = from.m_hint;
        column.m_width = from.m_width;
        column.m_last_width = from.m_last_width;
        column.m_min_width = from.m_min_width;
        column.m_max_width = from.m_max_width;
        column.m_position = from.m_position;
        column.m_style = from.m_style;
        column.m_image_index = from.m_image_index;
        column.m_bidi_mode = from.m_bidi_mode;
        column.m_layout = from.m_layout;
        column.m_margin = from.m_margin;
        column.m_spacing = from.m_spacing;
        column.m_options = from.m_options;
        column.m_tag = from.m_tag;
        column.m_alignment = from.m_alignment;
        column.m_caption_alignment = from.m_caption_alignment;
        column.m_color = from.m_color;
        column.m_check_box = from.m_check_box;
        column.m_check_type = from.m_check_type;
        column.m_check_state = from.m_check_state;
    }
    m_position_to_index = source.m_position_to_index;
    m_need_positions_fix = false;
    m_update_count = 0;
    RecomputeColumnLefts(true);
    Update(nullptr);
}

bool TVirtualTreeColumns::Equals(const TVirtualTreeColumns& other) const
{
    if (Count() != other.Count() || m_position_to_index != other.m_position_to_index)
        return false;
    for (int i = 0; i < Count(); ++i)
        if (!(*this)[i].Equals(other[i]))
            return false;
    return true;
}

void TVirtualTreeColumns::Update(TVirtualTreeColumn* item)
{
    SyncPositionArray();
    TTreeViewport& tree = Tree();
    if (tree.IsLoading())
        m_need_positions_fix = true;
    else
        RecomputeColumnLefts(false);
    if (Count() > 0 && m_header->m_main_column < 0)
        m_header->m_main_column = 0;
    if (tree.IsLoading() || (m_header->States() & hsLoading))
        return;
    if (m_header->Options() & hoAutoResize)
        FitAutoSizeColumn(false);
    if (item) {
        m_header->Invalidate(item->Index());
    } else if (tree.WindowPort().HandleAllocated()) {
        tree.UpdateHorizontalScrollBar(false);
        m_header->Invalidate(NoColumn);
        tree.Invalidate();
    }
}

TColumnIndex TVirtualTreeColumns::ColumnFromPosition(TColumnPosition position) const
{
    if (position >= m_position_to_index.size())
        return NoColumn;
    return m_position_to_index[position];
}

TColumnIndex TVirtualTreeColumns::ColumnFromPosition(TPoint p, bool relative) const
{
    TTreeViewport& tree = Tree();
    if (p.X < 0 || p.Y < 0 || p.Y > tree.ClientHeight() + m_header->Height())
        return InvalidColumn;
    int left = 0, right = 0;
    return ColumnAndBoundsAt(p, left, right, relative);
}

TColumnIndex TVirtualTreeColumns::ColumnAndBoundsAt(TPoint p, int& left, int& right, bool relative) const
{
    TTreeViewport& tree = Tree();
    // Columns narrower than a right-to-left tree end at its right edge.
    const int shift = tree.UseRightToLeftAlignment() ? tree.RightToLeftOffset(true) : 0;
    int sum = shift;
    if (relative && p.X >= GetVisibleFixedWidth())
        sum -= tree.EffectiveOffsetX();
    for (TColumnIndex index : m_position_to_index) {
        const TVirtualTreeColumn& c = (*this)[index];
        if (!c.Visible())
            continue;
        // Fixed columns do not scroll.
        int start = c.Fixed() ? c.m_left + shift : sum;
        // Left of the columns (right-to-left columns narrower than the tree) lies no column.
        if (p.X < start)
            return InvalidColumn;
        int end = start + c.m_width;
        sum = end;
        if (p.X < end) {
            left = start;
            right = end;
            return index;
        }
    }
    return InvalidColumn;
}

void TVirtualTreeColumns::GetColumnBounds(TColumnIndex column, int& left, int& right) const
{
    if (column < 0 || !IsValidColumn(column)) {
        left = 0;
        right = Tree().ClientWidth();
        return;
    }
    const TVirtualTreeColumn& c = (*this)[column];
    left = c.Left();
    if (Tree().UseRightToLeftAlignment())
        left += Tree().RightToLeftOffset(true);
    right = left + c.m_width;
}

TColumnIndex TVirtualTreeColumns::GetFirstVisibleColumn(bool considerAllowFocus) const
{
    for (TColumnIndex index : m_position_to_index) {
        const TVirtualTreeColumn& c = (*this)[index];
        if (c.Visible() && (!considerAllowFocus || (c.m_options & coAllowFocus)))
            return index;
    }
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetLastVisibleColumn(bool considerAllowFocus) const
{
    for (auto it = m_position_to_index.rbegin(); it != m_position_to_index.rend(); ++it) {
        const TVirtualTreeColumn& c = (*this)[*it];
        if (c.Visible() && (!considerAllowFocus || (c.m_options & coAllowFocus)))
            return *it;
    }
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetNextColumn(TColumnIndex column) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    TColumnPosition position = (*this)[column].m_position;
    if (position + 1 >= m_position_to_index.size())
        return InvalidColumn;
    return m_position_to_index[position + 1];
}

TColumnIndex TVirtualTreeColumns::GetPreviousColumn(TColumnIndex column) const
{
    if (!IsValidColumn(column))
        return InvalidColumn;
    TColumnPosition position = (*this)[column].m_position;
    if (position == 0)
        return InvalidColumn;
    return m_position_to_index[position - 1];
}

TColumnIndex TVirtualTreeColumns::GetNextVisibleColumn(TColumnIndex column, bool considerAllowFocus) const
{
    for (;;) {
        column = GetNextColumn(column);
        if (column == InvalidColumn)
            return InvalidColumn;
        const TVirtualTreeColumn& c = (*this)[column];
        if (c.Visible() && (!considerAllowFocus || (c.m_options & coAllowFocus)))
            return column;
    }
}

TColumnIndex TVirtualTreeColumns::GetPreviousVisibleColumn(TColumnIndex column, bool considerAllowFocus) const
{
    for (;;) {
        column = GetPreviousColumn(column);
        if (column == InvalidColumn)
            return InvalidColumn;
        const TVirtualTreeColumn& c = (*this)[column];
        if (c.Visible() && (!considerAllowFocus || (c.m_options & coAllowFocus)))
            return column;
    }
}

std::vector<TVirtualTreeColumn*> TVirtualTreeColumns::GetVisibleColumns() const
{
    std::vector<TVirtualTreeColumn*> result;
    for (TColumnIndex index : m_position_to_index)
        if (m_items[size_t(index)]->Visible())
            result.push_back(m_items[size_t(index)].get());
    return result;
}

int TVirtualTreeColumns::GetVisibleFixedWidth() const
{
    int sum = 0;
    for (const auto& c : m_items)
        if (c->Visible() && c->Fixed())
            sum += c->m_width;
    return sum;
}

int TVirtualTreeColumns::TotalWidth() const
{
    if (m_items.empty() || m_position_to_index.empty())
        return 0;
    for (auto it = m_position_to_index.rbegin(); it != m_position_to_index.rend(); ++it) {
        const TVirtualTreeColumn& c = (*this)[*it];
        if (c.Visible())
            return c.m_left + c.m_width;
    }
    return 0;
}

int TVirtualTreeColumns::GetScrollWidth() const
{
    int count = 0, sum = 0;
    for (const auto& c : m_items)
        if (c->Visible() && !c->Fixed()) {
            ++count;
            sum += c->m_width;
        }
    if (count == 0)
        return int(Tree().Indent());
    return int(std::lround(double(sum) / count));
}

void TVirtualTreeColumns::AnimatedResize(TColumnIndex column, int newWidth)
{
    if (!IsValidColumn(column))
        return;
    TVirtualTreeColumn& c = (*this)[column];
    newWidth = std::max(std::min(newWidth, c.m_max_width), c.m_min_width);
    if (newWidth == c.m_width)
        return;
    if (!(m_header->Options() & hoDisableAnimatedResize) && !(c.m_options & coDisableAnimatedResize)) {
        // The window slides the area right of the column's border in 32 steps.
        TTreeViewport& tree = Tree();
        int step = (newWidth - c.m_width) / 32;
        if (step != 0 && tree.WindowPort().HandleAllocated()) {
            int border = c.Left() + c.m_width;
            TRect strip{border, 0, tree.ClientWidth(), tree.ClientHeight()};
            for (int i = 0; i < 32; ++i) {
                tree.WindowPort().ScrollClient(step, 0, &strip);
                strip.Left += step;
            }
        }
    }
    c.SetWidth(newWidth);
}

void TVirtualTreeColumns::FitAutoSizeColumn(bool force)
{
    if (m_items.empty())
        return;
    TColumnIndex index = m_header->AutoSizeIndex();
    if (index < 0 || index >= Count())
        index = Count() - 1;
    TTreeViewport& tree = Tree();
    int available = tree.ClientWidth();
    for (int i = 0; i < Count(); ++i)
        if (i != index && (*this)[i].Visible())
            available -= (*this)[i].m_width;
    TVirtualTreeColumn& c = (*this)[index];
    available = std::min(available, c.m_max_width);
    available = std::max(available, c.m_min_width);
    if (force || available != c.m_width) {
        c.m_width = available;
        RecomputeColumnLefts(false);
        tree.DoColumnResize(index);
    }
}

void TVirtualTreeColumns::DistributeSpringWidth()
{
    TTreeViewport& tree = Tree();
    int width = tree.ClientWidth();
    int previous = m_header->LastSpringWidth();
    m_header->SetLastSpringWidth(width);
    if (!(m_header->Options() & hoAutoSpring) || previous < 0)
        return;
    int difference = width - previous;
    if (difference == 0)
        return;
    int sign = difference >= 0 ? 1 : -1;
    int count = 0;
    for (const auto& c : m_items)
        if (c->Visible() && (c->m_options & coAutoSpring))
            ++count;
    if (count == 0)
        return;
    float portion = float(std::abs(difference)) / float(count);
    float remaining = float(std::abs(difference));
    for (const auto& c : m_items) {
        if (!c->Visible() || !(c->m_options & coAutoSpring))
            continue;
        float sum = c->m_spring_rest + portion;
        if (sum >= 1) {
            c->SetWidth(c->m_width + sign * int(sum));
        }
        c->m_spring_rest = sum - std::trunc(sum);
        remaining -= portion;
        if (remaining < 0)
            break;
    }
}

void TVirtualTreeColumns::SyncPositionArray()
{
    size_t count = m_items.size();
    if (m_position_to_index.size() == count)
        return;
    if (m_position_to_index.size() < count) {
        for (size_t k = m_position_to_index.size(); k < count; ++k)
            m_position_to_index.push_back(TColumnIndex(k));
    } else {
        m_position_to_index.resize(count);
        bool changed = true;
        while (changed) {
            changed = false;
            for (TColumnIndex& entry : m_position_to_index)
                if (entry >= TColumnIndex(count)) {
                    --entry;
                    changed = true;
                }
        }
    }
}

void TVirtualTreeColumns::RemoveColumnFromPositions(TColumnIndex old)
{
    auto& array = m_position_to_index;
    if (array.empty())
        return;
    auto found = std::find(array.begin(), array.end(), old);
    if (found != array.end())
        array.erase(found);
    else
        array.pop_back();
    for (TColumnIndex& entry : array)
        if (entry > old)
            --entry;
}

void TVirtualTreeColumns::MoveColumnPosition(TColumnPosition from, TColumnPosition to)
{
    auto& array = m_position_to_index;
    if (from >= array.size() || to >= array.size() || from == to)
        return;
    TColumnIndex moving = array[from];
    array.erase(array.begin() + from);
    array.insert(array.begin() + to, moving);
}

void TVirtualTreeColumns::RecomputeColumnLefts(bool force)
{
    if (m_need_positions_fix || (m_update_count > 0 && !force))
        return;
    int sum = 0;
    for (size_t position = 0; position < m_position_to_index.size(); ++position) {
        TColumnIndex index = m_position_to_index[position];
        if (!IsValidColumn(index))
            continue;
        TVirtualTreeColumn& c = (*this)[index];
        c.m_position = TColumnPosition(position);
        c.m_left = sum;
        if (c.Visible())
            sum += c.m_width;
    }
}

void TVirtualTreeColumns::RebuildPositionArray()
{
    m_position_to_index.assign(m_items.size(), 0);
    for (int i = 0; i < Count(); ++i) {
        TColumnPosition position = std::min<TColumnPosition>((*this)[i].m_position, TColumnPosition(Count() - 1));
        m_position_to_index[position] = i;
    }
    m_need_positions_fix = false;
    RecomputeColumnLefts(true);
}

void TVirtualTreeColumns::ResetColumnOrder(bool rightToLeft)
{
    int count = Count();
    m_position_to_index.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        m_position_to_index[size_t(i)] = rightToLeft ? count - 1 - i : i;
    RecomputeColumnLefts(true);
}

// ================================================================ TVTFixedAreaConstraints

void TVTFixedAreaConstraints::SetMaxHeightPercent(int value)
{
    m_max_height = uint8_t(std::clamp(value, 0, 100));
    if (m_max_height > 0 && m_max_height < m_min_height)
        m_min_height = m_max_height;
    Change();
}

void TVTFixedAreaConstraints::SetMaxWidthPercent(int value)
{
    m_max_width = uint8_t(std::clamp(value, 0, 100));
    if (m_max_width > 0 && m_max_width < m_min_width)
        m_min_width = m_max_width;
    Change();
}

void TVTFixedAreaConstraints::SetMinHeightPercent(int value)
{
    m_min_height = uint8_t(std::clamp(value, 0, 100));
    if (m_max_height > 0 && m_min_height > m_max_height)
        m_max_height = m_min_height;
    Change();
}

void TVTFixedAreaConstraints::SetMinWidthPercent(int value)
{
    m_min_width = uint8_t(std::clamp(value, 0, 100));
    if (m_max_width > 0 && m_min_width > m_max_width)
        m_max_width = m_min_width;
    Change();
}

void TVTFixedAreaConstraints::Assign(const TVTFixedAreaConstraints& source)
{
    m_max_height = source.m_max_height;
    m_max_width = source.m_max_width;
    m_min_height = source.m_min_height;
    m_min_width = source.m_min_width;
    Change();
}

// ================================================================ TVTHeader

TVTHeader::TVTHeader(TTreeViewport* owner) : m_owner(owner), m_columns(this), m_constraints(this)
{
    m_constraints.OnChange = [this](TVTFixedAreaConstraints*) {
        EnterStates(hsNeedScaling);
        if (m_owner->WindowPort().HandleAllocated())
            ApplyHeaderConstraints();
    };
}

TVTHeader::~TVTHeader() { m_columns.Clear(); }

void TVTHeader::Assign(const TVTHeader& source)
{
    m_auto_size_index = source.m_auto_size_index;
    m_background = source.m_background;
    m_columns.Assign(source.m_columns);
    m_font_size = source.m_font_size;
    m_constraints.Assign(source.m_constraints);
    SetHeight(source.m_height);
    SetImages(source.m_images);
    SetMainColumn(source.MainColumn());
    SetOptions(source.m_options);
    m_parent_font = source.m_parent_font;
    SetSortColumn(source.SortColumn());
    SetSortDirection(source.SortDirection());
    SetStyle(source.m_style);
    ApplyHeaderConstraints();
}

bool TVTHeader::AllowFocus(TColumnIndex column) const
{
    return m_columns.IsValidColumn(column) && (m_columns[column].Options() & coAllowFocus);
}

void TVTHeader::Invalidate(TColumnIndex column, bool expandToBorder)
{
    if (!(m_options & hoVisible) || !m_owner->WindowPort().HandleAllocated())
        return;
    if (!m_columns.IsValidColumn(column)) {
        m_owner->InvalidateHeaderRect(nullptr);
        return;
    }
    const TVirtualTreeColumn& c = m_columns[column];
    const bool rtl = m_owner->UseRightToLeftAlignment();
    const int left = c.Left() + (rtl ? m_owner->RightToLeftOffset(false) : m_owner->LeftScrollBarWidth());
    TRect r{left, 0, left + c.Width(), m_height};
    if (expandToBorder) {
        const int width = m_owner->HeaderRect().Right - m_owner->HeaderRect().Left;
        if (m_options & hoFullRepaintOnResize) {
            r.Left = 0;
            r.Right = width;
        } else if (rtl) {
            r.Left = 0;
        } else {
            r.Right = width;
        }
    }
    m_owner->InvalidateHeaderRect(&r);
}

void TVTHeader::SetHeight(int value)
{
    TTreeViewport& tree = *m_owner;
    if (!tree.WindowPort().HandleAllocated()) {
        m_height = value;
        EnterStates(hsNeedScaling);
        return;
    }
    int total = tree.ClientHeight() + m_height;
    int maxH = total * m_constraints.MaxHeightPercent() / 100;
    int minH = total * m_constraints.MinHeightPercent() / 100;
    int lower = m_constraints.MaxHeightPercent() > 0 ? std::min(maxH, m_min_height) : m_min_height;
    int upper = m_constraints.MinHeightPercent() > 0 ? std::max(minH, m_max_height) : m_max_height;
    value = std::min(std::max(value, lower), upper);
    if (m_constraints.MinHeightPercent() > 0)
        value = std::max(value, minH);
    if (m_constraints.MaxHeightPercent() > 0)
        value = std::min(value, maxH);
    if (value == m_height)
        return;
    m_height = value;
    if (!tree.IsLoading() && !(m_states & hsScaling))
        RecalculateHeaderFrame();
    tree.Invalidate();
    tree.WindowPort().Update();
}

void TVTHeader::SetDefaultHeight(int value)
{
    value = std::min(std::max(value, m_min_height), m_max_height);
    if (m_height == m_default_height)
        SetHeight(value);
    m_default_height = value;
}

void TVTHeader::SetMinHeight(int value)
{
    value = std::min(std::max(value, 0), m_max_height);
    if (value == m_min_height)
        return;
    m_min_height = value;
    SetHeight(m_height);
}

void TVTHeader::SetMaxHeight(int value)
{
    value = std::min(std::max(value, m_min_height), 10000);
    if (value == m_max_height)
        return;
    m_max_height = value;
    SetHeight(m_height);
}

void TVTHeader::SetOptions(TVTHeaderOptions value)
{
    if (value == m_options)
        return;
    TVTHeaderOptions changed = TVTHeaderOptions(value ^ m_options);
    m_options = value;
    TTreeViewport& tree = *m_owner;
    bool window = tree.WindowPort().HandleAllocated();
    if ((changed & hoAutoResize) && m_columns.Count() > 0) {
        m_columns.FitAutoSizeColumn(false);
        if (window) {
            tree.UpdateHorizontalScrollBar(false);
            if (value & hoAutoResize)
                tree.Invalidate();
        }
    }
    if (!tree.IsLoading() && window) {
        if (changed & hoVisible)
            RecalculateHeaderFrame();
        Invalidate(NoColumn);
        tree.Invalidate();
    }
}

void TVTHeader::SetStyle(TVTHeaderStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    if (!m_owner->IsLoading())
        Invalidate(NoColumn);
}

void TVTHeader::SetImages(TCustomImageList* value)
{
    if (value == m_images)
        return;
    TCustomImageList* old = m_images;
    m_images = value;
    m_owner->HeaderImagesChanged(old);
    if (!m_owner->IsLoading())
        Invalidate(NoColumn);
}

void TVTHeader::SetBackground(TColor value)
{
    if (value == m_background)
        return;
    m_background = value;
    Invalidate(NoColumn);
}

void TVTHeader::SetAutoSizeIndex(TColumnIndex value)
{
    if (value == m_auto_size_index)
        return;
    m_auto_size_index = value;
    if (m_options & hoAutoResize)
        m_columns.FitAutoSizeColumn(false);
}

void TVTHeader::SetMainColumn(TColumnIndex value)
{
    TTreeViewport& tree = *m_owner;
    if (tree.IsLoading()) {
        m_main_column = value;
        return;
    }
    value = std::max(0, std::min(value, m_columns.Count() - 1));
    if (value == m_main_column)
        return;
    m_main_column = value;
    tree.DoMainColumnChanged(value);
    if (!(tree.TreeOptions().SelectionOptions() & toExtendedFocus))
        tree.SetFocusedColumn(value);
    tree.Invalidate();
}

void TVTHeader::SetSortColumn(TColumnIndex value)
{
    if (m_owner->IsLoading()) {
        m_owner->SetSortColumn(value);
        return;
    }
    ChangeSortColumn(value);
}

void TVTHeader::ChangeSortColumn(TColumnIndex value)
{
    value = std::max(NoColumn, std::min(value, m_columns.Count() - 1));
    TColumnIndex old = m_owner->SortColumn();
    if (value == old)
        return;
    if (old >= 0)
        Invalidate(old);
    m_owner->SetSortColumn(value); // sorts with toAutoSort outside updates
    if (value >= 0)
        Invalidate(value);
}

void TVTHeader::SetSortDirection(TSortDirection value)
{
    if (value == m_owner->SortDirection())
        return;
    Invalidate(NoColumn);
    m_owner->SetSortDirection(value);
}

TColumnIndex TVTHeader::SortColumn() const { return m_owner->SortColumn(); }
TSortDirection TVTHeader::SortDirection() const { return m_owner->SortDirection(); }

void TVTHeader::SetParentFont(bool value)
{
    m_parent_font = value;
}

void TVTHeader::ClampMainColumn()
{
    if (m_main_column < 0)
        m_main_column = 0;
    if (m_main_column > m_columns.Count() - 1)
        m_main_column = m_columns.Count() - 1;
}

void TVTHeader::RecalculateHeaderFrame()
{
    if (m_owner->WindowPort().HandleAllocated())
        m_owner->HeaderFrameChanged();
}

void TVTHeader::ScaleHeaderFont(int m, int d)
{
    if (d != 0)
        m_font_size = int((int64_t(m_font_size) * m + d / 2) / d);
}

void TVTHeader::ApplyHeaderConstraints()
{
    TTreeViewport& tree = *m_owner;
    if (tree.IsLoading() || tree.Destroying() || (m_states & hsLoading) || !tree.WindowPort().HandleAllocated())
        return;
    EnterStates(hsScaling);
    struct Leave {
        TVTHeader& header;
        ~Leave() { header.LeaveStates(hsScaling | hsNeedScaling); }
    } leave{*this};
    SetHeight(m_height);
    RecalculateHeaderFrame();
    if (m_constraints.MaxWidthPercent() > 0 || m_constraints.MinWidthPercent() > 0) {
        for (int i = 0; i < m_columns.Count(); ++i) {
            TVirtualTreeColumn& c = m_columns[i];
            if (c.Visible() && c.Fixed() && c.m_width < c.m_min_width)
                c.m_width = c.m_min_width;
        }
        int fixedWidth = m_columns.GetVisibleFixedWidth();
        int maxW = tree.ClientWidth() * m_constraints.MaxWidthPercent() / 100;
        int minW = tree.ClientWidth() * m_constraints.MinWidthPercent() / 100;
        if (m_constraints.MaxWidthPercent() > 0 && fixedWidth > maxW)
            ResizeColumns(maxW - fixedWidth, 0, m_columns.Count() - 1, coVisible | coFixed);
        else if (m_constraints.MinWidthPercent() > 0 && fixedWidth < minW)
            ResizeColumns(minW - fixedWidth, 0, m_columns.Count() - 1, coVisible | coFixed);
        m_columns.RecomputeColumnLefts(false);
    }
}

int TVTHeader::ResizeColumns(int changeBy, TColumnIndex rangeStart, TColumnIndex rangeEnd, TVTColumnOptions options)
{
    if (changeBy == 0 || m_columns.Count() == 0)
        return 0;
    rangeStart = std::max(0, rangeStart);
    rangeEnd = std::min(rangeEnd, m_columns.Count() - 1);
    if (rangeEnd < rangeStart)
        return 0;
    bool growing = changeBy > 0;
    int sign = growing ? 1 : -1;
    TColumnIndex bonusStart = growing ? rangeStart : rangeEnd;
    int remaining = std::abs(changeBy);
    size_t n = size_t(rangeEnd - rangeStart + 1);
    std::vector<int> widths(n), limits(n);
    auto column = [&](size_t k) -> TVirtualTreeColumn& { return m_columns[rangeStart + TColumnIndex(k)]; };
    auto matches = [&](size_t k) { return (column(k).m_options & options) == options; };
    for (size_t k = 0; k < n; ++k) {
        widths[k] = column(k).m_width;
        limits[k] = growing ? column(k).m_max_width : column(k).m_min_width;
    }
    auto room = [&](size_t k) { return growing ? limits[k] - widths[k] : widths[k] - limits[k]; };
    do {
        int eligible = 0, totalRoom = 0;
        for (;;) {
            eligible = 0, totalRoom = 0;
            for (size_t k = 0; k < n; ++k)
                if (matches(k) && room(k) > 0) {
                    ++eligible;
                    totalRoom += room(k);
                }
            if ((m_states & hsScaling) && !growing && std::abs(changeBy) > totalRoom) {
                size_t widest = n;
                for (size_t k = 0; k < n; ++k)
                    if (matches(k) && (widest == n || column(k).m_width > column(widest).m_width))
                        widest = k;
                if (widest != n && limits[widest] > 10) {
                    limits[widest] -= limits[widest] / 10;
                    continue;
                }
            }
            break;
        }
        if (eligible == 0)
            break;
        remaining = std::min(remaining, totalRoom);
        int share = remaining / eligible;
        int rest = remaining % eligible;
        if (share > 0) {
            for (size_t k = 0; k < n; ++k)
                if (matches(k) && room(k) > 0) {
                    int applied = std::min(share, room(k));
                    widths[k] += sign * applied;
                    remaining -= applied;
                }
        }
        // Remainder pixels go to columns that did not get one last time, so that repeated small
        // changes spread evenly.
        TColumnIndex walk = bonusStart;
        int guard = 0;
        while (rest > 0 && remaining > 0 && guard++ < 4 * int(n) + 4) {
            if (walk < rangeStart || walk > rangeEnd) {
                for (size_t k = 0; k < n; ++k)
                    if (matches(k))
                        column(k).m_bonus_pixel = !column(k).m_bonus_pixel;
                walk = bonusStart;
                continue;
            }
            size_t k = size_t(walk - rangeStart);
            if (matches(k) && room(k) > 0 && column(k).m_bonus_pixel != growing) {
                widths[k] += sign;
                column(k).m_bonus_pixel = growing;
                --rest;
                --remaining;
            }
            walk += sign;
        }
        if (rest > 0)
            break;
    } while (remaining > 0);
    int result = 0;
    EnterStates(hsResizing);
    for (size_t k = 0; k < n; ++k)
        if (matches(k)) {
            result += widths[k] - column(k).m_width;
            column(k).SetWidth(widths[k]);
        }
    LeaveStates(hsResizing);
    return result;
}

void TVTHeader::AutoFitColumns(bool animated, TSmartAutoFitType type, int rangeStartCol, int rangeEndCol)
{
    int last = m_columns.Count() - 1;
    if (rangeStartCol < 0)
        rangeStartCol = 0;
    if (rangeEndCol < 0 || rangeEndCol > last)
        rangeEndCol = last;
    if (rangeEndCol < rangeStartCol)
        return;
    TTreeViewport& tree = *m_owner;
    tree.BeginOperation();
    struct End {
        TTreeViewport& tree;
        ~End() { tree.EndOperation(); }
    } end{tree};
    if (tree.OnBeforeAutoFitColumns)
        tree.OnBeforeAutoFitColumns(this, type);
    for (int position = rangeStartCol; position <= rangeEndCol; ++position) {
        TColumnIndex index = m_columns.ColumnFromPosition(TColumnPosition(position));
        if (!m_columns.IsValidColumn(index))
            continue;
        TVirtualTreeColumn& c = m_columns[index];
        if (!c.Visible() || !(c.m_options & coResizable))
            continue;
        TSmartAutoFitType columnType = type;
        if (!AskBeforeAutoFitColumn(index, columnType) || tree.OperationCanceled())
            continue;
        bool smart = type == smaAllColumns || (type == smaUseColumnOption && (c.m_options & coSmartResize));
        int width = tree.GetMaxColumnWidth(index, smart);
        if (animated)
            m_columns.AnimatedResize(index, width);
        else
            c.SetWidth(width);
        NotifyAfterAutoFitColumn(index);
    }
    if (tree.OnAfterAutoFitColumns)
        tree.OnAfterAutoFitColumns(this);
}

void TVTHeader::RestoreColumns()
{
    for (int position = m_columns.Count() - 1; position >= 0; --position) {
        TColumnIndex index = m_columns.ColumnFromPosition(TColumnPosition(position));
        if (!m_columns.IsValidColumn(index))
            continue;
        TVirtualTreeColumn& c = m_columns[index];
        if (c.Visible() && (c.m_options & coResizable))
            c.RestoreLastWidth();
    }
}

bool TVTHeader::InHeader(TPoint p) const
{
    // The header lies right above the client area: client y from -Height to -1.
    if (!(m_options & hoVisible))
        return false;
    // A vertical scroll bar at the left stands between the header's and the client area's left edges.
    const TRect& r = m_owner->HeaderRect();
    const int x = p.X + m_owner->LeftScrollBarWidth();
    return p.Y >= -m_height && p.Y < 0 && x >= 0 && x < r.Right - r.Left;
}

bool TVTHeader::InHeaderSplitterArea(TPoint p) const
{
    if (!(m_options & hoVisible))
        return false;
    const TRect& r = m_owner->HeaderRect();
    const int x = p.X + m_owner->LeftScrollBarWidth();
    return p.Y >= -2 && p.Y <= 2 && x >= 0 && x < r.Right - r.Left;
}

bool TVTHeader::FindSplitterColumn(TPoint p)
{
    m_columns.SetTrackIndex(NoColumn);
    if (m_columns.Count() == 0)
        return false;
    TTreeViewport& tree = *m_owner;
    int fixedWidth = m_columns.GetVisibleFixedWidth();
    const TIndexArray& positions = m_columns.PositionToIndex();
    if (tree.UseRightToLeftAlignment()) {
        // The resizing border of a column is its left edge; the track point is its right edge.
        const int shift = tree.RightToLeftOffset(true);
        int edge = shift - tree.EffectiveOffsetX();
        for (TColumnIndex index : positions) {
            TVirtualTreeColumn& c = m_columns[index];
            if (!c.Visible())
                continue;
            int e = c.Fixed() ? c.m_left + shift : edge;
            bool hit = p.X > e - 5 && p.X < e + 3 && (c.Fixed() || p.X > fixedWidth);
            if (hit) {
                bool allowed = (c.m_options & coResizable) != 0;
                if (allowed && tree.OnCanSplitterResizeColumn)
                    tree.OnCanSplitterResizeColumn(this, p, index, allowed);
                if (allowed) {
                    m_columns.SetTrackIndex(index);
                    m_track_point = TPoint{e + c.m_width, p.Y};
                    return true;
                }
            }
            edge += c.m_width;
        }
        return false;
    }
    int edge = int(tree.RangeX()) - tree.EffectiveOffsetX();
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        TVirtualTreeColumn& c = m_columns[*it];
        if (!c.Visible())
            continue;
        int e = c.Fixed() ? c.m_left + c.m_width : edge;
        bool hit = p.X > e - 3 && p.X < e + 5 && (c.Fixed() || p.X > fixedWidth);
        if (hit) {
            bool allowed = (c.m_options & coResizable) != 0;
            if (allowed && tree.OnCanSplitterResizeColumn)
                tree.OnCanSplitterResizeColumn(this, p, *it, allowed);
            if (allowed) {
                m_columns.SetTrackIndex(*it);
                m_track_point = TPoint{c.Fixed() ? c.m_left : c.Left(), p.Y};
                return true;
            }
        }
        edge -= c.m_width;
    }
    return false;
}

bool TVTHeader::IsColumnSplitterHit(TPoint p)
{
    if (!(m_options & hoColumnResize) || !FindSplitterColumn(p))
        return false;
    if (InHeader(p))
        return true;
    // Inside the client area only the border of the fixed area can be dragged.
    TColumnIndex track = m_columns.TrackIndex();
    if (!m_columns[track].Fixed())
        return false;
    TColumnIndex next = m_columns.GetNextVisibleColumn(track);
    return m_columns.IsValidColumn(next) && !m_columns[next].Fixed() && p.Y <= int(m_owner->RangeY());
}

bool TVTHeader::AskBeforeAutoFitColumn(TColumnIndex column, TSmartAutoFitType& type)
{
    bool allowed = true;
    if (m_owner->OnBeforeAutoFitColumn)
        m_owner->OnBeforeAutoFitColumn(this, column, type, allowed);
    return allowed;
}

void TVTHeader::NotifyAfterAutoFitColumn(TColumnIndex column)
{
    if (m_owner->OnAfterAutoFitColumn)
        m_owner->OnAfterAutoFitColumn(this, column);
}

bool TVTHeader::AskColumnWidthDblClickResize(TColumnIndex column, TPoint p)
{
    bool allowed = true;
    if (m_owner->OnColumnWidthDblClickResize)
        m_owner->OnColumnWidthDblClickResize(this, column, p, allowed);
    return allowed;
}

void TVTHeader::NotifyBeforeColumnWidthTracking(TColumnIndex column)
{
    if (m_owner->OnBeforeColumnWidthTracking)
        m_owner->OnBeforeColumnWidthTracking(this, column);
}

void TVTHeader::NotifyAfterColumnWidthTracking(TColumnIndex column)
{
    if (m_owner->OnAfterColumnWidthTracking)
        m_owner->OnAfterColumnWidthTracking(this, column);
}

bool TVTHeader::AskColumnWidthTracking(TColumnIndex column, TPoint& trackPoint, TPoint p)
{
    bool allowed = true;
    if (m_owner->OnColumnWidthTracking)
        m_owner->OnColumnWidthTracking(this, column, trackPoint, p, allowed);
    return allowed;
}

} // namespace treeview

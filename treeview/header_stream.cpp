// The header stream: the columns with their order and the header's settings, so that an
// application can keep the user's column layout.
//
// Every field is a 32-bit little-endian integer; enumerations and sets are stored zero-extended
// and only their low byte (or low 16 bits for the column and header options) is read back. Texts
// are a length and the text: captions and hints in UTF-16 code units, the font name in UTF-8 bytes.
//   marker -1, version 6 (an older stream starts with the column count itself: version -1);
//   columns: count C, C column records in index order, C position entries (the column index at
//     each display position), DefaultWidth (version 5 on);
//   AutoSizeIndex, Background, Height, Options, Style, font colour, height, name, pitch and style;
//   version 1 on: MainColumn, SortColumn, SortDirection;
//   version 5 on: ParentFont, MaxHeight, MinHeight, DefaultHeight, and the four constraint
//     percentages (max height, max width, min height, min width).
// A column record: caption, hint, Width, MinWidth, MaxWidth, Style, ImageIndex, Layout, Margin,
// Spacing, BiDiMode, Options; version 1 on Tag and Alignment; version 2 on Color; version 6 on
// CaptionAlignment, present only when the options hold coUseCaptionAlignment.
//
// Lengths and counts are checked against what the stream still holds before anything is made for
// them, and ordinals outside their enumeration read as the defaults.
#include "treeview/header.h"
#include "treeview/tree_viewport.h"
#include "core/exception.h"
#include "core/stream.h"
#include <algorithm>

namespace treeview {

namespace {

constexpr int32_t HeaderStreamVersion = 6;
// The fixed fields of one column record of the oldest form, to bound a column count.
constexpr int64_t SmallestColumnRecord = 12 * 4;

int32_t ReadInt(core::Stream& stream)
{
    return stream.ReadInt32();
}

template <class E>
E ReadEnum(core::Stream& stream, E last, E fallback)
{
    uint8_t value = uint8_t(stream.ReadInt32());
    return value <= uint8_t(last) ? E(value) : fallback;
}

[[noreturn]] void ShortStream()
{
    throw core::EReadError(u"Stream read error");
}

void CheckRemaining(core::Stream& stream, int64_t bytes)
{
    if (bytes > stream.Size() - stream.Position())
        ShortStream();
}

core::String ReadText(core::Stream& stream)
{
    int32_t length = ReadInt(stream);
    core::String text;
    if (length <= 0)
        return text;
    CheckRemaining(stream, int64_t(length) * 2);
    text.resize(size_t(length));
    for (char16_t& unit : text)
        unit = stream.ReadUInt16();
    return text;
}

void WriteText(core::Stream& stream, core::StringView text)
{
    stream.WriteInt32(int32_t(text.size()));
    for (char16_t unit : text)
        stream.WriteUInt16(unit);
}

// Column options of older streams: version 2 had eight option bits; before it coParentColor did
// not exist, so the bits after coParentBidiMode sit one place lower.
TVTColumnOptions ConvertColumnOptions(uint32_t stored, int version)
{
    if (version >= 3)
        return TVTColumnOptions(stored & 0xFFFF);
    if (version == 2)
        return TVTColumnOptions(stored & 0xFF);
    return TVTColumnOptions((stored & 0x0F) | ((stored & 0x70) << 1));
}

} // namespace

// ---- Column ----

void TVirtualTreeColumn::SaveToStream(core::Stream& stream) const
{
    WriteText(stream, m_text);
    WriteText(stream, m_hint);
    stream.WriteInt32(m_width);
    stream.WriteInt32(m_min_width);
    stream.WriteInt32(m_max_width);
    stream.WriteInt32(m_style);
    stream.WriteInt32(m_image_index);
    stream.WriteInt32(m_layout);
    stream.WriteInt32(m_margin);
    stream.WriteInt32(m_spacing);
    stream.WriteInt32(m_bidi_mode);
    stream.WriteInt32(m_options);
    stream.WriteInt32(m_tag);
    stream.WriteInt32(m_alignment);
    stream.WriteInt32(m_color);
    if (m_options & coUseCaptionAlignment)
        stream.WriteInt32(m_caption_alignment);
}

void TVirtualTreeColumn::LoadFromStream(core::Stream& stream, int version)
{
    SetText(ReadText(stream));
    m_hint = ReadText(stream);
    // Width first: it is clamped against the limits in force now and again when they change.
    SetWidth(ReadInt(stream));
    SetMinWidth(ReadInt(stream));
    SetMaxWidth(ReadInt(stream));
    SetStyle(ReadEnum(stream, vsOwnerDraw, vsText));
    SetImageIndex(ReadInt(stream));
    SetLayout(ReadEnum(stream, blGlyphBottom, blGlyphLeft));
    SetMargin(ReadInt(stream));
    SetSpacing(ReadInt(stream));
    SetBiDiMode(ReadEnum(stream, bdRightToLeftReadingOnly, bdLeftToRight));
    TVTColumnOptions options = ConvertColumnOptions(uint32_t(ReadInt(stream)), version);
    SetOptions(options);
    if (version >= 1) {
        m_tag = ReadInt(stream);
        SetAlignment(ReadEnum(stream, taCenter, taLeftJustify));
    }
    if (version >= 2)
        SetColor(ReadInt(stream));
    if (version >= 6 && (options & coUseCaptionAlignment))
        SetCaptionAlignment(ReadEnum(stream, taCenter, taLeftJustify));
}

// ---- Columns ----

void TVirtualTreeColumns::SaveToStream(core::Stream& stream) const
{
    stream.WriteInt32(Count());
    if (Count() > 0) {
        for (const auto& column : m_items)
            column->SaveToStream(stream);
        for (int position = 0; position < Count(); ++position) {
            TColumnIndex index = ColumnFromPosition(TColumnPosition(position));
            stream.WriteInt32(IsValidColumn(index) ? index : position);
        }
    }
    stream.WriteInt32(m_default_width);
}

void TVirtualTreeColumns::LoadFromStream(core::Stream& stream, int version)
{
    Clear();
    int32_t count = ReadInt(stream);
    if (count > 0) {
        // Every column costs its record and a position entry: a count the stream cannot hold
        // fails before a single column is made.
        CheckRemaining(stream, int64_t(count) * (SmallestColumnRecord + 4));
        BeginUpdate();
        struct Bracket {
            TVirtualTreeColumns& columns;
            ~Bracket() { columns.EndUpdate(); }
        } bracket{*this};
        for (int32_t i = 0; i < count; ++i)
            Add().LoadFromStream(stream, version);
        TIndexArray positions(static_cast<size_t>(count));
        std::vector<bool> seen(size_t(count), false);
        bool permutation = true;
        for (TColumnIndex& index : positions) {
            index = ReadInt(stream);
            if (index < 0 || index >= count || seen[size_t(index)])
                permutation = false;
            else
                seen[size_t(index)] = true;
        }
        // A damaged order cannot name columns twice or outside the collection: it becomes the
        // columns' own order.
        if (!permutation)
            for (int32_t i = 0; i < count; ++i)
                positions[size_t(i)] = i;
        m_position_to_index = positions;
        for (int32_t position = 0; position < count; ++position)
            m_items[size_t(positions[size_t(position)])]->m_position = TColumnPosition(position);
        m_need_positions_fix = false;
        RecomputeColumnLefts(true);
    }
    if (version >= 5)
        m_default_width = ReadInt(stream);
}

// ---- Header ----

void TVTHeader::SaveToStream(core::Stream& stream)
{
    stream.WriteInt32(-1);
    stream.WriteInt32(HeaderStreamVersion);
    m_columns.SaveToStream(stream);
    stream.WriteInt32(m_auto_size_index);
    stream.WriteInt32(m_background);
    stream.WriteInt32(m_height);
    stream.WriteInt32(m_options);
    stream.WriteInt32(m_style);
    THeaderFontRecord font = Treeview().HeaderFontRecord();
    stream.WriteInt32(font.Color);
    stream.WriteInt32(font.Height);
    std::string name = core::ToUtf8(font.Name);
    stream.WriteInt32(int32_t(name.size()));
    stream.WriteBuffer(name.data(), int64_t(name.size()));
    stream.WriteInt32(font.Pitch);
    stream.WriteInt32(font.Style);
    stream.WriteInt32(m_main_column);
    stream.WriteInt32(SortColumn());
    stream.WriteInt32(SortDirection());
    stream.WriteInt32(m_parent_font ? 1 : 0);
    stream.WriteInt32(m_max_height);
    stream.WriteInt32(m_min_height);
    stream.WriteInt32(m_default_height);
    stream.WriteInt32(m_constraints.MaxHeightPercent());
    stream.WriteInt32(m_constraints.MaxWidthPercent());
    stream.WriteInt32(m_constraints.MinHeightPercent());
    stream.WriteInt32(m_constraints.MinWidthPercent());
}

void TVTHeader::LoadFromStream(core::Stream& stream)
{
    EnterStates(hsLoading);
    // However reading ends, the header leaves its loading state and the tree hears of new widths.
    struct Finally {
        TVTHeader& header;
        ~Finally() noexcept(false)
        {
            header.LeaveStates(hsLoading);
            try {
                header.Treeview().DoColumnResize(NoColumn);
            } catch (...) {
                if (std::uncaught_exceptions() == 0)
                    throw;
            }
        }
    } finally{*this};
    TVTHeaderOptions oldOptions = m_options;
    m_options = 0;
    struct RestoreOptions {
        TVTHeader& header;
        TVTHeaderOptions options;
        bool done = false;
        ~RestoreOptions()
        {
            if (!done)
                header.m_options = options;
        }
    } restore{*this, oldOptions};

    int32_t version = ReadInt(stream);
    if (version < 0) {
        version = ReadInt(stream);
    } else {
        stream.Seek(-4, core::soCurrent);
        version = -1;
    }
    m_columns.LoadFromStream(stream, version);
    SetAutoSizeIndex(ReadInt(stream));
    SetBackground(ReadInt(stream));
    SetHeight(ReadInt(stream));
    TVTHeaderOptions options = TVTHeaderOptions(ReadInt(stream));
    m_options = oldOptions;
    restore.done = true;
    SetOptions(options);
    SetStyle(ReadEnum(stream, hsXPStyle, hsThickButtons));

    THeaderFontRecord font;
    font.Color = ReadInt(stream);
    font.Height = ReadInt(stream);
    int32_t nameLength = ReadInt(stream);
    if (nameLength > 0) {
        CheckRemaining(stream, nameLength);
        std::string name(size_t(nameLength), '\0');
        stream.ReadBuffer(name.data(), nameLength);
        font.Name = core::FromUtf8(name);
    }
    font.Pitch = ReadEnum(stream, uint8_t(2), uint8_t(0));
    font.Style = uint8_t(ReadInt(stream) & 0x0F);
    Treeview().SetHeaderFontRecord(font);

    if (version >= 1) {
        SetMainColumn(ReadInt(stream));
        SetSortColumn(ReadInt(stream));
        SetSortDirection(ReadEnum(stream, sdDescending, sdAscending));
    }
    if (version >= 5) {
        SetParentFont(ReadInt(stream) != 0);
        m_max_height = ReadInt(stream);
        m_min_height = ReadInt(stream);
        m_default_height = ReadInt(stream);
        auto percent = [&stream] { return uint8_t(std::clamp(ReadInt(stream), 0, 100)); };
        m_constraints.m_max_height = percent();
        m_constraints.m_max_width = percent();
        m_constraints.m_min_height = percent();
        m_constraints.m_min_width = percent();
    }
}

} // namespace treeview

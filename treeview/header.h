// The tree's column header model: the columns with their widths, limits, options and display
// positions, and the header that owns them (height and its limits, sort and main column, automatic
// sizing, proportional resizing and fitting to content). Portable: everything that touches the window
// goes through the owning TTreeViewport.
#pragma once
#include "treeview/types.h"
#include "core/string.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace core {
class Stream;
}

namespace treeview {

class TTreeViewport;
class TVirtualTreeColumns;
class TCustomImageList;
class TVTHeader;

using TColumnPosition = uint32_t;
using TIndexArray = std::vector<TColumnIndex>;

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TBiDiMode : uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TVirtualTreeColumnStyle : uint8_t { vsText, vsOwnerDraw };
enum TVTHeaderColumnLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum TVTColumnOption : uint16_t {
    coAllowClick = 1u << 0, coDraggable = 1u << 1, coEnabled = 1u << 2, coParentBidiMode = 1u << 3,
    coParentColor = 1u << 4, coResizable = 1u << 5, coShowDropMark = 1u << 6, coVisible = 1u << 7,
    coAutoSpring = 1u << 8, coFixed = 1u << 9, coSmartResize = 1u << 10, coAllowFocus = 1u << 11,
    coDisableAnimatedResize = 1u << 12, coWrapCaption = 1u << 13, coUseCaptionAlignment = 1u << 14,
};
using TVTColumnOptions = uint16_t;
constexpr TVTColumnOptions DefaultColumnOptions = coAllowClick | coDraggable | coEnabled | coParentBidiMode |
                                                  coParentColor | coResizable | coShowDropMark | coVisible | coAllowFocus;

enum TVTHeaderOption : uint16_t {
    hoAutoResize = 1u << 0, hoColumnResize = 1u << 1, hoDblClickResize = 1u << 2, hoDrag = 1u << 3,
    hoHotTrack = 1u << 4, hoOwnerDraw = 1u << 5, hoRestrictDrag = 1u << 6, hoShowHint = 1u << 7,
    hoShowImages = 1u << 8, hoShowSortGlyphs = 1u << 9, hoVisible = 1u << 10, hoAutoSpring = 1u << 11,
    hoFullRepaintOnResize = 1u << 12, hoDisableAnimatedResize = 1u << 13, hoHeightResize = 1u << 14,
    hoHeightDblClickResize = 1u << 15,
};
using TVTHeaderOptions = uint16_t;
constexpr TVTHeaderOptions DefaultHeaderOptions = hoColumnResize | hoDrag | hoShowSortGlyphs;

enum THeaderState : uint16_t {
    hsAutoSizing = 1u << 0, hsDragging = 1u << 1, hsDragPending = 1u << 2, hsLoading = 1u << 3,
    hsColumnWidthTracking = 1u << 4, hsColumnWidthTrackPending = 1u << 5, hsHeightTracking = 1u << 6,
    hsHeightTrackPending = 1u << 7, hsResizing = 1u << 8, hsScaling = 1u << 9, hsNeedScaling = 1u << 10,
};
using THeaderStates = uint16_t;

enum TVTHeaderStyle : uint8_t { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };
enum TSmartAutoFitType : uint8_t { smaAllColumns, smaNoColumn, smaUseColumnOption };

// Colours are plain RGB values with the platform's system-colour encoding (high byte 0xFF).
using TColor = int32_t;
constexpr TColor clWindowColor = int32_t(0xFF000005);
constexpr TColor clBtnFaceColor = int32_t(0xFF00000F);

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

// The header font's fields as the header stream holds them; the window half maps them onto its
// font. Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out; pitch 0 default, 1 variable,
// 2 fixed.
struct THeaderFontRecord {
    TColor Color = 0;
    int32_t Height = -12;
    core::String Name;
    uint8_t Pitch = 0;
    uint8_t Style = 0;
};

class TVirtualTreeColumn {
public:
    explicit TVirtualTreeColumn(TVirtualTreeColumns* owner);
    ~TVirtualTreeColumn();
    TVirtualTreeColumn(const TVirtualTreeColumn&) = delete;
    TVirtualTreeColumn& operator=(const TVirtualTreeColumn&) = delete;

    // ---- Properties ----
    TVirtualTreeColumns* Owner() const { return m_owner; }
    TColumnIndex Index() const;
    const core::String& Text() const { return m_text; }
    void SetText(core::StringView value);
    const core::String& Hint() const { return m_hint; }
    void SetHint(core::StringView value) { m_hint = core::String(value); }
    const core::String& CaptionText() const { return m_caption_text; }
    void SetCaptionText(core::StringView value) { m_caption_text = core::String(value); }
    int Width() const { return m_width; }
    void SetWidth(int value);
    int MinWidth() const { return m_min_width; }
    void SetMinWidth(int value);
    int MaxWidth() const { return m_max_width; }
    void SetMaxWidth(int value);
    int LastWidth() const { return m_last_width; }
    TColumnPosition Position() const { return m_position; }
    void SetPosition(TColumnPosition value);
    TVTColumnOptions Options() const { return m_options; }
    void SetOptions(TVTColumnOptions value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TAlignment CaptionAlignment() const { return (m_options & coUseCaptionAlignment) ? m_caption_alignment : m_alignment; }
    void SetCaptionAlignment(TAlignment value);
    TBiDiMode BiDiMode() const { return m_bidi_mode; }
    void SetBiDiMode(TBiDiMode value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    int ImageIndex() const { return m_image_index; }
    void SetImageIndex(int value);
    TVTHeaderColumnLayout Layout() const { return m_layout; }
    void SetLayout(TVTHeaderColumnLayout value);
    TVirtualTreeColumnStyle Style() const { return m_style; }
    void SetStyle(TVirtualTreeColumnStyle value);
    int32_t Tag() const { return m_tag; }
    void SetTag(int32_t value) { m_tag = value; }
    bool CheckBox() const { return m_check_box; }
    void SetCheckBox(bool value);
    TCheckType CheckType() const { return m_check_type; }
    void SetCheckType(TCheckType value);
    TCheckState CheckState() const { return m_check_state; }
    void SetCheckState(TCheckState value);
    bool BonusPixel() const { return m_bonus_pixel; }
    float SpringRest() const { return m_spring_rest; }
    // Where the glyph (or the check box) was drawn by the last header paint: x from the cell's left
    // edge, y from the header's top. The click handling tests it.
    const TRect& ImageRect() const { return m_image_rect; }
    bool HasImage() const { return m_has_image; }
    void SetImageRect(const TRect& rect, bool hasImage) { m_image_rect = rect, m_has_image = hasImage; }
    bool Visible() const { return (m_options & coVisible) != 0; }
    bool Fixed() const { return (m_options & coFixed) != 0; }

    // Left edge in header coordinates: scrolled unless the column is visible and fixed.
    int Left() const;
    // The column's header cell in window coordinates (unscrolled).
    TRect GetRect() const;
    void GetUnscrolledBounds(int& left, int& right) const { left = m_left, right = m_left + m_width; }
    bool UseRightToLeftReading() const { return m_bidi_mode != bdLeftToRight; }
    void RestoreLastWidth();
    void ParentBiDiModeChanged();
    void ParentColorChanged();
    void Assign(const TVirtualTreeColumn& source);
    bool Equals(const TVirtualTreeColumn& other) const;
    // Header stream record (header_stream.cpp).
    void SaveToStream(core::Stream& stream) const;
    void LoadFromStream(core::Stream& stream, int version);
    core::String DisplayName() const;

private:
    friend class TVirtualTreeColumns;
    friend class TVTHeader;
    void Changed();
    TVTHeader& Header() const;
    TTreeViewport& Tree() const;

    TVirtualTreeColumns* m_owner;
    core::String m_text;
    core::String m_hint;
    int m_left = 0;
    int m_width = 50;
    TColumnPosition m_position = 0;
    int m_min_width = 10;
    int m_max_width = 10000;
    TVirtualTreeColumnStyle m_style = vsText;
    int m_image_index = -1;
    TBiDiMode m_bidi_mode = bdLeftToRight;
    TVTHeaderColumnLayout m_layout = blGlyphLeft;
    int m_margin = 4;
    int m_spacing = 4;
    TVTColumnOptions m_options = DefaultColumnOptions;
    int32_t m_tag = 0;
    TAlignment m_alignment = taLeftJustify;
    TAlignment m_caption_alignment = taLeftJustify;
    int m_last_width = 50;
    TColor m_color = clWindowColor;
    bool m_bonus_pixel = false;
    float m_spring_rest = 0;
    core::String m_caption_text;
    bool m_check_box = false;
    TCheckType m_check_type = ctCheckBox;
    TCheckState m_check_state = csUncheckedNormal;
    TRect m_image_rect;
    bool m_has_image = false;
};

class TVirtualTreeColumns {
public:
    explicit TVirtualTreeColumns(TVTHeader* header);
    ~TVirtualTreeColumns();
    TVirtualTreeColumns(const TVirtualTreeColumns&) = delete;
    TVirtualTreeColumns& operator=(const TVirtualTreeColumns&) = delete;

    // ---- Properties ----
    TVTHeader& Header() const { return *m_header; }
    int Count() const { return int(m_items.size()); }
    TVirtualTreeColumn& operator[](TColumnIndex index) const { return *m_items.at(size_t(index)); }
    TVirtualTreeColumn* Items(TColumnIndex index) const
    {
        return IsValidColumn(index) ? m_items[size_t(index)].get() : nullptr;
    }
    TColumnIndex ClickIndex() const { return m_click_index; }
    TColumnIndex TrackIndex() const { return m_track_index; }
    TColumnIndex HoverIndex() const { return m_hover_index; }
    TColumnIndex DownIndex() const { return m_down_index; }
    TColumnIndex DragIndex() const { return m_drag_index; }
    TColumnIndex DropTarget() const { return m_drop_target; }
    bool DropBefore() const { return m_drop_before; }
    // Header mouse state (kept here, driven by the header's message handling).
    void SetClickIndex(TColumnIndex value) { m_click_index = value; }
    void SetTrackIndex(TColumnIndex value) { m_track_index = value; }
    void SetHoverIndex(TColumnIndex value) { m_hover_index = value; }
    void SetDownIndex(TColumnIndex value) { m_down_index = value; }
    void SetDragIndex(TColumnIndex value) { m_drag_index = value; }
    void SetDropTarget(TColumnIndex value, bool before) { m_drop_target = value, m_drop_before = before; }
    int DefaultWidth() const { return m_default_width; }
    void SetDefaultWidth(int value) { m_default_width = value; }
    const TIndexArray& PositionToIndex() const { return m_position_to_index; }

    // ---- Operations ----
    TVirtualTreeColumn& Add();
    void Delete(TColumnIndex index);
    void Clear();
    void BeginUpdate() { ++m_update_count; }
    void EndUpdate();
    bool Updating() const { return m_update_count > 0; }
    void Assign(const TVirtualTreeColumns& source);
    bool Equals(const TVirtualTreeColumns& other) const;
    // The column block of the header stream.
    void SaveToStream(core::Stream& stream) const;
    void LoadFromStream(core::Stream& stream, int version);
    // The change notification of a column (null: the collection as a whole).
    void Update(TVirtualTreeColumn* item);

    bool IsValidColumn(TColumnIndex column) const { return column >= 0 && column < Count(); }
    TColumnIndex ColumnFromPosition(TColumnPosition position) const;
    // P in header coordinates; Relative: P is in the scrolled view.
    TColumnIndex ColumnFromPosition(TPoint p, bool relative = true) const;
    TColumnIndex ColumnAndBoundsAt(TPoint p, int& left, int& right, bool relative = true) const;
    void GetColumnBounds(TColumnIndex column, int& left, int& right) const;
    TColumnIndex GetFirstVisibleColumn(bool considerAllowFocus = false) const;
    TColumnIndex GetLastVisibleColumn(bool considerAllowFocus = false) const;
    TColumnIndex GetNextColumn(TColumnIndex column) const;
    TColumnIndex GetPreviousColumn(TColumnIndex column) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex column, bool considerAllowFocus = false) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex column, bool considerAllowFocus = false) const;
    std::vector<TVirtualTreeColumn*> GetVisibleColumns() const;
    int GetVisibleFixedWidth() const;
    int TotalWidth() const;
    int GetScrollWidth() const;
    void AnimatedResize(TColumnIndex column, int newWidth);
    void FitAutoSizeColumn(bool force);
    void DistributeSpringWidth();

    // Position array upkeep.
    void SyncPositionArray();
    void RemoveColumnFromPositions(TColumnIndex old);
    void MoveColumnPosition(TColumnPosition from, TColumnPosition to);
    void RecomputeColumnLefts(bool force);
    void RebuildPositionArray();
    void ResetColumnOrder(bool rightToLeft);
    bool NeedPositionsFix() const { return m_need_positions_fix; }

private:
    friend class TVirtualTreeColumn;
    TTreeViewport& Tree() const;
    void ColumnDeleted(TColumnIndex index);

    TVTHeader* m_header;
    std::vector<std::unique_ptr<TVirtualTreeColumn>> m_items;
    TColumnIndex m_hover_index = NoColumn;
    TColumnIndex m_down_index = NoColumn;
    TColumnIndex m_track_index = NoColumn;
    TColumnIndex m_click_index = NoColumn;
    TIndexArray m_position_to_index;
    int m_default_width = 50;
    bool m_need_positions_fix = false;
    bool m_clearing = false;
    TColumnIndex m_drag_index = NoColumn;
    TColumnIndex m_drop_target = NoColumn;
    bool m_drop_before = false;
    int m_update_count = 0;
};

class TVTFixedAreaConstraints {
public:
    explicit TVTFixedAreaConstraints(TVTHeader* header) : m_header(header) {}
    int MaxHeightPercent() const { return m_max_height; }
    int MaxWidthPercent() const { return m_max_width; }
    int MinHeightPercent() const { return m_min_height; }
    int MinWidthPercent() const { return m_min_width; }
    void SetMaxHeightPercent(int value);
    void SetMaxWidthPercent(int value);
    void SetMinHeightPercent(int value);
    void SetMinWidthPercent(int value);
    void Assign(const TVTFixedAreaConstraints& source);
    std::function<void(TVTFixedAreaConstraints*)> OnChange;

private:
    friend class TVTHeader;   // the header stream stores the percentages as they were saved
    void Change()
    {
        if (OnChange)
            OnChange(this);
    }
    TVTHeader* m_header;
    uint8_t m_max_height = 0, m_max_width = 0, m_min_height = 0, m_min_width = 0;
};

class TVTHeader {
public:
    explicit TVTHeader(TTreeViewport* owner);
    virtual ~TVTHeader();
    TVTHeader(const TVTHeader&) = delete;
    TVTHeader& operator=(const TVTHeader&) = delete;

    // ---- Properties ----
    TTreeViewport& Treeview() const { return *m_owner; }
    TVirtualTreeColumns& Columns() { return m_columns; }
    const TVirtualTreeColumns& Columns() const { return m_columns; }
    bool UseColumns() const { return m_columns.Count() > 0; }
    int Height() const { return m_height; }
    void SetHeight(int value);
    int DefaultHeight() const { return m_default_height; }
    void SetDefaultHeight(int value);
    int MinHeight() const { return m_min_height; }
    void SetMinHeight(int value);
    int MaxHeight() const { return m_max_height; }
    void SetMaxHeight(int value);
    TVTHeaderOptions Options() const { return m_options; }
    void SetOptions(TVTHeaderOptions value);
    THeaderStates States() const { return m_states; }
    void EnterStates(THeaderStates states) { m_states |= states; }
    void LeaveStates(THeaderStates states) { m_states &= THeaderStates(~states); }
    TVTHeaderStyle Style() const { return m_style; }
    void SetStyle(TVTHeaderStyle value);
    TColor Background() const { return m_background; }
    void SetBackground(TColor value);
    TColumnIndex AutoSizeIndex() const { return m_auto_size_index; }
    void SetAutoSizeIndex(TColumnIndex value);
    TColumnIndex MainColumn() const { return m_columns.Count() > 0 ? m_main_column : NoColumn; }
    void SetMainColumn(TColumnIndex value);
    // The sort state is the tree's (sorting reads it there).
    TColumnIndex SortColumn() const;
    void SetSortColumn(TColumnIndex value);
    TSortDirection SortDirection() const;
    void SetSortDirection(TSortDirection value);
    TVTFixedAreaConstraints& FixedAreaConstraints() { return m_constraints; }
    // The glyphs of the header cells (shown with hoShowImages); null for none. The tree hears of
    // the list's changes and of its end.
    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* value);
    bool ParentFont() const { return m_parent_font; }
    void SetParentFont(bool value);
    // Header width at the last spring distribution.
    int LastSpringWidth() const { return m_last_width; }
    void SetLastSpringWidth(int value) { m_last_width = value; }
    TPoint TrackPoint() const { return m_track_point; }
    void SetTrackPoint(TPoint p) { m_track_point = p; }
    TPoint TrackStart() const { return m_track_start; }
    void SetTrackStart(TPoint p) { m_track_start = p; }

    // ---- Operations ----
    // The header stream (header_stream.cpp): columns, their order and the header's settings.
    virtual void SaveToStream(core::Stream& stream);
    virtual void LoadFromStream(core::Stream& stream);
    void Assign(const TVTHeader& source);
    bool AllowFocus(TColumnIndex column) const;
    // Repaints a column's header cell (NoColumn: the whole header).
    void Invalidate(TColumnIndex column, bool expandToBorder = false);
    void ChangeSortColumn(TColumnIndex value);
    void ClampMainColumn();
    void ApplyHeaderConstraints();
    int ResizeColumns(int changeBy, TColumnIndex rangeStart, TColumnIndex rangeEnd, TVTColumnOptions options);
    void AutoFitColumns(bool animated = true, TSmartAutoFitType type = smaUseColumnOption, int rangeStartCol = NoColumn,
                        int rangeEndCol = NoColumn);
    void RestoreColumns();
    void RecalculateHeaderFrame();
    void ScaleHeaderFont(int m, int d);
    int FontSize() const { return m_font_size; }
    void SetFontSize(int value) { m_font_size = value; }

    // ---- Header mouse geometry (client coordinates; the header lies above the client area) ----
    bool InHeader(TPoint p) const;
    bool InHeaderSplitterArea(TPoint p) const;
    virtual bool FindSplitterColumn(TPoint p);
    bool IsColumnSplitterHit(TPoint p);

    // ---- Notifications to the tree's events ----
    virtual bool AskBeforeAutoFitColumn(TColumnIndex column, TSmartAutoFitType& type);
    virtual void NotifyAfterAutoFitColumn(TColumnIndex column);
    virtual bool AskColumnWidthDblClickResize(TColumnIndex column, TPoint p);
    virtual void NotifyBeforeColumnWidthTracking(TColumnIndex column);
    virtual void NotifyAfterColumnWidthTracking(TColumnIndex column);
    virtual bool AskColumnWidthTracking(TColumnIndex column, TPoint& trackPoint, TPoint p);

private:
    friend class TVirtualTreeColumns;
    TTreeViewport* m_owner;
    TVirtualTreeColumns m_columns;
    int m_height = 17;
    int m_default_height = 17;
    int m_min_height = 10;
    int m_max_height = 10000;
    int m_font_size = 8;
    bool m_parent_font = false;
    TVTHeaderOptions m_options = DefaultHeaderOptions;
    THeaderStates m_states = 0;
    TPoint m_track_point;
    TPoint m_track_start;
    TVTHeaderStyle m_style = hsThickButtons;
    TColor m_background = clBtnFaceColor;
    TColumnIndex m_auto_size_index = NoColumn;
    TColumnIndex m_main_column = NoColumn;
    TVTFixedAreaConstraints m_constraints;
    TCustomImageList* m_images = nullptr;
    int m_last_width = -1;
};

} // namespace treeview

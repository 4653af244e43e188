// The tree's option object: six flag sets and the export mode (seven sets in the string tree),
// with the defaults of a new tree and the reactions that a changed flag needs.
#pragma once
#include <atomic>
#include <cstdint>

namespace treeview {

class TBaseVirtualTree;

enum TVTPaintOption : uint32_t {
    toHideFocusRect = 1u << 0, toHideSelection = 1u << 1, toHotTrack = 1u << 2, toPopupMode = 1u << 3,
    toShowBackground = 1u << 4, toShowButtons = 1u << 5, toShowDropmark = 1u << 6,
    toShowHorzGridLines = 1u << 7, toShowRoot = 1u << 8, toShowTreeLines = 1u << 9,
    toShowVertGridLines = 1u << 10, toThemeAware = 1u << 11, toUseBlendedImages = 1u << 12,
    toGhostedIfUnfocused = 1u << 13, toFullVertGridLines = 1u << 14, toAlwaysHideSelection = 1u << 15,
    toUseBlendedSelection = 1u << 16, toStaticBackground = 1u << 17, toChildrenAbove = 1u << 18,
    toFixedIndent = 1u << 19, toUseExplorerTheme = 1u << 20, toHideTreeLinesIfThemed = 1u << 21,
    toShowHiddenNodes = 1u << 22,
};
using TVTPaintOptions = uint32_t;

enum TVTAnimationOption : uint8_t { toAnimatedToggle = 1u << 0, toAdvancedAnimatedToggle = 1u << 1 };
using TVTAnimationOptions = uint8_t;

enum TVTAutoOption : uint16_t {
    toAutoDropExpand = 1u << 0, toAutoExpand = 1u << 1, toAutoScroll = 1u << 2, toAutoScrollOnExpand = 1u << 3,
    toAutoSort = 1u << 4, toAutoSpanColumns = 1u << 5, toAutoTristateTracking = 1u << 6,
    toAutoHideButtons = 1u << 7, toAutoDeleteMovedNodes = 1u << 8, toDisableAutoscrollOnFocus = 1u << 9,
    toAutoChangeScale = 1u << 10, toAutoFreeOnCollapse = 1u << 11, toDisableAutoscrollOnEdit = 1u << 12,
    toAutoBidiColumnOrdering = 1u << 13,
};
using TVTAutoOptions = uint16_t;

enum TVTSelectionOption : uint16_t {
    toDisableDrawSelection = 1u << 0, toExtendedFocus = 1u << 1, toFullRowSelect = 1u << 2,
    toLevelSelectConstraint = 1u << 3, toMiddleClickSelect = 1u << 4, toMultiSelect = 1u << 5,
    toRightClickSelect = 1u << 6, toSiblingSelectConstraint = 1u << 7, toCenterScrollIntoView = 1u << 8,
    toSimpleDrawSelection = 1u << 9,
};
using TVTSelectionOptions = uint16_t;

enum TVTMiscOption : uint16_t {
    toAcceptOLEDrop = 1u << 0, toCheckSupport = 1u << 1, toEditable = 1u << 2, toFullRepaintOnResize = 1u << 3,
    toGridExtensions = 1u << 4, toInitOnSave = 1u << 5, toReportMode = 1u << 6, toToggleOnDblClick = 1u << 7,
    toWheelPanning = 1u << 8, toReadOnly = 1u << 9, toVariableNodeHeight = 1u << 10, toFullRowDrag = 1u << 11,
    toNodeHeightResize = 1u << 12, toNodeHeightDblClickResize = 1u << 13, toEditOnClick = 1u << 14,
    toEditOnDblClick = 1u << 15,
};
using TVTMiscOptions = uint16_t;

enum TVTStringOption : uint8_t { toSaveCaptions = 1u << 0, toShowStaticText = 1u << 1, toAutoAcceptEditChange = 1u << 2 };
using TVTStringOptions = uint8_t;

enum TVTExportMode : uint8_t { emAll, emChecked, emUnchecked };

constexpr TVTAutoOptions DefaultAutoOptions = 329;
constexpr TVTMiscOptions DefaultMiscOptions = 16809;
constexpr TVTPaintOptions DefaultPaintOptions = 7008;
constexpr TVTSelectionOptions DefaultSelectionOptions = 0;
constexpr TVTAnimationOptions DefaultAnimationOptions = 0;
constexpr TVTStringOptions DefaultStringOptions = 5;

// The sets are read by the validation thread (hidden nodes, variable heights) while the GUI thread
// may change them, so they are stored atomically.
class TCustomVirtualTreeOptions {
public:
    explicit TCustomVirtualTreeOptions(TBaseVirtualTree* owner);
    virtual ~TCustomVirtualTreeOptions() = default;
    TCustomVirtualTreeOptions(const TCustomVirtualTreeOptions&) = delete;
    TCustomVirtualTreeOptions& operator=(const TCustomVirtualTreeOptions&) = delete;

    TBaseVirtualTree* Owner() const { return m_owner; }

    TVTPaintOptions PaintOptions() const { return m_paint.load(std::memory_order_relaxed); }
    void SetPaintOptions(TVTPaintOptions value);
    TVTAnimationOptions AnimationOptions() const { return m_animation.load(std::memory_order_relaxed); }
    void SetAnimationOptions(TVTAnimationOptions value);
    TVTAutoOptions AutoOptions() const { return m_auto.load(std::memory_order_relaxed); }
    void SetAutoOptions(TVTAutoOptions value);
    TVTSelectionOptions SelectionOptions() const { return m_selection.load(std::memory_order_relaxed); }
    void SetSelectionOptions(TVTSelectionOptions value);
    TVTMiscOptions MiscOptions() const { return m_misc.load(std::memory_order_relaxed); }
    void SetMiscOptions(TVTMiscOptions value);
    TVTExportMode ExportMode() const { return m_export_mode; }
    void SetExportMode(TVTExportMode value) { m_export_mode = value; }

    // Copies the sets (not the export mode) into dest through its setters; the string options
    // first when both are string tree options.
    virtual void AssignTo(TCustomVirtualTreeOptions& dest) const;
    void Assign(const TCustomVirtualTreeOptions& source) { source.AssignTo(*this); }
    virtual const char* ClassName() const { return "TCustomVirtualTreeOptions"; }

private:
    TBaseVirtualTree* m_owner;
    std::atomic<TVTPaintOptions> m_paint = DefaultPaintOptions;
    std::atomic<TVTAnimationOptions> m_animation = DefaultAnimationOptions;
    std::atomic<TVTAutoOptions> m_auto = DefaultAutoOptions;
    std::atomic<TVTSelectionOptions> m_selection = DefaultSelectionOptions;
    std::atomic<TVTMiscOptions> m_misc = DefaultMiscOptions;
    TVTExportMode m_export_mode = emAll;
};

class TCustomStringTreeOptions : public TCustomVirtualTreeOptions {
public:
    explicit TCustomStringTreeOptions(TBaseVirtualTree* owner) : TCustomVirtualTreeOptions(owner) {}
    TVTStringOptions StringOptions() const { return m_string.load(std::memory_order_relaxed); }
    void SetStringOptions(TVTStringOptions value);
    void AssignTo(TCustomVirtualTreeOptions& dest) const override;
    const char* ClassName() const override { return "TCustomStringTreeOptions"; }

private:
    std::atomic<TVTStringOptions> m_string = DefaultStringOptions;
};

class TStringTreeOptions : public TCustomStringTreeOptions {
public:
    using TCustomStringTreeOptions::TCustomStringTreeOptions;
    const char* ClassName() const override { return "TStringTreeOptions"; }
};

} // namespace treeview

// Animation settings and class lists of the skin manager.
#include "skin/engine/effects.h"

#include "ui/propinfo.h"

namespace skin {

TacAnimEffects::TacAnimEffects()
    : Buttons(std::make_unique<TacBtnEffects>()), DialogShow(std::make_unique<TacDialogShow>()),
      FormShow(std::make_unique<TacFormShow>()), PageChange(std::make_unique<TacPageChange>()),
      SkinChanging(std::make_unique<TacSkinChanging>())
{
    Buttons->Manager = Manager;
}

// Released in the order they were made.
TacAnimEffects::~TacAnimEffects()
{
    Buttons.reset();
    DialogShow.reset();
    FormShow.reset();
    PageChange.reset();
    SkinChanging.reset();
}

const std::array<core::StringView, kSkinTypeCount> StdSkinTypeNames = {
    u"Edit",     u"Button", u"BitBtn",      u"CheckBox",    u"ComboBox",   u"Grid",
    u"GroupBox", u"ListView", u"Panel",     u"TreeView",    u"wwEdit",     u"GridEh",
    u"VirtualTree", u"PageControl", u"TabControl", u"ToolBar", u"StatusBar", u"SpeedButton",
};

const std::array<core::StringView, kSkinTypeCount> StdSkinTypeClasses = {
    u"TEdit\r\nTMemo\r\nTMaskEdit\r\nTLabeledEdit\r\nTHotKey\r\nTListBox\r\nTCheckListBox\r\nTRichEdit\r\n"
    u"TDateTimePicker",
    u"TButton",
    u"TBitBtn",
    u"TCheckBox\r\nTRadioButton\r\nTGroupButton",
    u"TComboBox\r\nTColorBox",
    u"TStringGrid\r\nTDrawGrid",
    u"TGroupBox\r\nTRadioGroup",
    u"TListView",
    u"TPanel",
    u"TTreeView",
    u" ",
    u" ",
    u" ",
    u"TPageControl",
    u"TTabControl",
    u"TToolBar",
    u"TStatusBar",
    u"TSpeedButton",
};

core::String ThirdPartyList::ReadClasses(int index) const
{
    return index >= 0 && index < kSkinTypeCount ? m_classes[size_t(index)] : core::String();
}

void ThirdPartyList::WriteClasses(int index, core::StringView value)
{
    if (index >= 0 && index < kSkinTypeCount)
        m_classes[size_t(index)] = core::String(value);
}

ThirdLists MakeThirdLists()
{
    ThirdLists lists;
    for (int i = 0; i < kSkinTypeCount; ++i)
        lists.push_back(std::make_unique<core::StringList>());
    return lists;
}

void UpdateThirdLists(ThirdPartyList& thirdParty, ThirdLists& lists, bool reset)
{
    for (int i = 0; i < kSkinTypeCount; ++i) {
        if (reset || thirdParty.ReadClasses(i).empty())
            thirdParty.WriteClasses(i, StdSkinTypeClasses[size_t(i)]);
        lists[size_t(i)]->SetText(thirdParty.ReadClasses(i));
    }
}

void StoreThirdLists(ThirdPartyList& thirdParty, const ThirdLists& lists)
{
    for (int i = 0; i < kSkinTypeCount; ++i) {
        core::String text;
        const core::StringList& list = *lists[size_t(i)];
        for (int line = 0; line < list.Count(); ++line)
            text += list[line] + u"\r\n";
        thirdParty.WriteClasses(i, text);
    }
}

namespace {

template <class T> ui::PropInfo AnimationField(core::StringView name, T TacFormAnimation::*field)
{
    return ui::OrdProperty(
        name, [field](core::Object& o) { return int64_t(static_cast<TacFormAnimation&>(o).*field); },
        [field](core::Object& o, int64_t v) { static_cast<TacFormAnimation&>(o).*field = T(v); });
}

template <class T> ui::PropInfo OwnedObject(core::StringView name, std::unique_ptr<T> TacAnimEffects::*field)
{
    return ui::ObjectProperty(name, [field](core::Object& o) -> core::Object* {
        return (static_cast<TacAnimEffects&>(o).*field).get();
    });
}

// Each fade-in class has its own default Time, so each registers its own Time.
template <class T> void RegisterAnimation(core::StringView className, uint16_t defaultTime)
{
    ui::RegisterPropClass<T, TacFormAnimation>(className,
                                               {ui::WithDefault(AnimationField(u"Time", &TacFormAnimation::Time), defaultTime)});
}

} // namespace

void RegisterEffectsProperties()
{
    ui::RegisterPropClass<TacBtnEffects>(
        u"TacBtnEffects",
        {ui::WithDefault(ui::SetProperty(
                             u"Events", {u"beMouseEnter", u"beMouseLeave", u"beMouseDown", u"beMouseUp"},
                             [](core::Object& o) { return int64_t(static_cast<TacBtnEffects&>(o).Events); },
                             [](core::Object& o, int64_t v) { static_cast<TacBtnEffects&>(o).Events = unsigned(v & 0x0F); }),
                         kAllBtnEvents)});
    ui::RegisterPropClass<TacFormAnimation>(
        u"TacFormAnimation", {ui::WithDefault(AnimationField(u"Time", &TacFormAnimation::Time), 0),
                              ui::WithDefault(AnimationField(u"Active", &TacFormAnimation::Active), 1)});
    RegisterAnimation<TacFormShow>(u"TacFormShow", 0);
    RegisterAnimation<TacPageChange>(u"TacPageChange", 0);
    RegisterAnimation<TacDialogShow>(u"TacDialogShow", 0);
    RegisterAnimation<TacSkinChanging>(u"TacSkinChanging", 100);
    ui::RegisterPropClass<TacAnimEffects>(
        u"TacAnimEffects",
        {OwnedObject(u"Buttons", &TacAnimEffects::Buttons), OwnedObject(u"DialogShow", &TacAnimEffects::DialogShow),
         OwnedObject(u"FormShow", &TacAnimEffects::FormShow), OwnedObject(u"PageChange", &TacAnimEffects::PageChange),
         OwnedObject(u"SkinChanging", &TacAnimEffects::SkinChanging)});
    // Published in this order; each reaches its skin type's field and is always stored.
    struct Published {
        const char16_t* name;
        int index;
    };
    static const Published order[] = {
        {u"ThirdEdits", 0},       {u"ThirdButtons", 1},       {u"ThirdBitBtns", 2},     {u"ThirdCheckBoxes", 3},
        {u"ThirdGroupBoxes", 6},  {u"ThirdListViews", 7},     {u"ThirdPanels", 8},      {u"ThirdGrids", 5},
        {u"ThirdTreeViews", 9},   {u"ThirdComboBoxes", 4},    {u"ThirdWWEdits", 10},    {u"ThirdVirtualTrees", 12},
        {u"ThirdGridEh", 11},     {u"ThirdPageControl", 13},  {u"ThirdTabControl", 14}, {u"ThirdToolBar", 15},
        {u"ThirdStatusBar", 16},  {u"ThirdSpeedButton", 17},
    };
    std::vector<ui::PropInfo> lists;
    for (const Published& p : order) {
        const int index = p.index;
        lists.push_back(ui::StrProperty(
            p.name, [index](core::Object& o) { return static_cast<ThirdPartyList&>(o).ReadClasses(index); },
            [index](core::Object& o, core::StringView v) { static_cast<ThirdPartyList&>(o).WriteClasses(index, v); }));
    }
    ui::RegisterPropClass<ThirdPartyList>(u"ThirdPartyList", std::move(lists));
}

} // namespace skin

// The bound label of an edit-like skinned control: a caption label that lives beside the control on
// the same parent, named after it, focusing it, placed left of it or above it, and moving with it.
#pragma once

#include "skin/engine/commondata.h"
#include "ui/label.h"

#include <functional>

namespace skin {

enum TsCaptionLayout { sclLeft, sclTopLeft, sclTopCenter, sclTopRight };

class TsBoundLabel;

// What the bound label needs of the label it makes (the skinned controls' edit label).
class EditLabelLink {
public:
    virtual ~EditLabelLink() = default;
    virtual bool GetUseSkinColor() const = 0;
    virtual void SetUseSkinColor(bool value) = 0;
};

// Makes the label: owner is the bound control.
using EditLabelFactory = std::function<ui::Label*(ui::Control* owner, TsBoundLabel* bound)>;

class TsBoundLabel {
public:
    TsBoundLabel(TsCommonData* commonData, EditLabelFactory factory);
    ~TsBoundLabel();
    TsBoundLabel(const TsBoundLabel&) = delete;
    TsBoundLabel& operator=(const TsBoundLabel&) = delete;

    // ---- Properties ----
    bool Active() const { return FActive; }
    void SetActive(bool value);
    const core::String& Caption() const { return FText; }
    void SetCaption(core::StringView value);
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    TsCaptionLayout Layout() const { return FLayout; }
    void SetLayout(TsCaptionLayout value);
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int value);
    // The label's font once a label exists, else the one kept for it.
    ui::Font& Font();
    void SetFont(const ui::Font& value);
    bool UseSkinColor() const;
    void SetUseSkinColor(bool value);

    ui::Label* TheLabel() const { return FTheLabel; }

    // ---- Operations ----
    void AlignLabel();
    // The label is being freed by someone else: forget it.
    void LabelDestroyed();

private:
    ui::Alignment AlignmentOfLayout() const;

    int FMaxWidth = 0;
    core::String FText;
    TsCaptionLayout FLayout = sclLeft;
    ui::Font FFont;
    bool m_font_set = false; // a font was given before the label existed
    int FIndent = 0;
    bool FActive = false;
    ui::Label* FTheLabel = nullptr;
    TsCommonData* FCommonData;
    EditLabelFactory m_factory;
};

} // namespace skin

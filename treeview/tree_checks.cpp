// Check states of the virtual tree: the setter with the application's veto, the internal change
// with downward tri-state propagation and exclusive radio buttons, the upward propagation and the
// click rule.
#include "treeview/virtual_tree.h"

namespace treeview {

namespace {
bool IsCheckBox(TCheckType type) { return type == ctCheckBox || type == ctTriStateCheckBox; }
} // namespace

void TBaseVirtualTree::SetCheckType(PVirtualNode node, TCheckType value)
{
    if (!node || node == m_root || node->CheckType == value)
        return;
    node->CheckType = value;
    InvalidateNode(node);
}

void TBaseVirtualTree::SetCheckState(PVirtualNode node, TCheckState value)
{
    if (!node || node == m_root || node->CheckState == value || HasState(node, vsDisabled))
        return;
    if (DoChecking(node, value))
        ApplyCheckState(node, value);
}

void TBaseVirtualTree::ApplyCheckState(PVirtualNode node, TCheckState newState)
{
    if (SetCheckStateInternal(node, newState))
        DoChecked(node);
}

TCheckState TBaseVirtualTree::NextCheckState(TCheckType checkType, TCheckState checkState)
{
    switch (checkType) {
    case ctTriStateCheckBox:
    case ctCheckBox:
        return checkState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
    case ctRadioButton:
        return csCheckedNormal;
    case ctButton:
        return csUncheckedNormal;
    case ctNone:
    default:
        return csMixedNormal;
    }
}

bool TBaseVirtualTree::SetCheckStateInternal(PVirtualNode node, TCheckState value)
{
    if (HasState(node, vsChecking))
        return false;
    IncludeStates(node, vsChecking);
    struct Leave {
        TBaseVirtualTree& tree;
        PVirtualNode node;
        ~Leave()
        {
            ExcludeStates(node, vsChecking);
            if (tree.m_check_propagation_count > 0 && --tree.m_check_propagation_count == 0)
                tree.ChangeStates(0, tsCheckPropagation);
        }
    };
    if (m_check_propagation_count++ == 0)
        ChangeStates(tsCheckPropagation, 0);
    Leave leave{*this, node};
    if (!HasState(node, vsInitialized))
        InitializeNode(node);
    bool tracking = (m_options->AutoOptions() & toAutoTristateTracking) != 0;
    if (node->CheckType == ctTriStateCheckBox && tracking && (value == csCheckedNormal || value == csUncheckedNormal) &&
        (node->ChildCount > 0 || (HasState(node, vsHasChildren) && (InitializeChildren(node), node->ChildCount > 0)))) {
        uint32_t unchecked = 0, checked = 0, mixed = 0;
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
            if (IsCheckBox(child->CheckType))
                SetCheckState(child, value);
            switch (child->CheckState) {
            case csUncheckedNormal: ++unchecked; break;
            case csCheckedNormal: ++checked; break;
            case csMixedNormal: ++mixed; break;
            default: break;
            }
        }
        if (mixed > 0)
            value = csMixedNormal;
        else if (checked > 0)
            value = unchecked > 0 ? csMixedNormal : csCheckedNormal;
    }
    if (node->CheckType == ctRadioButton && value == csCheckedNormal) {
        for (PVirtualNode sibling = node->Parent->FirstChild; sibling; sibling = sibling->NextSibling)
            if (sibling->CheckType == ctRadioButton)
                sibling->CheckState = csUncheckedNormal;
        Invalidate();
    }
    node->CheckState = value;
    PVirtualNode parent = node->Parent;
    bool result = true;
    if (parent != m_root) {
        if (!HasState(parent, vsInitialized))
            InitializeNode(parent);
        if (tracking && !HasState(parent, vsChecking | vsDisabled) && IsCheckBox(node->CheckType) &&
            parent->CheckType == ctTriStateCheckBox)
            result = PropagateCheckToParent(node, value);
    }
    InvalidateNode(node);
    return result;
}

bool TBaseVirtualTree::PropagateCheckToParent(PVirtualNode node, TCheckState newState)
{
    PVirtualNode parent = node->Parent;
    uint32_t count = 0, checked = 0;
    bool mixed = false;
    for (PVirtualNode run = parent->FirstChild; run; run = run->NextSibling) {
        if (!IsCheckBox(run->CheckType))
            continue;
        TCheckState state = run == node ? newState : run->CheckState;
        ++count;
        if (state == csCheckedNormal || state == csCheckedPressed)
            ++checked;
        if (state == csMixedNormal)
            mixed = true;
    }
    TCheckState parentState;
    if (checked > 0 || mixed)
        parentState = checked < count ? csMixedNormal : csCheckedNormal;
    else
        parentState = csUncheckedNormal;
    if (!DoChecking(parent, parentState))
        return false;
    ApplyCheckState(parent, parentState);
    PVirtualNode grandParent = parent->Parent;
    if (grandParent == m_root)
        return true;
    if (!HasState(grandParent, vsInitialized))
        InitializeNode(grandParent);
    if (HasState(grandParent, vsChecking | vsDisabled))
        return true;
    if (grandParent->CheckType == ctTriStateCheckBox)
        return PropagateCheckToParent(parent, parentState);
    return true;
}

void TBaseVirtualTree::ClearChecked()
{
    for (PVirtualNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
        if (run->CheckState != csUncheckedNormal)
            SetCheckState(run, csUncheckedNormal);
}

} // namespace treeview

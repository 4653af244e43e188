// Dispatchers of the export events.
#include "treeview/virtual_tree.h"

namespace treeview {

bool TBaseVirtualTree::DoBeforeNodeExport(TVTExportType type, PVirtualNode node)
{
    return OnBeforeNodeExport ? OnBeforeNodeExport(this, type, node) : true;
}

bool TBaseVirtualTree::DoNodeExport(TVTExportType type, PVirtualNode node)
{
    return OnNodeExport ? OnNodeExport(this, type, node) : true;
}

bool TBaseVirtualTree::DoAfterNodeExport(TVTExportType type, PVirtualNode node)
{
    return OnAfterNodeExport ? OnAfterNodeExport(this, type, node) : true;
}

void TBaseVirtualTree::DoBeforeColumnExport(TVTExportType type, TVirtualTreeColumn* column)
{
    if (OnBeforeColumnExport)
        OnBeforeColumnExport(this, type, column);
}

void TBaseVirtualTree::DoColumnExport(TVTExportType type, TVirtualTreeColumn* column)
{
    if (OnColumnExport)
        OnColumnExport(this, type, column);
}

void TBaseVirtualTree::DoAfterColumnExport(TVTExportType type, TVirtualTreeColumn* column)
{
    if (OnAfterColumnExport)
        OnAfterColumnExport(this, type, column);
}

void TBaseVirtualTree::DoBeforeTreeExport(TVTExportType type)
{
    if (OnBeforeTreeExport)
        OnBeforeTreeExport(this, type);
}

void TBaseVirtualTree::DoAfterTreeExport(TVTExportType type)
{
    if (OnAfterTreeExport)
        OnAfterTreeExport(this, type);
}

void TBaseVirtualTree::DoBeforeHeaderExport(TVTExportType type)
{
    if (OnBeforeHeaderExport)
        OnBeforeHeaderExport(this, type);
}

void TBaseVirtualTree::DoAfterHeaderExport(TVTExportType type)
{
    if (OnAfterHeaderExport)
        OnAfterHeaderExport(this, type);
}

} // namespace treeview

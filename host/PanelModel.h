// One panel as the host keeps it: its items in display order, the selection marks, the cursor
// and the current directory.
#pragma once

#include "far/FarPlugin.h"

#include <string>
#include <vector>

namespace pixlor::host {

class PanelModel {
public:
    // Takes a new listing. `keepSelection` keeps the marks of items whose names are listed
    // again; the cursor stays on the item of the same name, else on the same position.
    void setItems(std::vector<PluginPanelItem> items, bool keepSelection, bool sortByName);

    const std::vector<PluginPanelItem>& items() const { return items_; }
    // Position of the item with this name (case ignored), or -1.
    int find(const std::string& name) const;
    std::vector<std::string> names() const;
    std::vector<std::string> selectedNames() const;
    std::vector<PluginPanelItem> selectedItems() const;
    bool isSelected(int index) const;
    // Marks or unmarks one item; ".." is never marked. False for a position beyond the panel.
    bool setSelected(int index, bool selected);
    void clearSelection();
    // Moves the cursor and the top of the view, kept inside the panel.
    void setCursor(int current, int top);
    int currentItem() const { return currentItem_; }
    int topItem() const { return topItem_; }

    std::string curDir;

private:
    std::vector<PluginPanelItem> items_;
    int currentItem_ = 0;
    int topItem_ = 0;
};

// A panel item for a name, with the given attributes; every other field 0.
PluginPanelItem MakePanelItem(const std::string& name, DWORD attributes);

}  // namespace pixlor::host

#include "host/PanelModel.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace pixlor::host {

namespace {

std::string Lowered(const char* text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool IsDots(const PluginPanelItem& item) { return std::strcmp(item.FindData.cFileName, "..") == 0; }

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The host's name order: ".." first, then folders, then files, each by name without case.
bool ListedBefore(const PluginPanelItem& first, const PluginPanelItem& second) {
    if (IsDots(first) != IsDots(second)) return IsDots(first);
    if (IsFolder(first) != IsFolder(second)) return IsFolder(first);
    return Lowered(first.FindData.cFileName) < Lowered(second.FindData.cFileName);
}

}  // namespace

PluginPanelItem MakePanelItem(const std::string& name, DWORD attributes) {
    PluginPanelItem item{};
    item.FindData.dwFileAttributes = attributes;
    const size_t length = std::min(name.size(), sizeof item.FindData.cFileName - 1);
    std::memcpy(item.FindData.cFileName, name.data(), length);
    return item;
}

void PanelModel::setItems(std::vector<PluginPanelItem> items, bool keepSelection, bool sortByName) {
    const std::vector<std::string> marked =
        keepSelection ? selectedNames() : std::vector<std::string>{};
    const bool hadCursor = currentItem_ < static_cast<int>(items_.size());
    const std::string current =
        hadCursor ? items_[static_cast<size_t>(currentItem_)].FindData.cFileName : "";
    if (sortByName) std::stable_sort(items.begin(), items.end(), ListedBefore);
    items_ = std::move(items);
    for (PluginPanelItem& item : items_) item.Flags &= ~PPIF_SELECTED;
    for (const std::string& name : marked) setSelected(find(name), true);
    const int sameName = hadCursor ? find(current) : -1;
    setCursor(sameName >= 0 ? sameName : currentItem_, topItem_);
}

int PanelModel::find(const std::string& name) const {
    const std::string wanted = Lowered(name.c_str());
    for (size_t i = 0; i < items_.size(); ++i)
        if (Lowered(items_[i].FindData.cFileName) == wanted) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> PanelModel::names() const {
    std::vector<std::string> result;
    for (const PluginPanelItem& item : items_) result.emplace_back(item.FindData.cFileName);
    return result;
}

std::vector<std::string> PanelModel::selectedNames() const {
    std::vector<std::string> result;
    for (const PluginPanelItem& item : selectedItems())
        result.emplace_back(item.FindData.cFileName);
    return result;
}

std::vector<PluginPanelItem> PanelModel::selectedItems() const {
    std::vector<PluginPanelItem> result;
    for (const PluginPanelItem& item : items_)
        if ((item.Flags & PPIF_SELECTED) != 0) result.push_back(item);
    return result;
}

bool PanelModel::isSelected(int index) const {
    return index >= 0 && index < static_cast<int>(items_.size()) &&
           (items_[static_cast<size_t>(index)].Flags & PPIF_SELECTED) != 0;
}

bool PanelModel::setSelected(int index, bool selected) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return false;
    PluginPanelItem& item = items_[static_cast<size_t>(index)];
    if (selected && !IsDots(item))
        item.Flags |= PPIF_SELECTED;
    else
        item.Flags &= ~PPIF_SELECTED;
    return true;
}

void PanelModel::clearSelection() {
    for (PluginPanelItem& item : items_) item.Flags &= ~PPIF_SELECTED;
}

void PanelModel::setCursor(int current, int top) {
    const int last = std::max(0, static_cast<int>(items_.size()) - 1);
    currentItem_ = std::clamp(current, 0, last);
    topItem_ = std::clamp(top, 0, currentItem_);
}

}  // namespace pixlor::host

#include "host/HostUser.h"

#include <algorithm>
#include <cstring>

namespace pixlor::host {

int DialogRequest::find(int type, const std::string& text) const {
    for (int i = 0; i < count; ++i)
        if (items[i].Type == type && text == items[i].Data) return i;
    return -1;
}

void DialogRequest::setText(int index, const std::string& text) {
    if (index < 0 || index >= count) return;
    char* data = items[index].Data;
    const size_t length = std::min(text.size(), sizeof items[index].Data - 1);
    std::memcpy(data, text.data(), length);
    data[length] = '\0';
}

void DialogRequest::selectRadio(int index) {
    if (index < 0 || index >= count || items[index].Type != DI_RADIOBUTTON) return;
    int first = index;
    while (first > 0 && (items[first].Flags & DIF_GROUP) == 0 &&
           items[first - 1].Type == DI_RADIOBUTTON)
        --first;
    for (int i = first; i < count && items[i].Type == DI_RADIOBUTTON; ++i) {
        if (i > first && (items[i].Flags & DIF_GROUP) != 0) break;
        items[i].Param.Selected = i == index ? 1 : 0;
    }
}

}  // namespace pixlor::host

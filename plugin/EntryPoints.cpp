#include "plugin/EntryPoints.h"

#include "config/SettingsStore.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "far/ModuleState.h"
#include "report/Messages.h"
#include "transfer/BatchSteps.h"

#include <memory>

namespace pixlor {

namespace {

constexpr int MAX_SERIAL_PORTS = 16;
constexpr DWORD PORT_LIST_BUFFER_SIZE = 16;

// The host keeps these pointers after GetPluginInfo returns.
const char* diskMenuStrings[1];
const char* configStrings[1];

// The catalogue read from the camera, the notice on screen while it is; false after the
// failure (or the empty camera) was shown.
bool ReadCatalogue(CameraPanel& panel);

void ShowRefusal(int messageNumber, const char* helpTopic) {
    const char* lines[2] = {GetMsg(MSG_TITLE), GetMsg(messageNumber)};
    HostServices.Message(HostServices.ModuleNumber, FMSG_WARNING | FMSG_MB_OK, helpTopic, lines, 2,
                         1);
}

}  // namespace

void SetStartupInfo(const PluginStartupInfo& info) {
    CopyHostServices(info);
    pluginKeyPath = info.RootKey != nullptr ? info.RootKey : "";
    pluginKeyPath += "\\Pixlor";
    char name[PORT_LIST_BUFFER_SIZE];
    BYTE data[PORT_LIST_BUFFER_SIZE];
    const int answer = CountSerialPorts(HKEY_LOCAL_MACHINE, SERIAL_PORTS_KEY, MAX_SERIAL_PORTS,
                                        name, sizeof(name), data, sizeof(data));
    portCount = answer > 0 ? answer - 1 : 0;
}

void GetPluginInfo(PluginInfo& info) {
    diskMenuStrings[0] = GetMsg(MSG_MENU_ITEM);
    configStrings[0] = GetMsg(MSG_CONFIG_ITEM);
    info.StructSize = sizeof(PluginInfo);
    info.Flags = PF_DISABLEPANELS;
    info.DiskMenuStrings = diskMenuStrings;
    info.DiskMenuStringsNumber = 1;
    info.PluginConfigStrings = configStrings;
    info.PluginConfigStringsNumber = 1;
}

CameraPanel* OpenPlugin() {
    if (portCount == 0) {
        ShowRefusal(MSG_NO_SERIAL_PORT, "NoSerialPort");
        return nullptr;
    }
    if (openPanels != 0) {
        ShowRefusal(MSG_MULTI_SESSION, "MultiSession");
        return nullptr;
    }
    auto panel = std::make_unique<CameraPanel>();
    if (!LoadCatalogue(*panel)) return nullptr;
    return panel.release();
}

void ClosePlugin(CameraPanel* panel) {
    delete panel;
    openPanels = 0;
}

bool LoadCatalogue(CameraPanel& panel) {
    if (!ReadCatalogue(panel)) return false;
    ++openPanels;
    return true;
}

bool RereadCatalogue(CameraPanel& panel) {
    static char currentDirectory[] = ".";
    CameraDevice& device = *panel.device;
    std::unique_ptr<PictureList> kept = std::move(device.pictures);
    const std::uint32_t keptCount = device.pictureCount;
    device.pictureCount = 0;
    device.catalogueOpen = 0;
    if (ReadCatalogue(panel)) return true;
    if (device.catalogueOpen != 0 && device.pictureCount == 0) {
        // Nothing left to show: the panel closes, as after deleting the last picture.
        HostServices.Control(&panel, FCTL_CLOSEPLUGIN, currentDirectory);
        return false;
    }
    device.pictures = std::move(kept);
    device.pictureCount = keptCount;
    device.catalogueOpen = 1;
    return false;
}

namespace {

bool ReadCatalogue(CameraPanel& panel) {
    CameraDevice& device = *panel.device;
    SavedScreen screen;
    panel.messageLines[0] = GetMsg(MSG_TITLE);
    panel.messageLines[1] = GetMsg(MSG_READING_CATALOGUE);
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, panel.messageLines, 2, 0);

    if (!device.openCatalogue()) {
        ReportAndDisconnect(screen, device);
        return false;
    }
    if (device.pictureCount == 0) {
        screen.restore();
        panel.messageLines[1] = GetMsg(MSG_CAMERA_EMPTY);
        HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, nullptr, panel.messageLines, 2,
                             0);
        DisconnectOrReport(screen, device);
        return false;
    }
    StartStopWatch(MSG_TITLE);
    for (std::uint32_t number = 1; number <= device.pictureCount; ++number) {
        const bool stopped = number > 1 && StopAsked();
        if (stopped || !device.readPictureInfo(number, number == device.pictureCount)) {
            if (!stopped && !StoppedByUser(device)) {
                ReportAndDisconnect(screen, device);
                return false;
            }
            // Stopped: without its information no picture can be listed, so the panel stays
            // closed; the camera goes back to its default speed.
            if (!DisconnectOrReport(screen, device)) return false;
            screen.restore();
            const std::int32_t numbers[] = {static_cast<std::int32_t>(number - 1),
                                            static_cast<std::int32_t>(device.pictureCount)};
            ShowStopped(MSG_TITLE, MSG_CATALOGUE_STOPPED, numbers);
            return false;
        }
    }
    if (!DisconnectOrReport(screen, device)) return false;
    screen.restore();
    return true;
}

}  // namespace

}  // namespace pixlor

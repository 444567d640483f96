// The camera as the panel sees it: connection, picture catalogue, picture information, download
// and deletion of single pictures. A failed operation leaves operationCode here, errorCode in the
// link and statusFlags in the port.
#pragma once

#include "device/DeviceFailures.h"
#include "device/PictureList.h"
#include "link/CameraLink.h"
#include "platform/Win32Api.h"

#include <cstdint>
#include <memory>

namespace pixlor {

// deleteMode of the link: the camera has refused the delete-last action.
constexpr std::uint8_t DELETE_WITH_SELECTION = 2;

// Called after every data packet with the bytes of this file so far and the file's size; false
// stops the transfer after that packet, unless it was the last one.
using ProgressCallback = bool (*)(std::uint32_t done, std::uint32_t size);

class PictureFile;
class PacketSink;

class CameraDevice {
public:
    CameraDevice(std::uint8_t portIndex, std::uint32_t speedIndex);
    ~CameraDevice();
    CameraDevice(const CameraDevice&) = delete;
    CameraDevice& operator=(const CameraDevice&) = delete;

    bool ensureConnected();
    bool restoreSpeed(bool reset, bool keepError);
    bool disconnect();
    bool connect(bool resetAfter);
    bool openCatalogue();
    bool selectPicture(std::uint32_t number);
    bool readPictureInfo(std::uint32_t number, bool resetAfter);
    // Writes the picture file (or the thumbnail) into a new file `fileName`, whole or not at all.
    bool downloadPicture(std::uint32_t number, bool photo, bool resetAfter, const char* fileName,
                         ProgressCallback progress, FILETIME fileTime);
    // The same into `file`, a new temporary file beside `target`, left finished (stamped and on
    // the disk) for the caller to place. On a failure it is given up, unless only the speed
    // reset after the last packet failed: the file is whole then, and still finished.
    bool receivePicture(std::uint32_t number, bool photo, bool resetAfter, const char* target,
                        PictureFile& file, ProgressCallback progress, FILETIME fileTime);
    // Reads the picture file (or the thumbnail) from the camera again and compares it with the
    // file `fileName`, byte for byte and in length; `same` tells. False when the transfer
    // failed, with the codes of a failed download; a file that cannot be read is not the same.
    bool verifyPicture(std::uint32_t number, bool photo, bool resetAfter, const char* fileName,
                       ProgressCallback progress, bool& same);
    bool deletePicture(std::uint32_t number, bool resetAfter);

    // The catalogue entry at a 0-based position, or nullptr.
    PictureEntry* entryAt(std::uint32_t position) {
        return pictures ? pictures->entryAt(position) : nullptr;
    }

    std::uint8_t linkReady = 0;
    std::int32_t operationCode = OP_OK;
    std::unique_ptr<CameraLink> link;
    std::uint32_t speedIndex;
    std::unique_ptr<PictureList> pictures;
    std::uint32_t pictureCount = 0;
    std::uint8_t catalogueOpen = 0;
    // A deletion's outcome could not be learned: the catalogue may no longer match the camera,
    // and no picture is deleted by its number until the catalogue is read again.
    std::uint8_t catalogueInDoubt = 0;

private:
    // After a delete action the camera took but did not confirm: reads the picture count again.
    // True when it shows the picture gone; false (the failure's own codes kept) otherwise.
    bool deletedAfterAll();
    // The deleted picture leaves the catalogue; the later ones move up, as on the camera.
    void removeEntry(std::uint32_t number);
    // A camera that answered NAK or refused is out of step with the host but still listens: it
    // goes back to its default speed, and the report keeps the failure that led here.
    void resetSpeedIfOutOfStep();
    // True when the link holds an intact data packet with at least `minimumPayload` bytes; any
    // other intact answer is marked unexpected with `linkError`.
    bool acceptDataPacket(std::int32_t linkError, std::uint32_t minimumPayload);
    // Asks the camera again, with NAK, for a packet that came damaged, short or not at all.
    bool awaitDataPacket();
    // Selects the picture and reads its information: what a transfer of it needs first.
    bool prepareTransfer(std::uint32_t number, bool photo);
    // Receives the data register packet by packet into `sink`; true once the last packet is in
    // it. `endedHere` tells a sink that took no more (operationCode the file's), or a stop the
    // progress callback asked for (OP_STOPPED), from a failure on the line.
    bool receiveData(std::uint8_t reg, PacketSink& sink, std::uint32_t size,
                     ProgressCallback progress, bool& endedHere);
    // After a transfer that did not complete: the camera back in step, the codes for the report.
    void endFailedTransfer(bool endedHere);
};

}  // namespace pixlor

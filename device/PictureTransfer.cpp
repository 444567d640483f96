#include "device/CameraDevice.h"

#include "device/PictureFile.h"

#include "link/CameraProtocol.h"
#include "platform/System.h"

#include <cstring>

namespace pixlor {

namespace {

constexpr std::uint32_t DELETE_WAIT_MICROS = 1000000;

// Answers that are worth asking for again: damaged, cut short, or not a data packet.
constexpr std::uint32_t STATUS_RESEND = STATUS_CHECKSUM | STATUS_UNEXPECTED | STATUS_READ_SHORT;
// A packet is asked for at most this often: the first time and twice again.
constexpr int PACKET_TRIES = 3;

}  // namespace

// Where the packets of a data register go. A sink that returns false takes no more.
class PacketSink {
public:
    virtual bool take(const BYTE* data, std::uint32_t length) = 0;

protected:
    ~PacketSink() = default;
};

namespace {

// One write to the file per packet.
class FileSink final : public PacketSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool take(const BYTE* data, std::uint32_t length) override {
        DWORD written = 0;
        return os().WriteFile(file_, data, length, &written) && written == length;
    }

private:
    HANDLE file_;
};

// Compares the packets with the file's bytes; a difference is noted and the rest still taken,
// so that the camera ends its transfer in step.
class CompareSink final : public PacketSink {
public:
    explicit CompareSink(HANDLE file) : file_(file) {}
    bool take(const BYTE* data, std::uint32_t length) override {
        while (same_ && length > 0) {
            const DWORD chunk = length < sizeof read_ ? length : sizeof read_;
            DWORD got = 0;
            if (!os().ReadFile(file_, read_, chunk, &got) || got != chunk ||
                std::memcmp(read_, data, chunk) != 0)
                same_ = false;
            data += chunk;
            length -= chunk;
        }
        return true;
    }
    // The same bytes, and nothing more in the file.
    bool same() {
        DWORD got = 0;
        return same_ && os().ReadFile(file_, read_, 1, &got) && got == 0;
    }

private:
    HANDLE file_;
    BYTE read_[4096];
    bool same_ = true;
};

}  // namespace

bool CameraDevice::prepareTransfer(std::uint32_t number, bool photo) {
    operationCode = photo ? OP_DOWNLOAD_PHOTO : OP_DOWNLOAD_THUMB;
    if (number == 0 || number > pictureCount) {
        operationCode = photo ? OP_PHOTO_RANGE : OP_THUMB_RANGE;
        return false;
    }
    if (!ensureConnected() || !selectPicture(number) || !readPictureInfo(number, false))
        return false;
    operationCode = photo ? OP_DOWNLOAD_PHOTO : OP_DOWNLOAD_THUMB;
    return true;
}

bool CameraDevice::downloadPicture(std::uint32_t number, bool photo, bool resetAfter,
                                   const char* fileName, ProgressCallback progress,
                                   FILETIME fileTime) {
    PictureFile file;
    const bool received =
        receivePicture(number, photo, resetAfter, fileName, file, progress, fileTime);
    bool nameTaken = false;
    if (file.finished() && !file.place(fileName, nameTaken)) {
        operationCode = photo ? OP_PHOTO_FILE : OP_THUMB_FILE;
        return false;
    }
    return received;
}

bool CameraDevice::receivePicture(std::uint32_t number, bool photo, bool resetAfter,
                                  const char* target, PictureFile& file, ProgressCallback progress,
                                  FILETIME fileTime) {
    if (!prepareTransfer(number, photo)) return false;
    const PictureEntry& entry = *entryAt(number - 1);
    // An existing file is never replaced; one known beforehand costs no transfer.
    if (EntryExists(target) || !file.create(target)) {
        operationCode = photo ? OP_PHOTO_FILE : OP_THUMB_FILE;
        return false;
    }
    FileSink sink(file.handle());
    bool endedHere = false;
    bool complete = receiveData(photo ? REGISTER_PHOTO_DATA : REGISTER_THUMB_DATA, sink,
                                photo ? entry.photoSize : entry.thumbSize, progress, endedHere);
    // Only a file that is whole on the disk may pass for the picture; the camera still holds it.
    if (complete && !file.finish(fileTime)) {
        complete = false;
        endedHere = true;
        operationCode = photo ? OP_PHOTO_FILE : OP_THUMB_FILE;
    }
    if (!complete) {
        file.abandon();
        endFailedTransfer(endedHere);
        return false;
    }
    if (!restoreSpeed(resetAfter, false)) return false;
    operationCode = OP_OK;
    return true;
}

bool CameraDevice::verifyPicture(std::uint32_t number, bool photo, bool resetAfter,
                                 const char* fileName, ProgressCallback progress, bool& same) {
    same = false;
    if (!prepareTransfer(number, photo)) return false;
    const PictureEntry& entry = *entryAt(number - 1);
    const HANDLE file = os().CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL);
    // A file that cannot be read again is no copy to rely on: nothing to ask the camera.
    if (file == INVALID_HANDLE_VALUE) {
        if (!restoreSpeed(resetAfter, false)) return false;
        operationCode = OP_OK;
        return true;
    }
    CompareSink sink(file);
    bool endedHere = false;
    const bool complete =
        receiveData(photo ? REGISTER_PHOTO_DATA : REGISTER_THUMB_DATA, sink,
                    photo ? entry.photoSize : entry.thumbSize, progress, endedHere);
    same = complete && sink.same();
    os().CloseHandle(file);
    if (!complete) {
        same = false;
        endFailedTransfer(endedHere);
        return false;
    }
    if (!restoreSpeed(resetAfter, false)) return false;
    operationCode = OP_OK;
    return true;
}

void CameraDevice::endFailedTransfer(bool endedHere) {
    if (endedHere) {
        // The camera waits for the answer to its last packet; a command ends its transfer, so
        // the speed reset goes out at once. After a stop, its own failure is the one to report.
        const bool stopped = operationCode == OP_STOPPED;
        if (!restoreSpeed(true, !stopped) && stopped) operationCode = OP_DISCONNECT;
        return;
    }
    // An interrupted read leaves the line itself sound: the camera goes back to its default
    // speed, after the rest of its packet where the line lets that be read.
    if (link->readInterrupted()) {
        link->letLineGoQuiet();
        restoreSpeed(true, true);
    } else {
        resetSpeedIfOutOfStep();
    }
}

bool CameraDevice::receiveData(std::uint8_t reg, PacketSink& sink, std::uint32_t size,
                               ProgressCallback progress, bool& endedHere) {
    link->requestData(reg);
    std::uint32_t received = 0;
    for (;;) {
        if (!awaitDataPacket()) return false;
        const std::uint32_t length = link->answerLength();
        if (length > size - received) {
            // More than the picture holds: when our ACK was lost on the line, the camera
            // answers the NAK with the packet it sent before, which must not go into the file
            // twice. The file would not be the picture.
            link->markLineStatus(STATUS_CHECKSUM);
            link->errorCode = LINK_ERR_NEXT_PACKET;
            return false;
        }
        received += length;
        const bool last = link->answerType() == WIRE_DATA_LAST;
        // A stop asked for at the last packet comes too late to save anything: the file is
        // complete with it.
        if (progress != nullptr && !progress(received, size) && !last) {
            operationCode = OP_STOPPED;
            endedHere = true;
            return false;
        }
        if (!sink.take(link->answerPayload(), length)) {
            operationCode = reg == REGISTER_PHOTO_DATA ? OP_PHOTO_FILE : OP_THUMB_FILE;
            endedHere = true;
            return false;
        }
        if (last) {
            link->sendByte(WIRE_ACK);
            return true;
        }
        link->answerAndReceive(false);
    }
}

bool CameraDevice::awaitDataPacket() {
    for (int tries = 1;; ++tries) {
        if (acceptDataPacket(LINK_ERR_NEXT_PACKET, 0)) return true;
        if ((link->lineStatus() & STATUS_RESEND) == 0 || tries == PACKET_TRIES ||
            link->answerOverlong != 0)
            return false;
        // A NAK that reaches the camera while it is still sending brings a copy on top of the
        // packet under way, which would then be taken for the next one: the NAK waits until
        // the line is quiet, and without that certainty the transfer ends.
        if (!link->readEndedBySilence() && !link->letLineGoQuiet()) return false;
        link->answerAndReceive(true);
    }
}

void CameraDevice::removeEntry(std::uint32_t number) {
    // The camera closes the gap; so does the catalogue.
    if (pictures) pictures->remove(number - 1);
    --pictureCount;
}

bool CameraDevice::deletedAfterAll() {
    const std::int32_t failedError = link->errorCode;
    const std::uint32_t failedFlags = link->lineStatus();
    std::uint32_t count = 0;
    const bool counted = link->getRegister(REGISTER_PICTURE_COUNT, count);
    if (counted && count + 1 == pictureCount) return true;
    // Not deleted after all (the count is unchanged), or not known: the report shows the
    // deletion's own failure. Any other count means the camera holds other pictures than the
    // catalogue says.
    if (!counted || count != pictureCount) catalogueInDoubt = 1;
    link->errorCode = failedError;
    link->restoreLineStatus(failedFlags);
    return false;
}

bool CameraDevice::deletePicture(std::uint32_t number, bool resetAfter) {
    operationCode = OP_DELETE;
    // Checked before anything is sent: with no pictures, number 0 would pass for the last one.
    if (number == 0 || number > pictureCount) {
        operationCode = OP_SELECT_RANGE;
        return false;
    }
    // Numbers from a catalogue that may have lost step could name another picture.
    if (catalogueInDoubt != 0) return false;
    if (!ensureConnected()) return false;
    for (;;) {
        const bool deleteLast = number == pictureCount && link->deleteMode != DELETE_WITH_SELECTION;
        if (!deleteLast && !selectPicture(number)) return false;
        if (link->runAction(deleteLast ? ACTION_DELETE_LAST : ACTION_DELETE_CURRENT, 0,
                            DELETE_WAIT_MICROS))
            break;
        const std::uint32_t flags = link->lineStatus();
        if ((flags & STATUS_REFUSED) != 0 && link->deleteMode == 0) {
            // This camera deletes only the selected picture, from now on for this panel.
            link->deleteMode = DELETE_WITH_SELECTION;
            continue;
        }
        if ((flags & STATUS_TIMEOUTS) != 0) operationCode = OP_DELETE_TIMEOUTS;
        const std::int32_t failedError = link->errorCode;
        if (link->actionAccepted != 0 && deletedAfterAll()) {
            if ((flags & STATUS_TIMEOUTS) == 0) break;
            // Deleted, but the port's time-outs are not what they were: the catalogue follows
            // the camera, and the failure is reported.
            removeEntry(number);
            link->errorCode = failedError;
            link->restoreLineStatus(flags);
            return false;
        }
        resetSpeedIfOutOfStep();
        return false;
    }
    removeEntry(number);
    if (!restoreSpeed(resetAfter, false)) return false;
    operationCode = OP_OK;
    return true;
}

}  // namespace pixlor

#include "device/CameraDevice.h"

#include "link/CameraProtocol.h"
#include "platform/Calendar.h"

namespace pixlor {

namespace {

// The picture information record: sizes, then the shooting time at offset 20.
constexpr std::uint32_t INFO_PHOTO_SIZE = 0;
constexpr std::uint32_t INFO_THUMB_SIZE = 4;
constexpr std::uint32_t INFO_SHOOTING_TIME = 20;
constexpr std::uint32_t INFO_RECORD_SIZE = 24;

// More pictures than any memory card holds: such a count is a garbled answer, and a catalogue
// of that size would exhaust the host's memory.
constexpr std::uint32_t MAX_PICTURE_COUNT = 65535;

}  // namespace

CameraDevice::CameraDevice(std::uint8_t portIndex, std::uint32_t configuredSpeed)
    : link(std::make_unique<CameraLink>(portIndex)), speedIndex(configuredSpeed) {}

CameraDevice::~CameraDevice() {
    disconnect();
    pictures.reset();
    link.reset();
}

bool CameraDevice::ensureConnected() {
    // A line the system lost since the camera was woken needs a new port and a new wake-up.
    if (link->lineLost()) linkReady = 0;
    if (linkReady != 0) return true;
    // A camera switched off and on in between has forgotten its selection.
    link->currentPicture = 0;
    if (!link->wakeUp(speedIndex) || !link->switchSpeed(speedIndex)) return false;
    linkReady = 1;
    return true;
}

bool CameraDevice::restoreSpeed(bool reset, bool keepError) {
    const std::int32_t keptError = link->errorCode;
    const std::uint32_t keptFlags = link->lineStatus();
    if (linkReady == 0 || !reset) return true;
    const bool done = link->resetSpeed();
    if (done) linkReady = 0;
    if (keepError) {
        // The report shows the failure that led here, not the reset's own.
        link->errorCode = keptError;
        link->restoreLineStatus(keptFlags);
    }
    return done;
}

bool CameraDevice::disconnect() {
    operationCode = OP_OK;
    // After a line failure the camera cannot be reached: nothing is sent. Its speed is unknown
    // now, so the next operation wakes it again, which finds it at whatever speed it was left.
    if ((link->lineStatus() & STATUS_LINE_FAILURE) != 0) {
        linkReady = 0;
        return true;
    }
    if (restoreSpeed(true, false)) return true;
    operationCode = OP_DISCONNECT;
    return false;
}

bool CameraDevice::connect(bool resetAfter) {
    operationCode = OP_CONNECT;
    if (!ensureConnected()) return false;
    std::uint32_t count = 0;
    if (!link->getRegister(REGISTER_PICTURE_COUNT, count)) {
        resetSpeedIfOutOfStep();
        return false;
    }
    if (count > MAX_PICTURE_COUNT) {
        link->errorCode = LINK_ERR_GET_REGISTER;
        link->markLineStatus(STATUS_UNEXPECTED);
        // The camera itself is in step: it goes back to its default speed.
        restoreSpeed(true, true);
        return false;
    }
    pictureCount = count;
    catalogueInDoubt = 0;
    if (!restoreSpeed(resetAfter, false)) return false;
    operationCode = OP_OK;
    catalogueOpen = 1;
    return true;
}

bool CameraDevice::openCatalogue() {
    if (catalogueOpen == 0 && !connect(true)) {
        resetSpeedIfOutOfStep();
        return false;
    }
    if (pictureCount == 0) return true;
    // Created once: a second call keeps the information already read.
    if (!pictures) pictures = std::make_unique<PictureList>(pictureCount);
    return true;
}

bool CameraDevice::selectPicture(std::uint32_t number) {
    if (number == 0 || number > pictureCount) {
        operationCode = OP_SELECT_RANGE;
        return false;
    }
    if (number == link->currentPicture) return true;
    if (!link->setRegister(REGISTER_CURRENT_PICTURE, number)) {
        // The camera may have taken the number even though its answer was lost.
        link->currentPicture = 0;
        resetSpeedIfOutOfStep();
        operationCode = OP_SELECT;
        return false;
    }
    link->currentPicture = number;
    return true;
}

bool CameraDevice::readPictureInfo(std::uint32_t number, bool resetAfter) {
    PictureEntry* entry = number == 0 || number > pictureCount ? nullptr : entryAt(number - 1);
    if (entry == nullptr) {
        operationCode = OP_INFO_RANGE;
        return false;
    }
    if (entry->infoRead != 0) return true;
    operationCode = OP_PICTURE_INFO;
    if (!ensureConnected()) return false;
    if (!selectPicture(number)) {
        resetSpeedIfOutOfStep();
        operationCode = OP_SELECT;
        return false;
    }
    link->requestData(REGISTER_PICTURE_INFO);
    if (!acceptDataPacket(LINK_ERR_GET_DATA, INFO_RECORD_SIZE)) {
        resetSpeedIfOutOfStep();
        operationCode = OP_PICTURE_INFO;
        return false;
    }
    const std::uint8_t* record = link->answerPayload();
    entry->photoSize = readLittle32(record + INFO_PHOTO_SIZE);
    entry->thumbSize = readLittle32(record + INFO_THUMB_SIZE);
    // A signed count: values above 2^31 are times before 1970.
    const auto shootingTime = static_cast<std::int32_t>(readLittle32(record + INFO_SHOOTING_TIME));
    const CivilTime civil = civilFromSeconds(shootingTime);
    entry->day = static_cast<std::uint8_t>(civil.day);
    entry->month = static_cast<std::uint8_t>(civil.month);
    entry->year = static_cast<std::int32_t>(civil.year);
    entry->hour = static_cast<std::uint8_t>(civil.hour);
    entry->minute = static_cast<std::uint8_t>(civil.minute);
    entry->second = static_cast<std::uint8_t>(civil.second);
    if (!link->sendByte(WIRE_ACK)) return false;
    entry->infoRead = 1;
    return restoreSpeed(resetAfter, false);
}

void CameraDevice::resetSpeedIfOutOfStep() {
    if ((link->lineStatus() & STATUS_OUT_OF_STEP) != 0) restoreSpeed(true, true);
}

bool CameraDevice::acceptDataPacket(std::int32_t linkError, std::uint32_t minimumPayload) {
    if (link->lineStatus() != 0) return false;
    if (link->holdsDataPacket(minimumPayload)) return true;
    // Behind a lone control byte the buffer still holds the previous packet.
    link->markLineStatus(STATUS_UNEXPECTED);
    link->errorCode = linkError;
    return false;
}

}  // namespace pixlor

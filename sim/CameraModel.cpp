#include "sim/CameraModel.h"

#include <algorithm>

namespace pixlor::sim {

namespace {

constexpr DWORD CAMERA_SPEEDS[] = {19200, 9600, 19200, 38400, 57600, 115200};

void putLe32(BYTE* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(value >> (8 * i));
}

std::uint32_t le32(const BYTE* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t byteSum(const BYTE* bytes, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<std::uint16_t>(sum);
}

}  // namespace

DWORD cameraBaudForIndex(std::uint32_t speedIndex) {
    return speedIndex < std::size(CAMERA_SPEEDS) ? CAMERA_SPEEDS[speedIndex] : 0;
}

CameraModel::CameraModel(std::vector<Picture> pictures, std::uint32_t seed,
                         std::uint32_t packetSize)
    : pictures_(std::move(pictures)), seed_(seed),
      files_(std::make_unique<PlainPictureFiles>(seed)), packetSize_(1) {
    setPacketSize(packetSize);
    std::uint32_t nextId = 1;
    for (const Picture& picture : pictures_) nextId = std::max(nextId, picture.id + 1);
    for (Picture& picture : pictures_)
        if (picture.id == 0) picture.id = nextId++;
}

void CameraModel::setPacketSize(std::uint32_t size) {
    packetSize_ = std::clamp<std::uint32_t>(size, 1, 0xFFFF);
}

// --- the line ---

void CameraModel::feed(const BYTE* bytes, std::size_t count, DWORD hostBaud) {
    if (count == 0) return;
    if (hostBaud != baud_) {
        logBytes(true, bytes, count, hostBaud, true);
        counters_.garbledBytes += static_cast<int>(count);
        parse_ = Parse::Idle;
        return;
    }
    const std::size_t entry = log_.size();
    logBytes(true, bytes, count, hostBaud, false);
    std::size_t taken = 0;
    while (taken < count && baud_ == hostBaud) takeByte(bytes[taken++]);
    if (taken == count) return;
    // The camera changed its speed inside the burst: the rest is noise to it.
    if (logging_) log_[entry].bytes.resize(taken);
    logBytes(true, bytes + taken, count - taken, hostBaud, true);
    counters_.garbledBytes += static_cast<int>(count - taken);
    parse_ = Parse::Idle;
}

void CameraModel::lineQuiet() {
    if (parse_ == Parse::Idle) return;
    parse_ = Parse::Idle;
    ++counters_.damagedPackets;
    sendByte(CAM_NAK);
}

std::vector<Emission> CameraModel::takeOutput() {
    std::vector<Emission> output;
    output.swap(output_);
    return output;
}

void CameraModel::takeByte(BYTE byte) {
    switch (parse_) {
    case Parse::Idle:
        if (byte == CAM_ACK || byte == CAM_NAK) {
            if (!transfer_.active || transfer_.stalled) return;  // nothing waits for it
            if (byte == CAM_NAK) {
                ++counters_.packetsResent;
            } else if (++transfer_.next == transfer_.packets) {
                transfer_.active = false;
                return;
            }
            sendPacket(transfer_.next);
        } else if (byte == CAM_ESC) {
            transfer_.active = false;
            packet_.assign(1, byte);
            parse_ = Parse::Header;
        } else if (byte == CAM_PROBE) {
            transfer_.active = false;
            ++counters_.probes;
            sendByte(CAM_NAK);
        }
        return;  // any other byte is noise
    case Parse::Header:
        packet_.push_back(byte);
        if (packet_.size() == 2 && byte != CAM_TYPE_COMMAND && byte != CAM_TYPE_SPEED) {
            parse_ = Parse::Skipping;
        } else if (packet_.size() == 4) {
            payloadLength_ = packet_[2] | static_cast<std::uint32_t>(packet_[3]) << 8;
            if (payloadLength_ > MAX_COMMAND_PAYLOAD)
                parse_ = Parse::Skipping;
            else
                parse_ = payloadLength_ == 0 ? Parse::Checksum : Parse::Payload;
        }
        return;
    case Parse::Payload:
        packet_.push_back(byte);
        if (packet_.size() == 4 + payloadLength_) parse_ = Parse::Checksum;
        return;
    case Parse::Checksum:
        packet_.push_back(byte);
        if (packet_.size() == 6 + payloadLength_) {
            parse_ = Parse::Idle;
            commandArrived();
        }
        return;
    case Parse::Skipping: return;
    }
}

// --- commands ---

void CameraModel::commandArrived() {
    const BYTE* payload = packet_.data() + 4;
    const std::uint16_t announced =
        static_cast<std::uint16_t>(packet_[4 + payloadLength_] | packet_[5 + payloadLength_] << 8);
    if (byteSum(payload, payloadLength_) != announced) {
        ++counters_.damagedPackets;
        sendByte(CAM_NAK);
        return;
    }
    ++counters_.commands;
    const std::vector<BYTE> body(payload, payload + payloadLength_);
    const std::uint8_t code = body.empty() ? 0xFF : body[0];
    const std::uint8_t target = body.size() > 1 ? body[1] : 0;
    int value = 0;
    if (strike(FaultKind::PowerCycle, code, target, -1)) {
        powerCycle();
    } else if (strike(FaultKind::Silence, code, target, -1)) {
        // the camera says nothing
    } else if (strike(FaultKind::Nak, code, target, -1)) {
        sendByte(CAM_NAK);
    } else if (strike(FaultKind::Refuse, code, target, -1)) {
        sendByte(CAM_REFUSED);
    } else if (strike(FaultKind::Unexpected, code, target, -1, &value)) {
        sendByte(static_cast<BYTE>(value));
    } else {
        execute(code, target, body, packet_[1] == CAM_TYPE_SPEED);
    }
}

void CameraModel::execute(std::uint8_t code, std::uint8_t target, const std::vector<BYTE>& payload,
                          bool speedPacket) {
    // A speed packet carries the speed register and nothing else.
    if (speedPacket && !(code == CMD_SET_REGISTER && target == REG_SPEED)) {
        sendByte(CAM_REFUSED);
        return;
    }
    if (code == CMD_SET_REGISTER && payload.size() == 6) {
        setRegister(target, le32(&payload[2]), speedPacket);
    } else if (code == CMD_GET_REGISTER && payload.size() == 2) {
        getRegister(target);
    } else if (code == CMD_ACTION && payload.size() == 3) {
        runAction(target, payload[2]);
    } else if (code == CMD_REQUEST_DATA && payload.size() == 2) {
        requestData(target);
    } else {
        sendByte(CAM_REFUSED);
    }
}

void CameraModel::setRegister(std::uint8_t reg, std::uint32_t value, bool speedPacket) {
    if (reg == REG_CURRENT_PICTURE && value >= 1 && value <= pictures_.size()) {
        current_ = value;
        sendByte(CAM_ACK);
    } else if (reg == REG_SPEED && speedPacket && cameraBaudForIndex(value) != 0) {
        sendByte(CAM_ACK);  // still at the old speed
        baud_ = cameraBaudForIndex(value);
        speedIndex_ = value;
        ++counters_.speedSwitches;
    } else {
        sendByte(CAM_REFUSED);
    }
}

void CameraModel::getRegister(std::uint8_t reg) {
    Transfer transfer;
    transfer.code = CMD_GET_REGISTER;
    transfer.target = reg;
    transfer.content = Content::Value;
    transfer.size = 4;
    if (reg == REG_CURRENT_PICTURE) {
        transfer.value = current_;
    } else if (reg == REG_PICTURE_COUNT) {
        transfer.value = static_cast<std::uint32_t>(pictures_.size());
    } else if (reg == REG_SPEED) {
        transfer.value = speedIndex_;
    } else {
        sendByte(CAM_REFUSED);
        return;
    }
    startTransfer(transfer);
}

void CameraModel::requestData(std::uint8_t reg) {
    const bool known = reg == REG_PHOTO_DATA || reg == REG_THUMB_DATA || reg == REG_PICTURE_INFO;
    if (!known || !currentIsValid()) {
        sendByte(CAM_REFUSED);
        return;
    }
    const Picture& picture = pictures_[current_ - 1];
    Transfer transfer;
    transfer.code = CMD_REQUEST_DATA;
    transfer.target = reg;
    transfer.pictureId = picture.id;
    if (reg == REG_PICTURE_INFO) {
        transfer.content = Content::Info;
        transfer.size = PICTURE_INFO_SIZE;
    } else {
        const bool photo = reg == REG_PHOTO_DATA;
        transfer.content = photo ? Content::Photo : Content::Thumbnail;
        transfer.size = files_->size(picture, photo ? PictureKind::Photo : PictureKind::Thumbnail);
        transfer.packets = std::max<std::uint32_t>(
            1, static_cast<std::uint32_t>((std::uint64_t{transfer.size} + packetSize_ - 1) /
                                          packetSize_));
    }
    startTransfer(transfer);
}

void CameraModel::runAction(std::uint8_t action, std::uint8_t argument) {
    const bool canDelete = argument == 0 && ((action == ACTION_DELETE_LAST && !pictures_.empty()) ||
                                             (action == ACTION_DELETE_CURRENT && currentIsValid()));
    if (!canDelete) {
        sendByte(CAM_REFUSED);
        return;
    }
    sendByte(CAM_ACK);
    deletePicture(action == ACTION_DELETE_LAST ? pictures_.size() - 1 : current_ - 1);
    int completion = CAM_COMPLETE;
    strike(FaultKind::Completion, CMD_ACTION, action, -1, &completion);
    if (completion < 0) return;
    // The completion byte follows the erasure, not the ACK: a host that reads the ACK and clears
    // its input meanwhile still gets it.
    output_.push_back(Emission{baud_, {}, CAMERA_ERASE_MICROS});
    sendByte(static_cast<BYTE>(completion));
}

void CameraModel::deletePicture(std::size_t position) {
    // Later pictures move one number down; the selected number stays, so it now names the
    // picture that moved into the gap (or nothing, when the last one went).
    pictures_.erase(pictures_.begin() + static_cast<std::ptrdiff_t>(position));
    ++counters_.deletes;
}

// --- transfers ---

void CameraModel::startTransfer(const Transfer& transfer) {
    transfer_ = transfer;
    transfer_.active = true;
    sendPacket(0);
}

void CameraModel::sendPacket(std::uint32_t index) {
    ++counters_.packetsSent;
    const std::uint8_t code = transfer_.code;
    const std::uint8_t target = transfer_.target;
    const int packet = static_cast<int>(index);
    int value = 0;
    if (strike(FaultKind::Unexpected, code, target, packet, &value)) {
        sendByte(static_cast<BYTE>(value));
        return;
    }
    const std::uint64_t offset = std::uint64_t{index} * packetSize_;
    const auto length = static_cast<std::uint32_t>(
        transfer_.content == Content::Photo || transfer_.content == Content::Thumbnail
            ? std::min<std::uint64_t>(packetSize_, transfer_.size - offset)
            : transfer_.size);
    packetOut_.resize(6 + length);
    BYTE* out = packetOut_.data();
    out[0] = index + 1 == transfer_.packets ? CAM_DATA_LAST : CAM_DATA;
    out[1] = static_cast<BYTE>(index + 1);  // a sequence number; the host does not read it
    out[2] = static_cast<BYTE>(length);
    out[3] = static_cast<BYTE>(length >> 8);
    fillPayload(static_cast<std::uint32_t>(offset), out + 4, length);
    const std::uint16_t sum = byteSum(out + 4, length);
    out[4 + length] = static_cast<BYTE>(sum);
    out[5 + length] = static_cast<BYTE>(sum >> 8);
    if (strike(FaultKind::Damage, code, target, packet))
        out[length > 0 ? 4 + length / 2 : 4] ^= 0x01;
    if (strike(FaultKind::Reorder, code, target, packet)) {
        for (std::uint32_t i = length / 2; i + 1 < length; ++i) {
            if (out[4 + i] == out[5 + i]) continue;
            std::swap(out[4 + i], out[5 + i]);
            break;
        }
    }
    if (strike(FaultKind::OverlongLength, code, target, packet, &value)) {
        out[2] = static_cast<BYTE>(value);
        out[3] = static_cast<BYTE>(value >> 8);
    }
    send(out, packetOut_.size());
    if (strike(FaultKind::Silence, code, target, packet)) transfer_.stalled = true;
}

void CameraModel::fillPayload(std::uint32_t offset, BYTE* out, std::uint32_t count) {
    switch (transfer_.content) {
    case Content::Value: putLe32(out, transfer_.value); return;
    case Content::Info: {
        const Picture* picture = pictureById(transfer_.pictureId);
        std::fill(out, out + count, BYTE{0});
        putLe32(out, files_->size(*picture, PictureKind::Photo));
        putLe32(out + 4, files_->size(*picture, PictureKind::Thumbnail));
        putLe32(out + 8, picture->id);  // the camera's own file number; the host ignores it
        putLe32(out + 20, static_cast<std::uint32_t>(picture->shootingTime));
        return;
    }
    case Content::Photo:
    case Content::Thumbnail:
        files_->read(
            *pictureById(transfer_.pictureId),
            transfer_.content == Content::Photo ? PictureKind::Photo : PictureKind::Thumbnail,
            offset, out, count);
        return;
    }
}

// --- faults, state, log ---

bool CameraModel::strike(FaultKind kind, std::uint8_t code, std::uint8_t target, int packet,
                         int* value) {
    for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
        if (fault->kind != kind || fault->packet != packet || !fault->on.matches(code, target))
            continue;
        if (value != nullptr) *value = fault->value;
        if (fault->times != FAULT_FOREVER && --fault->times <= 0) faults_.erase(fault);
        return true;
    }
    return false;
}

void CameraModel::powerCycle() {
    baud_ = CAMERA_DEFAULT_BAUD;
    speedIndex_ = 0;
    current_ = 1;
    transfer_ = Transfer{};
    parse_ = Parse::Idle;
    ++counters_.powerCycles;
}

std::vector<BYTE> CameraModel::expectedData(std::uint32_t pictureId, PictureKind kind) const {
    const Picture* picture = pictureById(pictureId);
    if (picture == nullptr) return {};
    std::vector<BYTE> data(files_->size(*picture, kind));
    files_->read(*picture, kind, 0, data.data(), data.size());
    return data;
}

const Picture* CameraModel::pictureById(std::uint32_t id) const {
    for (const Picture& picture : pictures_)
        if (picture.id == id) return &picture;
    return nullptr;
}

void CameraModel::send(const BYTE* bytes, std::size_t count) {
    if (output_.empty() || output_.back().baud != baud_) output_.push_back(Emission{baud_, {}});
    output_.back().bytes.insert(output_.back().bytes.end(), bytes, bytes + count);
    logBytes(false, bytes, count, baud_, false);
}

void CameraModel::logBytes(bool fromHost, const BYTE* bytes, std::size_t count, DWORD baud,
                           bool garbled) {
    if (!logging_) return;
    log_.push_back(ByteLogEntry{fromHost, baud, garbled, std::vector<BYTE>(bytes, bytes + count)});
}

std::vector<BYTE> CameraModel::bytesFromHost() const {
    std::vector<BYTE> bytes;
    for (const ByteLogEntry& entry : log_)
        if (entry.fromHost && !entry.garbled)
            bytes.insert(bytes.end(), entry.bytes.begin(), entry.bytes.end());
    return bytes;
}

std::vector<BYTE> CameraModel::bytesToHost() const {
    std::vector<BYTE> bytes;
    for (const ByteLogEntry& entry : log_)
        if (!entry.fromHost) bytes.insert(bytes.end(), entry.bytes.begin(), entry.bytes.end());
    return bytes;
}

}  // namespace pixlor::sim

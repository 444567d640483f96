#include "host/cli/Failures.h"

#include "platform/posix/PosixSystem.h"

#include "device/DeviceFailures.h"
#include "far/MessageNumbers.h"
#include "host/cli/Texts.h"
#include "link/LinkFailures.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t TRIAL_BYTES = 64 * 1024;  // more than a packet, as the copy writes them

// What the camera did wrong, by the status bits of the failed exchange.
std::string CameraDid(std::uint32_t status) {
    if ((status & STATUS_CHECKSUM) != 0) return Tr("sent damaged data");
    if ((status & STATUS_NAK) != 0) return Tr("kept answering NAK");
    if ((status & STATUS_REFUSED) != 0) return Tr("refused the command");
    if ((status & STATUS_UNEXPECTED) != 0) return Tr("answered out of turn");
    return Tr("did not answer");
}

std::string PortName(const FailureContext& context) {
    return context.device.empty() ? context.port : context.port + " (" + context.device + ")";
}

std::string FileOrFolder(const FailureContext& context) {
    return context.filePath.empty() ? context.folder : context.filePath;
}

std::string TrialName(const std::string& folder) {
    return folder + "/.pixlor-trial-" + std::to_string(::getpid());
}

}  // namespace

bool ScanByFormat(std::string_view format, std::string_view text, std::vector<long long>& numbers) {
    numbers.clear();
    size_t at = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || (i + 1 < format.size() && format[i + 1] == '%')) {
            if (format[i] == '%') ++i;
            if (at >= text.size() || text[at] != format[i]) return false;
            ++at;
            continue;
        }
        ++i;
        while (i < format.size() && std::strchr("-+ 0#", format[i]) != nullptr) ++i;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h')) ++i;
        if (i >= format.size()) return false;
        const char conversion =
            static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        const bool hex = conversion == 'x';
        if (!hex && conversion != 'd' && conversion != 'i' && conversion != 'u') return false;
        while (at < text.size() && text[at] == ' ') ++at;
        bool negative = false;
        if (!hex && at < text.size() && text[at] == '-') {
            negative = true;
            ++at;
        }
        const size_t start = at;
        long long value = 0;
        while (at < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[at]))
                                        : std::isdigit(static_cast<unsigned char>(text[at])))) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
            value = value * (hex ? 16 : 10) +
                    (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
            ++at;
        }
        if (at == start) return false;
        numbers.push_back(negative ? -value : value);
    }
    return at == text.size();
}

bool ReadCameraFailure(const BoxRecord& box, const LanguageFile& texts, CameraFailure& failure) {
    const char* first = texts.message(MSG_CAMERA_FAILED);
    const char* format = texts.message(MSG_CAMERA_NUMBERS);
    std::vector<long long> numbers;
    if (first == nullptr || format == nullptr || box.lines.size() < 2 || box.lines[0] != first ||
        !ScanByFormat(format, box.lines[1], numbers) || numbers.size() != 3)
        return false;
    failure.statusFlags = static_cast<std::uint32_t>(numbers[0]);
    failure.linkError = static_cast<std::int32_t>(numbers[1]);
    failure.operation = static_cast<std::int32_t>(numbers[2]);
    return true;
}

std::string DescribeFailure(const CameraFailure& failure, const FailureContext& context) {
    const std::string port = PortName(context);
    const std::string baud = std::to_string(context.baud);
    const std::string did = CameraDid(failure.statusFlags);
    if ((failure.statusFlags & STATUS_WRITE) != 0)
        return Fill(Tr("writing to the port {} failed"), {port});
    switch (failure.operation) {
    case OP_CONNECT:
        switch (failure.linkError) {
        case LINK_ERR_OPEN: return Fill(Tr("the port {} cannot be opened"), {port});
        case LINK_ERR_PORT_SETUP:
        case LINK_ERR_PURGE: return Fill(Tr("the port {} does not take the line settings"), {port});
        case LINK_ERR_NO_WAKE:
            return Fill(Tr("the camera did not answer on {}: is it connected and switched on?"),
                        {port});
        case LINK_ERR_SPEED_SET:
            return Fill(Tr("the camera {} when asked to go to {} Bd"), {did, baud});
        case LINK_ERR_SPEED_RESET:
            return Fill(Tr("the camera {} when asked to go back to 19200 Bd"), {did});
        default: return Fill(Tr("the camera {} at {} Bd while connecting"), {did, baud});
        }
    case OP_SELECT:
    case OP_PICTURE_INFO:
        return Fill(Tr("the camera {} at {} Bd while sending its list of pictures"), {did, baud});
    case OP_DOWNLOAD_PHOTO:
    case OP_DOWNLOAD_THUMB:
        return Fill(failure.operation == OP_DOWNLOAD_PHOTO
                        ? Tr("the camera {} at {} Bd while sending picture {}")
                        : Tr("the camera {} at {} Bd while sending thumbnail {}"),
                    {did, baud,
                     std::to_string((context.fileOrdinal + context.filesPerPicture - 1) /
                                    std::max(context.filesPerPicture, 1))});
    case OP_DISCONNECT:
        return Fill(Tr("the camera {} when asked to go back to 19200 Bd at the end"), {did});
    case OP_DELETE: return Fill(Tr("the camera {} while deleting a picture"), {did});
    case OP_PHOTO_FILE:
    case OP_THUMB_FILE: {
        const std::string why = WhyFolderRefusesFiles(
            context.filePath.empty() ? context.folder
                                     : fs::path(context.filePath).parent_path().string());
        return Fill(Tr("the file {} cannot be written: {}"),
                    {FileOrFolder(context), why.empty() ? Tr("the system refused the name") : why});
    }
    case OP_PHOTO_RANGE:
    case OP_THUMB_RANGE:
    case OP_INFO_RANGE:
    case OP_SELECT_RANGE: return Tr("the camera's pictures changed meanwhile: list them again");
    case OP_FOLDER_CREATE:
        if (!context.blockedFolders.empty())
            return Fill(Tr("{} is a file where a date folder must go"),
                        {context.blockedFolders[0]});
        return Fill(Tr("a date folder cannot be made in {}: {}"),
                    {context.folder, WhyFolderRefusesFiles(context.folder)});
    case OP_FOLDER_MISSING:
    case OP_FOLDER_LIST: return Fill(Tr("the folder {} cannot be read"), {context.folder});
    case OP_DELETE_TIMEOUTS: return Fill(Tr("the port {} does not take the time-outs"), {port});
    default:
        return Fill(Tr("the camera operation {} failed (link error {}, port status {})"),
                    {std::to_string(failure.operation), std::to_string(failure.linkError),
                     std::to_string(failure.statusFlags)});
    }
}

std::string WhyFolderRefusesFiles(const std::string& folder) {
    std::error_code error;
    // The nearest part of the path that exists tells why a missing folder cannot be made.
    fs::path existing = folder;
    while (!existing.empty() && !fs::exists(existing, error) && existing != existing.parent_path())
        existing = existing.parent_path();
    if (!fs::is_directory(existing, error))
        return Fill(Tr("{} is not a folder"), {existing.string()});
    if (existing != fs::path(folder)) return Fill(Tr("{} does not exist"), {folder});

    const std::string trial = TrialName(folder);
    const int fd = ::open(trial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return std::strerror(errno);
    std::string why;
    const std::string bytes(TRIAL_BYTES, '\0');
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    const int writeError = errno;
    struct statvfs space {};
    if (written < 0) {
        why = writeError == ENOSPC ? Tr("the disk is full") : std::strerror(writeError);
    } else if (::fsync(fd) != 0 && errno == ENOSPC) {
        why = Tr("the disk is full");
    } else if (::fstatvfs(fd, &space) == 0 && space.f_bavail == 0) {
        why = Tr("the disk is full");
    }
    ::close(fd);
    ::unlink(trial.c_str());
    rlimit limit{};
    if (why.empty() && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        why = Fill(Tr("the file size limit of {} bytes is reached (ulimit -f)"),
                   {std::to_string(limit.rlim_cur)});
    return why;
}

std::string SettingsFileProblem() {
    const std::string path = posix::RegistryFilePath();
    if (std::string problem = posix::RegistryFileProblem(path); !problem.empty()) return problem;
    std::error_code error;
    const fs::path file = fs::exists(path, error) ? fs::canonical(path, error) : fs::path(path);
    if (fs::exists(file, error) && ::access(file.c_str(), W_OK) != 0)
        return Fill(Tr("{} is read-only"), {file.string()});
    if (std::string why = WhyFolderRefusesFiles(file.parent_path().string()); !why.empty())
        return file.string() + ": " + why;
    return Fill(Tr("{} cannot be written"), {file.string()});
}

}  // namespace pixlor::host::cli

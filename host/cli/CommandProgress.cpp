#include "host/cli/CommandProgress.h"

#include "host/cli/Failures.h"
#include "host/cli/Texts.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pixlor::host::cli {

namespace {

// The copy box's lines: target, file line, file bar, batch line, batch bar, rate line.
constexpr std::size_t FILE_LINE = 1;
constexpr std::size_t BATCH_LINE = 3;
constexpr std::size_t BATCH_BAR = 4;
constexpr std::size_t RATE_LINE = 5;
constexpr int BAR_CELLS = 50;  // as the plug-in draws its bars, in OEM block characters

std::string Bar(std::uint64_t percentage) {
    const auto full =
        static_cast<std::size_t>(std::min<std::uint64_t>(percentage, 100) * BAR_CELLS / 100);
    return "[" + std::string(full, '\xDB') + std::string(BAR_CELLS - full, '\xB1') + "]";
}

// "4:05", or "1:02:05" from an hour on.
std::string Duration(std::uint64_t seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned long long>(seconds / 60 % 60),
                      static_cast<unsigned long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%llu:%02llu",
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    return text;
}

}  // namespace

CommandProgress::CommandProgress(long long files, std::uint64_t bytes, const char* fileLineFormat,
                                 const char* batchLineFormat)
    : files_(files), bytes_(bytes), fileLineFormat_(fileLineFormat),
      batchLineFormat_(batchLineFormat) {}

void CommandProgress::startBatch() {
    doneBeforeBatch_ += batchDone_;
    batchDone_ = 0;
    receivedBefore_ += fileDone_;
    fileDone_ = 0;
    fileOrdinal_ = 0;
}

void CommandProgress::rewrite(BoxRecord& box, std::uint64_t elapsedMs) {
    std::vector<long long> file, batch;
    if (fileLineFormat_ == nullptr || batchLineFormat_ == nullptr ||
        box.lines.size() <= BATCH_BAR ||
        !ScanByFormat(fileLineFormat_, box.lines[FILE_LINE], file) || file.size() < 2 ||
        !ScanByFormat(batchLineFormat_, box.lines[BATCH_LINE], batch) || batch.size() < 2)
        return;
    if (file[0] != fileOrdinal_) {
        receivedBefore_ += fileDone_;
        fileOrdinal_ = file[0];
    }
    fileDone_ = static_cast<std::uint64_t>(std::max(file[1], 0LL));
    batchDone_ = static_cast<std::uint64_t>(std::max(batch[1], 0LL));

    const std::uint64_t done = std::min(doneBeforeBatch_ + batchDone_, bytes_);
    const std::uint64_t percentage = bytes_ == 0 ? 100 : done * 100 / bytes_;
    box.lines[BATCH_LINE] = Fill(Tr("{} files: {} of {} bytes, {}%"),
                                 {std::to_string(files_), std::to_string(done),
                                  std::to_string(bytes_), std::to_string(percentage)});
    box.lines[BATCH_BAR] = Bar(percentage);

    const std::uint64_t received = receivedBefore_ + fileDone_;
    std::string rate = Tr("measuring the rate");
    if (received > 0 && elapsedMs > 0) {
        const std::uint64_t secondsLeft = ((bytes_ - done) * elapsedMs / received + 999) / 1000;
        rate = Fill(Tr("{} bytes/s, {} left"),
                    {std::to_string(received * 1000 / elapsedMs), Duration(secondsLeft)});
    }
    if (box.lines.size() <= RATE_LINE) box.lines.resize(RATE_LINE + 1);
    box.lines[RATE_LINE] = rate;
}

}  // namespace pixlor::host::cli

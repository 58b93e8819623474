// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/PositionModel.h"

#include <algorithm>

namespace {

constexpr MediaTime Second = 10'000'000;

} // namespace

PositionModel::PositionModel(Clock clock) : clock_(std::move(clock)) {}

void PositionModel::Reset() {
    last_ = 0;
    stop_ = -1;
    atEnd_ = false;
    endHeldBack_ = false;
    atStop_ = false;
    holdSeekTarget_ = false;
}

void PositionModel::Duration(MediaTime duration) {
    if (duration >= 0) {
        stop_ = duration;
    }
}

MediaTime PositionModel::Clamp(MediaTime target) const {
    return std::clamp<MediaTime>(target, 0, std::max<MediaTime>(stop_, 0));
}

void PositionModel::Seek(MediaTime target) {
    last_ = target;
    atEnd_ = false;
    endHeldBack_ = false;
    atStop_ = false;
    holdSeekTarget_ = true;
    seekTime_ = clock_();
}

void PositionModel::FenceEnds(std::uint64_t lastSerial) {
    endFence_ = std::max(endFence_, lastSerial);
    atEnd_ = false;
    endHeldBack_ = false;
    atStop_ = false;
}

void PositionModel::ForgetEnd(std::uint64_t lastSerial) {
    // An end reached by playing leaves the position at the end. One that came while a seek's target
    // was still held is the old segment's, which a slow sound sink can post after the seek: the
    // position stays at the target.
    if (atEnd_ && !holdSeekTarget_) {
        last_ = std::max<MediaTime>(stop_, 0);
    }
    FenceEnds(lastSerial);
}

PositionModel::End PositionModel::Judge(bool postedAfterFence, bool sinksStandAtTheirEnd) {
    if (!postedAfterFence) {
        return End::Stale;
    }
    return sinksStandAtTheirEnd ? End::Ended : End::HeldBack;
}

PositionModel::End PositionModel::EndOfStream(std::uint64_t serial, bool sinksStandAtTheirEnd) {
    const End end = Judge(serial > endFence_, sinksStandAtTheirEnd);
    if (end == End::Ended) {
        atEnd_ = true;
        endHeldBack_ = false;
        atStop_ = false;
    } else if (end == End::HeldBack) {
        endHeldBack_ = true;
    }
    return end;
}

void PositionModel::AnsweredAtStop(bool atStop) {
    if (!atStop) {
        atStop_ = false;
        return;
    }
    endHeldBack_ = true;
    if (!atStop_) {
        atStop_ = true;
        atStopSince_ = clock_();
    }
}

bool PositionModel::EndOverdue() const {
    return atStop_ && clock_() - atStopSince_ >= EndGrace;
}

void PositionModel::SinksEnded() {
    atEnd_ = true;
    endHeldBack_ = false;
    atStop_ = false;
}

bool PositionModel::FitsSeek(MediaTime answer, TimePoint now) const {
    const MediaTime slack =
        std::chrono::duration_cast<std::chrono::microseconds>(now - seekTime_).count() * 10 + Second / 20;
    return answer >= last_ - Second / 20 && answer <= last_ + slack;
}

void PositionModel::Observe(MediaTime answer) {
    if (atEnd_ || stop_ < 0) {
        return;
    }
    const MediaTime bounded = std::clamp<MediaTime>(answer, 0, std::max<MediaTime>(stop_ - 1, 0));
    const TimePoint now = clock_();
    const bool settling = holdSeekTarget_ && now - seekTime_ < SeekSettling;
    if (!settling && (!holdSeekTarget_ || FitsSeek(bounded, now))) {
        holdSeekTarget_ = false;
        last_ = bounded;
    }
}

#include "graph/gst/PositionModel.h"

#include <algorithm>

namespace {

constexpr MediaTime Second = 10'000'000;

} // namespace

PositionModel::PositionModel(Clock clock) : clock_(std::move(clock)) {}

void PositionModel::Reset() {
    earlierSeeks_.clear();
    hasCurrentSeek_ = false;
    hasLastEndSeqnum_ = false;
    hasStaleSeqnum_ = false;
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
    hasStaleSeqnum_ = hasLastEndSeqnum_;
    staleSeqnum_ = lastEndSeqnum_;
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

bool PositionModel::EndBelongsToSegment(std::uint64_t serial, std::uint32_t seqnum) const {
    const bool repeated = hasStaleSeqnum_ && seqnum == staleSeqnum_;
    const bool earlierSeek =
        std::find(earlierSeeks_.begin(), earlierSeeks_.end(), seqnum) != earlierSeeks_.end();
    return serial > endFence_ && !repeated && !earlierSeek;
}

void PositionModel::SeekSent(std::uint32_t seqnum) {
    // The numbers of the last few seeks are enough: an old segment's end is posted within seconds.
    constexpr std::size_t Kept = 16;
    if (hasCurrentSeek_) {
        earlierSeeks_.push_back(currentSeek_);
        if (earlierSeeks_.size() > Kept) {
            earlierSeeks_.erase(earlierSeeks_.begin());
        }
    }
    hasCurrentSeek_ = true;
    currentSeek_ = seqnum;
}

void PositionModel::EndOfStream(std::uint64_t serial, std::uint32_t seqnum) {
    const bool current = EndBelongsToSegment(serial, seqnum);
    hasLastEndSeqnum_ = true;
    lastEndSeqnum_ = seqnum;
    if (current) {
        atEnd_ = true;
    }
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

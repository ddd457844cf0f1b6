// The "EDF Annotations" signal of an EDF+ file that carries a recording's events.
//
// Each data record holds the signal's bytes (2 per sample) as time-stamped annotation lists
// (TALs), then 0x00 up to the end:
//
//   +<record onset>\x14\x14\x00                           first: the record's own time, always
//   +<onset>\x14<label>\x14\x00                            an instant event
//   +<onset>\x15<duration>\x14<label>\x14\x00              an event that lasts
//   \x00 ...                                               the rest of the record's space
//
// Onsets and durations are seconds from the file's start as decimal text without exponent
// (event_time.h); onsets carry a sign ("+"). An event goes into the data record that holds its
// onset; where the space of the record is full it goes into the next that has room, its onset
// unchanged. The space is the smallest (2-byte samples) that holds every record's TALs that way,
// and at least what the fullest record needs up to kEdfAnnotationComfortBytes, so that usually
// every event sits in its own record.
#ifndef VELBRIX_CORE_EVENTS_EDF_ANNOTATIONS_H_
#define VELBRIX_CORE_EVENTS_EDF_ANNOTATIONS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/events/event_list.h"

namespace velbrix {

// The annotation signal's header fields: its label, and limits that differ as EDF+ asks.
inline constexpr char kEdfAnnotationsLabel[] = "EDF Annotations";
inline constexpr char kEdfAnnotationsPhysicalMinimum[] = "-1";
inline constexpr char kEdfAnnotationsPhysicalMaximum[] = "1";
inline constexpr int kEdfAnnotationsDigitalMinimum = -32768;
inline constexpr int kEdfAnnotationsDigitalMaximum = 32767;
// The "reserved" field of an EDF+ file without gaps.
inline constexpr char kEdfPlusContinuous[] = "EDF+C";

inline constexpr char kTalOnsetEnd = '\x14';      // ends an onset, and each annotation
inline constexpr char kTalDurationMark = '\x15';  // between an onset and its duration
inline constexpr char kTalEnd = '\x00';           // ends a TAL, and fills unused space
// Records' space that is always allowed, so that events stay in the record of their onset.
inline constexpr std::size_t kEdfAnnotationComfortBytes = 1024;

// The TAL of `event` at `rate`, with its separators and final 0x00.
std::string EdfEventTal(const Event& event, const Hertz& rate);
// The time-keeping TAL of data record `record` of `samples_per_record` samples at `rate`.
std::string EdfRecordTal(std::uint64_t record, std::uint64_t samples_per_record, const Hertz& rate);

// The annotation signal's content for every data record of an EDF+ export.
class EdfAnnotationSignal {
 public:
  // Plans the signal for `events` of a recording exported at `rate` in `data_records` data
  // records of `record_samples` samples of each channel (the EDF layout's). Requires
  // record_samples > 0 and every event's start below data_records * record_samples. Fails with
  // kInvalidArgument when there are events and no data record. The samples per record it needs
  // may be more than a header field holds: the header's writer checks them.
  static Status Plan(const EventList& events, const Hertz& rate, std::uint64_t record_samples,
                     std::uint64_t data_records, EdfAnnotationSignal* signal);

  // The signal's samples per data record (its header field); its bytes are twice as many.
  std::uint64_t samples_per_record() const { return samples_per_record_; }
  // The signal's bytes in data record `record`: 2 * samples_per_record() bytes. Requires
  // record < data_records.
  std::string RecordBytes(std::uint64_t record) const;
  // The same bytes written at `out`, without allocating for the events' TALs: what the export
  // does for every data record.
  void WriteRecord(std::uint64_t record, char* out) const;

 private:
  struct Placed {
    std::uint64_t record = 0;  // where the TAL is written; never before its onset's record
    std::size_t offset = 0;    // of the TAL in tals_
    std::size_t size = 0;
  };

  Hertz rate_;
  std::uint64_t samples_per_record_ = 0;
  std::uint64_t record_samples_ = 0;  // of the recording, per data record
  std::vector<Placed> placed_;        // in record order
  std::string tals_;                  // every event's TAL, in the order of placed_
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EDF_ANNOTATIONS_H_

// Laying out an EDF+ annotation signal.
#include "core/events/edf_annotations.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/events/event_time.h"

namespace velbrix {
namespace {

// Places TALs of `sizes` (in start order, each with its own record `own`) into records of
// `capacity` bytes each, in order; fills `records` (if given). False when they do not fit into
// `data_records` records.
bool PlaceInOrder(const std::vector<std::size_t>& sizes, const std::vector<std::uint64_t>& own,
                  std::size_t capacity, std::uint64_t data_records,
                  std::vector<std::uint64_t>* records) {
  std::uint64_t record = 0;
  std::size_t fill = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    if (own[i] > record) {
      record = own[i];
      fill = 0;
    }
    if (fill + sizes[i] > capacity) {
      ++record;
      fill = 0;
    }
    if (record >= data_records || sizes[i] > capacity) {
      return false;
    }
    fill += sizes[i];
    if (records != nullptr) {
      (*records)[i] = record;
    }
  }
  return true;
}

}  // namespace

std::string EdfEventTal(const Event& event, const Hertz& rate) {
  std::string tal = "+" + RecordsAsSeconds(event.start, rate);
  if (event.length > 0) {
    tal += kTalDurationMark;
    tal += RecordsAsSeconds(event.length, rate);
  }
  tal += kTalOnsetEnd;
  tal += event.label;
  tal += kTalOnsetEnd;
  tal += kTalEnd;
  return tal;
}

std::string EdfRecordTal(std::uint64_t record, std::uint64_t samples_per_record,
                         const Hertz& rate) {
  std::string tal = "+" + RecordsAsSeconds(record * samples_per_record, rate);
  tal += kTalOnsetEnd;
  tal += kTalOnsetEnd;
  tal += kTalEnd;
  return tal;
}

Status EdfAnnotationSignal::Plan(const EventList& events, const Hertz& rate,
                                 std::uint64_t record_samples, std::uint64_t data_records,
                                 EdfAnnotationSignal* signal) {
  const std::uint64_t samples = record_samples;
  assert(samples > 0);
  if (data_records == 0 && !events.empty()) {
    return Status::InvalidArgument("An EDF file without data records cannot hold events");
  }
  // Room for the longest time-keeping TAL: the last record's whole seconds, with as many
  // decimals as a record's duration has (each record's onset is a multiple of it).
  const std::uint64_t last = data_records == 0 ? 0 : data_records - 1;
  const std::string last_onset = RecordsAsSeconds(last * samples, rate);
  const std::string duration = RecordsAsSeconds(samples, rate);
  const std::size_t point = duration.find('.');
  const std::size_t decimals = point == std::string::npos ? 0 : duration.size() - point;
  const std::size_t time_keeping =
      1 + last_onset.substr(0, last_onset.find('.')).size() + decimals + 3;
  // The TALs one after another in one string, with their sizes: few allocations, few pages.
  std::string tals;
  tals.reserve(events.size() * 24);
  std::vector<std::size_t> sizes;
  sizes.reserve(events.size());
  std::vector<std::uint64_t> own;
  own.reserve(events.size());
  std::size_t longest = 0;
  std::size_t fullest = 0;  // of the events' own records
  std::size_t in_record = 0;
  for (const Event& event : events.events()) {
    const std::size_t before = tals.size();
    tals += EdfEventTal(event, rate);
    sizes.push_back(tals.size() - before);
    own.push_back(std::min(event.start / samples, last));
    in_record = own.size() > 1 && own[own.size() - 2] == own.back() ? in_record + sizes.back()
                                                                    : sizes.back();
    fullest = std::max(fullest, in_record);
    longest = std::max(longest, sizes.back());
  }
  // The capacity for events: the fullest record's needs up to the comfortable size, then the
  // least that fits (placing in order fits with more room wherever it fits with less).
  const std::size_t comfort =
      kEdfAnnotationComfortBytes > time_keeping ? kEdfAnnotationComfortBytes - time_keeping : 0;
  std::size_t low = std::max(longest, std::min(fullest, comfort));
  std::size_t high = fullest;
  if (!PlaceInOrder(sizes, own, low, data_records, nullptr)) {
    while (high - low > 1) {
      const std::size_t middle = low + (high - low) / 2;
      (PlaceInOrder(sizes, own, middle, data_records, nullptr) ? high : low) = middle;
    }
    low = high;
  }
  const std::uint64_t signal_samples = (time_keeping + low + 1) / 2;
  EdfAnnotationSignal planned;
  planned.rate_ = rate;
  planned.samples_per_record_ = signal_samples;
  planned.record_samples_ = samples;
  std::vector<std::uint64_t> records(sizes.size());
  [[maybe_unused]] const bool placed =
      PlaceInOrder(sizes, own, static_cast<std::size_t>(2 * signal_samples) - time_keeping,
                   data_records, &records);
  assert(placed);
  planned.placed_.reserve(sizes.size());
  std::size_t offset = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    planned.placed_.push_back({records[i], offset, sizes[i]});
    offset += sizes[i];
  }
  planned.tals_ = std::move(tals);
  *signal = std::move(planned);
  return Status::Ok();
}

std::string EdfAnnotationSignal::RecordBytes(std::uint64_t record) const {
  std::string bytes(static_cast<std::size_t>(2 * samples_per_record_), kTalEnd);
  WriteRecord(record, bytes.data());
  return bytes;
}

void EdfAnnotationSignal::WriteRecord(std::uint64_t record, char* out) const {
  const auto size = static_cast<std::size_t>(2 * samples_per_record_);
  const std::string time_keeping = EdfRecordTal(record, record_samples_, rate_);
  assert(time_keeping.size() <= size);
  std::memcpy(out, time_keeping.data(), time_keeping.size());
  std::size_t used = time_keeping.size();
  const auto first = std::lower_bound(
      placed_.begin(), placed_.end(), record,
      [](const Placed& placed, std::uint64_t value) { return placed.record < value; });
  for (auto it = first; it != placed_.end() && it->record == record; ++it) {
    assert(used + it->size <= size);
    std::memcpy(out + used, tals_.data() + it->offset, it->size);
    used += it->size;
  }
  std::memset(out + used, kTalEnd, size - used);
}

}  // namespace velbrix

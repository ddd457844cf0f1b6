// The header of the EDF files this program writes: plain EDF (version "0"), one signal per chosen
// channel, each sample stored as its byte - 127 in a 16-bit little-endian integer; or, for a
// recording with events, EDF+C: the same with "EDF+C" in the reserved field and one more signal,
// "EDF Annotations", last (see core/events/edf_annotations.h).
//
// A header is 256 bytes of general fields and then, field by field, 256 bytes per signal (all
// labels, then all transducer fields, and so on). Every field is ASCII 32 .. 126, left-justified
// and padded with spaces; numbers are written in the same way in every locale.
//
//   general (256 bytes)                      per signal (256 bytes, field-major)
//   version             8  "0"               label               16  channel name
//   patient            80  "X X X X"         transducer          80  blank
//   recording          80  "Startdate ..."   physical dimension   8  "uV"
//   start date          8  dd.mm.yy          physical minimum     8  "-476.25"
//   start time          8  hh.mm.ss          physical maximum     8  "480"
//   header bytes        8  256 * (ns + 1)    digital minimum      8  "-127"
//   reserved           44  blank or "EDF+C"  digital maximum      8  "128"
//   data records        8  (offset 236)      prefiltering        80  blank
//   record duration     8  seconds           samples per record   8
//   signals (ns)        4                    reserved            32  blank
//
// With these limits the gain is (480 + 476.25) / (128 + 127) = 3.75 and the offset 0, so a reader
// gets exactly the values of the text conversion. The annotation signal has a blank dimension,
// physical limits -1 and 1, digital limits -32768 and 32767. The patient and recording fields are
// in EDF+ form in either kind of file: "X X X X" (code, sex, birthdate and name not known) and
// "Startdate dd-MMM-yyyy X X <file name>" ("Startdate X X X <file name>" without a start).
#ifndef VELBRIX_CORE_FORMATS_EDF_HEADER_H_
#define VELBRIX_CORE_FORMATS_EDF_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/record.h"
#include "core/base/status.h"

namespace velbrix {

inline constexpr std::size_t kEdfGeneralHeaderSize = 256;
inline constexpr std::size_t kEdfSignalHeaderSize = 256;
inline constexpr std::size_t kEdfDataRecordsOffset = 236;
inline constexpr std::size_t kEdfDataRecordsWidth = 8;
// The largest data record of at most 1 s; EDF readers are not asked for more.
inline constexpr std::uint64_t kEdfLargestOneSecondRecord = 61440;
// The largest count an 8-character field holds.
inline constexpr std::uint64_t kEdfLargestCount = 99'999'999;

inline constexpr char kEdfPhysicalDimension[] = "uV";
inline constexpr char kEdfPhysicalMinimum[] = "-476.25";
inline constexpr char kEdfPhysicalMaximum[] = "480";
inline constexpr int kEdfDigitalMinimum = 0 - kZeroSample;
inline constexpr int kEdfDigitalMaximum = 255 - kZeroSample;
static_assert(ScaleSample(0) == -476.25 && ScaleSample(255) == 480.0);
static_assert(kEdfDigitalMinimum == -127 && kEdfDigitalMaximum == 128);

// The sample that a byte becomes in an EDF data record.
constexpr std::int16_t EdfDigitalValue(std::uint8_t sample) {
  return static_cast<std::int16_t>(static_cast<int>(sample) - kZeroSample);
}

// A start date and time, as given on the command line.
struct EdfStart {
  int year = 1985;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Parses "YYYY-MM-DD HH:MM:SS" (a real date of the years 1985 .. 2084, which the header's
// two-digit year can tell apart). Fails with kInvalidArgument saying what is wrong.
Status ParseEdfStart(std::string_view text, EdfStart* start);

// How the samples are grouped into data records.
struct EdfRecordLayout {
  std::string duration;                  // seconds, as written in the header: "1", "0.5", "2"
  std::uint64_t samples_per_record = 0;  // of each signal
};

// The layout for `rate` (from ParseHertz) and `signals` signals: the longest records of at most
// 1 s that hold a whole number of samples and at most 61,440 bytes (1 s at 256 Hz, 0.96 s at
// 1000 Hz over 32 signals). Where no such record exists (250.5 Hz), the shortest duration written
// in at most 8 characters that gives a whole number of samples (2 s). Fails with
// kInvalidArgument, saying why, for a rate for which no such duration exists.
Status ChooseEdfRecordLayout(const Hertz& rate, std::size_t signals, EdfRecordLayout* layout);

struct EdfHeaderFields {
  std::vector<int> positions;  // the signals' channels (1 .. 32), in the file's order
  EdfRecordLayout layout;
  std::optional<EdfStart> start;   // nothing: unknown, written as 01.01.85 00.00.00
  std::string recording_name;      // the recording's file name (UTF-8), for the recording field
  std::uint64_t data_records = 0;  // at most kEdfLargestCount
  // 0: plain EDF. Otherwise EDF+C, with an annotation signal of that many samples per data record
  // (at most kEdfLargestCount).
  std::uint64_t annotation_samples = 0;
};

// The whole header, 256 * (signals + 1) bytes for the positions' signals and the annotation
// signal, if any. Requires 1 .. 32 positions and a layout from ChooseEdfRecordLayout.
std::string MakeEdfHeader(const EdfHeaderFields& fields);

// The "data records" field alone (kEdfDataRecordsWidth bytes), to write at kEdfDataRecordsOffset.
std::string EdfDataRecordsField(std::uint64_t data_records);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EDF_HEADER_H_

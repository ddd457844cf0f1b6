// Building the EDF header, and choosing the data record layout for a sample rate.
#include "core/formats/edf_header.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <numeric>
#include <optional>

#include "core/base/channel_table.h"
#include "core/events/edf_annotations.h"

namespace velbrix {
namespace {

constexpr std::size_t kFieldWidthLimit = 8;  // of the duration and count fields
constexpr int kMostDurationDecimals = 6;     // "0.000001" fills 8 characters
constexpr int kMostRateDecimals = 9;
constexpr std::uint64_t kLargestRateDigits = 1'000'000'000'000'000;  // 10^15
// A data record is held in memory while it is filled: this bounds that memory.
constexpr std::uint64_t kLargestRecordBytes = 64u << 20;

constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Appends `value` left-justified in a field of `width` bytes. Requires a value that fits and
// holds only ASCII 32 .. 126.
void AppendField(std::string* header, std::string_view value, std::size_t width) {
  assert(value.size() <= width);
  for ([[maybe_unused]] const char c : value) {
    assert(c >= 32 && c <= 126);
  }
  header->append(value.substr(0, width));
  header->append(width - std::min(value.size(), width), ' ');
}

std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::uint64_t Power10(int exponent) {
  std::uint64_t value = 1;
  for (int i = 0; i < exponent; ++i) {
    value *= 10;
  }
  return value;
}

// `units` / 10^decimals in its shortest decimal form: "2", "0.5", "0.001".
std::string DecimalText(std::uint64_t units, int decimals) {
  const std::uint64_t scale = Power10(decimals);
  std::string text = std::to_string(units / scale);
  if (decimals == 0) {
    return text;
  }
  std::string fraction = std::to_string(units % scale);
  fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (!fraction.empty()) {
    text += '.' + fraction;
  }
  return text;
}

// The file name with every character outside ASCII 33 .. 126 replaced by "_", one per character.
std::string AsciiName(std::string_view utf8) {
  std::string name;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) {
      continue;  // the rest of a character already replaced
    }
    name += (byte > 32 && byte < 127) ? c : '_';
  }
  return name;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The layout of the longest data records of at most 1 s that hold a whole number of samples of
// the rate numerator / denominator (a fraction in lowest terms, the denominator a power of ten)
// within kEdfLargestOneSecondRecord bytes, or nothing when no such record exists. A record of s
// samples lasts s * denominator / numerator seconds, which fits the duration field (at most six
// decimals below 1 s) exactly when numerator divides s * 10^6; more samples make a longer record.
std::optional<EdfRecordLayout> LongestLayoutWithinOneSecond(std::uint64_t numerator,
                                                            std::uint64_t denominator,
                                                            std::size_t signals) {
  const std::uint64_t most_samples =
      std::min(numerator / denominator, kEdfLargestOneSecondRecord / (2 * signals));
  const std::uint64_t micro = Power10(kMostDurationDecimals);
  for (std::uint64_t samples = most_samples; samples > 0; --samples) {
    if (samples * micro % numerator == 0) {
      // samples <= numerator / denominator, so this is at most 10^6.
      const std::uint64_t units = samples * micro / numerator * denominator;
      return EdfRecordLayout{DecimalText(units, kMostDurationDecimals), samples};
    }
  }
  return std::nullopt;
}

}  // namespace

Status ParseEdfStart(std::string_view text, EdfStart* start) {
  // "YYYY-MM-DD HH:MM:SS": digits everywhere but at the separators.
  constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
  const Status bad_form = Status::InvalidArgument("The start " + Quoted(text) +
                                                  " is not of the form YYYY-MM-DD HH:MM:SS");
  if (text.size() != kPattern.size()) {
    return bad_form;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) {
      return bad_form;
    }
  }
  const auto number = [&](std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  EdfStart parsed{number(0, 4),  number(5, 2),  number(8, 2),
                  number(11, 2), number(14, 2), number(17, 2)};
  if (parsed.year < 1985 || parsed.year > 2084) {
    return Status::InvalidArgument("The start year " + std::to_string(parsed.year) +
                                   " is outside 1985 .. 2084, the years an EDF header can hold");
  }
  if (parsed.month < 1 || parsed.month > 12 || parsed.day < 1 ||
      parsed.day > DaysInMonth(parsed.year, parsed.month) || parsed.hour > 23 ||
      parsed.minute > 59 || parsed.second > 59) {
    return Status::InvalidArgument("The start " + Quoted(text) + " is not a real date and time");
  }
  *start = parsed;
  return Status::Ok();
}

Status ChooseEdfRecordLayout(const Hertz& rate, std::size_t signals, EdfRecordLayout* layout) {
  // The rate as the fraction numerator / denominator, the denominator a power of ten. The text is
  // ParseHertz's: digits, at most one full stop, at most 9 decimals and 15 significant digits.
  const std::string_view sample_rate = rate.text;
  const std::size_t point = sample_rate.find('.');
  const std::string_view whole = sample_rate.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : sample_rate.substr(point + 1);
  assert(fraction.size() <= static_cast<std::size_t>(kMostRateDecimals));
  std::uint64_t numerator = 0;
  for (const char c : std::string(whole) + std::string(fraction)) {
    numerator = numerator * 10 + static_cast<std::uint64_t>(c - '0');
  }
  assert(numerator > 0 && numerator < kLargestRateDigits);
  std::uint64_t denominator = Power10(static_cast<int>(fraction.size()));
  const std::uint64_t common = std::gcd(numerator, denominator);
  numerator /= common;
  denominator /= common;

  if (const std::optional<EdfRecordLayout> longest =
          LongestLayoutWithinOneSecond(numerator, denominator, signals)) {
    *layout = *longest;
    return Status::Ok();
  }
  // A duration of d = units / 10^decimals seconds holds rate * d samples. The smallest number of
  // units that makes that whole is (denominator * 10^decimals) / g, for g the greatest common
  // divisor of that and the numerator, and the duration shrinks as decimals grow: the first
  // number of decimals (from the most) whose duration fits 8 characters gives the shortest.
  const std::uint64_t bytes_per_sample = 2 * signals;
  for (int decimals = kMostDurationDecimals; decimals >= 0; --decimals) {
    const std::uint64_t scaled = denominator * Power10(decimals);
    const std::uint64_t g = std::gcd(numerator, scaled);
    const std::string duration = DecimalText(scaled / g, decimals);
    if (duration.size() > kFieldWidthLimit) {
      continue;
    }
    const std::uint64_t samples = numerator / g;
    if (samples > kEdfLargestCount || samples * bytes_per_sample > kLargestRecordBytes) {
      return Status::InvalidArgument(
          "At " + std::string(sample_rate) +
          " Hz the shortest data record with a whole number "
          "of samples lasts " +
          duration + " s and would hold " + std::to_string(samples) +
          " samples per channel, too many for an EDF file written in constant memory");
    }
    *layout = {duration, samples};
    return Status::Ok();
  }
  return Status::InvalidArgument("At " + std::string(sample_rate) +
                                 " Hz no data record duration that EDF can write (at most 8 "
                                 "characters) holds a whole number of samples");
}

std::string MakeEdfHeader(const EdfHeaderFields& fields) {
  assert(!fields.positions.empty() && fields.positions.size() <= kChannelCount);
  assert(fields.annotation_samples <= kEdfLargestCount);
  const bool annotated = fields.annotation_samples > 0;
  const std::size_t signals = fields.positions.size() + (annotated ? 1 : 0);
  std::string header;
  header.reserve(kEdfGeneralHeaderSize + signals * kEdfSignalHeaderSize);

  const EdfStart start = fields.start.value_or(EdfStart{});
  const std::string date = fields.start ? TwoDigits(start.day) + "-" +
                                              kMonths[static_cast<std::size_t>(start.month - 1)] +
                                              "-" + std::to_string(start.year)
                                        : "X";
  std::string recording = "Startdate " + date + " X X " + AsciiName(fields.recording_name);
  recording.resize(std::min<std::size_t>(recording.size(), 80));

  AppendField(&header, "0", 8);
  AppendField(&header, "X X X X", 80);
  AppendField(&header, recording, 80);
  AppendField(
      &header,
      TwoDigits(start.day) + "." + TwoDigits(start.month) + "." + TwoDigits(start.year % 100), 8);
  AppendField(&header,
              TwoDigits(start.hour) + "." + TwoDigits(start.minute) + "." + TwoDigits(start.second),
              8);
  AppendField(&header, std::to_string(kEdfGeneralHeaderSize + signals * kEdfSignalHeaderSize), 8);
  AppendField(&header, annotated ? kEdfPlusContinuous : "", 44);
  assert(header.size() == kEdfDataRecordsOffset);
  header += EdfDataRecordsField(fields.data_records);
  AppendField(&header, fields.layout.duration, 8);
  AppendField(&header, std::to_string(signals), 4);
  assert(header.size() == kEdfGeneralHeaderSize);

  // Each field of every channel's signal, then of the annotation signal's.
  const auto each_signal = [&](auto value, const std::string& annotations, std::size_t width) {
    for (const int position : fields.positions) {
      AppendField(&header, value(ChannelAtPosition(position)), width);
    }
    if (annotated) {
      AppendField(&header, annotations, width);
    }
  };
  each_signal([](const Channel& c) { return std::string(c.name); }, kEdfAnnotationsLabel, 16);
  each_signal([](const Channel&) { return std::string(); }, "", 80);
  each_signal([](const Channel&) { return std::string(kEdfPhysicalDimension); }, "", 8);
  each_signal([](const Channel&) { return std::string(kEdfPhysicalMinimum); },
              kEdfAnnotationsPhysicalMinimum, 8);
  each_signal([](const Channel&) { return std::string(kEdfPhysicalMaximum); },
              kEdfAnnotationsPhysicalMaximum, 8);
  each_signal([](const Channel&) { return std::to_string(kEdfDigitalMinimum); },
              std::to_string(kEdfAnnotationsDigitalMinimum), 8);
  each_signal([](const Channel&) { return std::to_string(kEdfDigitalMaximum); },
              std::to_string(kEdfAnnotationsDigitalMaximum), 8);
  each_signal([](const Channel&) { return std::string(); }, "", 80);
  each_signal([&](const Channel&) { return std::to_string(fields.layout.samples_per_record); },
              std::to_string(fields.annotation_samples), 8);
  each_signal([](const Channel&) { return std::string(); }, "", 32);
  assert(header.size() == kEdfGeneralHeaderSize + signals * kEdfSignalHeaderSize);
  return header;
}

std::string EdfDataRecordsField(std::uint64_t data_records) {
  assert(data_records <= kEdfLargestCount);
  std::string field = std::to_string(data_records);
  field.resize(kEdfDataRecordsWidth, ' ');
  return field;
}

}  // namespace velbrix

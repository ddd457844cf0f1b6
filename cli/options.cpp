// The command line, parsed with CLI11 and checked against the channel table and the file system.
#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <system_error>

#include "cli/platform.h"
#include "core/channel_table.h"
#include "core/status.h"
#include "core/value_line.h"
#include "velbrix_version.h"

namespace velbrix::cli {
namespace {

// The 32 names in record order, separated by spaces.
std::string ChannelNames() {
  std::string names;
  for (const Channel& channel : ChTable) {
    if (!names.empty()) {
      names += ' ';
    }
    names += channel.name;
  }
  return names;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nRun with --help for more information.\n", kProgramName,
               message.c_str());
  return kExitUsage;
}

// Each named channel once, in the order first named.
std::optional<std::string> ToPositions(const std::vector<std::string>& names,
                                       std::vector<int>* positions) {
  positions->clear();
  if (names.empty()) {
    for (const Channel& channel : ChTable) {
      positions->push_back(channel.position);
    }
    return std::nullopt;
  }
  for (const std::string& name : names) {
    const std::optional<int> position = FindChannelPosition(name);
    if (!position) {
      return "There is no channel named \"" + name + "\". The channels are: " + ChannelNames();
    }
    if (std::find(positions->begin(), positions->end(), *position) == positions->end()) {
      positions->push_back(*position);
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckOutputDir(const std::filesystem::path& dir) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(dir, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    ec = std::make_error_code(std::errc::no_such_file_or_directory);
  } else if (!ec && !std::filesystem::is_directory(status)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (ec) {
    return "Cannot use the output folder " + PathForDisplay(dir) + ": " + ec.message();
  }
  return std::nullopt;
}

}  // namespace

std::string LocaleDecimalSeparator() {
  std::string separator = ".";
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const std::lconv* conventions = std::localeconv();
    if (conventions != nullptr && conventions->decimal_point != nullptr) {
      separator = conventions->decimal_point;
    }
  }
  std::setlocale(LC_NUMERIC, "C");
  return ValueLineTable::Check(separator).ok() ? separator : ".";
}

std::optional<int> ParseOptions(const std::vector<std::string>& arguments, Options* options) {
  CLI::App app(
      "Converts EEG recordings into decimal text, one file per channel, exactly as the Velbrix "
      "window does, or into EDF files. A recording's file name must end in \"_eeg\"; recording "
      "rec01_eeg gives rec01_eeg_FP2.eeg, rec01_eeg_F8.eeg and so on, or rec01_eeg.edf.",
      kProgramName);
  std::string format = "text";
  std::string sample_rate;
  std::string start;
  std::string output_dir;
  std::vector<std::string> channels;
  std::string separator;
  std::vector<std::string> recordings;

  app.add_option("-o,--output-dir", output_dir,
                 "Folder for the output files; it must exist. Default: the current folder")
      ->option_text("DIR");
  app.add_option("-c,--channel", channels,
                 "Convert only this channel (exact name, e.g. FP2, Fz, EKG); may be given several "
                 "times. Default: all 32 channels in record order")
      ->allow_extra_args(false)
      ->option_text("NAME");
  CLI::Option* separator_option =
      app.add_option("-d,--decimal-separator", separator,
                     "Decimal separator of the values. Default: the one of your locale. "
                     "'-d .' gives files that analysis software (numpy, MNE, EEGLAB) reads "
                     "everywhere")
          ->option_text("SEP");
  app.add_option("--format", format,
                 "text: one decimal text file per channel (the default). edf: one EDF file, "
                 "OUTDIR/<recording>.edf, with the chosen channels as signals")
      ->check(CLI::IsMember({"text", "edf"}))
      ->option_text("FORMAT");
  CLI::Option* rate_option =
      app.add_option("--sample-rate", sample_rate,
                     "EDF: the recording's sample rate in Hz (required; the recording does not "
                     "hold it), e.g. 256 or 250.5")
          ->option_text("HZ");
  CLI::Option* start_option =
      app.add_option("--start", start,
                     "EDF: the recording's start, \"YYYY-MM-DD HH:MM:SS\". Default: unknown "
                     "(01.01.85 00.00.00, as EDF has it)")
          ->option_text("TIME");
  app.add_flag("-q,--quiet", options->quiet, "No warnings and no progress display");
  app.set_version_flag("--version", std::string(kProgramName) + " " + VELBRIX_VERSION);
  app.add_option("RECORDING", recordings, "Recordings to convert")->required();
  app.footer("Channels: " + ChannelNames() +
             "\n\nExit status: 0 every recording converted, 1 at least one failed, 2 usage error."
             "\n\nExamples:\n  " +
             kProgramName + " -d . -o out -c Fz -c Cz rec01_eeg rec02_eeg\n  " + kProgramName +
             " --format edf --sample-rate 256 --start \"2024-05-17 09:30:00\" rec01_eeg");

  std::vector<const char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(argument.c_str());
  }
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e);  // --help or --version, on stdout
      return kExitOk;
    }
    return UsageError(e.what());
  }

  if (const std::optional<std::string> error = ToPositions(channels, &options->positions)) {
    return UsageError(*error);
  }
  options->format = format == "edf" ? OutputFormat::kEdf : OutputFormat::kText;
  if (options->format == OutputFormat::kEdf) {
    if (separator_option->count() > 0) {
      return UsageError("--decimal-separator applies to --format text only");
    }
    if (rate_option->count() == 0) {
      return UsageError(
          "--format edf needs --sample-rate HZ: a recording does not hold its sample rate");
    }
    if (const Status status =
            ChooseEdfRecordLayout(sample_rate, options->positions.size(), &options->edf_layout);
        !status.ok()) {
      return UsageError(status.message());
    }
    options->edf_start.reset();
    if (start_option->count() > 0) {
      EdfStart parsed;
      if (const Status status = ParseEdfStart(start, &parsed); !status.ok()) {
        return UsageError(status.message());
      }
      options->edf_start = parsed;
    }
  } else if (rate_option->count() > 0 || start_option->count() > 0) {
    return UsageError("--sample-rate and --start apply to --format edf only");
  } else if (separator_option->count() > 0) {
    if (const Status status = ValueLineTable::Check(separator); !status.ok()) {
      return UsageError(status.message());
    }
    options->decimal_separator = separator;
  } else {
    options->decimal_separator = LocaleDecimalSeparator();
  }
  options->output_dir.clear();
  if (!output_dir.empty()) {
    options->output_dir = PathFromArgument(output_dir);
    if (const std::optional<std::string> error = CheckOutputDir(options->output_dir)) {
      return UsageError(*error);
    }
  }
  options->recordings.clear();
  for (const std::string& recording : recordings) {
    options->recordings.push_back(PathFromArgument(recording));
  }
  return std::nullopt;
}

}  // namespace velbrix::cli

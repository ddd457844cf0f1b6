// Montage files and derivations: a small recursive-descent reader of linear sums of channels.
#include "core/signal/montage_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "core/base/channel_table.h"
#include "core/base/utf8.h"

namespace velbrix {
namespace {

constexpr std::size_t kMostDerivationBytes = 256;
constexpr int kMostNesting = 16;
constexpr double kSlack = 1e-9;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

// A value of the derivation so far: a number, or a weighed sum of sources.
struct Linear {
  bool number = false;
  double value = 0;  // for a number
  std::vector<MontageTerm> terms;
};

void AddTerms(std::vector<MontageTerm>* to, const std::vector<MontageTerm>& from, double sign) {
  for (const MontageTerm& term : from) {
    bool found = false;
    for (MontageTerm& have : *to) {
      if (have.source == term.source) {
        have.weight += sign * term.weight;
        found = true;
      }
    }
    if (!found) {
      to->push_back({term.source, sign * term.weight});
    }
  }
}

class DerivationReader {
 public:
  explicit DerivationReader(std::string_view text) : text_(text) {}

  std::optional<Linear> Read(std::string* why) {
    std::optional<Linear> sum = Sum(0);
    Skip();
    if (sum && at_ < text_.size()) {
      Fail("\"" + std::string(1, text_[at_]) + "\" is not expected there");
      sum.reset();
    }
    if (!sum) {
      *why = why_;
    }
    return sum;
  }

 private:
  void Skip() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) {
      ++at_;
    }
  }
  bool Take(char c) {
    Skip();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  void Fail(std::string why) {
    if (why_.empty()) {
      why_ = std::move(why);
    }
  }

  std::optional<Linear> Sum(int depth) {
    double sign = 1;
    if (Take('-')) {
      sign = -1;
    } else {
      Take('+');
    }
    std::optional<Linear> sum = Product(depth);
    if (!sum) {
      return sum;
    }
    if (sign < 0) {
      sum->value = -sum->value;
      for (MontageTerm& term : sum->terms) {
        term.weight = -term.weight;
      }
    }
    for (;;) {
      if (Take('+')) {
        sign = 1;
      } else if (Take('-')) {
        sign = -1;
      } else {
        return sum;
      }
      std::optional<Linear> next = Product(depth);
      if (!next) {
        return next;
      }
      if (sum->number || next->number) {
        Fail("a number alone is not a channel: multiply or divide a channel by it");
        return std::nullopt;
      }
      AddTerms(&sum->terms, next->terms, sign);
    }
  }

  std::optional<Linear> Product(int depth) {
    std::optional<Linear> product = Factor(depth);
    while (product) {
      const bool times = Take('*');
      if (!times && !Take('/')) {
        break;
      }
      std::optional<Linear> next = Factor(depth);
      if (!next) {
        return next;
      }
      if (!times) {
        if (!next->number || next->value == 0) {
          Fail(next->number ? "a division by 0" : "a division by a channel");
          return std::nullopt;
        }
        next->value = 1 / next->value;
      }
      if (!product->number && !next->number) {
        Fail("a channel times a channel is not a derivation");
        return std::nullopt;
      }
      Linear& scaled = product->number ? *next : *product;
      const double by = product->number ? product->value : next->value;
      scaled.value *= by;
      for (MontageTerm& term : scaled.terms) {
        term.weight *= by;
      }
      Linear result = std::move(scaled);
      product = std::move(result);
    }
    return product;
  }

  std::optional<Linear> Factor(int depth) {
    Skip();
    if (at_ >= text_.size()) {
      Fail(text_.empty() ? "no derivation" : "the derivation ends too early");
      return std::nullopt;
    }
    const char c = text_[at_];
    if (c == '(') {
      if (depth >= kMostNesting) {
        Fail("too many parentheses");
        return std::nullopt;
      }
      ++at_;
      std::optional<Linear> inner = Sum(depth + 1);
      if (inner && !Take(')')) {
        Fail("a \"(\" is not closed");
        return std::nullopt;
      }
      return inner;
    }
    if ((c >= '0' && c <= '9') || c == '.') {
      const std::size_t from = at_;
      while (at_ < text_.size() &&
             ((text_[at_] >= '0' && text_[at_] <= '9') || text_[at_] == '.')) {
        ++at_;
      }
      Linear number{true, 0, {}};
      const std::string_view digits = text_.substr(from, at_ - from);
      const auto [end, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), number.value);
      if (ec != std::errc() || end != digits.data() + digits.size() ||
          !std::isfinite(number.value)) {
        Fail("\"" + std::string(digits) + "\" is not a number");
        return std::nullopt;
      }
      return number;
    }
    const auto is_name = [](char x) {
      return (x >= 'A' && x <= 'Z') || (x >= 'a' && x <= 'z') || (x >= '0' && x <= '9');
    };
    if (!is_name(c)) {
      Fail("\"" + std::string(1, c) + "\" is not expected there");
      return std::nullopt;
    }
    const std::size_t from = at_;
    while (at_ < text_.size() && is_name(text_[at_])) {
      ++at_;
    }
    const std::string_view name = text_.substr(from, at_ - from);
    if (SameName(name, kAverageLabel)) {
      return Linear{false, 0, {{kEegAverageSource, 1}}};
    }
    for (const Channel& channel : ChTable) {
      if (SameName(name, channel.name)) {
        return Linear{false, 0, {{channel.position, 1}}};
      }
    }
    Fail("\"" + std::string(name) + "\" is not a channel");
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string why_;
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// Why `text` cannot be a label or a name of at most `most` bytes, or empty.
std::string TextProblem(std::string_view text, std::size_t most, const char* what) {
  if (text.size() > most) {
    return std::string("the ") + what + " is longer than " + std::to_string(most) + " bytes";
  }
  if (!IsValidUtf8(text)) {
    return std::string("the ") + what + " is not UTF-8 text";
  }
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ';') {
      return std::string("the ") + what + " holds a control character or \";\"";
    }
  }
  return "";
}

std::string WithoutSpaces(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ' && c != '\t') {
      out += c;
    }
  }
  return out;
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.10g", value);
  return text;
}

std::string SourceName(int source) {
  if (source == kEegAverageSource) {
    return kAverageLabel;
  }
  if (source == kEarsSource) {
    return "(A1+A2)/2";
  }
  return std::string(ChannelAtPosition(source).name);
}

}  // namespace

bool ParseDerivation(std::string_view text, std::vector<MontageTerm>* terms, bool* eeg,
                     std::string* why) {
  text = Trim(text);
  if (text.size() > kMostDerivationBytes) {
    *why = "the derivation is longer than " + std::to_string(kMostDerivationBytes) + " bytes";
    return false;
  }
  DerivationReader reader(text);
  std::optional<Linear> sum = reader.Read(why);
  if (!sum) {
    return false;
  }
  if (sum->number) {
    *why = "a number alone is not a channel";
    return false;
  }
  std::vector<MontageTerm> kept;
  double added = 0;
  double subtracted = 0;
  bool all_eeg = true;
  for (const MontageTerm& term : sum->terms) {
    if (std::abs(term.weight) < kSlack) {
      continue;
    }
    kept.push_back(term);
    (term.weight > 0 ? added : subtracted) += std::abs(term.weight);
    all_eeg = all_eeg && (term.source == kEegAverageSource ||
                          ChannelAtPosition(term.source).kind == ChannelKind::kEeg);
  }
  if (kept.empty()) {
    *why = "its channels cancel out";
    return false;
  }
  if (added > kMostWeightEachSide + kSlack || subtracted > kMostWeightEachSide + kSlack) {
    *why = std::string("the ") + (added > kMostWeightEachSide + kSlack ? "added" : "subtracted") +
           " channels weigh more than one channel: write a mean, as (F3+F4)/2";
    return false;
  }
  *terms = std::move(kept);
  *eeg = all_eeg;
  return true;
}

bool ParseMontageFactor(std::string_view text, double* factor) {
  text = Trim(text);
  double value = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !(value >= kLeastMontageFactor && value <= kMostMontageFactor)) {
    return false;
  }
  *factor = value;
  return true;
}

MontageSource ParseMontageText(std::string_view text, std::string_view fallback_name,
                               std::vector<MontageProblem>* problems,
                               std::vector<std::size_t>* numbers) {
  MontageSource source;
  source.name = std::string(fallback_name);
  numbers->clear();
  if (text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  }
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') {
      continue;
    }
    if (line.starts_with("name:")) {
      const std::string_view name = Trim(line.substr(5));
      if (std::string why = TextProblem(name, kMostMontageNameBytes, "name");
          !why.empty() || name.empty()) {
        problems->push_back({number, name.empty() ? "the name is empty" : why});
      } else {
        source.name = std::string(name);
      }
      continue;
    }
    if (source.lines.size() == kMostMontageRows) {
      problems->push_back({number, "more than " + std::to_string(kMostMontageRows) + " rows"});
      break;
    }
    MontageLine row;
    std::string_view rest = line;
    std::size_t part = 0;
    std::string why;
    while (why.empty()) {
      const std::size_t semicolon = rest.find(';');
      const std::string_view field = Trim(rest.substr(0, semicolon));
      if (part++ == 0) {
        row.derivation = std::string(field);
      } else if (field.starts_with("label ") || field == "label") {
        row.label = std::string(Trim(field.substr(5)));
      } else if (field.starts_with("factor ")) {
        row.factor = std::string(Trim(field.substr(6)));
      } else if (field == "hidden") {
        row.shown = false;
      } else {
        why = "\"" + std::string(field) + "\" is not \"label\", \"factor\" or \"hidden\"";
      }
      if (semicolon == std::string_view::npos) {
        break;
      }
      rest = rest.substr(semicolon + 1);
    }
    if (!why.empty()) {
      problems->push_back({number, why});
      continue;
    }
    source.lines.push_back(std::move(row));
    numbers->push_back(number);
  }
  return source;
}

std::string FormatMontageText(const MontageSource& source) {
  std::string text =
      "# A Velbrix montage: a row a line, from the top of the window down. A row is a derivation\n"
      "# of channels (FP2 ... PG2) and avg, the mean of the EEG electrodes, such as F3-C3,\n"
      "# FP1-(A1+A2)/2 or C4-avg, then \"; label TEXT\", \"; factor N\" (drawn at N times the\n"
      "# window's amplitude) and \"; hidden\" where wanted.\n";
  text += "name: " + source.name + "\n";
  for (const MontageLine& line : source.lines) {
    text += line.derivation;
    if (!line.label.empty() && line.label != WithoutSpaces(line.derivation)) {
      text += "; label " + line.label;
    }
    if (double factor = 1; !ParseMontageFactor(line.factor, &factor) || factor != 1) {
      text += "; factor " + line.factor;
    }
    text += line.shown ? "\n" : "; hidden\n";
  }
  return text;
}

Montage BuildMontage(const MontageSource& source, std::vector<MontageProblem>* problems,
                     const std::vector<std::size_t>* numbers) {
  Montage montage{source.name, {}, ""};
  for (std::size_t i = 0; i < source.lines.size(); ++i) {
    const MontageLine& line = source.lines[i];
    const std::size_t number = numbers != nullptr && i < numbers->size() ? (*numbers)[i] : i + 1;
    MontageRow row;
    std::string why;
    if (!ParseDerivation(line.derivation, &row.terms, &row.eeg, &why)) {
      problems->push_back({number, why});
      continue;
    }
    row.label = line.label.empty() ? WithoutSpaces(line.derivation) : line.label;
    if (why = TextProblem(row.label, kMostMontageLabelBytes, "label"); !why.empty()) {
      problems->push_back({number, why});
      continue;
    }
    if (!ParseMontageFactor(line.factor, &row.factor)) {
      problems->push_back({number, "the factor \"" + line.factor + "\" is not a number from " +
                                       NumberText(kLeastMontageFactor) + " to " +
                                       NumberText(kMostMontageFactor)});
      continue;
    }
    for (const MontageTerm& term : row.terms) {
      if (term.source <= static_cast<int>(kChannelCount) && term.weight > 0) {
        row.input = term.source;
        break;
      }
    }
    if (line.shown) {
      montage.rows.push_back(std::move(row));
    }
  }
  return montage;
}

MontageSource MontageSourceOf(const Montage& montage) {
  MontageSource source{montage.name, {}};
  for (const MontageRow& row : montage.rows) {
    std::string derivation;
    for (const MontageTerm& term : row.terms) {
      const double size = std::abs(term.weight);
      std::string name = SourceName(term.source);
      if (size != 1) {
        name = NumberText(size) + "*" + name;
      }
      derivation += (term.weight < 0 ? "-" : derivation.empty() ? "" : "+") + name;
    }
    MontageLine line{derivation, row.label == derivation ? "" : row.label, NumberText(row.factor),
                     true};
    source.lines.push_back(std::move(line));
  }
  return source;
}

std::string MontageProblemsText(const std::vector<MontageProblem>& problems,
                                std::string_view what) {
  std::string text;
  for (const MontageProblem& problem : problems) {
    text += (text.empty() ? "" : "\n") + std::string(what) + " " + std::to_string(problem.line) +
            ": " + problem.why;
  }
  return text;
}

}  // namespace velbrix

// The Export dialog's entries as remembered values.
#include "window/export/export_settings.h"

namespace velbrix {
namespace {

void CutText(std::string* text) {
  if (text->size() <= kRememberedEntryMaxBytes) {
    return;
  }
  std::size_t end = kRememberedEntryMaxBytes;
  while (end > 0 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80) {
    --end;  // not inside a character's bytes
  }
  text->resize(end);
}

}  // namespace

void CutToRememberedLength(ExportSettings* settings) {
  for (std::string& text : settings->texts) {
    CutText(&text);
  }
}

std::vector<std::pair<std::string, std::string>> RememberedEntries(const ExportSettings& settings) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const ExportFormatInfo& info : kExportFormats) {
    if (info.target == settings.target) {
      entries.emplace_back(kExportFormatKey, info.key);
    }
  }
  for (const ExportFieldInfo& info : kExportFields) {
    entries.emplace_back(info.key, settings[info.field]);
  }
  return entries;
}

ExportSettings FromRememberedEntries(
    const std::function<std::optional<std::string>(std::string_view key)>& value) {
  ExportSettings settings;
  if (const std::optional<std::string> format = value(kExportFormatKey)) {
    for (const ExportFormatInfo& info : kExportFormats) {
      if (*format == info.key) {
        settings.target = info.target;
      }
    }
  }
  for (const ExportFieldInfo& info : kExportFields) {
    if (std::optional<std::string> text = value(info.key)) {
      CutText(&*text);
      settings[info.field] = std::move(*text);
    }
  }
  return settings;
}

}  // namespace velbrix

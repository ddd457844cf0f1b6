// Writing a recording's events as a BIDS events table.
#include "core/events/bids_events.h"

#include "core/events/event_time.h"

namespace velbrix {

std::string MakeBidsEvents(const EventList& events, const Hertz& rate) {
  std::string text = kBidsEventsHeader;
  text += '\n';
  text.reserve(text.size() + events.size() * 40);
  for (const Event& event : events.events()) {
    text += RecordsAsSeconds(event.start, rate);
    text += '\t';
    text += RecordsAsSeconds(event.length, rate);
    text += '\t';
    text += event.label.empty() ? std::string_view("n/a") : std::string_view(event.label);
    text += '\t';
    text += std::to_string(event.start);
    text += '\n';
  }
  return text;
}

std::string MakeBidsEventsSidecar() {
  return "{\n"
         "  \"onset\": {\n"
         "    \"Description\": \"Time of the event from the first sample of the data file.\",\n"
         "    \"Units\": \"s\"\n"
         "  },\n"
         "  \"duration\": {\n"
         "    \"Description\": \"How long the event lasts; 0 for an instant.\",\n"
         "    \"Units\": \"s\"\n"
         "  },\n"
         "  \"trial_type\": {\n"
         "    \"Description\": \"The event's label, as given in Velbrix.\"\n"
         "  },\n"
         "  \"sample\": {\n"
         "    \"Description\": \"The sample of the event's onset in the data file, 0 being the "
         "first.\"\n"
         "  }\n"
         "}\n";
}

}  // namespace velbrix

#include "graph/panel_texts.h"

#include <string_view>

namespace k7740 {

std::string PanelInfoText(const RecordingView& view) {
  std::string out;
  for (const PanelField& field : kPanelFields) {
    std::string_view label = field.label;
    while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    out.append(label);
    if (label.empty() || label.back() != ':') out += ':';
    out += ' ';
    out += view.*field.text;
    out += '\n';
  }
  return out;
}

}  // namespace k7740

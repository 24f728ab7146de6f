// hostsim's text report: the result of a run (the JSON that --json prints) laid out for a person,
// and the host's in-line markup of message texts rendered as its message window shows it.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace report {

// The shortest decimal text that reads back as the same double, in plain notation for the
// amounts a warehouse has.
std::string num(double d);

// A message text in Mazovia with the host's markup, as UTF-8 text laid out in columns; emphasis
// in bold with `color`, dropped without.
std::string render(const std::string& mazovia, bool color);

// The words for a line's mark code (filled, already_priced, ...), as the report shows them.
std::string mark_text(const std::string& code);

// The report of a run: `styled` holds the run's messages rendered for the report, in order.
std::string text(const nlohmann::ordered_json& result, const std::vector<std::string>& styled,
                 bool color);

} // namespace report

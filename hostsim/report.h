// hostsim's report, every word of it: a run and its explanation as the JSON that --json prints
// (its layout: scenarios/README.md), that JSON laid out for a person, and the host's in-line
// markup of message texts rendered as its message window shows it.
#pragma once

#include "hostsim/explain.h"
#include "hostsim/run.h"

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

// A run and its explanation as the result --json prints.
// `description`: the scenario's own, shown first when it has one.
nlohmann::ordered_json json(const hostrun::Result& run, const std::vector<explain::Document>& why,
                            const std::string& description);

// The run's messages as the text report shows them, in order: emphasis in bold with `color`.
std::vector<std::string> styled(const hostrun::Result& run, bool color);

// The report of a run for a person: `styled` holds the run's messages rendered for the report,
// in order.
std::string text(const nlohmann::ordered_json& result, const std::vector<std::string>& styled,
                 bool color);

} // namespace report

// hostsim's explanation of a run: for every line, what the plug-in did with it and why (its mark),
// which of its fields changed, which MR selling levels are all zero and left out of the report,
// and where a margin of (about) 100 % left a selling level without a price. It reads the scenario
// and the run's data only; the words for all of it are the report's (hostsim/report.h).
#pragma once

#include "hostsim/run.h"
#include "hostsim/scenario.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace explain {

// An MR selling level whose margin leaves no room for a selling price: the host rounds the
// distance of the margin from 100 % to nothing, so the plug-in's factor for it is 0.
struct NoRoom {
    int level;
    double percent;      // as the line shows it
    int32_t thousandths; // as the plug-in reads it
};

struct Line {
    int16_t scope;              // the lookup scope the line is priced in
    const scenario::Item* item; // the k9 item of its key and scope, if the scenario has one
    const char* mark;           // what the plug-in did: filled, already_priced, ...
    std::vector<bool> changed;  // per field of the run's line
    std::vector<bool> hidden;   // per field: a selling-level field 0 before and after
    std::vector<std::string> hidden_fields;                // their names, in order
    std::map<std::string, std::vector<int>> hidden_levels; // by level field: the levels left out
    std::vector<NoRoom> no_room;                           // in level order
};

struct Document {
    bool ctrl_e = false; // a Ctrl-E event reached the line table
    std::vector<Line> lines;
};

std::vector<Document> explain(const scenario::Scenario& s, const hostrun::Result& r);

} // namespace explain

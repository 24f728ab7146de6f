// The record codec of hostsim: a scenario's document lines and headers into the host's record
// bytes, and a line record back into the named fields the report shows. Offsets come from the
// host-side record model (sim/records.h).
#pragma once

#include "hostsim/scenario.h"

#include <cstdint>
#include <string>
#include <vector>

namespace codec {

// The tables of one document kind: its line table, its header table, the line table's name.
struct DocumentTables {
    int32_t lines, header;
    const char* line_name;
};
DocumentTables tables_of(scenario::Kind kind);
const char* kind_name(scenario::Kind kind); // "RW", "MR", "MM"

// Writes what the document sets in its header record (MR: the pricing method; MM: the scope) and
// clears the host's totals there.
void encode_header(const scenario::Document& d, uint8_t* header);

// Writes a scenario line into a zeroed line record of the document's kind.
void encode_line(scenario::Kind kind, const scenario::Line& src, uint8_t* record);

// One field of a line or header as the report shows it. The name is a snake_case key that tools
// may rely on (the text report shows it with spaces).
struct FieldValue {
    std::string name;
    double value;
};
// The fields of a line the plug-in may change (RW also the host's own line value,
// "host_line_value"), in report order: RW and MM price slots only where in use.
std::vector<FieldValue> decode_line(scenario::Kind kind, const uint8_t* record);

// The host's totals in a header: the document value, and for MR and MM also the converted value
// and the value difference.
std::vector<FieldValue> decode_totals(scenario::Kind kind, const uint8_t* header);

} // namespace codec

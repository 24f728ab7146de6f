// A hostsim scenario: the host's set-up and the documents the user presses Ctrl-E on, read from
// JSON (format: scenarios/README.md). Every value is checked as it is read; the first problem
// ends the reading with a message that names the file, the place and what is wrong.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scenario {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Slot {
    bool used = false;
    double price = 0.0;
    int16_t code = 0;
};

struct Line {
    int16_t key = 0;
    int16_t scope = 0;    // RW and MR lines; MM lines take the document's scope
    int32_t quantity = 0; // thousandths of a unit
    double price = 0.0;   // MR: whole number; MM: any price
    int16_t price_code = 0;
    int16_t selling_code = 0;      // MR
    std::vector<int32_t> percents; // MR: thousandths of a percent, up to 10
    std::vector<double> selling;   // MR: selling prices already on the line, up to 10
    std::vector<Slot> slots;       // RW and MM: up to 10
};

enum class Kind { Rw, Mr, Mm };

struct Document {
    Kind kind = Kind::Rw;
    std::string name;
    int16_t scope = 0;           // MM: the header's scope
    int16_t method = 0;          // MR: 0 markup, otherwise margin
    std::vector<int32_t> events; // handler events the user triggers, in order (5 is Ctrl-E)
    std::vector<Line> lines;
};

struct Item {
    int16_t key = 0;
    int16_t scope = 0;
    std::string name;
    double price = 0.0;
    int16_t code = 0;
};

struct PriceCode {
    int32_t code = 0;
    std::string name;
    double rate = 1.0;
};

struct Scenario {
    std::string description;
    int32_t version = 112;
    std::map<std::string, std::optional<int16_t>> table_sizes; // by table name; nullopt: missing
    std::vector<int32_t> missing_services;
    std::vector<int32_t> dialog_answers; // MessageBoxA answers: 3 abort, 4 retry, 5 ignore, 0 fail
    // The plug-in's file name as the platform gives it: the scenario's text, or the default when
    // it names none; plugin_file null in the scenario makes it unavailable.
    std::optional<std::string> plugin_file;
    bool plugin_file_unavailable = false;
    // Notice setting: stored value, or none stored; unreadable: every read fails.
    std::optional<int32_t> notice_stored;
    bool notice_unreadable = false;
    std::optional<int16_t> notice_user_sets;
    std::vector<PriceCode> price_codes;
    std::vector<Item> items;
    std::vector<Document> documents;
};

// Reads a scenario from JSON text; `file` names it in error messages.
Scenario parse(const std::string& text, const std::string& file);

// Reads a scenario file.
Scenario load(const std::string& path);

} // namespace scenario

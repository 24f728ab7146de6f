// The host's tables and documents as both simulated hosts build them (the traced VORDAN,
// sim/vordan.h, and the plain one, sim/plain.h): a table's descriptor with its record size,
// current record and handler slot; a document's line records with the array of their pointers and
// the count cell, as the host hands them to a handler. Every buffer is a records::OddBuffer.
#pragma once

#include "platform/abi.h"
#include "sim/records.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace hosttables {

// One host table: its descriptor and its current record.
struct Table {
    int32_t number = 0;
    std::unique_ptr<records::OddBuffer> descriptor;
    std::unique_ptr<records::OddBuffer> current;
    cz_handler handler() const; // what the descriptor's handler slot holds now
};

// A table of that number whose records are `size` bytes (a current record of 16 bytes when the
// size is not positive), with `handler` in its slot.
Table make_table(int32_t number, int16_t size, cz_handler handler);

// A document's lines as the host hands them to a handler.
struct Lines {
    int32_t table = 0;
    std::vector<std::unique_ptr<records::OddBuffer>> records;
    std::vector<uint8_t*> pointers; // the record array
    int32_t count = 0;              // the count cell
    uint8_t* operator[](size_t i) { return records[i]->data(); }
};

// `n` records of the table's size, every byte `fill`.
Lines make_lines(int32_t table, size_t n, uint8_t fill = 0);

} // namespace hosttables

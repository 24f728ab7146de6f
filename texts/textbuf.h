// A text built in a caller's fixed buffer. Every append is bounded by the buffer's size: what does
// not fit is cut, the text always ends with its zero, and `cut` records that something was lost.
#pragma once

#include <stdint.h>

struct TextBuf {
    char* data;    // the caller's buffer
    uint32_t size; // its size in bytes, terminating zero included (at least 1)
    uint32_t len;  // characters written so far, without the zero
    bool cut;      // an append did not fit whole
};

void tb_init(TextBuf& t, char* data, uint32_t size);
void tb_str(TextBuf& t, const char* s);
void tb_chars(TextBuf& t, const char* s, uint32_t n);
void tb_int(TextBuf& t, int32_t v);
// Appends `format` with each "%s" replaced by the next of `values` (an empty text once they are
// used up), "%d" by the next of `numbers`, and "%%" by "%". Any other byte is copied as it is.
void tb_format(TextBuf& t, const char* format, const char* const* values, uint32_t value_count,
               const int32_t* numbers = nullptr, uint32_t number_count = 0);

uint32_t cz_strlen(const char* s);

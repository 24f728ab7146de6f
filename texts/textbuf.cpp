#include "texts/textbuf.h"

void tb_init(TextBuf& t, char* data, uint32_t size) {
    t.data = data;
    t.size = size;
    t.len = 0;
    t.cut = false;
    t.data[0] = 0;
}

void tb_chars(TextBuf& t, const char* s, uint32_t n) {
    const uint32_t room = t.size - 1 - t.len;
    if (n > room) {
        n = room;
        t.cut = true;
    }
    for (uint32_t i = 0; i < n; ++i)
        t.data[t.len + i] = s[i];
    t.len += n;
    t.data[t.len] = 0;
}

void tb_str(TextBuf& t, const char* s) {
    tb_chars(t, s, cz_strlen(s));
}

void tb_int(TextBuf& t, int32_t v) {
    char digits[12];
    uint32_t n = 0;
    // Work in unsigned so that INT32_MIN has a magnitude.
    uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    do {
        digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (v < 0) digits[sizeof digits - 1 - n++] = '-';
    tb_chars(t, digits + sizeof digits - n, n);
}

void tb_format(TextBuf& t, const char* format, const char* const* values, uint32_t value_count,
               const int32_t* numbers, uint32_t number_count) {
    uint32_t next_value = 0, next_number = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            tb_str(t, next_value < value_count ? values[next_value] : "");
            ++next_value;
            ++p;
        } else if (p[0] == '%' && p[1] == 'd') {
            if (next_number < number_count) tb_int(t, numbers[next_number]);
            ++next_number;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            tb_chars(t, p, 1);
            ++p;
        } else {
            tb_chars(t, p, 1);
        }
    }
}

uint32_t cz_strlen(const char* s) {
    uint32_t n = 0;
    while (s[n])
        ++n;
    return n;
}

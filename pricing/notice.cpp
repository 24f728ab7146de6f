// Installation notice: tells the user once that the plug-in is installed, until the user sets the
// notice flag that the host keeps as the setting Pytaj in section VUZivo.
#include "host/entries.h"
#include "platform/module_state.h"
#include "pricing/hooks.h"
#include "texts/textbuf.h"
#include "texts/texts.h"

namespace {
constexpr int32_t kNoticeNumber = 1194;
constexpr int32_t kRead = 1, kWrite = 2;
// "Zainstalowano wtyczkę: " and the 56 characters of the title fit with room to spare.
constexpr uint32_t kNoticeSize = 128;
} // namespace

int32_t installation_notice() {
    // The setting's value list is an array of machine words: a pointer to the value when
    // reading, the value itself when writing.
    int32_t value = 0;
    uintptr_t read_values[1] = {reinterpret_cast<uintptr_t>(&value)};
    const int32_t read =
        HOST(Setting)(kRead, kNoticeSection, kNoticeKey, kNoticeValueFormat, read_values);
    if ((read & 0xFFFF) != 0) value = 0; // no readable setting counts as 0
    int16_t flag = static_cast<int16_t>(value & 0xFFFF);
    if (flag != 0) return 0;

    char title[sizeof kTitle];
    title_copy(title);
    char text[kNoticeSize];
    TextBuf t;
    tb_init(t, text, kNoticeSize);
    const char* values[1] = {title};
    tb_format(t, kNoticeFormat, values, 1);

    HOST(ShowNotice)(kNoticeNumber, &flag, 0, text);

    uintptr_t write_values[1] = {static_cast<uintptr_t>(static_cast<intptr_t>(flag))};
    HOST(Setting)(kWrite, kNoticeSection, kNoticeKey, kNoticeValueFormat, write_values);
    return 0;
}

#include "layout/check.h"

#include "host/entries.h"
#include "host/fields.h"
#include "layout/mismatch.h"
#include "layout/tables.h"
#include "platform/module_state.h"
#include "texts/textbuf.h"
#include "texts/texts.h"

namespace {

constexpr int32_t kReportFlags = 0xC001;

// The seven tables in registration order, each with its own table-size record.
const TableInfo* const kRegistered[7] = {&kMm, &kMmDok, &kMr, &kMrDok, &kRw, &kRwDok, &kK9};
TableSizeRecord g_registration[7];

// The longest size table fits whole: the heading with the title (179 bytes), ten rows (the list
// holds at most the seven registration and three failure records) of at most
// 9 + 6 + 1 + 11 + 1 + 11 + 1 = 40 bytes, the closing with a 299-byte file name (341), the zero.
constexpr uint32_t kReportSize = 1024;

int32_t register_table(TableSizeRecord& record) {
    return record.expected == record.host ? 0 : mismatch_append(&record);
}

} // namespace

int32_t register_layouts() {
    for (int i = 0; i < 7; ++i) {
        const TableInfo& table = *kRegistered[i];
        const uint8_t* descriptor = HOST(TableDescriptor)(table.number);
        const int32_t host_size =
            descriptor ? hostrec::get(descriptor, hostrec::desc::kRecordSize) : 0;
        fill_table_size(g_registration[i], table.size, host_size, table.name);
        register_table(g_registration[i]);
    }
    return mismatch_count();
}

int32_t attach_check() {
    if (HOST(InterfaceVersion)() != kRequiredHostVersion) return -1;
    return register_layouts() == 0 ? 0 : -1;
}

void mismatch_report() {
    char title[sizeof kTitle];
    title_copy(title);
    if (!mismatch_head()) {
        HOST(ShowFormattedMessage)(kReportCaption, kVersionFormat, kReportFlags, title, title);
        return;
    }

    char text[kReportSize];
    TextBuf t;
    tb_init(t, text, kReportSize);
    const char* heading_values[1] = {title};
    tb_format(t, kSizeHeadingFormat, heading_values, 1);
    for (const TableSizeRecord* r = mismatch_head(); r; r = r->next) {
        tb_str(t, kSizeRowDirective);
        tb_str(t, r->name);
        tb_str(t, "\t");
        tb_int(t, r->expected);
        tb_str(t, "\t");
        if (r->host == 0)
            tb_str(t, kSizeMissing);
        else
            tb_int(t, r->host);
        tb_str(t, "\n");
    }
    const char* file = g_module.file_name;
    for (const char* p = g_module.file_name; *p; ++p)
        if (*p == '\\') file = p + 1;
    const char* closing_values[1] = {file};
    tb_format(t, kSizeClosingFormat, closing_values, 1);

    HOST(ShowMessage)(kReportCaption, text, kReportFlags);
}

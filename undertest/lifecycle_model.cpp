#include "undertest/lifecycle_model.h"

#include "sim/records.h"
#include "undertest/lines.h"

#include <algorithm>

namespace lifecycle {

const int32_t kBindingOrder[21] = {52028, 52029, 52158, 38417, 52178, 52179, 51594,
                                   52256, 52224, 52023, 52265, 52266, 52333, 52334,
                                   52335, 51465, 51466, 51472, 51473, 52289, 52412};

bool can_do_without(int32_t ordinal) {
    const int32_t r = ordinal % 100;
    return r == 99 || (r % 4 == 0 && r <= 56);
}

bool HostChoice::lacks(int32_t ordinal) const {
    return std::find(missing.begin(), missing.end(), ordinal) != missing.end();
}

std::string HostChoice::describe() const {
    std::string s = "missing {";
    for (int32_t m : missing)
        s += " " + std::to_string(m);
    s += " } answers {";
    for (int32_t a : answers)
        s += " " + std::to_string(a);
    return s + " } then " + std::to_string(then);
}

LoadModel expected_load(const HostChoice& c) {
    LoadModel m;
    m.boxes_known = !c.lacks(52158);
    bool ignore_all = false;
    size_t next = 0;
    for (int32_t ordinal : kBindingOrder) {
        if (!c.lacks(ordinal)) continue;
        if (!ignore_all) {
            int32_t answer;
            do {
                m.boxes.push_back(ordinal);
                answer = next < c.answers.size() ? c.answers[next++] : c.then;
            } while (answer == kRetry);
            if (answer != kIgnore) {
                m.loads = false;
                return m;
            }
            ignore_all = true;
        }
        if (!can_do_without(ordinal)) {
            m.loads = false;
            return m;
        }
    }
    return m;
}

Model::Model() {
    for (int i = 0; i < 7; ++i)
        records_[i] = {records::kTables[i].name, records::kTables[i].size};
    for (int r = 0; r < 3; ++r) {
        const records::TableInfo* t =
            records::find_table(undertest::line_tables()[size_t(r)].table);
        records_[7 + r] = {t->name, t->size};
    }
}

int32_t Model::attach(int32_t version, const HostSizes& sizes) {
    if (version != undertest::kInterfaceVersion) return -1;
    for (int i = 0; i < 7; ++i) {
        refill(i, sizes(records::kTables[i].number));
        if (records_[i].host != records_[i].expected) append(i);
    }
    return list_.empty() ? 0 : -1;
}

void Model::install_hooks(const HostSizes& sizes) {
    for (int r = 0; r < 3; ++r) {
        if (hooked_[r]) continue;
        const int32_t size = sizes(undertest::line_tables()[size_t(r)].table);
        if (size == 0 || size != records_[7 + r].expected) {
            refill(7 + r, size);
            append(7 + r);
            remove_hooks();
            return;
        }
        hooked_[r] = true;
    }
}

void Model::remove_hooks() {
    for (bool& hooked : hooked_)
        hooked = false;
}

void Model::refill(int id, int32_t host) {
    records_[id].host = host;
    auto it = std::find(list_.begin(), list_.end(), id);
    if (it != list_.end()) list_.erase(it + 1, list_.end());
}

void Model::append(int id) {
    if (std::find(list_.begin(), list_.end(), id) == list_.end()) list_.push_back(id);
}

std::string Model::row_text(int id) const {
    const SizeRecord& s = records_[id];
    return std::string(s.name) + "\t" + std::to_string(s.expected) + "\t" +
           (s.host == 0 ? std::string("brak") : std::to_string(s.host));
}

std::string Model::list_text() const {
    std::string s = "mismatch list:";
    for (int id : list_)
        s += " [" + row_text(id) + "]";
    return s;
}

NoticeModel expected_notice(const NoticeHost& host) {
    NoticeModel m;
    m.setting_after = host.stored;
    if (host.lacks_settings) return m; // the stand-in reads 0, successfully; writes nothing
    const bool fails = (host.read_result & 0xFFFF) != 0;
    int32_t value = 0;
    int32_t result = host.read_result;
    if (host.stored && (!fails || host.failed_read_stores)) value = *host.stored;
    if (!fails && !host.stored) result = 1;
    if ((result & 0xFFFF) == 0 && int16_t(value) != 0) {
        m.shown = false;
        return m;
    }
    m.setting_after = int32_t(host.flag_set.value_or(0)); // the flag as the user left it
    return m;
}

} // namespace lifecycle

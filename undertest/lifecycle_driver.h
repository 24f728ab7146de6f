// The plug-in's whole lifecycle driven as a host would drive it, step by step, in the simulated
// host VORDAN, and held against the model (undertest/lifecycle_model.h) after every step: the
// lifecycle fuzz target and the binding stress test both run it. A step that breaks the model
// stops the process with what broke (undertest/oracle.h).
#pragma once

#include "sim/vordan.h"
#include "undertest/lifecycle_model.h"
#include "undertest/plugin.h"

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lifecycle {

constexpr int kLines = 4; // records per line table

// One event from the host on a line table (0 to 2, in undertest::line_tables() order).
struct Dispatch {
    int row;
    int32_t event;
    bool kept_hook; // through the hook pointer the host kept, not through the slot
};

class Driver {
  public:
    explicit Driver(HostChoice choice);
    ~Driver();

    // Loads the plug-in once, as the host does, and checks the load against the model. False
    // when the load failed (as it had to): the host then calls nothing.
    bool load();

    // ---- the entries ----
    void attach(bool with_title);
    void detach(bool with_second);
    void start(int32_t flag);
    void entry_30009();

    // ---- events ----

    // The line records of a row refilled: every byte `fill`, then per line two bits of `keys`
    // choose its key (0 skips the line, 0xFFFF is -1 after sign extension, the others name items
    // of k9) and its own lookup scope where it has one.
    void fill_lines(int r, uint8_t fill, uint8_t keys);
    void set_count(int r, int32_t count);
    // One event from the host; `nested` events are dispatched, in turn, from inside the
    // recalculation services that the event's own processing calls.
    void event(const Dispatch& d, std::vector<Dispatch> nested);

    // ---- the host changes between steps ----

    // The host as at load: every table back with its own size, version 112, no stored notice
    // setting, the items and the handler's result as they were. The plug-in keeps its own state
    // (the mismatch list above all) for as long as it is loaded; the model keeps it alongside.
    void reset_host();
    // Drops one of the seven tables from the host, or brings it back. Its descriptor stays alive
    // (a host keeps it while the plug-in may hold it); 52256 just stops giving it.
    void toggle_table(int i);
    void resize_table(int i, int16_t size);
    void set_version(int32_t v);
    void change_item(size_t i, int16_t scope, double price, int16_t code);
    // The stored notice setting (or none), how reading it fails, and the flag the user leaves.
    void set_notice(bool stored, int32_t value, int32_t read_result, bool failed_read_stores,
                    int flag_choice);
    void set_handler_result(int32_t r);

    // After every step: the handler slots as the model has them.
    void check_slots();

  private:
    static vordan::Host& h() { return vordan::host(); }
    uint8_t* descriptor_of(int32_t number);
    uint8_t* given_descriptor(int32_t number);
    int32_t host_size(int32_t number);
    HostSizes host_sizes();
    void check_report(const std::vector<vordan::Message>& shown);
    void dispatch(const Dispatch& d);
    void reenter(int32_t ordinal);
    void snapshot();
    void check_lines();

    HostChoice choice_;
    undertest::Plugin plugin_;
    std::map<int32_t, cz_handler> own_; // each table's own handler
    std::map<int32_t, decltype(vordan::Host::tables)::node_type> hidden_;
    std::unique_ptr<records::OddBuffer> lines_[3][kLines];
    std::unique_ptr<records::OddBuffer> array_[3], count_[3];

    Model model_;
    cz_handler hook_[3] = {}; // each row's hook routine, once seen in its slot
    NoticeModel notice_;

    // the event under way
    std::vector<Dispatch> nested_;
    size_t next_nested_ = 0;
    int depth_ = 0;
    uint32_t dispatches_ = 0;
    bool touched_[3] = {};
    std::vector<uint8_t> before_[3][kLines];
    std::map<int32_t, std::vector<uint8_t>> current_before_;
};

} // namespace lifecycle

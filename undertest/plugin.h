// The plug-in under test, as every test, fuzz target and benchmark loads and drives it: through
// the simulated loader, its three entries by ordinal and the hooks in the tables' handler slots,
// as the host does, with the facts a host knows of it (sim/plugin_contract.h).
//
// Whichever simulated host the caller set up (sim/vordan.h or sim/plain.h) must be registered
// with the loader before load().
#pragma once

#include "platform/abi.h"
#include "platform/platform.h"
#include "plugin/image.h"
#include "sim/plugin_contract.h"

#include <cstdint>

namespace undertest {

using contract::Entry30001;
using contract::Entry30008;
using contract::Entry30009;
using contract::kAbort;
using contract::kCtrlE;
using contract::kDialogStyle;
using contract::kIgnore;
using contract::kInterfaceVersion;
using contract::kNoticeSetting;
using contract::kPluginPath;
using contract::kReportCaption;
using contract::kReportFlags;
using contract::kRetry;
using contract::kTitle;

// The plug-in loaded into the simulated loader, with its entries.
class Plugin {
  public:
    // Loads the plug-in under `file_name` (null: its file name cannot be had); false when the
    // load failed or an entry is not exported. `image`: the plug-in's image as the simulated
    // loader loads it, or a wrapper of it (the allocation test's counts its start routine).
    bool load(const char* file_name = kPluginPath, const cz_sim_image* image = &cenyzak_image);
    bool loaded() const { return module_ != nullptr; }
    cz_module module() const { return module_; }

    // Entry 30001 with a host pointer (attach) or with null (detach), 30008 and 30009.
    int32_t attach(char* title_buffer = nullptr);
    int32_t detach(char* second = nullptr);
    int32_t start(int32_t flag = 0);
    int32_t entry_30009();

  private:
    cz_module module_ = nullptr;
    Entry30001 e30001_ = nullptr;
    Entry30008 e30008_ = nullptr;
    Entry30009 e30009_ = nullptr;
};

// An exported entry by ordinal, as the host asks GetProcAddress for it.
cz_proc entry(cz_module module, uint16_t ordinal);

// The ten words a handler routine passes on beside the count and the record array: word 2 and
// words 5 to 11. By default distinct markers, so that a word passed on in the wrong place shows.
struct HandlerWords {
    uint32_t a2 = 0xA2A2A2A2;
    uint32_t rest[7] = {0x05050505, 0x06060606, 0x07070707, 0x08080808,
                        0x09090909, 0x10101010, 0x11111111};
};

// Calls a handler routine as the host calls it, with the eleven arguments.
int32_t call_handler(cz_handler handler, int32_t event, int32_t* count, uint8_t** records,
                     const HandlerWords& words = HandlerWords());

} // namespace undertest

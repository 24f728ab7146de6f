#include "plugin/image.h"

#include "plugin/entries.h"
#include "plugin/startup.h"

static const cz_sim_export kExports[] = {
    {30001, nullptr, reinterpret_cast<cz_proc>(cz_entry_30001)},
    {30008, nullptr, reinterpret_cast<cz_proc>(cz_entry_30008)},
    {30009, nullptr, reinterpret_cast<cz_proc>(cz_entry_30009)},
};

const cz_sim_image cenyzak_image = {"cenyzak.dll", kExports, 3, DllMain};

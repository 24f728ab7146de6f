// What a host knows of the plug-in from its documentation: where it is installed, its title, the
// types of its entries (by ordinal), the buttons of its missing-entry dialog and the handler event
// it fills on. The simulated host and everything above it that drives the plug-in take these
// facts from here.
#pragma once

#include "platform/abi.h"

#include <stdint.h>

namespace contract {

// Where the host finds the plug-in, and the title it copies into the host's buffer on attach
// (57 bytes with its zero).
constexpr const char* kPluginPath = "C:\\Program Files\\Vordan\\Wtyczki\\cenyzak.dll";
constexpr char kTitle[] = "Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)";

// The entries, by ordinal: 30001 attaches (a host pointer and a title buffer) or detaches (null
// and a second argument it never writes), 30008 starts (flag 0) or shows the mismatch report,
// 30009 does nothing.
typedef int32_t(CZ_CDECL* Entry30001)(void* host, char* title_buffer);
typedef int32_t(CZ_CDECL* Entry30008)(int32_t flag);
typedef int32_t(CZ_CDECL* Entry30009)(void);

// The missing-entry dialog: its style (Abort, Retry, Ignore; a stop sign; task-modal) and the
// answers its buttons give. A box that could not be shown answers 0.
constexpr uint32_t kDialogStyle = 0x2012;
constexpr int32_t kAbort = 3, kRetry = 4, kIgnore = 5;

// The host's event code for Ctrl-E over a document's lines.
constexpr int32_t kCtrlE = 5;

// The host's plug-in interface version that the plug-in was built for.
constexpr int32_t kInterfaceVersion = 112;

// The mismatch report and the version message: their caption and message flags.
constexpr const char* kReportCaption = "STOP!!!";
constexpr int32_t kReportFlags = 0xC001;

// The setting that turns the installation notice off, as the host's settings service files it
// (section "VUZivo", key "Pytaj").
constexpr const char* kNoticeSetting = "VUZivo/Pytaj";

} // namespace contract

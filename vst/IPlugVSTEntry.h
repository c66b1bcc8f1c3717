#pragma once

#include "vst/IPlugVST.h"
#include "vst/vst2_abi.h"

// Makes one product instance for a host; may fail by returning null (or throwing, which is
// caught before it reaches the host).
typedef IPlugVST* (*IPlugVSTFactory)(audioMasterCallback host);

// The body of an exported VSTPluginMain: creates one instance under the process-wide
// creation lock, fills the preset slots the product left unset, and hands back the
// instance's effect record (numPrograms at least 1), or null when no instance was made.
// any thread
AEffect* IPlugVSTCreate(audioMasterCallback host, IPlugVSTFactory make);

// Marks the exported entry points. The Windows module names its exports in a .def file;
// the Linux module builds with hidden visibility and a version script.
#if defined(_WIN32)
#define VOSS_VST_EXPORT
#else
#define VOSS_VST_EXPORT __attribute__((visibility("default")))
#endif

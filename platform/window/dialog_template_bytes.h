// A dialog template in the layout the Win32 dialog manager reads from memory (DLGTEMPLATEEX
// followed by one DLGITEMTEMPLATEEX per control), built from the template table. Portable, so
// that the layout is checked on every platform; only the Win32 back end shows it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/dialog_template.h"

// Extra style bits the Win32 back end adds to what the table says.
struct DialogTemplateBytesOptions {
    uint32_t extraDialogStyle = 0;  // e.g. DS_CENTER for a template at (0, 0)
    uint32_t extraTextStyle = 0;    // added to every text static (not bitmaps, not lines)
};

// The template as 16-bit units (the dialog manager wants them aligned to 4 bytes, as a
// vector's storage is). A bitmap static names its bitmap by resource ordinal; a progress bar
// by its window class name "msctls_progress32"; the other controls by their predefined class
// ordinals.
std::vector<uint16_t> BuildDialogTemplateBytes(const DialogTemplate& dialog,
                                               const DialogTemplateBytesOptions& options = {});

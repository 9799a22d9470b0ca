// A module (standing for a plug-in) that embeds its own copy of bvdcommon:
// the error suite loads it to see the message table registered for the
// module while it is loaded, and withdrawn when it unloads.
#include <algorithm>

#include "common/KxError.h"
#include "platform/export.h"

extern "C" PLATFORM_API HMODULE KxTestModuleHandle() { return KxResourceModule(); }

// The description of 0xC0021503 raised inside the module, cut to `size`.
extern "C" PLATFORM_API int KxTestModuleMessage(DWORD language, char16_t* out, int size)
{
    CKXError error(language, E_FAIL);
    error.SetMessage(KXE_LOCATION_MISSING, u"bvdwriter");
    const std::u16string& text = error.GetDescription();
    const int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = 0;
    return n;
}

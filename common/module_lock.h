#pragma once
// The module's lock count: live objects and server locks. The module may be
// unloaded only when it is 0 (DllCanUnloadNow).
#include "platform/types.h"

namespace bvd {

LONG LockModule();
LONG UnlockModule();
LONG ModuleLockCount();

}  // namespace bvd

#pragma once
// CCtx: the context record every object of the object model carries. A copy
// is handed to a child when its creator makes it (CCtxObjectPtr::Create);
// later changes of the creator's context do not reach it.
#include "platform/comptr.h"
#include "platform/unknown.h"

struct CCtx {
    LCID lcid = 0;              // conversion locale ("QX Input Locale")
    DWORD langid = 0;           // message language ("QX Output Locale")
    LONG categoryValues = 0;    // "QX Category Values" (the reader's cursor)
    ComPtr<IUnknown> document;  // the host's Lodex document ("QX Lodex Document")
};

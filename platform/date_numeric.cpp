// To VT_DATE from the numeric types. A DATE is a double counting days, so the
// value is copied; only values whose day lies outside 1/1/100 .. 12/31/9999
// are refused, with DISP_E_OVERFLOW as the original does.
#include "platform/hresult.h"
#include "platform/oleconv.h"

namespace {

// The range test of the real-valued sources: anything whose day (integer
// part) is a valid day, so 2958465.5 passes and 2958466.0 does not. NaN fails.
bool InDateRange(double value) { return value > DATE_MIN - 1.0 && value < DATE_MAX + 1.0; }

}  // namespace

HRESULT VarDateFromI2(SHORT in, DATE* out)
{
    if (!out) return E_INVALIDARG;
    *out = in;  // every SHORT is a valid day
    return S_OK;
}

HRESULT VarDateFromI4(LONG in, DATE* out)
{
    if (!out) return E_INVALIDARG;
    if (in < DATE_MIN || in > DATE_MAX) return DISP_E_OVERFLOW;
    *out = in;
    return S_OK;
}

HRESULT VarDateFromR4(FLOAT in, DATE* out) { return VarDateFromR8(in, out); }

HRESULT VarDateFromR8(DOUBLE in, DATE* out)
{
    if (!out) return E_INVALIDARG;
    if (!InDateRange(in)) return DISP_E_OVERFLOW;
    *out = in;
    return S_OK;
}

HRESULT VarDateFromBool(VARIANT_BOOL in, DATE* out)
{
    if (!out) return E_INVALIDARG;
    *out = in;  // VARIANT_TRUE is -1, i.e. 1899-12-29
    return S_OK;
}

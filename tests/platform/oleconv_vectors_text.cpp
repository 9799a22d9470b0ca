// Handlers of the recorded number-to-text cases (VarBstrFromR8, VarBstrFromI4).
#include "platform/bstr.h"
#include "platform/oleconv.h"
#include "tests/platform/oleconv_vectors.h"

namespace {

template <class In, HRESULT (*Fn)(In, LCID, ULONG, BSTR*)>
RowOutcome ToText(const VectorRow& row)
{
    double in = 0;
    if (!ParseNumberCell(row.input, &in)) return RowOutcome::Failed("unreadable input");
    const ULONG flags = row.flags == "LOCALE_NOUSEROVERRIDE" ? LOCALE_NOUSEROVERRIDE : 0;
    BStr out;
    const HRESULT hr = Fn(static_cast<In>(in), ParseLcid(row.lcid), flags, out.put());
    HRESULT want = 0;
    if (!ParseHresultName(row.expectedHr, &want)) return RowOutcome::Failed("unknown HRESULT " + row.expectedHr);
    if (hr != want) return RowOutcome::Failed("returned " + HresultName(hr) + ", expected " + row.expectedHr);
    if (FAILED(hr) || out.view() == UnescapeText(row.expectedOutput)) return RowOutcome::Passed();
    return RowOutcome::Failed("got \"" + out.ToUtf8() + "\", expected \"" + row.expectedOutput + "\"");
}

const VectorHandler kHandlers[] = {
    {"VarBstrFromR8", ToText<DOUBLE, VarBstrFromR8>},
    {"VarBstrFromI4", ToText<LONG, VarBstrFromI4>},
};

}  // namespace

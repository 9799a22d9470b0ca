// Handlers of the recorded date cases: VarDateFromStr, VarBstrFromDate,
// VarDateFromI4, VarDateFromR8, VarDateFromBool.
#include <chrono>
#include <cstdio>
#include <sstream>

#include "platform/bstr.h"
#include "platform/hresult.h"
#include "platform/oleconv.h"
#include "tests/platform/oleconv_vectors.h"

namespace {

std::string HrText(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return buf;
}

// "LOCALE_NOUSEROVERRIDE", "VAR_DATEVALUEONLY|LOCALE_USE_NLS", "0", "n/a".
bool ParseFlags(const std::string& text, ULONG* out)
{
    static const std::pair<const char*, ULONG> names[] = {
        {"LOCALE_NOUSEROVERRIDE", 0x80000000u}, {"LOCALE_USE_NLS", LOCALE_USE_NLS},
        {"VAR_TIMEVALUEONLY", VAR_TIMEVALUEONLY}, {"VAR_DATEVALUEONLY", VAR_DATEVALUEONLY},
        {"VAR_FOURDIGITYEARS", VAR_FOURDIGITYEARS}};
    *out = 0;
    if (text == "n/a" || text == "0" || text.empty()) return true;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, '|')) {
        bool known = false;
        for (const auto& [name, value] : names)
            if (part == name) *out |= value, known = true;
        if (!known) return false;
    }
    return true;
}

// The serial of month/day of the current year, computed with the standard
// calendar (independently of the platform's own arithmetic). The recorded
// cases take the year from the system clock in UTC.
double CurrentYearSerial(unsigned month, unsigned day)
{
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    const sys_days date{today.year() / month / day};
    return static_cast<double>(date.time_since_epoch().count()) + 25569.0;  // 1970-01-01 is serial 25569
}

// "25570", "=CURYEAR(3,4)+0.04305555556".
bool ParseExpectedDate(const std::string& text, double* out)
{
    if (text.rfind("=CURYEAR(", 0) != 0) return ParseNumberCell(text, out);
    unsigned month = 0, day = 0;
    double extra = 0.0;
    const int read = std::sscanf(text.c_str(), "=CURYEAR(%u,%u)%lf", &month, &day, &extra);
    if (read < 2) return false;
    *out = CurrentYearSerial(month, day) + extra;
    return true;
}

struct Expectation {
    HRESULT hr;
    ULONG flags;
    LCID lcid;
};

bool ReadCommon(const VectorRow& row, Expectation* e, std::string* why)
{
    if (!ParseHresultName(row.expectedHr, &e->hr)) return *why = "unknown HRESULT " + row.expectedHr, false;
    if (!ParseFlags(row.flags, &e->flags)) return *why = "unknown flags " + row.flags, false;
    e->lcid = ParseLcid(row.lcid);
    return true;
}

// Compares a call's result with the row; `got` is only read on success.
RowOutcome CheckDate(const VectorRow& row, HRESULT expectedHr, HRESULT hr, double got)
{
    if (hr != expectedHr) return RowOutcome::Failed("HRESULT " + HrText(hr) + ", expected " + row.expectedHr);
    if (FAILED(hr)) return RowOutcome::Passed();
    double expected = 0;
    if (!ParseExpectedDate(row.expectedOutput, &expected))
        return RowOutcome::Failed("unreadable expected value " + row.expectedOutput);
    if (!DoublesMatch(expected, got)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "got %.17g, expected %.17g", got, expected);
        return RowOutcome::Failed(buf);
    }
    return RowOutcome::Passed();
}

RowOutcome DateFromStr(const VectorRow& row)
{
    Expectation e{};
    std::string why;
    if (!ReadCommon(row, &e, &why)) return RowOutcome::Failed(why);
    const bool isNull = row.input == "<NULL>";
    const std::u16string text = isNull ? std::u16string() : UnescapeText(row.input);
    DATE got = -12345.0;
    const HRESULT hr = VarDateFromStr(isNull ? nullptr : text.c_str(), e.lcid, e.flags, &got);
    return CheckDate(row, e.hr, hr, got);
}

RowOutcome BstrFromDate(const VectorRow& row)
{
    Expectation e{};
    std::string why;
    if (!ReadCommon(row, &e, &why)) return RowOutcome::Failed(why);
    double in = 0;
    if (!ParseNumberCell(row.input, &in)) return RowOutcome::Failed("unreadable input");
    BStr out;
    const HRESULT hr = VarBstrFromDate(in, e.lcid, e.flags, out.put());
    if (hr != e.hr) return RowOutcome::Failed("HRESULT " + HrText(hr) + ", expected " + row.expectedHr);
    if (SUCCEEDED(hr) && out.view() != UnescapeText(row.expectedOutput))
        return RowOutcome::Failed("got \"" + out.ToUtf8() + "\"");
    return RowOutcome::Passed();
}

template <typename In, HRESULT (*Convert)(In, DATE*)>
RowOutcome DateFromNumber(const VectorRow& row)
{
    HRESULT expectedHr = S_OK;
    if (!ParseHresultName(row.expectedHr, &expectedHr)) return RowOutcome::Failed("unknown HRESULT");
    double in = 0;
    if (!ParseNumberCell(row.input, &in)) return RowOutcome::Failed("unreadable input");
    DATE got = -12345.0;
    const HRESULT hr = Convert(static_cast<In>(in), &got);
    return CheckDate(row, expectedHr, hr, got);
}

const VectorHandler kFromStr("VarDateFromStr", DateFromStr);
const VectorHandler kBstrFromDate("VarBstrFromDate", BstrFromDate);
const VectorHandler kFromI4("VarDateFromI4", DateFromNumber<LONG, VarDateFromI4>);
const VectorHandler kFromR8("VarDateFromR8", DateFromNumber<DOUBLE, VarDateFromR8>);
const VectorHandler kFromBool("VarDateFromBool", DateFromNumber<VARIANT_BOOL, VarDateFromBool>);

}  // namespace

// Handlers of the recorded number cases: the parser (VarParseNumFromStr), the
// fit (VarNumFromParseNum), text to number and boolean, and the numeric pairs.
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "platform/oleconv.h"
#include "tests/platform/oleconv_vectors.h"

namespace {

const std::map<std::string, ULONG>& NumprsNames()
{
    static const std::map<std::string, ULONG> names = {
        {"0", 0}, {"LEADING_WHITE", NUMPRS_LEADING_WHITE}, {"TRAILING_WHITE", NUMPRS_TRAILING_WHITE},
        {"LEADING_PLUS", NUMPRS_LEADING_PLUS}, {"TRAILING_PLUS", NUMPRS_TRAILING_PLUS},
        {"LEADING_MINUS", NUMPRS_LEADING_MINUS}, {"TRAILING_MINUS", NUMPRS_TRAILING_MINUS},
        {"HEX_OCT", NUMPRS_HEX_OCT}, {"PARENS", NUMPRS_PARENS}, {"DECIMAL", NUMPRS_DECIMAL},
        {"THOUSANDS", NUMPRS_THOUSANDS}, {"CURRENCY", NUMPRS_CURRENCY}, {"EXPONENT", NUMPRS_EXPONENT},
        {"USE_ALL", NUMPRS_USE_ALL}, {"STD", NUMPRS_STD}, {"NEG", NUMPRS_NEG}, {"INEXACT", NUMPRS_INEXACT},
    };
    return names;
}

const std::map<std::string, ULONG>& VtBitNames()
{
    static const std::map<std::string, ULONG> names = {
        {"I1", VTBIT_I1}, {"UI1", VTBIT_UI1}, {"I2", VTBIT_I2}, {"UI2", VTBIT_UI2}, {"I4", VTBIT_I4},
        {"UI4", VTBIT_UI4}, {"I8", VTBIT_I8}, {"UI8", VTBIT_UI8}, {"R4", VTBIT_R4}, {"R8", VTBIT_R8},
        {"CY", VTBIT_CY}, {"DECIMAL", VTBIT_DECIMAL},
    };
    return names;
}

bool ParseBits(const std::string& text, const std::map<std::string, ULONG>& names, ULONG* out)
{
    *out = 0;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, '|')) {
        auto it = names.find(part);
        if (it == names.end()) return false;
        *out |= it->second;
    }
    return true;
}

// "key=value key=value ..." of the NUMPARSE cells.
std::map<std::string, std::string> Fields(const std::string& text)
{
    std::map<std::string, std::string> fields;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        const size_t eq = item.find('=');
        if (eq != std::string::npos) fields[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return fields;
}

// Checks the HRESULT; on success `check` compares the output.
template <class Check>
RowOutcome Expect(const VectorRow& row, HRESULT hr, Check check)
{
    HRESULT want = 0;
    if (!ParseHresultName(row.expectedHr, &want)) return RowOutcome::Failed("unknown HRESULT " + row.expectedHr);
    if (hr != want) return RowOutcome::Failed("returned " + HresultName(hr) + ", expected " + row.expectedHr);
    if (FAILED(hr)) return RowOutcome::Passed();
    std::string why = check();
    return why.empty() ? RowOutcome::Passed() : RowOutcome::Failed(why);
}

std::string CompareNumber(double want, double got)
{
    return DoublesMatch(want, got) ? "" : "got " + std::to_string(got) + ", expected " + std::to_string(want);
}

constexpr BYTE kUntouched = 0xA5;

RowOutcome ParseNum(const VectorRow& row)
{
    NUMPARSE np{};
    np.cDig = 128;
    std::istringstream flags(row.flags);
    for (std::string part; std::getline(flags, part, ';');) {
        const size_t b = part.find_first_not_of(' ');
        part = part.substr(b == std::string::npos ? part.size() : b);
        if (part.rfind("NUMPRS:", 0) == 0 && !ParseBits(part.substr(7), NumprsNames(), &np.dwInFlags))
            return RowOutcome::Failed("unreadable flags");
        if (part.rfind("cDig_in=", 0) == 0) np.cDig = std::stoi(part.substr(8));
    }
    BYTE digits[128];
    std::memset(digits, kUntouched, sizeof digits);
    const std::u16string text = UnescapeText(row.input);
    const HRESULT hr = VarParseNumFromStr(row.input == "<NULL>" ? nullptr : text.c_str(), ParseLcid(row.lcid),
                                          LOCALE_NOUSEROVERRIDE, &np, digits);

    std::map<std::string, std::string> want = Fields(row.expectedOutput);
    // The digit slots are checked on failure too (written or untouched).
    std::string why;
    for (const auto& [key, value] : want) {
        if (key.rfind("rgb[", 0) != 0) continue;
        const int index = std::stoi(key.substr(4));
        const int expected = value == "untouched" ? kUntouched : std::stoi(value);
        if (digits[index] != expected)
            why += key + "=" + std::to_string(digits[index]) + " (expected " + value + ") ";
    }
    RowOutcome outcome = Expect(row, hr, [&] {
        ULONG outFlags = 0;
        if (!ParseBits(want["dwOutFlags"], NumprsNames(), &outFlags)) return std::string("unreadable dwOutFlags");
        auto field = [&](const char* name, long long got) {
            if (!want.count(name) || std::stoll(want[name]) == got) return;
            why += std::string(name) + "=" + std::to_string(got) + " (expected " + want[name] + ") ";
        };
        field("cDig", np.cDig);
        field("cchUsed", np.cchUsed);
        field("nBaseShift", np.nBaseShift);
        field("nPwr10", np.nPwr10);
        if (np.dwOutFlags != outFlags) why += "dwOutFlags=" + std::to_string(np.dwOutFlags) + " (expected " + want["dwOutFlags"] + ") ";
        return why;
    });
    if (outcome.kind == RowOutcome::Pass && !why.empty()) return RowOutcome::Failed(why);
    return outcome;
}

RowOutcome NumFromParseNum(const VectorRow& row)
{
    if (row.expectedOutput.rfind("VT_CY", 0) == 0 || row.expectedOutput.rfind("VT_DECIMAL", 0) == 0)
        return RowOutcome::Skipped("needs VT_CY / VT_DECIMAL");
    std::map<std::string, std::string> in = Fields(row.input);
    NUMPARSE np{};
    np.cDig = std::stoi(in["cDig"]);
    np.nBaseShift = std::stoi(in["nBaseShift"]);
    np.nPwr10 = std::stoi(in["nPwr10"]);
    if (in.count("cchUsed")) np.cchUsed = std::stoi(in["cchUsed"]);
    if (!ParseBits(in["dwOutFlags"], NumprsNames(), &np.dwOutFlags)) return RowOutcome::Failed("unreadable flags");
    std::vector<BYTE> digits;
    std::istringstream list(in["digits"]);
    for (std::string d; std::getline(list, d, ',');) digits.push_back(static_cast<BYTE>(std::stoi(d)));
    ULONG bits = 0;
    if (!ParseBits(row.flags.substr(row.flags.find(':') + 1), VtBitNames(), &bits))
        return RowOutcome::Failed("unreadable VTBIT list");
    VARIANT out{};
    const HRESULT hr = VarNumFromParseNum(&np, digits.data(), bits, &out);
    return Expect(row, hr, [&] { return MatchVariant(row.expectedOutput, out); });
}

// VarXxxFromStr(text, lcid, flags, &out).
template <class T, HRESULT (*Fn)(LPCOLESTR, LCID, ULONG, T*)>
RowOutcome FromText(const VectorRow& row)
{
    ULONG flags = 0;
    if (row.flags == "LOCALE_NOUSEROVERRIDE") flags = LOCALE_NOUSEROVERRIDE;
    else if (row.flags == "VARIANT_LOCALBOOL") flags = VAR_LOCALBOOL;
    else if (row.flags != "0") flags = static_cast<ULONG>(std::stoul(row.flags, nullptr, 0));
    const std::u16string text = UnescapeText(row.input);
    T out{};
    const HRESULT hr = Fn(row.input == "<NULL>" ? nullptr : text.c_str(), ParseLcid(row.lcid), flags, &out);
    return Expect(row, hr, [&] {
        double want = 0;
        if (!ParseNumberCell(row.expectedOutput, &want)) return std::string("unreadable expected value");
        return CompareNumber(want, static_cast<double>(out));
    });
}

// VarXxxFromYyy(value, &out) of two numeric types.
template <class In, class T, HRESULT (*Fn)(In, T*)>
RowOutcome FromNumber(const VectorRow& row)
{
    double in = 0;
    if (!ParseNumberCell(row.input, &in)) return RowOutcome::Failed("unreadable input");
    T out{};
    const HRESULT hr = Fn(static_cast<In>(in), &out);
    return Expect(row, hr, [&] {
        double want = 0;
        if (!ParseNumberCell(row.expectedOutput, &want)) return std::string("unreadable expected value");
        return CompareNumber(want, static_cast<double>(out));
    });
}

const VectorHandler kHandlers[] = {
    {"VarParseNumFromStr", ParseNum},
    {"VarNumFromParseNum", NumFromParseNum},
    {"VarI4FromStr", FromText<LONG, VarI4FromStr>},
    {"VarR8FromStr", FromText<DOUBLE, VarR8FromStr>},
    {"VarBoolFromStr", FromText<VARIANT_BOOL, VarBoolFromStr>},
    {"VarI4FromR8", FromNumber<DOUBLE, LONG, VarI4FromR8>},
    {"VarI4FromR4", FromNumber<FLOAT, LONG, VarI4FromR4>},
    {"VarI4FromDate", FromNumber<DATE, LONG, VarI4FromDate>},
    {"VarI4FromBool", FromNumber<VARIANT_BOOL, LONG, VarI4FromBool>},
    {"VarR8FromI4", FromNumber<LONG, DOUBLE, VarR8FromI4>},
    {"VarR8FromBool", FromNumber<VARIANT_BOOL, DOUBLE, VarR8FromBool>},
    {"VarR8FromDate", FromNumber<DATE, DOUBLE, VarR8FromDate>},
    {"VarBoolFromI4", FromNumber<LONG, VARIANT_BOOL, VarBoolFromI4>},
    {"VarBoolFromR4", FromNumber<FLOAT, VARIANT_BOOL, VarBoolFromR4>},
    {"VarBoolFromR8", FromNumber<DOUBLE, VARIANT_BOOL, VarBoolFromR8>},
    {"VarBoolFromDate", FromNumber<DATE, VARIANT_BOOL, VarBoolFromDate>},
};

}  // namespace

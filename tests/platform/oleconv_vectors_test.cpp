// Runs every recorded conversion case of tests/data/oleconv-vectors.tsv
// through the handler registered for its operation, collects all mismatches
// with their line numbers and reports how many rows passed, were skipped (by
// reason) and are pending (operations without a handler yet).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "tests/platform/oleconv_vectors.h"
#include "platform/bstr.h"
#include "platform/hresult.h"
#include "platform/locale.h"

namespace {

std::map<std::string, RowHandler>& Handlers()
{
    static std::map<std::string, RowHandler> handlers;
    return handlers;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

std::vector<VectorRow> LoadRows(const std::string& path, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open " + path;
        return {};
    }
    std::vector<VectorRow> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 || line.empty()) continue;  // header
        std::vector<std::string> c = SplitTabs(line);
        if (c.size() != 7) {
            *error = "line " + std::to_string(number) + ": expected 7 columns, got " + std::to_string(c.size());
            return {};
        }
        rows.push_back(VectorRow{number, c[0], c[1], c[2], c[3], c[4], c[5], c[6]});
    }
    return rows;
}

// The LCIDs the platform has locale records for, plus 0 (the neutral locale).
bool LcidRunnable(const std::string& text)
{
    if (text == "n/a") return true;
    const LCID lcid = ParseLcid(text);
    return lcid == 0 || IsLocaleSupported(lcid);
}

}  // namespace

void RegisterVectorHandler(const char* op, RowHandler handler) { Handlers()[op] = handler; }

std::u16string UnescapeText(const std::string& text)
{
    if (text == "<EMPTY>") return {};
    std::u16string raw = Utf8ToUtf16(text);
    std::u16string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        char16_t e = raw[++i];
        switch (e) {
        case u't': out += u'\t'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        case u'f': out += u'\f'; break;
        case u'v': out += u'\v'; break;
        case u'\\': out += u'\\'; break;
        case u'u': {
            unsigned value = 0;
            for (int k = 0; k < 4 && i + 1 < raw.size(); ++k) {
                char16_t h = raw[++i];
                value = value * 16 + (h <= u'9' ? h - u'0' : (h | 0x20) - u'a' + 10);
            }
            out += static_cast<char16_t>(value);
            break;
        }
        default: out += u'\\'; out += e; break;
        }
    }
    return out;
}

bool ParseHresultName(const std::string& name, HRESULT* out)
{
    static const std::map<std::string, HRESULT> names = {
        {"S_OK", S_OK},
        {"S_FALSE", S_FALSE},
        {"DISP_E_TYPEMISMATCH", DISP_E_TYPEMISMATCH},
        {"DISP_E_BADVARTYPE", DISP_E_BADVARTYPE},
        {"DISP_E_OVERFLOW", DISP_E_OVERFLOW},
        {"E_INVALIDARG", E_INVALIDARG},
        {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    };
    auto it = names.find(name);
    if (it == names.end()) return false;
    *out = it->second;
    return true;
}

LCID ParseLcid(const std::string& text)
{
    if (text == "n/a" || text.empty()) return 0;
    return static_cast<LCID>(std::stoul(text, nullptr, 0));
}

bool DoublesMatch(double expected, double actual)
{
    if (expected == actual) return true;
    if (std::isnan(expected) || std::isnan(actual)) return false;
    return std::fabs(expected - actual) <= 1e-14 * std::fmax(std::fabs(expected), std::fabs(actual));
}

bool ParseNumberCell(const std::string& text, double* out)
{
    // "-1 (VARIANT_TRUE)" reads the leading number; "M_PI (3.14...)" the one
    // in parentheses.
    auto read = [out](const std::string& s) {
        std::istringstream in(s);
        in.imbue(std::locale::classic());
        double d;
        if (!(in >> d)) return false;
        *out = d;
        return true;
    };
    if (read(text)) return true;
    size_t open = text.find('('), close = text.rfind(')');
    return open != std::string::npos && close != std::string::npos && close > open &&
           read(text.substr(open + 1, close - open - 1));
}

TEST(OleConvVectors, EveryRecordedCase)
{
    std::string error;
    const std::vector<VectorRow> rows = LoadRows(BVD_TEST_DATA_DIR "/oleconv-vectors.tsv", &error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_FALSE(rows.empty());

    int passed = 0;
    std::map<std::string, int> skipped, pending;
    std::vector<std::string> failures;
    for (const VectorRow& row : rows) {
        auto handler = Handlers().find(row.op);
        if (handler == Handlers().end()) {
            ++pending[row.op];
            continue;
        }
        if (!LcidRunnable(row.lcid)) {
            ++skipped["LCID " + row.lcid + " has no locale record"];
            continue;
        }
        RowOutcome outcome = handler->second(row);
        switch (outcome.kind) {
        case RowOutcome::Pass: ++passed; break;
        case RowOutcome::Skip: ++skipped[outcome.detail]; break;
        case RowOutcome::Pending: ++pending[row.op]; break;
        case RowOutcome::Fail:
            failures.push_back("line " + std::to_string(row.line) + ": " + row.op + " [" + row.input + "] flags [" +
                               row.flags + "] lcid " + row.lcid + ": " + outcome.detail);
            break;
        }
    }

    int skippedTotal = 0, pendingTotal = 0;
    for (const auto& [reason, n] : skipped) skippedTotal += n;
    for (const auto& [op, n] : pending) pendingTotal += n;
    std::printf("conversion vectors: %zu rows, %d passed, %zu failed, %d skipped, %d pending\n", rows.size(), passed,
                failures.size(), skippedTotal, pendingTotal);
    for (const auto& [reason, n] : skipped) std::printf("  skipped %4d: %s\n", n, reason.c_str());
    for (const auto& [op, n] : pending) std::printf("  pending %4d: %s (no handler)\n", n, op.c_str());

    std::string list;
    for (const std::string& f : failures) list += "\n  " + f;
    EXPECT_TRUE(failures.empty()) << failures.size() << " recorded cases differ:" << list;
}

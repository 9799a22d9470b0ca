// convert_table: reads texts, one per line, and shows each converted to a
// long, a double, a date and a boolean by the platform's conversions, each
// written back as text. Lines starting with "# " are comments.
//
//   convert_table [FILE] [LCID]      (FILE defaults to standard input, LCID to 1033)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/bstr.h"
#include "platform/message.h"
#include "platform/variant.h"

namespace {

// The converted value as text, or the reason it cannot be converted.
std::string Convert(const std::string& text, VARTYPE vt, LCID lcid)
{
    Variant src = Variant::Text(Utf8ToUtf16(text));
    Variant typed;
    HRESULT hr = VariantChangeTypeEx(&typed, &src, lcid, VARIANT_ALPHABOOL, vt);
    if (SUCCEEDED(hr)) {
        Variant back;
        hr = VariantChangeTypeEx(&back, &typed, lcid, VARIANT_ALPHABOOL, VT_BSTR);
        if (SUCCEEDED(hr)) return BStr(std::u16string_view(back.bstrVal, SysStringLen(back.bstrVal))).ToUtf8();
    }
    return std::string("(") + HResultName(hr) + ")";
}

}  // namespace

int main(int argc, char** argv)
{
    std::ifstream file;
    if (argc > 1) {
        file.open(argv[1]);
        if (!file) {
            std::cerr << "convert_table: cannot open " << argv[1] << "\n";
            return 1;
        }
    }
    std::istream& in = argc > 1 ? static_cast<std::istream&>(file) : std::cin;
    const LCID lcid = argc > 2 ? static_cast<LCID>(std::strtoul(argv[2], nullptr, 0)) : 1033;

    std::printf("%-18s %-22s %-22s %-24s %s\n", "text", "long", "double", "date", "boolean");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.rfind("# ", 0) == 0) continue;
        std::printf("%-18s %-22s %-22s %-24s %s\n", line.c_str(), Convert(line, VT_I4, lcid).c_str(),
                    Convert(line, VT_R8, lcid).c_str(), Convert(line, VT_DATE, lcid).c_str(),
                    Convert(line, VT_BOOL, lcid).c_str());
    }
    return 0;
}

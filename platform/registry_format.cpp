// The registry's text form: one file that a person can read and diff.
//
//   ; bvd registry 1
//   [HKEY_CLASSES_ROOT]
//   [HKEY_CLASSES_ROOT\CLSID]
//   [HKEY_CLASSES_ROOT\CLSID\{6B0A9F52-3C1D-4E8A-9B21-5D7C0E4F1A36}]
//   @="Test Widget"
//   "ThreadingModel"="Both"
//   "CanRead"=dword:00000001
//
// - Every key has a section of its own, "[" hive "\" path "]", in tree order:
//   a key, then its subkeys in case-insensitive alphabetical order, each with
//   its subtree. The two hives always appear.
// - Value lines follow their key's section in the order the values were
//   first set: `@` is the default value, other names are quoted. A REG_SZ is
//   quoted text, a REG_DWORD "dword:" and 8 hex digits.
// - Quoted text is UTF-8 with the escapes \\ \" \n \r \t and \uXXXX (one
//   UTF-16 unit: control characters and unpaired surrogates are written so).
// - Key names are UTF-8 as they are (they hold neither '\' nor control
//   characters).
// - Reading also accepts blank lines, lines starting with ';', a '\r' at a
//   line's end, and sections whose parent has no section of its own (the
//   parent is then created). A duplicate value, a value before any section
//   or any other line is an error, reported with its line number.
#include <cstdio>
#include <unordered_set>

#include "platform/bstr.h"
#include "platform/registry.h"
#include "platform/registry_store.h"

namespace regstore {

namespace {

void AppendQuoted(std::string& out, std::u16string_view text)
{
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += Utf16ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'"') {
            out += "\\\"";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || high || low) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += Utf16ToUtf8(text.substr(i, 1));
        }
    }
    out += '"';
}

void AppendKey(std::string& out, const Key& key, const std::string& path)
{
    out += '[';
    out += path;
    out += "]\n";
    for (const Value& v : key.values) {
        if (v.name.empty()) {
            out += '@';
        } else {
            AppendQuoted(out, v.name);
        }
        out += '=';
        if (v.type == REG_DWORD) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08X", static_cast<unsigned>(v.number));
            out += buf;
        } else {
            AppendQuoted(out, v.text);
        }
        out += '\n';
    }
    for (const Key& sub : key.subkeys) AppendKey(out, sub, path + '\\' + Utf16ToUtf8(sub.name));
}

int Hex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at line[*pos] (the opening quote); *pos ends after the
// closing quote.
bool ReadQuoted(std::string_view line, size_t* pos, std::u16string* out, std::string* error)
{
    size_t i = *pos;
    if (i >= line.size() || line[i] != '"') {
        *error = "expected '\"'";
        return false;
    }
    ++i;
    std::u16string result;
    std::string run;  // UTF-8 bytes not yet converted
    auto flush = [&] {
        result += Utf8ToUtf16(run);
        run.clear();
    };
    while (i < line.size() && line[i] != '"') {
        if (line[i] != '\\') {
            run += line[i++];
            continue;
        }
        if (i + 1 >= line.size()) break;
        const char e = line[i + 1];
        i += 2;
        flush();
        switch (e) {
        case '\\': result += u'\\'; break;
        case '"': result += u'"'; break;
        case 'n': result += u'\n'; break;
        case 'r': result += u'\r'; break;
        case 't': result += u'\t'; break;
        case 'u': {
            unsigned v = 0;
            for (int k = 0; k < 4; ++k) {
                const int h = i + k < line.size() ? Hex(line[i + k]) : -1;
                if (h < 0) {
                    *error = "bad \\u escape";
                    return false;
                }
                v = (v << 4) | static_cast<unsigned>(h);
            }
            i += 4;
            result += static_cast<char16_t>(v);
            break;
        }
        default:
            *error = std::string("unknown escape \\") + e;
            return false;
        }
    }
    if (i >= line.size()) {
        *error = "unterminated text";
        return false;
    }
    flush();
    *pos = i + 1;
    *out = std::move(result);
    return true;
}

bool ParseSection(std::string_view inner, Tree* tree, Key** current, std::string* error)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t slash = inner.find('\\', start);
        parts.push_back(inner.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    Key* key = nullptr;
    for (Hive h : {Hive::ClassesRoot, Hive::LocalMachine})
        if (NameEquals(Utf8ToUtf16(parts[0]), Utf8ToUtf16(HiveName(h)))) key = &tree->Root(h);
    if (!key) {
        *error = "unknown hive '" + std::string(parts[0]) + "'";
        return false;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty()) {
            *error = "empty key name";
            return false;
        }
        key = &key->AddSubkey(Utf8ToUtf16(parts[i]));
    }
    *current = key;
    return true;
}

// The names of the current section's values, folded, so that a duplicate
// is found without a quadratic search.
using NameSet = std::unordered_set<std::u16string>;

std::u16string Folded(std::u16string_view name)
{
    std::u16string f(name);
    for (char16_t& c : f)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return f;
}

bool ParseValue(std::string_view line, Key* key, NameSet* seen, std::string* error)
{
    if (!key) {
        *error = "value outside a section";
        return false;
    }
    Value v;
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(line, &pos, &v.name, error)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') {
        *error = "expected '='";
        return false;
    }
    ++pos;
    const std::string_view rest = line.substr(pos);
    if (rest.starts_with("dword:")) {
        const std::string_view digits = rest.substr(6);
        if (digits.empty() || digits.size() > 8) {
            *error = "bad dword";
            return false;
        }
        DWORD n = 0;
        for (char c : digits) {
            const int h = Hex(c);
            if (h < 0) {
                *error = "bad dword";
                return false;
            }
            n = (n << 4) | static_cast<DWORD>(h);
        }
        v.type = REG_DWORD;
        v.number = n;
    } else {
        v.type = REG_SZ;
        if (!ReadQuoted(line, &pos, &v.text, error)) return false;
        if (pos != line.size()) {
            *error = "text after the value";
            return false;
        }
    }
    if (!seen->insert(Folded(v.name)).second) {
        *error = "duplicate value";
        return false;
    }
    key->values.push_back(std::move(v));
    return true;
}

}  // namespace

std::string Serialize(const Tree& tree)
{
    std::string out = "; bvd registry 1\n";
    for (Hive h : {Hive::ClassesRoot, Hive::LocalMachine}) AppendKey(out, tree.Root(h), HiveName(h));
    return out;
}

bool Parse(std::string_view text, Tree* tree, std::string* error)
{
    Tree result;
    Key* current = nullptr;
    NameSet seen;
    size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == ';') continue;

        std::string why;
        bool ok;
        if (line[0] == '[') {
            ok = line.size() >= 3 && line.back() == ']' &&
                 ParseSection(line.substr(1, line.size() - 2), &result, &current, &why);
            if (!ok && why.empty()) why = "bad section header";
            if (ok) {
                seen.clear();
                for (const Value& v : current->values) seen.insert(Folded(v.name));
            }
        } else if (line[0] == '@' || line[0] == '"') {
            ok = ParseValue(line, current, &seen, &why);
        } else {
            ok = false;
            why = "unexpected line";
        }
        if (!ok) {
            *error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
    }
    *tree = std::move(result);
    return true;
}

}  // namespace regstore

// The registration script's parser: text -> rgs::Script (grammar in
// registrar.h). Errors are thrown inside as ScriptError and leave Parse as a
// message naming the line.
#include <string>

#include "platform/bstr.h"
#include "platform/registrar_script.h"
#include "platform/registry.h"

namespace rgs {

namespace {

struct ScriptError {
    size_t line;
    std::string what;
};

struct Token {
    enum class Kind { End, Open, Close, Equals, Word, Quoted };
    Kind kind = Kind::End;
    std::u16string raw;   // as written (words: for keywords)
    std::u16string text;  // after replacement
    size_t line = 1;
};

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v'; }

bool Is(const Token& t, std::u16string_view keyword)
{
    return t.kind == Token::Kind::Word && regstore::NameEquals(t.raw, keyword);
}

std::string Show(const Token& t)
{
    switch (t.kind) {
    case Token::Kind::End: return "the end of the script";
    case Token::Kind::Open: return "'{'";
    case Token::Kind::Close: return "'}'";
    case Token::Kind::Equals: return "'='";
    case Token::Kind::Word: return "'" + Utf16ToUtf8(t.raw) + "'";
    case Token::Kind::Quoted: return "quoted text";
    }
    return "?";
}

class Parser {
public:
    Parser(std::u16string_view text, const Replacements& replacements) : text_(text), replacements_(replacements) {}

    Script Run()
    {
        Script script;
        while (Peek().kind != Token::Kind::End) script.push_back(ParseRoot());
        return script;
    }

private:
    // ---- Tokens

    const Token& Peek()
    {
        if (!peeked_) {
            peeked_ = Scan();
        }
        return *peeked_;
    }

    Token Next()
    {
        Token t = Peek();
        peeked_.reset();
        return t;
    }

    Token Expect(Token::Kind kind, const char* what)
    {
        Token t = Next();
        if (t.kind != kind) Fail(t.line, std::string("expected ") + what + ", found " + Show(t));
        return t;
    }

    [[noreturn]] static void Fail(size_t line, std::string what) { throw ScriptError{line, std::move(what)}; }

    Token Scan()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            if (text_[pos_] == u'\n') ++line_;
            ++pos_;
        }
        Token t;
        t.line = line_;
        if (pos_ >= text_.size()) return t;
        const char16_t c = text_[pos_];
        const char16_t after = pos_ + 1 < text_.size() ? text_[pos_ + 1] : u' ';
        if (c == u'}') {
            ++pos_;
            t.kind = Token::Kind::Close;
        } else if (c == u'{' && (IsSpace(after) || after == u'{' || after == u'}' || after == u'\'')) {
            ++pos_;
            t.kind = Token::Kind::Open;
        } else if (c == u'=') {
            ++pos_;
            t.kind = Token::Kind::Equals;
        } else if (c == u'\'') {
            t.kind = Token::Kind::Quoted;
            t.raw = ScanQuoted();
            t.text = Expand(t.raw, t.line);
        } else {
            t.kind = Token::Kind::Word;
            t.raw = ScanWord();
            t.text = Expand(t.raw, t.line);
        }
        return t;
    }

    std::u16string ScanQuoted()
    {
        const size_t startLine = line_;
        std::u16string out;
        ++pos_;
        while (true) {
            if (pos_ >= text_.size()) Fail(startLine, "unterminated quoted text");
            const char16_t c = text_[pos_++];
            if (c == u'\'') {
                if (pos_ < text_.size() && text_[pos_] == u'\'') {
                    out += u'\'';
                    ++pos_;
                    continue;
                }
                return out;
            }
            if (c == u'\n') ++line_;
            out += c;
        }
    }

    std::u16string ScanWord()
    {
        const size_t start = pos_;
        if (text_[pos_] == u'{') {
            const size_t close = text_.find(u'}', pos_);
            if (close == std::u16string_view::npos) Fail(line_, "'{' without '}'");
            for (size_t i = pos_; i < close; ++i)
                if (IsSpace(text_[i])) Fail(line_, "white space inside a {...} name");
            pos_ = close + 1;
            return std::u16string(text_.substr(start, pos_ - start));
        }
        while (pos_ < text_.size()) {
            const char16_t c = text_[pos_];
            if (IsSpace(c) || c == u'=' || c == u'\'' || c == u'{' || c == u'}') break;
            ++pos_;
        }
        return std::u16string(text_.substr(start, pos_ - start));
    }

    // %NAME% -> its replacement, %% -> %.
    std::u16string Expand(std::u16string_view raw, size_t line) const
    {
        std::u16string out;
        size_t i = 0;
        while (i < raw.size()) {
            if (raw[i] != u'%') {
                out += raw[i++];
                continue;
            }
            const size_t close = raw.find(u'%', i + 1);
            if (close == std::u16string_view::npos) Fail(line, "'%' without its closing '%' (write %% for one)");
            const std::u16string_view name = raw.substr(i + 1, close - i - 1);
            i = close + 1;
            if (name.empty()) {
                out += u'%';
                continue;
            }
            const std::u16string* found = nullptr;
            for (const auto& [key, item] : replacements_)
                if (regstore::NameEquals(key, name)) found = &item;
            if (!found) Fail(line, "unknown replacement %" + Utf16ToUtf8(name) + "%");
            out += *found;
        }
        return out;
    }

    // ---- Grammar

    RootDef ParseRoot()
    {
        const Token hive = Expect(Token::Kind::Word, "a root key");
        RootDef root;
        if (Is(hive, u"HKCR") || Is(hive, u"HKEY_CLASSES_ROOT"))
            root.hive = regstore::Hive::ClassesRoot;
        else if (Is(hive, u"HKLM") || Is(hive, u"HKEY_LOCAL_MACHINE"))
            root.hive = regstore::Hive::LocalMachine;
        else
            Fail(hive.line, "unsupported root key " + Show(hive));
        Expect(Token::Kind::Open, "'{'");
        while (Peek().kind != Token::Kind::Close) {
            if (Peek().kind == Token::Kind::End) Fail(Peek().line, "missing '}'");
            if (Is(Peek(), u"val")) Fail(Peek().line, "a value directly under a root key");
            root.keys.push_back(ParseKey());
        }
        Next();
        return root;
    }

    KeyDef ParseKey()
    {
        KeyDef key;
        Token t = Next();
        while (true) {
            Mark mark = Mark::None;
            if (Is(t, u"NoRemove"))
                mark = Mark::NoRemove;
            else if (Is(t, u"ForceRemove"))
                mark = Mark::ForceRemove;
            else if (Is(t, u"Delete"))
                mark = Mark::Delete;
            if (mark == Mark::None) break;
            if (key.mark != Mark::None) Fail(t.line, "a key with two marks");
            key.mark = mark;
            t = Next();
        }
        if (t.kind != Token::Kind::Word && t.kind != Token::Kind::Quoted)
            Fail(t.line, "expected a key name, found " + Show(t));
        CheckKeyName(t);
        key.name = t.text;
        if (Peek().kind == Token::Kind::Equals) {
            Next();
            key.defaultValue = ParseValueData(u"");
        }
        if (Peek().kind == Token::Kind::Open) {
            Next();
            while (true) {
                const Token& p = Peek();
                if (p.kind == Token::Kind::Close) break;
                if (p.kind == Token::Kind::End) Fail(p.line, "missing '}'");
                if (Is(p, u"val")) {
                    Next();
                    const Token name = Next();
                    if (name.kind != Token::Kind::Word && name.kind != Token::Kind::Quoted)
                        Fail(name.line, "expected a value name, found " + Show(name));
                    if (name.text.size() > kMaxValueNameLength) Fail(name.line, "value name too long");
                    Expect(Token::Kind::Equals, "'='");
                    key.values.push_back(ParseValueData(name.text));
                } else {
                    key.subkeys.push_back(ParseKey());
                }
            }
            Next();
        }
        return key;
    }

    static void CheckKeyName(const Token& t)
    {
        if (t.text.empty()) Fail(t.line, "empty key name");
        if (t.text.size() > kMaxKeyNameLength) Fail(t.line, "key name too long");
        for (char16_t c : t.text) {
            if (c == u'\\') Fail(t.line, "'\\' in the key name " + Show(t) + " (one key per name)");
            if (c < 0x20 || c == 0x7F) Fail(t.line, "control character in a key name");
        }
        if (!regstore::ValidKeyName(t.text)) Fail(t.line, "invalid key name " + Show(t));
    }

    // `s 'text'` or `d number`, after the '='.
    ValueDef ParseValueData(std::u16string name)
    {
        ValueDef v;
        v.name = std::move(name);
        const Token type = Expect(Token::Kind::Word, "a value type");
        const Token data = Next();
        if (Is(type, u"s")) {
            if (data.kind != Token::Kind::Quoted) Fail(data.line, "expected quoted text, found " + Show(data));
            v.type = REG_SZ;
            v.text = data.text;
        } else if (Is(type, u"d")) {
            if (data.kind != Token::Kind::Quoted && data.kind != Token::Kind::Word)
                Fail(data.line, "expected a number, found " + Show(data));
            v.type = REG_DWORD;
            v.number = ParseNumber(data);
        } else {
            Fail(type.line, "unsupported value type " + Show(type) + " (s and d are known)");
        }
        return v;
    }

    static DWORD ParseNumber(const Token& t)
    {
        std::u16string_view s = t.text;
        unsigned base = 10;
        if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
            base = 16;
            s.remove_prefix(2);
        }
        if (s.empty()) Fail(t.line, "empty number");
        uint64_t n = 0;
        for (char16_t c : s) {
            unsigned d;
            if (c >= u'0' && c <= u'9')
                d = c - u'0';
            else if (base == 16 && c >= u'a' && c <= u'f')
                d = c - u'a' + 10;
            else if (base == 16 && c >= u'A' && c <= u'F')
                d = c - u'A' + 10;
            else
                Fail(t.line, "bad number '" + Utf16ToUtf8(t.text) + "'");
            n = n * base + d;
            if (n > 0xFFFFFFFFu) Fail(t.line, "number '" + Utf16ToUtf8(t.text) + "' above 32 bits");
        }
        return static_cast<DWORD>(n);
    }

    std::u16string_view text_;
    const Replacements& replacements_;
    size_t pos_ = 0;
    size_t line_ = 1;
    std::optional<Token> peeked_;
};

}  // namespace

bool Parse(std::u16string_view text, const Replacements& replacements, Script* script, std::string* error)
{
    try {
        *script = Parser(text, replacements).Run();
        return true;
    } catch (const ScriptError& e) {
        *error = "line " + std::to_string(e.line) + ": " + e.what;
        return false;
    }
}

}  // namespace rgs

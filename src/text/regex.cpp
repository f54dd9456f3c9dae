// Regex over PCRE2 in UTF mode, with the switches and replacement rules of ECMAScript 3.
#include "text/regex.h"

#include "text/char_helpers.h"
#include "text/text_encoding.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>

namespace kc::text {
namespace {

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct ContextFree {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackFree {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

std::string ToUtf8(std::string_view text)
{
    return ConvertCharset(text, kInternalCharset, "UTF-8");
}

std::string FromUtf8(std::string_view text)
{
    return ConvertCharset(text, "UTF-8", kInternalCharset);
}

std::string EscapeChars(std::string_view text, std::string_view special)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = CharLength(text, pos);
        if (length == 1 && special.find(text[pos]) != std::string_view::npos)
            out.push_back('\\');
        out.append(text.substr(pos, length));
        pos += length;
    }
    return out;
}

// Length of the UTF-8 sequence whose lead byte is b (1 for anything unexpected).
size_t Utf8Length(unsigned char b)
{
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    if (b >= 0xC0)
        return 2;
    return 1;
}

} // namespace

struct Regex::Compiled {
    std::unique_ptr<pcre2_code, CodeFree> code;
    uint32_t groups = 0;
};

Regex::~Regex() = default;

Regex::Regex(const Regex& other) = default;

Regex& Regex::operator=(const Regex& other) = default;

// The escaping helpers walk characters, not bytes: [ \ ] ^ { | } can be the trail byte of a GBK
// character, and a backslash put in front of it would cut the character in half.
std::string Regex::WildcardToPattern(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = CharLength(text, pos);
        const char c = text[pos];
        if (length == 1 && std::string_view("\\^$+.{}[]=()-\"").find(c) != std::string_view::npos) {
            out.push_back('\\');
            out.push_back(c);
        } else if (length == 1 && c == '*') {
            out.append(".*");
        } else if (length == 1 && c == '?') {
            out.append(".?");
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
    return out;
}

std::string Regex::EscapeAll(std::string_view text)
{
    return EscapeChars(text, "\\^$+.{}[]=()?*|\"");
}

std::string Regex::EscapeKeepBar(std::string_view text)
{
    return EscapeChars(text, "\\^$+.{}[]=()?*\"");
}

std::string Regex::EscapeKeepGroups(std::string_view text)
{
    return EscapeChars(text, "\\^$+.{}[]=?*\"");
}

bool Regex::Create(std::string_view pattern, bool ignoreCase, bool multiline, bool global)
{
    m_compiled.reset();
    m_pattern.assign(pattern);
    m_created = true;
    m_global = global;
    m_subjectUtf8.clear();
    m_offsets.clear();
    m_firstIndexes.clear();

    const std::string utf8 = ToUtf8(pattern);
    if (utf8.empty() && !pattern.empty())
        return false;
    std::unique_ptr<pcre2_compile_context, ContextFree> context(pcre2_compile_context_create(nullptr));
    if (!context)
        return false;
    // CR, LF and CR LF all end a line for ^ and $, and "." matches neither CR nor LF.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    // No PCRE2_UCP: \s \w \d and \b stay ASCII, as in the ECMAScript 3 engines the patterns were written for.
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF;
    if (ignoreCase)
        options |= PCRE2_CASELESS;
    options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(
        reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options, &errorCode, &errorOffset, context.get());
    if (!code)
        return false;
    auto compiled = std::make_shared<Compiled>();
    compiled->code.reset(code);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // without JIT the interpreter runs the same pattern
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &compiled->groups);
    m_compiled = std::move(compiled);
    return true;
}

bool Regex::FindAll(const std::string& utf8, std::vector<size_t>& offsets) const
{
    if (!m_compiled)
        return false;
    pcre2_code* code = m_compiled->code.get();
    const size_t pairs = m_compiled->groups + 1;
    std::unique_ptr<pcre2_match_data, MatchDataFree> data(pcre2_match_data_create_from_pattern(code, nullptr));
    if (!data)
        return false;
    std::unique_ptr<pcre2_match_context, MatchContextFree> matchContext;
    std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(utf8.data());
    size_t start = 0;
    while (start <= utf8.size()) {
        // The subject comes from the charset converter and is valid UTF-8.
        int rc = pcre2_match(code, subject, utf8.size(), start, PCRE2_NO_UTF_CHECK, data.get(), matchContext.get());
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT && !jitStack) {
            // Deeply nested patterns over long texts outgrow the default 32 KB machine stack of JIT code.
            jitStack.reset(pcre2_jit_stack_create(64 * 1024, 16 * 1024 * 1024, nullptr));
            matchContext.reset(pcre2_match_context_create(nullptr));
            if (!jitStack || !matchContext)
                break;
            pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
            continue;
        }
        if (rc < 0)
            break; // no further match, or the engine gave up (match limit): keep what was found
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        for (size_t g = 0; g < pairs; ++g) {
            const bool set = g < static_cast<size_t>(rc) && ovector[2 * g] != PCRE2_UNSET;
            offsets.push_back(set ? ovector[2 * g] : PCRE2_UNSET);
            offsets.push_back(set ? ovector[2 * g + 1] : PCRE2_UNSET);
        }
        if (!m_global)
            break;
        const size_t end = ovector[1];
        if (end > ovector[0] || end < start) {
            start = std::max(end, start + 1);
        } else {
            // After an empty match the next search starts one character further on.
            if (end >= utf8.size())
                break;
            start = end + Utf8Length(static_cast<unsigned char>(utf8[end]));
        }
    }
    return true;
}

int Regex::Execute(std::string_view subject)
{
    m_offsets.clear();
    m_firstIndexes.clear();
    m_subjectUtf8 = ToUtf8(subject);
    if (!FindAll(m_subjectUtf8, m_offsets))
        return 0;
    return MatchCount();
}

std::string Regex::Pattern() const
{
    return m_created ? m_pattern : std::string();
}

std::string Regex::Replace(std::string_view subject, std::string_view replacement)
{
    if (!m_compiled)
        return {};
    const std::string utf8 = ToUtf8(subject);
    std::vector<size_t> offsets;
    FindAll(utf8, offsets);
    if (offsets.empty())
        return std::string(subject);

    // The replacement split once into literal runs and group references ($1 to $9 of existing groups).
    struct ReplacementPiece {
        std::string literal;
        int group; // -1: literal
    };
    std::vector<ReplacementPiece> pieces;
    const std::string replacementUtf8 = ToUtf8(replacement);
    std::string literal;
    for (size_t k = 0; k < replacementUtf8.size(); ++k) {
        const char c = replacementUtf8[k];
        if (c == '$' && k + 1 < replacementUtf8.size() && replacementUtf8[k + 1] >= '1' && replacementUtf8[k + 1] <= '9'
            && static_cast<uint32_t>(replacementUtf8[k + 1] - '0') <= m_compiled->groups) {
            if (!literal.empty())
                pieces.push_back({std::move(literal), -1});
            literal.clear();
            pieces.push_back({{}, replacementUtf8[k + 1] - '0'});
            ++k;
        } else {
            literal.push_back(c);
        }
    }
    if (!literal.empty())
        pieces.push_back({std::move(literal), -1});

    const size_t stride = 2 * (m_compiled->groups + 1);
    std::string out;
    out.reserve(utf8.size());
    size_t copied = 0;
    for (size_t m = 0; m + stride <= offsets.size(); m += stride) {
        const size_t matchStart = offsets[m];
        const size_t matchEnd = offsets[m + 1];
        if (matchStart < copied)
            continue;
        out.append(utf8, copied, matchStart - copied);
        for (const ReplacementPiece& piece : pieces) {
            if (piece.group < 0) {
                out.append(piece.literal);
            } else {
                const size_t g = static_cast<size_t>(piece.group);
                const size_t groupStart = offsets[m + 2 * g];
                if (groupStart != PCRE2_UNSET)
                    out.append(utf8, groupStart, offsets[m + 2 * g + 1] - groupStart);
            }
        }
        copied = std::max(copied, matchEnd);
    }
    out.append(utf8, copied, std::string::npos);
    return FromUtf8(out);
}

int Regex::MatchCount() const
{
    if (!m_compiled)
        return 0;
    return static_cast<int>(m_offsets.size() / (2 * (m_compiled->groups + 1)));
}

std::string Regex::Piece(size_t start, size_t end) const
{
    if (start == PCRE2_UNSET || end < start || end > m_subjectUtf8.size())
        return {};
    return FromUtf8(std::string_view(m_subjectUtf8).substr(start, end - start));
}

std::string Regex::Match(int i) const
{
    return SubMatch(i, 0);
}

std::string Regex::SubMatch(int i, int j) const
{
    if (i < 1 || i > MatchCount() || j < 0 || static_cast<uint32_t>(j) > m_compiled->groups)
        return {};
    const size_t base = (static_cast<size_t>(i) - 1) * 2 * (m_compiled->groups + 1) + 2 * static_cast<size_t>(j);
    return Piece(m_offsets[base], m_offsets[base + 1]);
}

int Regex::SubMatchCount() const
{
    return MatchCount() > 0 ? static_cast<int>(m_compiled->groups) : 0;
}

int Regex::FirstIndexOf(int i) const
{
    const int count = MatchCount();
    if (i < 1 || i > count)
        return -1;
    if (m_firstIndexes.empty()) {
        // Match starts rise with i, so one walk over the subject counts the characters before each.
        m_firstIndexes.resize(static_cast<size_t>(count));
        const size_t stride = 2 * (m_compiled->groups + 1);
        size_t pos = 0;
        int characters = 0;
        for (int m = 0; m < count; ++m) {
            const size_t target = m_offsets[static_cast<size_t>(m) * stride];
            for (; pos < target && pos < m_subjectUtf8.size(); ++pos) {
                if ((static_cast<unsigned char>(m_subjectUtf8[pos]) & 0xC0) != 0x80)
                    ++characters;
            }
            m_firstIndexes[static_cast<size_t>(m)] = characters;
        }
    }
    return m_firstIndexes[static_cast<size_t>(i) - 1];
}

std::string Regex::MatchAt(int i, bool wantIndex, int* firstIndex) const
{
    return SubMatchAt(i, 0, wantIndex, firstIndex);
}

std::string Regex::SubMatchAt(int i, int j, bool wantIndex, int* firstIndex) const
{
    if (wantIndex && firstIndex)
        *firstIndex = FirstIndexOf(i);
    return SubMatch(i, j);
}

} // namespace kc::text

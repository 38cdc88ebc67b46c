#include "deck/tokens.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace xsrl::deck {

namespace {

constexpr int EndOfDeck = std::char_traits<char>::eof();

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Skips blanks and line ends; false at the end of the deck.
bool skipBlanks(DeckText& text)
{
    for (;;) {
        const int c = text.in.peek();
        if (c == EndOfDeck) return false;
        if (!isBlank(c)) return true;
        if (c == '\n') ++text.line;
        text.in.get();
    }
}

// Puts the deck back where the last number began.
void backToNumber(DeckText& text)
{
    text.in.clear();
    if (text.numberStart != std::streampos(-1)) text.in.seekg(text.numberStart);
}

// extractNumber for both kinds of number.
template <class Number>
bool extractAs(DeckText& text, Number& value)
{
    if (!skipBlanks(text)) return false;
    text.numberStart = text.in.tellg();
    if (text.in >> value) return true;
    backToNumber(text);
    return false;
}

}  // namespace

void lowercaseInPlace(std::string& token)
{
    for (char& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool readToken(DeckText& text, std::string& token)
{
    token.clear();
    if (!skipBlanks(text)) return false;
    text.tokenStart = text.in.tellg();
    for (int c = text.in.peek(); c != EndOfDeck && !isBlank(c); c = text.in.peek())
        token += static_cast<char>(text.in.get());
    return true;
}

bool endsWord(int c) { return c == EndOfDeck || isBlank(c); }

std::string printable(const std::string& token)
{
    std::string shown;
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            shown += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        shown += escaped;
    }
    return shown;
}

std::string wordList(const std::vector<std::string>& words, const char* conjunction)
{
    std::string list;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (k > 0) list += k + 1 == words.size() ? std::string(" ") + conjunction + " " : ", ";
        list += words[k];
    }
    return list;
}

void skipRestOfLine(DeckText& text)
{
    for (int c = text.in.get(); c != EndOfDeck; c = text.in.get()) {
        if (c == '\n') {
            ++text.line;
            return;
        }
    }
}

std::string found(DeckText& text)
{
    std::string token;
    return readToken(text, token) ? "'" + token + "'" : "the end of the deck";
}

std::string tokenAtNumber(DeckText& text)
{
    backToNumber(text);
    std::string token;
    readToken(text, token);
    return token;
}

LeadingNumber leadingNumber(const std::string& token)
{
    LeadingNumber number;
    int used = 0;
    if (std::sscanf(token.c_str(), "%le%n", &number.value, &used) == 1)
        number.text = token.substr(0, static_cast<std::size_t>(used));
    return number;
}

std::string nonFiniteAhead(DeckText& text)
{
    std::string token;
    if (!readToken(text, token)) return "";
    backToNumber(text);
    const LeadingNumber number = leadingNumber(token);
    return std::isfinite(number.value) ? "" : number.text;
}

bool goesOnAsNumber(int c) { return c == '.' || c == 'e' || c == 'E'; }

std::string deckLine(const DeckText& text) { return "deck line " + std::to_string(text.line); }

bool toInt32(long value, std::int32_t& out)
{
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

bool isComment(const std::string& token) { return token[0] == '*' || token[0] == '.'; }

bool extractNumber(DeckText& text, double& value) { return extractAs(text, value); }

bool extractNumber(DeckText& text, long& value) { return extractAs(text, value); }

}  // namespace xsrl::deck

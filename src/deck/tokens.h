// The deck reader's view of the deck text: blank-separated tokens, numbers taken as the
// stream's own extraction reads them, and the line count that messages name. Shared by the
// header, the blocks and the walk from block to block; not part of the library interface.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace xsrl::deck {

// The deck as blank-separated tokens and numbers taken with the stream's own extraction.
// Line ends are counted so that errors can name the deck line.
struct DeckText {
    std::istream& in;
    long line = 1;  // line of the last token or number read
    std::streampos tokenStart = -1;  // where the last token began
    std::streampos numberStart = -1;  // where the last number began, so that a message can quote it

    explicit DeckText(std::istream& stream) : in(stream) {}
};

void lowercaseInPlace(std::string& token);

// Next run of non-blank characters; false at the end of the deck.
bool readToken(DeckText& text, std::string& token);

// Whether `c`, just after a word, ends it: a blank or the end of the deck.
bool endsWord(int c);

// `token` for a message: control characters (a NUL byte) written as \xNN.
std::string printable(const std::string& token);

// "a, b or c" for a message, with `conjunction` ("or", "and") before the last word.
std::string wordList(const std::vector<std::string>& words, const char* conjunction);

// Discards the rest of the current line, its line end included.
void skipRestOfLine(DeckText& text);

// A token the reader skips with the rest of its line: it begins with "*" or ".".
bool isComment(const std::string& token);

// Skips blanks, then extracts a number with >>. On failure the stream is put back where
// the number should have begun, so that the message can quote what stands there.
bool extractNumber(DeckText& text, double& value);
bool extractNumber(DeckText& text, long& value);

// What stands at the current place of the deck, for messages: "'token'" or "the end of the deck".
std::string found(DeckText& text);

// The token in which the last number began, for messages.
std::string tokenAtNumber(DeckText& text);

// The number a token begins with as "%le" reads it, and the characters that make it; `text`
// is empty when the token begins otherwise.
struct LeadingNumber {
    double value = 0.0;
    std::string text;
};

LeadingNumber leadingNumber(const std::string& token);

// >> refuses a number out of range and knows neither "inf" nor "nan". After it failed: the
// text of such a number standing there, else "". The deck is left in place.
std::string nonFiniteAhead(DeckText& text);

// An integer's digits followed by a fraction or an exponent, as in "5.5" or "2e3".
bool goesOnAsNumber(int c);

// "deck line 7": the line of the last token or number read.
std::string deckLine(const DeckText& text);

// Stores `value` in `out` when it fits; false when it does not.
bool toInt32(long value, std::int32_t& out);

}  // namespace xsrl::deck

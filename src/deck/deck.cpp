// The deck reader's entry points, and the walk from block to block between the header and
// the final "end".
#include "deck/deck.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "deck/blocks.h"
#include "deck/header.h"
#include "deck/tokens.h"
#include "support/errors.h"

namespace xsrl {

namespace deck {

namespace {

// Where the walk from block to block stands, and what it has counted.
struct Body {
    DeckText& text;
    DeckRecords& records;
    std::streampos headerEnd;  // where the header's "end" begins
    const BlockWord* open = nullptr;  // the word of the block being read
    int blocks = 0;  // blocks opened so far
    std::int32_t plates = 0;
    std::int32_t lines = 0;  // lines and circles
};

// Appends the record of a new block, a conductor or a dielectric block.
void startBlock(Body& body, const BlockWord& word, long line)
{
    body.open = &word;
    ++body.blocks;
    if (!word.conductor) {
        DielectricBlock block;
        block.blockNumber = body.blocks;
        block.deckLine = line;
        body.records.dielectrics.push_back(block);
        return;
    }
    Conductor conductor;
    conductor.shape = word.shape;
    body.records.conductors.push_back(conductor);
    if (word.shape == ConductorShape::Plate)
        ++body.plates;
    else
        ++body.lines;
}

[[noreturn]] void braceWithoutBlockWord(const DeckText& text)
{
    throw deckError(deckLine(text) + ": \"{\" has no block word before it");
}

// A word the walk passes over: a misspelt block word loses its whole block this way.
void warnIgnored(Body& body, const std::string& word, const std::string& where)
{
    body.records.warnings.push_back(
        {DeckWarning::Kind::IgnoredWord, deckLine(body.text) + ": '" + printable(word) + "' " + where + " is ignored"});
}

// Scans the header again up to the first block.
void openFirstBlock(Body& body)
{
    std::string token;
    for (;;) {
        if (!readToken(body.text, token)) throw deckError("the deck has no conductor block");
        lowercaseInPlace(token);
        if (token[0] == '*') {
            skipRestOfLine(body.text);
            continue;
        }
        if (token == "{") braceWithoutBlockWord(body.text);
        const BlockWord* word = findBlockWord(token);
        if (!word) {
            if (body.text.tokenStart > body.headerEnd) warnIgnored(body, token, "before the first block");
            continue;
        }
        startBlock(body, *word, body.text.line);
        if (token == word->glued) return;
        std::string brace;
        if (!readToken(body.text, brace) || brace != "{") {
            const std::string what = brace.empty() ? "the end of the deck" : "'" + brace + "'";
            throw deckError(deckLine(body.text) + ": '" + token + "' is followed by " + what + ", not \"{\"");
        }
        return;
    }
}

std::string bodyToken(Body& body)
{
    std::string token;
    if (!readToken(body.text, token)) throw deckError("the deck ends before its final \"end\"");
    lowercaseInPlace(token);
    return token;
}

// A bare block word takes the next token as its brace.
void openBlock(Body& body, const BlockWord& word, bool bare)
{
    startBlock(body, word, body.text.line);
    if (!bare) return;
    const std::string brace = bodyToken(body);
    if (brace != "{") warnIgnored(body, brace, std::string("in place of the \"{\" after '") + word.bare + "'");
}

// After a block's "}": opens the next block (true) or reaches the final "end" (false).
bool openNextBlock(Body& body)
{
    std::string token = bodyToken(body);
    if (token == "end") return false;
    if (const BlockWord* word = findBlockWord(token)) {
        openBlock(body, *word, token == word->bare);
        return true;
    }
    if (!isComment(token)) throw Error(ErrorCategory::UnreadableDeck, "error occur during reading input");
    skipRestOfLine(body.text);
    for (;;) {
        token = bodyToken(body);
        if (const BlockWord* word = findBlockWord(token)) {
            openBlock(body, *word, token == word->bare);
            return true;
        }
        if (isComment(token))
            skipRestOfLine(body.text);
        else if (token == "end")
            return false;
        else if (token == "{")
            braceWithoutBlockWord(body.text);
        else
            warnIgnored(body, token, "between blocks");
    }
}

// The blocks of the deck text into `records`, whose settings hold the header.
void readBlocks(const std::string& deckText, std::streampos headerEnd, DeckRecords& records)
{
    const RunSettings& settings = records.settings;
    std::istringstream in(deckText);
    DeckText text(in);
    Body body{text, records, headerEnd};
    openFirstBlock(body);
    do {
        if (body.open->conductor)
            readConductorBlock(settings, records.conductors.back(), text, body.blocks);
        else
            readDielectricBlock(settings, records.dielectrics.back(), text);
    } while (openNextBlock(body));
    if (records.conductors.empty()) throw deckError("the deck has no conductor block");
    records.settings.plateCount = body.plates;
    records.settings.lineCount = body.lines;
}

}  // namespace

}  // namespace deck

std::string readDeckFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw fileError("the deck '" + path + "' is a directory");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw fileError("cannot open the deck '" + path + "': " + std::strerror(errno));
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) throw fileError("cannot read the deck '" + path + "': " + std::strerror(errno));
    return content.str();
}

void readDeckRecords(const std::string& fileText, DeckRecords& records)
{
    // An editor may put a UTF-8 byte-order mark before the first word.
    const std::string byteOrderMark = "\xEF\xBB\xBF";
    const std::string text = fileText.compare(0, 3, byteOrderMark) == 0 ? fileText.substr(3) : fileText;
    records = DeckRecords();
    const std::streampos headerEnd = deck::readHeader(records.settings, text);
    if (!records.settings.freqGiven) records.warnings.push_back({DeckWarning::Kind::MissingSweep, ".freq is missing!"});
    deck::readBlocks(text, headerEnd, records);
    if (!records.dielectrics.empty()) records.settings.capacitance = true;
}

DeckRecords readDeckRecords(const std::string& text)
{
    DeckRecords records;
    readDeckRecords(text, records);
    return records;
}

void checkSweep(const RunSettings& settings)
{
    auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return std::string(text);
    };
    if (!settings.freqGiven) throw deckError("the deck has no \".freq\": no frequency sweep is given");
    if (settings.fmax <= 0) throw deckError(".freq: fmax must be positive; the deck gives " + number(settings.fmax));
    if (settings.npoints >= 1 && settings.fmin <= 0)
        throw deckError(".freq: fmin must be positive for a sweep of " + std::to_string(settings.npoints) +
                        " intervals; the deck gives " + number(settings.fmin));
    if (settings.npoints < 0)
        throw deckError(".freq: npoints must not be negative; the deck gives " + std::to_string(settings.npoints));
    // A sweep runs upward: the rlgc fit takes its first point as the DC end.
    if (settings.npoints >= 1 && settings.fmin > settings.fmax)
        throw deckError(".freq: fmin must not be above fmax; the deck gives fmin " + number(settings.fmin) +
                        " and fmax " + number(settings.fmax));
}

}  // namespace xsrl

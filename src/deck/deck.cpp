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
        if (!word) continue;
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

// A bare block word takes the next token as its brace without looking at it.
void openBlock(Body& body, const BlockWord& word, bool bare)
{
    startBlock(body, word, body.text.line);
    if (bare) bodyToken(body);
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
    }
}

// The blocks of the deck text into `records`, whose settings hold the header.
void readBlocks(const std::string& deckText, DeckRecords& records)
{
    const RunSettings& settings = records.settings;
    std::istringstream in(deckText);
    DeckText text(in);
    Body body{text, records};
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

void readDeckRecords(const std::string& text, DeckRecords& records)
{
    records = DeckRecords();
    deck::readHeader(records.settings, text);
    if (!records.settings.freqGiven) records.warnings.emplace_back(".freq is missing!");
    deck::readBlocks(text, records);
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
}

}  // namespace xsrl

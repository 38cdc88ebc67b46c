#include "deck/deck.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <istream>
#include <limits>
#include <sstream>
#include <vector>

#include "support/errors.h"

namespace xsrl {

namespace {

// The deck as blank-separated tokens and numbers taken with the stream's own extraction.
// Line ends are counted so that errors can name the deck line.
struct DeckText {
    std::istream& in;
    long line = 1;  // line of the last token or number read
    std::streampos numberStart = -1;  // where the last number began, so that a message can quote it

    explicit DeckText(std::istream& stream) : in(stream) {}
};

void lowercaseInPlace(std::string& token)
{
    for (char& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

constexpr int EndOfDeck = std::char_traits<char>::eof();

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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

// Next run of non-blank characters; false at the end of the deck.
bool readToken(DeckText& text, std::string& token)
{
    token.clear();
    if (!skipBlanks(text)) return false;
    for (int c = text.in.peek(); c != EndOfDeck && !isBlank(c); c = text.in.peek())
        token += static_cast<char>(text.in.get());
    return true;
}

// Discards the rest of the current line, its line end included.
void skipRestOfLine(DeckText& text)
{
    for (int c = text.in.get(); c != EndOfDeck; c = text.in.get()) {
        if (c == '\n') {
            ++text.line;
            return;
        }
    }
}

// Puts the deck back where the last number began.
void backToNumber(DeckText& text)
{
    text.in.clear();
    if (text.numberStart != std::streampos(-1)) text.in.seekg(text.numberStart);
}

// Skips blanks, then extracts a number with >>. On failure the stream is put back where
// the number should have begun, so that the message can quote what stands there.
template <class Number>
bool extractNumber(DeckText& text, Number& value)
{
    if (!skipBlanks(text)) return false;
    text.numberStart = text.in.tellg();
    if (text.in >> value) return true;
    backToNumber(text);
    return false;
}

// What stands at the current place of the deck, for messages.
std::string found(DeckText& text)
{
    std::string token;
    return readToken(text, token) ? "'" + token + "'" : "the end of the deck";
}

// The token in which the last number began, for messages.
std::string tokenAtNumber(DeckText& text)
{
    backToNumber(text);
    std::string token;
    readToken(text, token);
    return token;
}

// The number a token begins with as "%le" reads it, and the characters that make it; `text`
// is empty when the token begins otherwise.
struct LeadingNumber {
    double value = 0.0;
    std::string text;
};

LeadingNumber leadingNumber(const std::string& token)
{
    LeadingNumber number;
    int used = 0;
    if (std::sscanf(token.c_str(), "%le%n", &number.value, &used) == 1) number.text = token.substr(0, used);
    return number;
}

// >> refuses a number out of range and knows neither "inf" nor "nan". After it failed: the
// text of such a number standing there, else "". The deck is left in place.
std::string nonFiniteAhead(DeckText& text)
{
    std::string token;
    if (!readToken(text, token)) return "";
    backToNumber(text);
    const LeadingNumber number = leadingNumber(token);
    return std::isfinite(number.value) ? "" : number.text;
}

// An integer's digits followed by a fraction or an exponent, as in "5.5" or "2e3".
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

// ---- Header pass ----

struct UnitWord {
    const char* word;
    double scale;  // metres per deck unit
};

constexpr UnitWord unitWords[] = {
    {"m", 1.0},      {"mm", 0.001},     {"cm", 0.01},   {"in", 0.025400000000000002},
    {"um", 1e-06},   {"mils", 2.54e-05}, {"ft", 0.3048},
};

double unitScale(const std::string& word)
{
    for (const UnitWord& unit : unitWords)
        if (word == unit.word) return unit.scale;
    return 1.0;
}

void headerToken(DeckText& text, std::string& token)
{
    if (!readToken(text, token)) throw deckError("the deck ends before the \"end\" of its header");
    lowercaseInPlace(token);
}

[[noreturn]] void missingSweepNumber(DeckText& text)
{
    const std::string what = found(text);  // first: reading it may move to a later line
    throw deckError(deckLine(text) + ": .freq needs fmin, fmax and npoints; found " + what);
}

// fmin or fmax (`name`) of ".freq".
double sweepFrequency(DeckText& text, const char* name)
{
    double value = 0.0;
    if (extractNumber(text, value)) return value;
    const std::string nonFinite = nonFiniteAhead(text);
    if (!nonFinite.empty())
        throw deckError(deckLine(text) + ": .freq " + name + " must be a finite number; found '" + nonFinite + "'");
    missingSweepNumber(text);
}

// The panel count of ".cpanels": a whole number from 1 to MaxCapacitancePanels.
constexpr long MaxCapacitancePanels = 1000;

void readCapacitancePanels(DeckText& text, RunSettings& settings)
{
    long panels = 0;
    if (!extractNumber(text, panels)) {
        const std::string what = found(text);
        throw deckError(deckLine(text) + ": .cpanels needs a number of panels; found " + what);
    }
    if (goesOnAsNumber(text.in.peek()))
        throw deckError(deckLine(text) + ": .cpanels must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (panels < 1 || panels > MaxCapacitancePanels)
        throw deckError(deckLine(text) + ": .cpanels " + std::to_string(panels) + " is out of range (1 to " +
                        std::to_string(MaxCapacitancePanels) + ")");
    settings.capacitancePanels = static_cast<std::int32_t>(panels);
}

void readSweep(DeckText& text, RunSettings& settings)
{
    const double fmin = sweepFrequency(text, "fmin");
    const double fmax = sweepFrequency(text, "fmax");
    long npoints = 0;
    if (!extractNumber(text, npoints)) missingSweepNumber(text);
    if (goesOnAsNumber(text.in.peek()))
        throw deckError(deckLine(text) + ": .freq npoints must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (!toInt32(npoints, settings.npoints))
        throw deckError(deckLine(text) + ": .freq npoints " + std::to_string(npoints) + " is out of range");
    settings.fmin = fmin;
    settings.fmax = fmax;
    settings.freqGiven = true;
}

// Fills the header fields of `settings`, which hold their defaults. The header ends at the
// first "end" of the deck, even one that stands as the word of ".unit" or ".partial".
void readHeader(RunSettings& settings, const std::string& deck)
{
    std::istringstream in(deck);
    DeckText text(in);
    std::string token;
    for (;;) {
        headerToken(text, token);
        if (token == ".freq") {
            readSweep(text, settings);
        } else if (token == ".unit") {
            headerToken(text, token);
            settings.scale = unitScale(token);
        } else if (token == ".solver") {
            headerToken(text, token);
            if (token == "exact") settings.solver = Solver::Exact;
            else if (token == "lu") settings.solver = Solver::Lu;
            else throw deckError(deckLine(text) + ": .solver takes exact or lu; found '" + token + "'");
        } else if (token == ".capacitance") {
            headerToken(text, token);
            if (token == "yes" || token == "y") settings.capacitance = true;
            else if (token == "no" || token == "n") settings.capacitance = false;
            else throw deckError(deckLine(text) + ": .capacitance takes yes or no; found '" + token + "'");
        } else if (token == ".cpanels") {
            readCapacitancePanels(text, settings);
        } else if (token == ".partial") {
            headerToken(text, token);
            if (token == "yes" || token == "y") settings.partial = true;
            if (token == "no" || token == "n") settings.partial = false;
        }
        if (token == "end") return;
    }
}

// ---- Blocks ----

struct BlockWord {
    const char* bare;   // followed by a "{" token
    const char* glued;  // carries its own brace
    bool conductor;     // a conductor of `shape`, else a dielectric block
    ConductorShape shape;      // unused for a dielectric block
};

constexpr BlockWord blockWords[] = {
    {"line", "line{", true, ConductorShape::Line},
    {"circle", "circle{", true, ConductorShape::Circle},
    {"plate", "plate{", true, ConductorShape::Plate},
    {"dielectric", "dielectric{", false, ConductorShape::Plate},
};

const BlockWord* findBlockWord(const std::string& token)
{
    for (const BlockWord& word : blockWords)
        if (token == word.bare || token == word.glued) return &word;
    return nullptr;
}

enum class Scaling { AsRead, Length, Conductivity };

// What a stored value must be besides finite.
enum class Bound { Any, Positive, AtLeastOne, NotNegative };

// A keyword and the field of the block's record it fills.
struct NumericKey {
    const char* name;
    double* real;          // field of a real-valued key, else null
    std::int32_t* whole;   // field of an integer key, else null
    Scaling scaling;
    Bound bound = Bound::Any;
};

// In each table a token names at most one key, whole or as a glued "key=" prefix, so the
// order of the table does not decide between keys.
std::vector<NumericKey> conductorKeys(Conductor& c)
{
    return {
        {"rx", &c.rx, nullptr, Scaling::AsRead},
        {"ry", &c.ry, nullptr, Scaling::AsRead},
        {"x1", &c.x1, nullptr, Scaling::Length},
        {"x2", &c.x2, nullptr, Scaling::Length},
        {"y1", &c.y1, nullptr, Scaling::Length},
        {"y2", &c.y2, nullptr, Scaling::Length},
        {"xc", &c.xc, nullptr, Scaling::Length},
        {"yc", &c.yc, nullptr, Scaling::Length},
        {"rad", &c.rad, nullptr, Scaling::Length},
        {"v", &c.v, nullptr, Scaling::AsRead},
        {"sigma", &c.sigma, nullptr, Scaling::Conductivity, Bound::Positive},
        {"nx", nullptr, &c.nx, Scaling::AsRead},
        {"ny", nullptr, &c.ny, Scaling::AsRead},
        {"nr", nullptr, &c.nr, Scaling::AsRead},
    };
}

std::vector<NumericKey> dielectricKeys(DielectricBlock& d)
{
    return {
        {"x1", &d.x1, nullptr, Scaling::Length},
        {"x2", &d.x2, nullptr, Scaling::Length},
        {"y1", &d.y1, nullptr, Scaling::Length},
        {"y2", &d.y2, nullptr, Scaling::Length},
        {"er", &d.er, nullptr, Scaling::AsRead, Bound::AtLeastOne},
        {"tand", &d.tand, nullptr, Scaling::AsRead, Bound::NotNegative},
    };
}

struct Block {
    DeckText& text;
    const RunSettings& settings;
    const char* word;              // the block word, for messages
    std::vector<NumericKey> keys;
    Conductor* conductor;          // takes "type"; null in a dielectric block
    int number;                    // position in deck order, from 1
    bool closing = false;          // the last token read ended in "}"
};

// "block 3 (circle)": the position in deck order, from 1, and the block word.
std::string blockName(const Block& block)
{
    return "block " + std::to_string(block.number) + " (" + block.word + ")";
}

std::string blockPlace(const Block& block) { return deckLine(block.text) + ", " + blockName(block); }

// Next token inside a block; a block word there means the "}" before it is missing.
std::string blockToken(Block& block, bool lower)
{
    std::string token;
    if (!readToken(block.text, token))
        throw deckError("the deck ends inside " + blockName(block) + " before its \"}\"");
    std::string folded = token;
    lowercaseInPlace(folded);
    if (findBlockWord(folded)) throw deckError(blockPlace(block) + ": missing } before '" + token + "'");
    return lower ? folded : token;
}

void requireOpen(const Block& block, const char* key)
{
    if (block.closing) throw deckError(blockPlace(block) + ": " + key + " has no value before \"}\"");
}

// The token that carries a keyword's value; a brace glued to its end closes the block
// once the value is stored.
std::string valueToken(Block& block, const char* key, bool lower)
{
    requireOpen(block, key);
    std::string token = blockToken(block, lower);
    if (token.back() == '}') {
        token.pop_back();
        block.closing = true;
    }
    if (token.empty()) throw deckError(blockPlace(block) + ": " + key + " has no value before \"}\"");
    return token;
}

[[noreturn]] void badNumber(const Block& block, const NumericKey& key, const std::string& what)
{
    throw deckError(blockPlace(block) + ": " + key.name + " needs a number; found " + what);
}

// `need` is what the value must be ("a whole number"); `written` is the deck's text of it.
[[noreturn]] void refuseValue(const Block& block, const NumericKey& key, const char* need,
                              const std::string& written)
{
    throw deckError(blockPlace(block) + ": " + key.name + " must be " + need + "; found '" + written + "'");
}

[[noreturn]] void notWhole(const Block& block, const NumericKey& key, const std::string& token)
{
    refuseValue(block, key, "a whole number", leadingNumber(token).text);
}

// Stores the value scaled by the deck's unit. Returns what the stored value fails to be, or
// null: scaling can make a large value infinite, and some keys have bounds.
const char* storeReal(Block& block, const NumericKey& key, double value)
{
    double& field = *key.real;
    switch (key.scaling) {
    case Scaling::AsRead: field = value; break;
    case Scaling::Length: field = value * block.settings.scale; break;
    case Scaling::Conductivity: field = value / block.settings.scale; break;
    }
    if (!std::isfinite(field)) return "a finite number";
    switch (key.bound) {
    case Bound::Any: break;
    case Bound::Positive: return field > 0 ? nullptr : "positive";
    case Bound::AtLeastOne: return field >= 1 ? nullptr : "at least 1";
    case Bound::NotNegative: return field >= 0 ? nullptr : "zero or more";
    }
    return nullptr;
}

void storeWhole(Block& block, const NumericKey& key, long value)
{
    if (!toInt32(value, *key.whole))
        throw deckError(blockPlace(block) + ": " + key.name + " " + std::to_string(value) + " is out of range");
}

// "K=" or "K =": the value follows in the stream.
void streamValue(Block& block, const NumericKey& key)
{
    requireOpen(block, key.name);
    DeckText& text = block.text;
    if (key.whole) {
        long whole = 0;
        if (!extractNumber(text, whole)) badNumber(block, key, found(text));
        if (goesOnAsNumber(text.in.peek())) notWhole(block, key, tokenAtNumber(text));
        return storeWhole(block, key, whole);
    }
    double real = 0.0;
    if (!extractNumber(text, real)) {
        const std::string nonFinite = nonFiniteAhead(text);
        if (!nonFinite.empty()) refuseValue(block, key, "a finite number", nonFinite);
        badNumber(block, key, found(text));
    }
    if (const char* need = storeReal(block, key, real))
        refuseValue(block, key, need, leadingNumber(tokenAtNumber(text)).text);
}

// The value inside a token, after its first `skip` characters, read as "%le" or "%ld" read it.
void tokenValue(Block& block, const NumericKey& key, const std::string& token, std::size_t skip)
{
    const std::string rest = token.substr(skip);
    if (key.whole) {
        long whole = 0;
        int used = 0;
        if (std::sscanf(rest.c_str(), "%ld%n", &whole, &used) != 1) badNumber(block, key, "'" + token + "'");
        if (goesOnAsNumber(rest[used])) notWhole(block, key, rest);
        return storeWhole(block, key, whole);
    }
    const LeadingNumber number = leadingNumber(rest);
    if (number.text.empty()) badNumber(block, key, "'" + token + "'");
    if (const char* need = storeReal(block, key, number.value)) refuseValue(block, key, need, number.text);
}

// "K" alone: "=" then the value in the stream, or "=value" glued.
void bareKeyValue(Block& block, const NumericKey& key)
{
    const std::string value = valueToken(block, key.name, false);
    if (value == "=") {
        streamValue(block, key);
    } else if (value[0] == '=') {
        tokenValue(block, key, value, 1);
    } else {
        throw deckError(blockPlace(block) + ": " + key.name + " needs \"=\" before its value; found '" +
                        value + "'");
    }
}

void setModel(Conductor& conductor, const std::string& word)
{
    if (word == "tl") conductor.model = ConductorModel::Tl;
    if (word == "pw") conductor.model = ConductorModel::Pw;
    if (word == "vf") conductor.model = ConductorModel::Vf;
}

bool applyModelKeyword(Block& block, const std::string& token)
{
    if (!block.conductor) return false;
    Conductor& conductor = *block.conductor;
    if (token == "type=") {
        setModel(conductor, valueToken(block, "type", true));
    } else if (token == "type") {
        const std::string next = valueToken(block, "type", true);
        if (next == "=") setModel(conductor, valueToken(block, "type", true));
        else if (next[0] == '=') setModel(conductor, next.substr(1));
    } else if (token == "type=tl" || token == "type=pw" || token == "type=vf") {
        setModel(conductor, token.substr(5));
    } else {
        return false;
    }
    return true;
}

// Whole-token forms first, then glued "key=value" forms; anything else is ignored.
void applyKeyword(Block& block, const std::string& token)
{
    if (applyModelKeyword(block, token)) return;
    for (const NumericKey& key : block.keys) {
        const std::string name = key.name;
        if (token == name + "=") return streamValue(block, key);
        if (token == name) return bareKeyValue(block, key);
    }
    for (const NumericKey& key : block.keys) {
        const std::string prefix = std::string(key.name) + "=";
        if (token.compare(0, prefix.size(), prefix) == 0) return tokenValue(block, key, token, prefix.size());
    }
}

// ---- Body pass ----

struct Body {
    DeckText& text;
    DeckRecords& records;
    const BlockWord* open = nullptr; // the word of the block being read
    int blocks = 0;           // blocks opened so far
    std::int32_t plates = 0;
    std::int32_t lines = 0;   // lines and circles
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
    if (word.shape == ConductorShape::Plate) ++body.plates;
    else ++body.lines;
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
        if (isComment(token)) skipRestOfLine(body.text);
        else if (token == "end") return false;
        else if (token == "{") braceWithoutBlockWord(body.text);
    }
}

// Reads keywords up to and including the block's closing "}".
void readBlock(Block& block)
{
    DeckText& text = block.text;
    for (;;) {
        std::string token = blockToken(block, true);
        if (token == "}") return;
        if (isComment(token)) {
            skipRestOfLine(text);
            continue;
        }
        if (token.back() == '}') {
            token.pop_back();
            block.closing = true;
        }
        applyKeyword(block, token);
        if (block.closing) return;
    }
}

void readDielectricBlock(const RunSettings& settings, DielectricBlock& dielectric, DeckText& text)
{
    Block block{text, settings, "dielectric", dielectricKeys(dielectric), nullptr, dielectric.blockNumber};
    readBlock(block);
}

// Reads keywords into `conductor` up to and including the block's closing "}". `blockNumber`
// is the block's position in deck order, from 1, for messages.
void readConductorBlock(const RunSettings& settings, Conductor& conductor, DeckText& text, int blockNumber)
{
    Block block{text, settings, shapeWord(conductor.shape), conductorKeys(conductor), &conductor, blockNumber};
    readBlock(block);
}

} // namespace

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

void readDeckText(const std::string& deck, DeckRecords& records)
{
    records = DeckRecords();
    RunSettings& settings = records.settings;
    readHeader(settings, deck);
    if (!settings.freqGiven) records.warnings.push_back(".freq is missing!");

    std::istringstream in(deck);
    DeckText text(in);
    Body body{text, records};
    openFirstBlock(body);
    do {
        if (body.open->conductor) readConductorBlock(settings, records.conductors.back(), text, body.blocks);
        else readDielectricBlock(settings, records.dielectrics.back(), text);
    } while (openNextBlock(body));
    if (records.conductors.empty()) throw deckError("the deck has no conductor block");
    settings.plateCount = body.plates;
    settings.lineCount = body.lines;
    if (!records.dielectrics.empty()) settings.capacitance = true;
}

DeckRecords readDeckText(const std::string& deck)
{
    DeckRecords records;
    readDeckText(deck, records);
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
    if (settings.fmax <= 0)
        throw deckError(".freq: fmax must be positive; the deck gives " + number(settings.fmax));
    if (settings.npoints >= 1 && settings.fmin <= 0)
        throw deckError(".freq: fmin must be positive for a sweep of " + std::to_string(settings.npoints) +
                        " intervals; the deck gives " + number(settings.fmin));
    if (settings.npoints < 0)
        throw deckError(".freq: npoints must not be negative; the deck gives " +
                        std::to_string(settings.npoints));
}

}  // namespace xsrl

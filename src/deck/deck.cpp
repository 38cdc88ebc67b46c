#include "deck/deck.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "support/run_error.h"

namespace xsrl {

namespace {

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
    if (!readToken(text, token)) throw errorLine("the deck ends before the \"end\" of its header");
    lowercaseInPlace(token);
}

[[noreturn]] void missingSweepNumber(DeckText& text)
{
    const std::string what = found(text);  // first: reading it may move to a later line
    throw errorLine(deckLine(text) + ": .freq needs fmin, fmax and npoints; found " + what);
}

// fmin or fmax (`name`) of ".freq".
double sweepFrequency(DeckText& text, const char* name)
{
    double value = 0.0;
    if (extractNumber(text, value)) return value;
    const std::string nonFinite = nonFiniteAhead(text);
    if (!nonFinite.empty())
        throw errorLine(deckLine(text) + ": .freq " + name + " must be a finite number; found '" + nonFinite + "'");
    missingSweepNumber(text);
}

// The panel count of ".cpanels": a whole number from 1 to MaxCapacitancePanels.
constexpr long MaxCapacitancePanels = 1000;

void readCapacitancePanels(DeckText& text, RunSettings& settings)
{
    long panels = 0;
    if (!extractNumber(text, panels)) {
        const std::string what = found(text);
        throw errorLine(deckLine(text) + ": .cpanels needs a number of panels; found " + what);
    }
    if (goesOnAsNumber(text.in.peek()))
        throw errorLine(deckLine(text) + ": .cpanels must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (panels < 1 || panels > MaxCapacitancePanels)
        throw errorLine(deckLine(text) + ": .cpanels " + std::to_string(panels) + " is out of range (1 to " +
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
        throw errorLine(deckLine(text) + ": .freq npoints must be a whole number; found '" +
                        leadingNumber(tokenAtNumber(text)).text + "'");
    if (!toInt32(npoints, settings.npoints))
        throw errorLine(deckLine(text) + ": .freq npoints " + std::to_string(npoints) + " is out of range");
    settings.fmin = fmin;
    settings.fmax = fmax;
    settings.freqGiven = true;
}

// The header ends at the first "end" of the deck, even one that stands as the word of
// ".unit" or ".partial".
void readHeader(RunSettings& settings, const std::string& deck)
{
    std::istringstream in(deck);
    DeckText text(in);
    settings.scale = 1.0;
    settings.partial = 0;
    settings.freqGiven = false;
    settings.solver = Solver::Exact;
    settings.capacitance = false;
    settings.capacitancePanels = RunSettings().capacitancePanels;
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
            else throw errorLine(deckLine(text) + ": .solver takes exact or lu; found '" + token + "'");
        } else if (token == ".capacitance") {
            headerToken(text, token);
            if (token == "yes" || token == "y") settings.capacitance = true;
            else if (token == "no" || token == "n") settings.capacitance = false;
            else throw errorLine(deckLine(text) + ": .capacitance takes yes or no; found '" + token + "'");
        } else if (token == ".cpanels") {
            readCapacitancePanels(text, settings);
        } else if (token == ".partial") {
            headerToken(text, token);
            if (token == "yes" || token == "y") settings.partial = 1;
            if (token == "no" || token == "n") settings.partial = 0;
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
        throw errorLine("the deck ends inside " + blockName(block) + " before its \"}\"");
    std::string folded = token;
    lowercaseInPlace(folded);
    if (findBlockWord(folded)) throw errorLine(blockPlace(block) + ": missing } before '" + token + "'");
    return lower ? folded : token;
}

void requireOpen(const Block& block, const char* key)
{
    if (block.closing) throw errorLine(blockPlace(block) + ": " + key + " has no value before \"}\"");
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
    if (token.empty()) throw errorLine(blockPlace(block) + ": " + key + " has no value before \"}\"");
    return token;
}

[[noreturn]] void badNumber(const Block& block, const NumericKey& key, const std::string& what)
{
    throw errorLine(blockPlace(block) + ": " + key.name + " needs a number; found " + what);
}

// `need` is what the value must be ("a whole number"); `written` is the deck's text of it.
[[noreturn]] void refuseValue(const Block& block, const NumericKey& key, const char* need,
                              const std::string& written)
{
    throw errorLine(blockPlace(block) + ": " + key.name + " must be " + need + "; found '" + written + "'");
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
        throw errorLine(blockPlace(block) + ": " + key.name + " " + std::to_string(value) + " is out of range");
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
        throw errorLine(blockPlace(block) + ": " + key.name + " needs \"=\" before its value; found '" +
                        value + "'");
    }
}

void setModel(Conductor& conductor, const std::string& word)
{
    if (word == "tl") conductor.type = TypeTl;
    if (word == "pw") conductor.type = TypePw;
    if (word == "vf") conductor.type = TypeVf;
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
    RecordPool& pool;
    DeckText& text;
    Conductor* head;
    Conductor* current = nullptr;  // the last conductor opened; null before the first
    const BlockWord* open = nullptr; // the word of the block being read
    int blocks = 0;           // blocks opened so far
    std::int32_t plates = 0;
    std::int32_t lines = 0;   // lines and circles
};

// Makes the record of a new block: the head for the first conductor, then conductors linked
// after it, or a dielectric block.
void startBlock(Body& body, const BlockWord& word, long line)
{
    body.open = &word;
    ++body.blocks;
    if (!word.conductor) {
        DielectricBlock block;
        block.blockNumber = body.blocks;
        block.deckLine = line;
        body.pool.dielectrics.push_back(block);
        return;
    }
    body.current = body.current ? newConductor(body.pool, body.current) : body.head;
    body.current->shape = word.shape;
    if (word.shape == ConductorShape::Plate) ++body.plates;
    else ++body.lines;
}

[[noreturn]] void braceWithoutBlockWord(const DeckText& text)
{
    throw errorLine(deckLine(text) + ": \"{\" has no block word before it");
}

// Scans the header again up to the first block, which fills the head conductor.
void openFirstBlock(Body& body)
{
    std::string token;
    for (;;) {
        if (!readToken(body.text, token)) throw errorLine("the deck has no conductor block");
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
            throw errorLine(deckLine(body.text) + ": '" + token + "' is followed by " + what + ", not \"{\"");
        }
        return;
    }
}

std::string bodyToken(Body& body)
{
    std::string token;
    if (!readToken(body.text, token)) throw errorLine("the deck ends before its final \"end\"");
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
    if (!isComment(token)) throw RunError("error occur during reading input\n");
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

} // namespace

void lowercaseInPlace(std::string& token)
{
    for (char& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void readConductorBlock(const RunSettings& settings, Conductor& conductor, DeckText& text, int blockNumber)
{
    setConductorDefaults(conductor);
    Block block{text, settings, shapeWord(conductor.shape), conductorKeys(conductor), &conductor, blockNumber};
    readBlock(block);
}

std::string readDeckFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw errorLine("the deck '" + path + "' is a directory");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw errorLine("cannot open the deck '" + path + "': " + std::strerror(errno));
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) throw errorLine("cannot read the deck '" + path + "': " + std::strerror(errno));
    return content.str();
}

void readDeck(RecordPool& pool, Conductor* head, RunSettings& settings, const std::string& path)
{
    readDeckText(pool, head, settings, readDeckFile(path));
}

void readDeckText(RecordPool& pool, Conductor* head, RunSettings& settings, const std::string& deck)
{
    readHeader(settings, deck);
    pool.dielectrics.clear();
    if (!settings.freqGiven) std::printf(".freq is missing!\n");

    std::istringstream in(deck);
    DeckText text(in);
    Body body{pool, text, head};
    openFirstBlock(body);
    do {
        if (body.open->conductor) readConductorBlock(settings, *body.current, text, body.blocks);
        else readDielectricBlock(settings, pool.dielectrics.back(), text);
    } while (openNextBlock(body));
    if (!body.current) throw errorLine("the deck has no conductor block");
    settings.plateCount = body.plates;
    settings.lineCount = body.lines;
    if (!pool.dielectrics.empty()) settings.capacitance = true;
}

void checkSweep(const RunSettings& settings)
{
    auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return std::string(text);
    };
    if (!settings.freqGiven) throw errorLine("the deck has no \".freq\": no frequency sweep is given");
    if (settings.fmax <= 0)
        throw errorLine(".freq: fmax must be positive; the deck gives " + number(settings.fmax));
    if (settings.npoints >= 1 && settings.fmin <= 0)
        throw errorLine(".freq: fmin must be positive for a sweep of " + std::to_string(settings.npoints) +
                        " intervals; the deck gives " + number(settings.fmin));
    if (settings.npoints < 0)
        throw errorLine(".freq: npoints must not be negative; the deck gives " +
                        std::to_string(settings.npoints));
}

}  // namespace xsrl

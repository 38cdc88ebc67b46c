// Reading one block: its keywords, in every form the deck allows, and their values.
#include "deck/blocks.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "support/errors.h"

namespace xsrl::deck {

namespace {

constexpr BlockWord blockWords[] = {
    {"line", "line{", true, ConductorShape::Line},
    {"circle", "circle{", true, ConductorShape::Circle},
    {"plate", "plate{", true, ConductorShape::Plate},
    {"dielectric", "dielectric{", false, ConductorShape::Plate},
};

enum class Scaling { AsRead, Length, Conductivity };

// What a stored value must be besides finite.
enum class Bound { Any, Positive, Permittivity, LossTangent };

// The largest er and tand: far beyond any material, and low enough that er tand and the panel
// system built from them stay finite.
constexpr double MaxMaterialValue = 1e6;

// A keyword and the field of the block's record it fills.
struct NumericKey {
    const char* name;
    double* real;  // field of a real-valued key, else null
    std::int32_t* whole;  // field of an integer key, else null
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
        {"er", &d.er, nullptr, Scaling::AsRead, Bound::Permittivity},
        {"tand", &d.tand, nullptr, Scaling::AsRead, Bound::LossTangent},
    };
}

struct Block {
    DeckText& text;
    const RunSettings& settings;
    const char* word;  // the block word, for messages
    std::vector<NumericKey> keys;
    Conductor* conductor;  // takes "type"; null in a dielectric block
    int number;  // position in deck order, from 1
    bool closing = false;  // the last token read ended in "}"
};

// "block 3 (circle)": the position in deck order, from 1, and the block word.
std::string blockName(const Block& block) { return "block " + std::to_string(block.number) + " (" + block.word + ")"; }

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
[[noreturn]] void refuseValue(const Block& block, const NumericKey& key, const char* need, const std::string& written)
{
    throw deckError(blockPlace(block) + ": " + key.name + " must be " + need + "; found '" + written + "'");
}

[[noreturn]] void notWhole(const Block& block, const NumericKey& key, const std::string& token)
{
    refuseValue(block, key, "a whole number", leadingNumber(token).text);
}

// A number the value's word goes on after, as in "4,3": a typo that must not read as 4.
[[noreturn]] void charactersAfterNumber(const Block& block, const NumericKey& key, const std::string& word)
{
    throw deckError(blockPlace(block) + ": " + key.name + " has characters after its number; found '" +
                    printable(word) + "'");
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
    case Bound::Permittivity: return field < 1 ? "at least 1" : field > MaxMaterialValue ? "at most 1e6" : nullptr;
    case Bound::LossTangent: return field < 0 ? "zero or more" : field > MaxMaterialValue ? "at most 1e6" : nullptr;
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
    // A "}" may close the block right after the number.
    const auto endsNumber = [&] { return endsWord(text.in.peek()) || text.in.peek() == '}'; };
    if (key.whole) {
        long whole = 0;
        if (!extractNumber(text, whole)) badNumber(block, key, found(text));
        if (goesOnAsNumber(text.in.peek())) notWhole(block, key, tokenAtNumber(text));
        if (!endsNumber()) charactersAfterNumber(block, key, tokenAtNumber(text));
        return storeWhole(block, key, whole);
    }
    double real = 0.0;
    if (!extractNumber(text, real)) {
        const std::string nonFinite = nonFiniteAhead(text);
        if (!nonFinite.empty()) refuseValue(block, key, "a finite number", nonFinite);
        badNumber(block, key, found(text));
    }
    if (!endsNumber()) charactersAfterNumber(block, key, tokenAtNumber(text));
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
        if (goesOnAsNumber(rest[static_cast<std::size_t>(used)])) notWhole(block, key, rest);
        if (static_cast<std::size_t>(used) != rest.size()) charactersAfterNumber(block, key, rest);
        return storeWhole(block, key, whole);
    }
    const LeadingNumber number = leadingNumber(rest);
    if (number.text.empty()) badNumber(block, key, "'" + token + "'");
    if (number.text.size() != rest.size()) charactersAfterNumber(block, key, rest);
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
        throw deckError(blockPlace(block) + ": " + key.name + " needs \"=\" before its value; found '" + value + "'");
    }
}

void setModel(const Block& block, const std::string& word)
{
    Conductor& conductor = *block.conductor;
    if (word == "tl")
        conductor.model = ConductorModel::Tl;
    else if (word == "pw")
        conductor.model = ConductorModel::Pw;
    else if (word == "vf")
        conductor.model = ConductorModel::Vf;
    else
        throw deckError(blockPlace(block) + ": type takes tl, pw or vf; found '" + printable(word) + "'");
}

// "type=" then the word, "type" then "=" and the word or "=word", or "type=word" glued.
bool applyModelKeyword(Block& block, const std::string& token)
{
    if (!block.conductor) return false;
    if (token == "type=") {
        setModel(block, valueToken(block, "type", true));
    } else if (token == "type") {
        const std::string next = valueToken(block, "type", true);
        if (next == "=")
            setModel(block, valueToken(block, "type", true));
        else if (next[0] == '=')
            setModel(block, next.substr(1));
        else
            throw deckError(blockPlace(block) + ": type needs \"=\" before its value; found '" + printable(next) + "'");
    } else if (token.compare(0, 5, "type=") == 0) {
        setModel(block, token.substr(5));
    } else {
        return false;
    }
    return true;
}

// A word that is no keyword of the block: a misspelt key ("sigmaa=") or one of another
// kind of block ("er=" in a line) would otherwise leave its value unset.
[[noreturn]] void unknownKeyword(const Block& block, const std::string& token)
{
    std::vector<std::string> known;
    for (const NumericKey& key : block.keys) known.push_back(key.name);
    if (block.conductor) known.push_back("type");
    throw deckError(blockPlace(block) + ": unknown keyword '" + printable(token) + "'; the keywords of a " +
                    block.word + " block are " + wordList(known, "and"));
}

// Whole-token forms first, then glued "key=value" forms; anything else is refused.
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
    unknownKeyword(block, token);
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

}  // namespace

const BlockWord* findBlockWord(const std::string& token)
{
    for (const BlockWord& word : blockWords)
        if (token == word.bare || token == word.glued) return &word;
    return nullptr;
}

void readDielectricBlock(const RunSettings& settings, DielectricBlock& dielectric, DeckText& text)
{
    Block block{text, settings, "dielectric", dielectricKeys(dielectric), nullptr, dielectric.blockNumber};
    readBlock(block);
}

void readConductorBlock(const RunSettings& settings, Conductor& conductor, DeckText& text, int blockNumber)
{
    Block block{text, settings, shapeWord(conductor.shape), conductorKeys(conductor), &conductor, blockNumber};
    readBlock(block);
}

}  // namespace xsrl::deck

// ClrMamePro's text DATs: blocks of `key value` pairs in parentheses, values bare or quoted.
//
//   clrmamepro ( name "Nintendo - NES" version 20260101 )
//   game ( name "Game (USA)" description "Game (USA)" rom ( name "Game (USA).nes" size 40976 crc 1a2b3c4d ) )
//
// Blocks other than the header and the games are skipped, as are keys this reader has no use for.
#include <string>

#include "dat/dat_builder.h"
#include "dat/dat_parsers.h"

namespace vorne {

namespace {

struct Token {
    enum Kind { Open, Close, Word, End } kind = End;
    std::string_view text;  // a word, or a quoted text without its quotes
    std::size_t line = 0;
};

class Lexer {
public:
    Lexer(std::string_view text, const std::string& name) : text(text), name(name) {}

    Token Next() {
        while (pos < text.size() && IsBlank(text[pos])) {
            if (text[pos] == '\n') ++line;
            ++pos;
        }
        if (pos == text.size()) return {Token::End, {}, line};
        const char c = text[pos];
        if (c == '(' || c == ')') {
            ++pos;
            return {c == '(' ? Token::Open : Token::Close, text.substr(pos - 1, 1), line};
        }
        if (c == '"') {
            const std::size_t start = ++pos;
            while (pos < text.size() && text[pos] != '"' && text[pos] != '\n') ++pos;
            if (pos == text.size() || text[pos] != '"') Fail(line, "a quoted text is not closed on its line");
            return {Token::Word, text.substr(start, pos++ - start), line};
        }
        const std::size_t start = pos;
        while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != '(' && text[pos] != ')') ++pos;
        return {Token::Word, text.substr(start, pos - start), line};
    }

    [[noreturn]] void Fail(std::size_t at, const std::string& why) const {
        throw DatError(name + ": line " + std::to_string(at) + ": " + why);
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

    std::string_view text;
    const std::string& name;
    std::size_t pos = 0;
    std::size_t line = 1;
};

class Parser {
public:
    Parser(std::string_view text, const std::string& name) : lexer(text, name) {}

    DatFile Run() {
        for (Token token = lexer.Next(); token.kind != Token::End; token = lexer.Next()) {
            if (token.kind != Token::Word) lexer.Fail(token.line, "expected the name of a block, found '" + std::string(token.text) + "'");
            const Token open = lexer.Next();
            if (open.kind != Token::Open) lexer.Fail(open.line, "expected '(' after " + std::string(token.text));
            if (token.text == "clrmamepro") {
                ReadHeader(open.line);
            } else if (token.text == "game" || token.text == "machine" || token.text == "resource" || token.text == "set") {
                ReadGame(open.line);
            } else {
                SkipBlock(open.line);
            }
        }
        return builder.Finish();
    }

private:
    // Calls pair(key, value) for each `key value` of the block opened on line `opened`, and
    // block(key, line) for each `key (`, which must read that block to its end.
    template <typename Pair, typename Block>
    void ReadBlock(std::size_t opened, Pair pair, Block block) {
        for (;;) {
            const Token key = lexer.Next();
            if (key.kind == Token::Close) return;
            if (key.kind == Token::End) lexer.Fail(key.line, "the file ends inside the block opened on line " + std::to_string(opened));
            if (key.kind != Token::Word) lexer.Fail(key.line, "expected a key, found '('");
            const Token value = lexer.Next();
            if (value.kind == Token::Open) {
                block(key.text, value.line);
            } else if (value.kind == Token::Word) {
                pair(key.text, value.text);
            } else if (value.kind == Token::Close) {
                return;  // a key without a value closes the block
            } else {
                lexer.Fail(value.line, "the file ends inside the block opened on line " + std::to_string(opened));
            }
        }
    }

    void SkipBlock(std::size_t opened) {
        // Iteratively, so that deep nesting costs no stack.
        std::size_t depth = 1;
        while (depth > 0) {
            const Token token = lexer.Next();
            if (token.kind == Token::End) lexer.Fail(token.line, "the file ends inside the block opened on line " + std::to_string(opened));
            if (token.kind == Token::Open) ++depth;
            if (token.kind == Token::Close) --depth;
        }
    }

    auto Skipper() {
        return [this](std::string_view, std::size_t line) { SkipBlock(line); };
    }

    void ReadHeader(std::size_t opened) {
        DatHeader& header = builder.Header();
        ReadBlock(
            opened,
            [&](std::string_view key, std::string_view value) {
                for (const HeaderField& field : kHeaderFields) {
                    if (key == field.name) header.*field.value = value;
                }
            },
            Skipper());
    }

    void ReadGame(std::size_t opened) {
        // The ROMs follow the name and description in every DAT seen, but need not: they are
        // kept until the game's block ends.
        std::string_view name;
        std::string_view description;
        std::vector<RomTexts> roms;
        ReadBlock(
            opened,
            [&](std::string_view key, std::string_view value) {
                if (key == "name") name = value;
                if (key == "description") description = value;
            },
            [&](std::string_view key, std::size_t line) {
                if (key != "rom") return SkipBlock(line);
                RomTexts rom;
                ReadBlock(
                    line,
                    [&](std::string_view field, std::string_view value) {
                        if (field == "name") rom.name = value;
                        if (field == "size") rom.size = value;
                        if (field == "crc") rom.crc = value;
                        if (field == "sha1") rom.sha1 = value;
                        if (field == "md5") rom.md5 = value;
                        if (field == "sha256") rom.sha256 = value;
                        if (field == "status" || field == "flags") rom.status = value;
                    },
                    Skipper());
                roms.push_back(rom);
            });
        builder.BeginGame(name, description);
        for (const RomTexts& rom : roms) builder.AddRom(rom);
        builder.EndGame();
    }

    Lexer lexer;
    DatBuilder builder{DatFormat::ClrMamePro};
};

}  // namespace

DatFile ParseClrMameProDat(std::string_view text, const std::string& name) { return Parser(text, name).Run(); }

}  // namespace vorne

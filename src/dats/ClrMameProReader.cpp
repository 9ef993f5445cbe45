// The clrmamepro text form: "key ( pairs )" blocks at the top level, each pair a key word and a
// value that is a word, a quoted text or a block of its own. Quoted texts may hold blanks and
// parentheses and end at the next quote (the form has no escapes); words end at a blank, a
// parenthesis or a quote. Only the header, the sets and their roms are read; every other key, and
// every block inside them we have no use for (a "disk", a "sample"), is skipped whole.
#include <optional>

#include "common/Text.h"
#include "dats/DatReading.h"

namespace cartovex::dats {
namespace {

struct Token {
    enum class Kind { OPEN, CLOSE, TEXT, END };
    Kind kind = Kind::END;
    std::string_view text;
    size_t offset = 0;
};

class ClrMameProParser {
public:
    ClrMameProParser(std::string_view text, DatReading& reading) : text_(text), reading_(reading) {}

    std::optional<std::string> Parse() {
        bool sawDatContent = false;
        for (Token key = Next(); key.kind != Token::Kind::END && !failure_; key = Next()) {
            if (key.kind != Token::Kind::TEXT) return Fail("not a DAT: a key word was expected", key.offset);
            const Token open = Next();
            if (failure_) break;
            if (open.kind != Token::Kind::OPEN)
                return Fail("not a DAT: '(' was expected after \"" + std::string(key.text) + "\"",
                            open.offset);
            if (key.text == "clrmamepro") {
                sawDatContent = true;
                ReadHeader(open.offset);
            } else if (key.text == "game" || key.text == "machine" || key.text == "resource") {
                sawDatContent = true;
                ReadGame(open.offset);
            } else {
                SkipBlock(open.offset);
            }
        }
        if (failure_) return failure_;
        if (!sawDatContent) return std::string("not a DAT: it has no clrmamepro header and no games");
        return std::nullopt;
    }

private:
    static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

    Token Next() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
        Token token;
        token.offset = pos_;
        if (pos_ >= text_.size()) return token;
        const char c = text_[pos_];
        if (c == '(' || c == ')') {
            token.kind = c == '(' ? Token::Kind::OPEN : Token::Kind::CLOSE;
            ++pos_;
            return token;
        }
        token.kind = Token::Kind::TEXT;
        if (c == '"') {
            const size_t close = text_.find('"', pos_ + 1);
            if (close == std::string_view::npos) {
                Fail("cut off in the middle (a quoted text is not closed)", pos_);
                token.kind = Token::Kind::END;
                pos_ = text_.size();
                return token;
            }
            token.text = text_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            return token;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '(' && text_[pos_] != ')' &&
               text_[pos_] != '"')
            ++pos_;
        token.text = text_.substr(start, pos_ - start);
        return token;
    }

    std::optional<std::string> Fail(std::string reason, size_t offset) {
        if (!failure_)
            failure_ = reason + " at line " + PlainNumber(static_cast<long long>(LineAt(text_, offset)));
        return failure_;
    }

    void CutOff(size_t openedAt) {
        if (!failure_)
            failure_ = "cut off in the middle (the block opened at line " +
                       PlainNumber(static_cast<long long>(LineAt(text_, openedAt))) + " is not closed)";
    }

    // After the block's "(": everything up to its matching ")", nested blocks counted, not recursed.
    void SkipBlock(size_t openedAt) {
        size_t depth = 1;
        while (depth > 0 && !failure_) {
            const Token token = Next();
            if (token.kind == Token::Kind::END) return CutOff(openedAt);
            if (token.kind == Token::Kind::OPEN) ++depth;
            if (token.kind == Token::Kind::CLOSE) --depth;
        }
    }

    // After the block's "(": its key-value pairs up to its ")". `take` gets each pair whose value is
    // a word or a quoted text; a pair whose value is a block goes to `takeBlock`, which reads it or
    // skips it.
    template <typename Take, typename TakeBlock>
    void ReadPairs(size_t openedAt, Take take, TakeBlock takeBlock) {
        while (!failure_) {
            const Token key = Next();
            if (key.kind == Token::Kind::END) return CutOff(openedAt);
            if (key.kind == Token::Kind::CLOSE) return;
            if (key.kind == Token::Kind::OPEN) {  // a block without a key: nothing we could use
                SkipBlock(key.offset);
                continue;
            }
            const Token value = Next();
            if (value.kind == Token::Kind::END) return CutOff(openedAt);
            if (value.kind == Token::Kind::CLOSE) return;  // a last key without a value
            if (value.kind == Token::Kind::OPEN)
                takeBlock(key.text, value.offset);
            else
                take(key.text, value.text);
        }
    }

    void ReadHeader(size_t openedAt) {
        ReadPairs(
            openedAt,
            [&](std::string_view key, std::string_view value) {
                if (key == "name") reading_.name = value;
                if (key == "description") reading_.description = value;
                if (key == "version") reading_.version = value;
            },
            [&](std::string_view, size_t at) { SkipBlock(at); });
    }

    void ReadGame(size_t openedAt) {
        DatGame game;
        ReadPairs(
            openedAt,
            [&](std::string_view key, std::string_view value) {
                if (key == "name") game.name = value;
                if (key == "description") game.description = value;
            },
            [&](std::string_view key, size_t at) {
                if (key == "rom")
                    ReadRom(game, at);
                else
                    SkipBlock(at);
            });
        if (!failure_) AddGame(reading_, std::move(game));
    }

    void ReadRom(DatGame& game, size_t openedAt) {
        RomFields fields;
        ReadPairs(
            openedAt,
            [&](std::string_view key, std::string_view value) {
                if (key == "name") fields.name = value;
                if (key == "size") fields.size = value;
                if (key == "crc") fields.crc = value;
                if (key == "md5") fields.md5 = value;
                if (key == "sha1") fields.sha1 = value;
            },
            [&](std::string_view, size_t at) { SkipBlock(at); });
        if (!failure_) AddRom(reading_, game, fields);
    }

    std::string_view text_;
    DatReading& reading_;
    size_t pos_ = 0;
    std::optional<std::string> failure_;
};

}  // namespace

std::optional<std::string> ReadClrMameProDat(std::string_view text, DatReading& reading) {
    return ClrMameProParser(text, reading).Parse();
}

}  // namespace cartovex::dats

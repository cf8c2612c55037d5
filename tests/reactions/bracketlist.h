// A reader for the bracketed lists of the "-ql" file, as a symbolic-algebra tool reads
// them: name = value; where a value is a number, a quoted text or {value, ...};
// (* ... *) is a comment.
#pragma once

#include <cctype>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zt::testing {

struct bracketvalue {
    bool islist = false;
    std::string text;  // a number or a quoted text without its quotes
    std::vector<bracketvalue> items;
};

class bracketparser {
public:
    explicit bracketparser(const std::string& s) : s_(s) {}

    std::map<std::string, bracketvalue> parseall() {
        std::map<std::string, bracketvalue> out;
        for (;;) {
            skip();
            if (p_ >= s_.size()) return out;
            std::string name;
            while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_')) name += s_[p_++];
            if (name.empty()) fail("name expected");
            expect('=');
            out[name] = value();
            expect(';');
        }
    }

private:
    [[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + " at " + std::to_string(p_)); }

    void skip() {
        for (;;) {
            while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
            if (s_.compare(p_, 2, "(*") != 0) return;
            const size_t e = s_.find("*)", p_ + 2);
            if (e == std::string::npos) fail("open comment");
            p_ = e + 2;
        }
    }

    void expect(char c) {
        skip();
        if (p_ >= s_.size() || s_[p_] != c) fail(std::string("expected ") + c);
        ++p_;
    }

    bracketvalue value() {
        skip();
        bracketvalue v;
        if (p_ < s_.size() && s_[p_] == '{') {
            ++p_;
            v.islist = true;
            skip();
            if (p_ < s_.size() && s_[p_] == '}') {
                ++p_;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                skip();
                if (p_ < s_.size() && s_[p_] == ',') {
                    ++p_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (p_ < s_.size() && s_[p_] == '"') {
            const size_t e = s_.find('"', p_ + 1);
            if (e == std::string::npos) fail("open text");
            v.text = s_.substr(p_ + 1, e - p_ - 1);
            p_ = e + 1;
            return v;
        }
        while (p_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[p_])) || s_[p_] == '-' || s_[p_] == '.' ||
                                  s_[p_] == 'e' || s_[p_] == '+'))
            v.text += s_[p_++];
        if (v.text.empty()) fail("value expected");
        return v;
    }

    const std::string& s_;
    size_t p_ = 0;
};

}  // namespace zt::testing

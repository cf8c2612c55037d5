#include "dsfit/fitread.h"

#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"
#include "runtime/words.h"

namespace zt {

namespace {

struct fitcursor {
    std::string line;
    size_t pos = 0;
    bool haveline = false;
    int32_t lineno = 0;
};
fitcursor cur;

bool readline(std::string& line)
{
    if (!readfileline(runfiles.datafile, line)) return false;
    ++cur.lineno;
    return true;
}

std::string nextword(const std::string& context)
{
    while (true) {
        if (!cur.haveline) {
            if (!readline(cur.line)) bombout("read", "unexpected end of file, " + context, 0);
            cur.pos = 0;
            cur.haveline = true;
        }
        while (cur.pos < cur.line.size() && isblankbyte(cur.line[cur.pos])) ++cur.pos;
        if (cur.pos >= cur.line.size()) {
            cur.haveline = false;
            continue;
        }
        const size_t start = cur.pos;
        while (cur.pos < cur.line.size() && !isblankbyte(cur.line[cur.pos])) ++cur.pos;
        return cur.line.substr(start, cur.pos - start);
    }
}

}  // namespace

void fitrestartcursor()
{
    cur = fitcursor{};
}

int32_t fitlinenumber() { return cur.lineno; }

void fitendline()
{
    if (cur.haveline) {
        cur.haveline = false;
        return;
    }
    std::string line;
    readline(line);
}

bool fitwordline(stringlist& words, int16_t& count)
{
    cur.haveline = false;
    std::string line;
    if (!readline(line)) {
        count = 0;
        return false;
    }
    string2strings(line, static_cast<int16_t>(line.size()), words, count);
    for (int i = 1; i <= count; ++i) {
        if (!words[i].empty() && words[i][0] == '%') {
            count = static_cast<int16_t>(i - 1);
            break;
        }
    }
    return true;
}

void fitneedline(stringlist& words, int16_t& count)
{
    if (!fitwordline(words, count)) bombout("read in rstrings", "problems reading", 0);
}

void fitnextwordline(stringlist& words, int16_t& count)
{
    do {
        fitneedline(words, count);
    } while (count == 0);
}

int16_t fitreadint(const std::string& context)
{
    const std::string word = nextword(context);
    return getinteger(wordtype(word), word, context);
}

real fitreadreal(const std::string& context)
{
    const std::string word = nextword(context);
    return getsingle(wordtype(word), word, context);
}

std::string fitresttext()
{
    if (!cur.haveline) return "";
    // A text keeps 255 characters; the numbers before it were read from the whole line.
    std::string rest = cur.line.substr(cur.pos, static_cast<size_t>(maxtextlen));
    cur.pos = cur.line.size();
    return rest;
}

}  // namespace zt

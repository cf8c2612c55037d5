#include "runtime/prompts.h"

#include <algorithm>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/words.h"

namespace zt {

namespace {

void cut255(std::string& line) {
    if (line.size() > static_cast<size_t>(maxtextlen)) line.resize(maxtextlen);
}

// End of input is a failed read: a piped run must not loop on empty answers.
void readanswer(std::string& line) {
    if (!readconsoleline(line)) bombout("read in prstrings", "problems reading", 0);
    cut255(line);
}

void applybackspaces(std::string& line) {
    size_t out = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == backspacebyte) {
            if (out > 0) --out;
        } else {
            line[out++] = line[i];
        }
    }
    line.resize(out);
}

bool consoleopen() { return (channels.outchannels & 1) != 0; }

void split(const std::string& line, stringlist& words, int16_t& count) {
    string2strings(line, static_cast<int16_t>(line.size()), words, count);
}

// Asks until the first word of an answer reads as a value; "kill" ends the run.
template <typename Value, typename Reader>
void askuntilread(std::string question, Value& value, Reader reader) {
    static stringlist words;
    int16_t count = 0;
    std::string errtext;
    while (true) {
        promptstrings(question, words, count);
        if (count == 0) {
            question = " ";
            continue;
        }
        if (iskill(words[1])) killrun();
        if (reader(words[1], value, errtext)) return;
        question = errtext;
    }
}

bool queryanswer(const std::string& question, bool pause) {
    std::string answer;
    putstr(0, question + " ? ", 0, 9);
    flushall();
    bool got = readconsoleline(answer);
    if (!got && !pause) bombout("read in prstrings", "problems reading", 0);
    cut255(answer);
    if (got && answer == "?") {
        putstr(1, "sorry, you are on your own...", 2, 9);
        putstr(0, question + " ? ", 0, 9);
        got = readconsoleline(answer);
        if (!got && !pause) bombout("read in prstrings", "problems reading", 0);
        cut255(answer);
    }
    const std::string t = trimblanks(answer);
    const bool yes = t.empty() || t == "1" || t == "yes" || t == "y" || t == "Y";
    putstr(0, yes ? "yes" : "no", 1, 8);
    if (iskill(t)) killrun();
    return yes;
}

}  // namespace

// The typed line with backspaces applied, and its words.
static void readtyped(std::string& typed, stringlist& words, int16_t& count) {
    flushall();
    readanswer(typed);
    applybackspaces(typed);
    split(typed, words, count);
}

void prstrings(stringlist& words, int16_t& count) {
    std::string typed;
    readtyped(typed, words, count);
}

void promptline(const std::string& prompt, std::string& typed, stringlist& words, int16_t& count) {
    if (consoleopen()) putstr(0, prompt + " : ", 0, 9);
    readtyped(typed, words, count);
    if ((channels.outchannels & 8) != 0) {
        std::string echo;
        if (count == 0) {
            echo = "(nothing input)";
        } else if (count == 1) {
            echo = words[1];
        } else {
            for (int i = 1; i <= count && echo.size() < static_cast<size_t>(maxtextlen); ++i) {
                echo += ' ';
                echo += words[i];
            }
            echo += ' ';
        }
        putstr(0, echo, 1, 8);
    }
    if (count == 1 && iskill(words[1])) killrun();
}

void promptstrings(const std::string& prompt, stringlist& words, int16_t& count) {
    std::string typed;
    promptline(prompt, typed, words, count);
}

void promptword(const std::string& prompt, str22& word) {
    static stringlist words;
    int16_t count = 0;
    promptstrings(prompt, words, count);
    word = count > 0 ? words[1] : str22();
}

void promptreal(const std::string& prompt, real& x) { askuntilread(prompt, x, readreal); }

void promptinteger(const std::string& prompt, int16_t& n) { askuntilread(prompt, n, readint); }

void promptreals(const std::string& prompt, listreals& values, int16_t& n) {
    static stringlist gathered;
    static stringlist words;
    int16_t count = 0;
    promptstrings(prompt, gathered, count);
    int total = count;
    const int capacity = static_cast<int>(values.size()) - 1;
    n = static_cast<int16_t>(std::min<int>(std::max<int>(n, 0), capacity));
    if (n == 0) {
        n = static_cast<int16_t>(std::min(total, capacity));
    } else {
        while (total < n) {
            promptstrings(" ", words, count);
            for (int i = 1; i <= count && total < maxwords; ++i) gathered[++total] = words[i];
        }
    }
    if (n > 0) {
        for (int i = 1; i <= total; ++i) {
            if (iskill(gathered[i])) killrun();
        }
    }
    std::string errtext;
    for (int k = 1; k <= n; ++k) {
        real& x = values[static_cast<size_t>(k)];
        if (readreal(gathered[k], x, errtext)) continue;
        askuntilread(errtext, x, readreal);
    }
}

bool query(const std::string& question) { return queryanswer(question, false); }

void pausequery(const std::string& question) { queryanswer(question, true); }

void promptcontrol(const std::string& question, int32_t& sw) {
    if (sw != 2) return;
    putstr(0, question + " ? ", 0, 9);
    flushall();
    std::string answer;
    readanswer(answer);
    const std::string t = trimblanks(answer);
    const bool yes = t.empty() || t == "yes" || t == "y" || t == "1" || t == "ok";
    putstr(0, yes ? "yes" : "no", 1, 8);
    if (iskill(t)) killrun();
    sw = yes ? 0 : 1;
}

void rstrings(textfile& f, stringlist& words, int16_t& count) {
    flushall();
    std::string line;
    if (!readfileline(f, line)) {
        writeconsole("\"" + line + "\"\n");
        bombout("read in rstrings", "problems reading", 0);
    }
    // A line of a file is read whole: words past its 255th character count too.
    split(line, words, count);
}

void readwords(textfile& f, stringlist& words, int16_t& count, bool strip) {
    rstrings(f, words, count);
    if (!strip) return;
    for (int i = 1; i <= count; ++i) {
        if (!words[i].empty() && words[i][0] == '%') {
            for (int k = i; k <= count; ++k) words[k].clear();
            count = static_cast<int16_t>(i - 1);
            return;
        }
    }
}

}  // namespace zt

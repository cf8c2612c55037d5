#include "script/scriptline.h"

#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/ondemandtable.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

scriptinfostate scriptinfo;

void resetscriptinfo() { scriptinfo = scriptinfostate{}; }

int32_t valuekind(int i) { return scriptinfo.infokind[static_cast<size_t>(i)]; }
real valuereal(int i) { return scriptinfo.inforeal[static_cast<size_t>(i)]; }
const str22& valueword(int i) { return scriptinfo.infoword[static_cast<size_t>(i)]; }
bool isvaluenumber(int i) { return isnumeric(valuekind(i)); }

// The reader's integer and the real of a word agree exactly when the reader took it.
bool isvalueint(int i)
{
    return valuekind(i) == wkinteger && scriptinfo.infoint[static_cast<size_t>(i)] == valuereal(i);
}

int16_t valueint(int i)
{
    if (!isvalueint(i))
        bombout("valueint", "value " + wholetostr(i) + ", " + inquotes(valueword(i)) + ", is no integer", 1);
    return scriptinfo.infoint[static_cast<size_t>(i)];
}

void nextrow(int16_t& counter, int16_t startstate)
{
    counter = counter == startstate ? int16_t{1} : static_cast<int16_t>(counter + 1);
}

namespace {

void clearentry(size_t i)
{
    scriptinfo.infokind[i] = 0;
    scriptinfo.inforeal[i] = 0;
    scriptinfo.infoint[i] = 0;
    scriptinfo.infoword[i].clear();
}

// The number of a numeric word; false when the reader refuses what the classifier took
// for a number (such as 1e+5).
bool readinfonumber(const str22& word, int32_t kind, real& x, int16_t& n)
{
    std::string errtext;
    x = 0;
    n = 0;
    if (kind == wkreal) return readreal(word, x, errtext);
    if (kind == wkinteger) {
        if (readint(word, n, errtext)) {
            x = n;
            return true;
        }
        n = 0;
        return readreal(word, x, errtext);
    }
    int16_t p = 0, q = 0;
    if (!readrational(word, p, q, errtext)) return false;
    x = static_cast<real>(p) / q;
    return true;
}

}  // namespace

void storeinfo(const str22& keyword, const stringlist& words, int16_t count, int16_t used)
{
    (void)count;
    for (size_t i = 1; i <= maxlinevalues; ++i) clearentry(i);
    if (scriptinfo.ninfo > maxlinevalues) bombout("reading script for " + keyword, "too much info", 0);
    for (int i = 1; i <= scriptinfo.ninfo; ++i) {
        const size_t k = static_cast<size_t>(i);
        const str22& word = words[used + i];
        const int32_t kind = wordtype(word);
        scriptinfo.infoword[k] = word;
        scriptinfo.infokind[k] = kind;
        if (!isnumeric(kind)) continue;
        if (!readinfonumber(word, kind, scriptinfo.inforeal[k], scriptinfo.infoint[k])) {
            // Kept as a plain word, so that no handler takes it for a number.
            scriptinfo.infokind[k] = wkword;
            scriptinfo.inforeal[k] = 0;
            scriptinfo.infoint[k] = 0;
            scriptvalueproblem(keyword, "for " + keyword + ", info given is " + inquotes(word) + ", not a readable number",
                               "number is not a number", "info in the script needs to be corrected");
        }
    }
}

void shiftinfo(int16_t n)
{
    if (n == 0 || scriptinfo.ninfo <= n) return;
    const int16_t left = static_cast<int16_t>(scriptinfo.ninfo - n);
    for (int i = 1; i <= left; ++i) {
        const size_t to = static_cast<size_t>(i), from = static_cast<size_t>(i + n);
        scriptinfo.infokind[to] = scriptinfo.infokind[from];
        scriptinfo.inforeal[to] = scriptinfo.inforeal[from];
        scriptinfo.infoint[to] = scriptinfo.infoint[from];
        scriptinfo.infoword[to] = scriptinfo.infoword[from];
    }
    for (int i = left + 1; i <= scriptinfo.ninfo; ++i) clearentry(static_cast<size_t>(i));
    scriptinfo.ninfo = left;
}

void scriptvalueproblem(const str22& keyword, const std::string& message, const std::string& strictmessage,
                        const std::string& closing)
{
    putstr(1, message, 1, 9);
    if (settings.strictscripting) bombout("reading script for " + keyword, strictmessage, 0);
    putstr(0, closing, 1, 9);
    ++settings.nscriptproblems;
}

void checktablespace(const str22& keyword, int count, int limit, const std::string& what)
{
    if (count > limit) tablefull(keyword, limit, what);
}

std::string inquotes(const std::string& word) { return "\"" + word + "\""; }

real roundeven(real x) { return std::nearbyint(x); }

}  // namespace zt

#include "ax/axtokens.h"

#include "ax/phaserecords.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/words.h"
#include "script/settings.h"

namespace zt {

axtokenstate axtok;
axheaderstate axheader;

namespace {

bool isendline(const stringlist& words, int16_t count) { return count > 0 && !words[1].empty() && words[1][0] == '*'; }

// Reads lines until one has words; false at an end line (which sets the end flag) or
// at the end of the file.
bool readnextwordline() {
    textfile& f = runfiles.datafile;
    for (;;) {
        if (atendoffile(f)) {
            axtok.endflag = true;
            return false;
        }
        readwords(f, axtok.words, axtok.nwords, true);
        if (axtok.nwords == 0) continue;
        if (isendline(axtok.words, axtok.nwords)) {
            axtok.endflag = true;
            return false;
        }
        return true;
    }
}

// Words after the look-ahead on its line belong to no token once a raw block follows it.
void droprestofline() { axtok.nwords = static_cast<int16_t>(axtok.pos + 1); }

}  // namespace

void resetaxtokens() { axtok = axtokenstate{}; }

void resetaxheader() {
    axheader.nheaderlines = 0;
    for (std::string& s : axheader.headerlines) s.clear();
}

std::string ordinalword(int n) {
    if (n >= 1 && n <= maxems && !runopening.ordinals[static_cast<size_t>(n)].empty()) {
        return runopening.ordinals[static_cast<size_t>(n)];
    }
    if (n == 1) return "1st";
    if (n == 2) return "2nd";
    if (n == 3) return "3rd";
    return wholetostr(n) + "th";
}

std::string maxtext(int n) { return " (max = " + wholetostr(n) + ") "; }

void openaxtokens() {
    resetaxtokens();
    if (!readnextwordline()) bombout("setup phases", "not enough in file", 0);
    axtok.pos = 0;
    axtok.nexttoken = axtok.words[1];
    axtok.nextkind = wordtype(axtok.nexttoken);
    if (axtok.nextkind == wkempty) axtok.endflag = true;
}

void nextaxtoken(const std::string& context) {
    axtok.pos = static_cast<int16_t>(axtok.pos + 1);
    axtok.token = axtok.nexttoken;
    axtok.kind = axtok.nextkind;
    if (axtok.kind == wkempty) bombout("reading", "unexpected end of input: " + context, 0);
    if (axtok.pos >= axtok.nwords) {
        if (readnextwordline()) {
            axtok.pos = 0;
            axtok.nexttoken = axtok.words[1];
        } else {
            axtok.nwords = 0;
            axtok.pos = 0;
            axtok.nexttoken.clear();
        }
    } else {
        axtok.nexttoken = axtok.words[axtok.pos + 1];
    }
    axtok.nextkind = wordtype(axtok.nexttoken);
}

str22 readname(int32_t kind, const str22& token, const std::string& context) {
    if (kind != wkword) bombout("reading", "expecting a name; got: " + token + " - " + context, 0);
    return trunc22(token);
}

void readline(bool& endofblock, std::string& line) {
    std::string raw;
    if (!readfileline(runfiles.datafile, raw)) {
        putstr(0, "\"" + raw + "\"", 1, 1);
        bombout("readline", "problems reading for header/verbatim", 0);
    }
    if (raw.size() > static_cast<size_t>(maxtextlen)) raw.resize(maxtextlen);
    line = trimblanks(raw);
    if (line.size() >= 4 && (line.compare(0, 4, "verb") == 0 || line.compare(0, 4, "head") == 0)) {
        endofblock = true;
        line.clear();
        return;
    }
    endofblock = false;
    if (!line.empty() && line[0] == '%') line.erase(0, 1);
    if (line.size() > static_cast<size_t>(maxrawlinelen)) line.resize(maxrawlinelen);
}

void readheaderblock() {
    droprestofline();
    resetaxheader();
    axheader.headerlines[1] = "#";
    int16_t n = 1;
    for (;;) {
        bool endofblock = false;
        std::string line;
        readline(endofblock, line);
        if (n >= maxheaderlines) bombout("setupphases", "too many header lines", 0);
        n = static_cast<int16_t>(n + 1);
        if (endofblock) {
            axheader.headerlines[static_cast<size_t>(n)] = "#";
            break;
        }
        if (line.size() > static_cast<size_t>(maxheaderlen)) line.resize(maxheaderlen);
        axheader.headerlines[static_cast<size_t>(n)] = line;
    }
    axheader.nheaderlines = n;
    nextaxtoken("end of header");
}

void readverbatimblock(axphase& ph) {
    droprestofline();
    std::string first = "#";
    if (settings.magemin == 0) first += " start x-eos: " + ph.shortname;
    if (first.size() > static_cast<size_t>(maxrawlinelen)) first.resize(maxrawlinelen);
    ph.verbatim[1] = first;
    int16_t n = 1;
    for (;;) {
        bool endofblock = false;
        std::string line;
        readline(endofblock, line);
        if (n >= maxverbatim) bombout("setupphases", "too many info lines for " + ph.shortname, 0);
        n = static_cast<int16_t>(n + 1);
        if (endofblock) {
            ph.verbatim[static_cast<size_t>(n)] = "#";
            break;
        }
        ph.verbatim[static_cast<size_t>(n)] = line;
    }
    ph.nverbatim = n;
    nextaxtoken("end of verbatim for " + ph.shortname);
}

void long2shortpname(str22& longname, str22& shortname, str22& suffix) {
    shortname = longname;
    const size_t sep = longname.find('_');
    if (sep == std::string::npos) {
        if (!suffix.empty()) longname = trunc22(shortname + "_" + suffix);
        return;
    }
    if (sep == 0 || longname.back() == '_') {
        bombout("long2shortpname", "separator char in pname in wrong place in " + longname, 0);
    }
    shortname = longname.substr(0, sep);
    const str22 after = longname.substr(sep + 1);
    if (suffix.empty()) {
        suffix = after;
    } else if (after != suffix) {
        longname = trunc22(shortname + "_" + suffix);
    }
}

}  // namespace zt

#include "runtime/channels.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/bytes.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/words.h"

namespace zt {

channelstate channels;

namespace {

const char* const handlenames[nchannelbits] = {"",         "",        "outfile", "logfile", "icfile",  "itfile",
                                               "qlfile",   "csvfile", "csv2file", "psfile", "svgsfile"};

// 0 writes none, 1 one, anything else two.
int lineendcount(int16_t n) { return n == 0 ? 0 : (n == 1 ? 1 : 2); }

const char* lineends(int16_t n) {
    static const char* const ends[3] = {"", "\n", "\n\n"};
    return ends[lineendcount(n)];
}

bool inset(wordset s, int bit) { return (static_cast<uint32_t>(s) >> bit & 1u) != 0; }

}  // namespace

void resetchannels() {
    for (textfile& f : channels.files) {
        if (f.isopen) closetextfile(f);
        f.name.clear();
    }
    channels.outchannels = 0;
    channels.fileused.fill(false);
    channels.pagewidth = 80;
    channels.dontwrap = true;
    channels.linebuf.clear();
    channels.linebuf2.clear();
    channels.linebuf3.clear();
    channels.linebuf4.clear();
    for (std::string& s : channels.msglines) s.clear();
}

std::string channelhandlename(int bit) {
    if (bit < 0 || bit >= nchannelbits) return std::string();
    return handlenames[bit];
}

void putstr(int16_t before, const std::string& text, int16_t after, wordset channelset) {
    const wordset targets = channelset & channels.outchannels;
    if (targets == 0) return;
    const size_t len = std::min(text.size(), static_cast<size_t>(maxtextlen));
    const char* pre = lineends(before);
    const char* post = lineends(after);
    if (inset(targets, chconsole)) {
        const int cut = channels.pagewidth - 2;
        std::string line(pre);
        if (channels.dontwrap && static_cast<int>(len) > cut) {
            line.append(text, 0, static_cast<size_t>(std::max(cut, 0)));
            line.push_back('#');
        } else {
            line.append(text, 0, len);
        }
        line.append(post);
        writeconsole(line);
    }
    for (int bit = chsummary; bit < nchannelbits; ++bit) {
        if (!inset(targets, bit)) continue;
        textfile& f = channels.files[static_cast<size_t>(bit)];
        if (!f.isopen) continue;
        std::string line(pre);
        line.append(text, 0, len);
        line.append(post);
        writefiletext(f, line);
    }
    for (int bit = chic; bit < nchannelbits; ++bit) {
        if (inset(targets, bit)) channels.fileused[static_cast<size_t>(bit)] = true;
    }
}

void flushall() {
    for (int bit = chsummary; bit < nchannelbits; ++bit) {
        if (inset(channels.outchannels, bit)) flushfile(channels.files[static_cast<size_t>(bit)]);
    }
}

void addfield(const std::string& text, int16_t width, std::string& line) {
    if (!line.empty() && line.back() == overflowbyte) return;
    if (!line.empty() && line.size() + text.size() > static_cast<size_t>(maxrowlen)) {
        line.push_back(overflowbyte);
        return;
    }
    const int n = static_cast<int>(text.size());
    const int w = width;
    if (w > 0 && w > n) line.append(spaces(static_cast<int16_t>(std::min(w - n, 32767))));
    line.append(text);
    if (w < 0 && -w > n) line.append(spaces(static_cast<int16_t>(std::min(-w - n, 32767))));
    if (line.size() > static_cast<size_t>(maxtextlen)) line.resize(maxtextlen);
}

void addnumber(const std::string& text, int16_t width, std::string& line) {
    const bool fills = width != 0 && text.size() >= static_cast<size_t>(std::abs(static_cast<int>(width)));
    if (fills && !text.empty() && !isblankbyte(text.front()) && !line.empty() && !isblankbyte(line.back()))
        addfield(" " + text, width, line);
    else
        addfield(text, width, line);
}

void addreal(int16_t digits, bool fixed, int16_t width, real x, std::string& line) {
    addnumber(realtostr(digits, fixed, x), width, line);
}

void addwhole(int16_t width, std::string& line, real x) { addnumber(wholetostr(x), width, line); }

void addfixed(int16_t decimals, int16_t width, real x, std::string& line) {
    addnumber(fixedtostr(decimals, x), width, line);
}

void adddecimals(int16_t decimals, int16_t width, real x, std::string& line) {
    addnumber(decimalstostr(decimals, x), width, line);
}

void formattext(std::array<std::string, maxmsglines + 1>& lines) {
    static stringlist gathered;
    static stringlist words;
    int total = 0;
    for (int i = 1; i <= maxmsglines; ++i) {
        const std::string& l = lines[static_cast<size_t>(i)];
        if (l.empty()) break;
        int16_t count = 0;
        string2strings(l, static_cast<int16_t>(std::min(l.size(), static_cast<size_t>(maxtextlen))), words, count);
        if (total + count > maxwords) bombout("format text", "too many words in lines", 0);
        for (int k = 1; k <= count; ++k) gathered[++total] = words[k];
    }
    putstr(0, "", 1, 9);
    std::string& buf = channels.linebuf2;
    buf.clear();
    int column = 0;
    for (int k = 1; k <= total; ++k) {
        const str22& word = gathered[k];
        const int len = static_cast<int>(word.size());
        if (len + column > 78) {
            putstr(0, buf, 1, 9);
            buf.clear();
            column = 0;
        }
        addfield(word + " ", 0, buf);
        column += len + 1;
    }
    putstr(0, buf, 1, 9);
}

}  // namespace zt

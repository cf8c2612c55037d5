#include "script/scriptreader.h"

#include <initializer_list>
#include <string>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prefs.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "runtime/textfile.h"
#include "script/keywords.h"
#include "script/scriptline.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr int maxphysicallines = 49;  // of one logical line

// Joins continued physical lines ("\" as the last word) into one logical line.
void readlogicalline(textfile& f, stringlist& line, int16_t& count)
{
    static stringlist words;
    count = 0;
    for (int physical = 1;; ++physical) {
        if (physical > 1 && atendoffile(f)) return;
        int16_t n = 0;
        readwords(f, words, n, true);
        if (physical > maxphysicallines) bombout("readcontrol", "multiline gone berko", 0);
        const bool continued = n > 0 && words[n] == "\\";
        if (continued) words[n--].clear();
        if (n == 0) return;
        if (count + n > maxwords) bombout("readcontrol", "too many strings in a multiline", 0);
        for (int i = 1; i <= n; ++i) line[++count] = words[i];
        if (!continued) return;
    }
}

void handleline(const stringlist& line, int16_t count)
{
    const str22 keyword = line[1];
    int32_t sw = 0;
    int16_t used = 1;
    switchword(line, count, sw, used);
    scriptinfo.ninfo = static_cast<int16_t>(count - used);
    storeinfo(keyword, line, count, used);
    const scriptline l{line, count, sw, used, keyword};
    if (switchkeyword(l) || windowkeyword(l) || blockkeyword(l) || batchkeyword(l)) return;
    ++settings.nscriptproblems;
    putstr(1, "the script, \"" + keyword + "\", is unrecognised (or discontinued)", 1, 13);
}

// A note re-flowed on console and log.

void mandatorykeywords()
{
    settings.nmissingscripts = 0;
    if (prefs.prefscalcmode == 9) return;
    if (settings.axfile.empty())
        writenote({nextnotenumber() + ") new in zt350, the \"axfile\" script is mandatory, followed by the suffix to the name ",
                   "of the axfile. So, if the axfile is called \"zt-blahblah\", the script to use is \"axfile blahblah\""});
    if (settings.nwith < 1)
        writenote({nextnotenumber() +
                       ") new in zt350, the \"with\" script is mandatory, followed by the list of phases for this run "
                       "(or a set of runs). ",
                   "If the list is for a set of runs, the current run being a subset of this list, then use the script, "
                   "\"with someof\" ",
                   "followed by the list of phases. zt350 will prompt you for which phases in the list to use in this run"});
    if (settings.diagramPT != 0)
        writenote({nextnotenumber() +
                       ") new in zt350, the \"diagramPT\" script is mandatory, followed by 4 values separated by spaces, ",
                   std::string("Plow, Phigh, Tlow, Thigh, in kbar and ") + degreebyte +
                       "C. In the case of a PT grid or PT pseudosection the values are simply the bounds ",
                   "diagram. In the case of a Tx diagram, the P values need to be a range around the P of the diagram, "
                   "given that",
                   "of the effective invariants are calculated in terms of a line in PTx. Ditto for Px diagrams"});
    if (!settings.pseudosectiongiven && prefs.prefscalcmode == 1)
        writenote({nextnotenumber() +
                       ") new in zt350, the \"pseudosection\" script is mandatory, either just \"pseudo- section\", "
                       "meaning ",
                   "pseudosection calculations intended, or \"pseudosection no\", meaning for example grid "
                   "calculations (no bulk composition used)."});
}


}  // namespace

bool runhandler(const handlerrow* first, const handlerrow* last, const scriptline& line)
{
    for (const handlerrow* row = first; row != last; ++row) {
        if (line.keyword != row->keyword) continue;
        row->handle(line);
        return true;
    }
    return false;
}

void getscriptfile()
{
    if (prefs.scriptsuffix.empty()) {
        stringlist words;
        int16_t count = 0;
        promptstrings("use same script file?", words, count);
        const bool same = count == 0 || words[1] == "y" || words[1] == "1" || words[1] == "=";
        if (!same) runfiles.datafilenamesuffix.clear();
    }
    std::string name;
    promptdatafile("zt-", runfiles.datafilenamesuffix, "script info", name, runfiles.datafile);
    if (runfiles.datafilenamesuffix.empty()) bombout("getscriptfile", "no script file specified", 0);
    runfiles.scriptfilename = name;
}

str22 scriptaxsuffix(const std::string& filename)
{
    textfile f;
    str22 suffix;
    if (!openforreading(f, filename, "script info", "startout")) return suffix;
    // the lines as the script reader joins them, so that the name is the one it will take
    static stringlist words;
    while (!atendoffile(f)) {
        int16_t count = 0;
        readlogicalline(f, words, count);
        const str22 keyword = count > 0 ? words[1] : str22();
        if (count > 0 && keyword[0] == '*') break;
        if (keyword == "axfile") {
            int32_t sw = 0;
            int16_t used = 1;
            switchword(words, count, sw, used);
            suffix.clear();
            if (sw != 1 && count > used) suffix = words[static_cast<size_t>(used + 1)];
        }
        for (int i = 1; i <= count; ++i) words[static_cast<size_t>(i)].clear();
    }
    closetextfile(f);
    return suffix;
}

void readcontrol()
{
    settings.nscriptproblems = 0;
    if (run.runcount > 1) getscriptfile();
    setscriptdefaults();
    static stringlist line;
    while (!atendoffile(runfiles.datafile)) {
        int16_t count = 0;
        readlogicalline(runfiles.datafile, line, count);
        if (count == 0) continue;
        if (line[1][0] == '*') break;
        handleline(line, count);
        for (int i = 1; i <= count; ++i) line[i].clear();
    }
    finishbatches();
    mandatorykeywords();
    problemsummary("add mandatory scripts to scriptfile");
    closefile(runfiles.datafile, true, "datafile");
    scriptconsistency();
}

}  // namespace zt
